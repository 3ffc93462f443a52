// Small screens: the window fills the screen and its content scrolls.
#include "form_rig.h"

#include <QGroupBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <utility>
#include <gtest/gtest.h>

using namespace shell;

namespace {

struct Rig : FormRig {
    explicit Rig(QSize screen) {
        makeForm(screen);
        form->Form_Load();
    }
};

// Position in twips at 15 twips per pixel.
QPoint twips(QWidget* w) { return w->pos() * 15; }

} // namespace

TEST(SmallScreen, RangesCoverExactlyTheHiddenPart) {
    const auto r = MainForm::scrollRanges(9480, 6945, 15, 15);
    EXPECT_EQ(r.vertical, 107);
    EXPECT_EQ(r.horizontal, 179);
    const auto none = MainForm::scrollRanges(20000, 20000, 15, 15);
    EXPECT_EQ(none.vertical, 0);
    EXPECT_EQ(none.horizontal, 0);
}

TEST(SmallScreen, WindowFillsTheScreenAndContentScrolls) {
    Rig r(QSize(640, 480));
    MainForm& f = *r.form;
    EXPECT_EQ(r.bar.hidden, 1);
    EXPECT_EQ(f.geometry(), QRect(0, 0, 640, 480));
    EXPECT_FALSE(f.VScroll1()->isHidden());
    EXPECT_FALSE(f.HScroll1()->isHidden());
    const auto expected = MainForm::scrollRanges(640 * 15, 480 * 15, 15, 15);
    EXPECT_EQ(f.VScroll1()->maximum(), expected.vertical);
    EXPECT_EQ(f.HScroll1()->maximum(), expected.horizontal);
    EXPECT_EQ(f.VScroll1()->x(), 640 - 17);
    EXPECT_EQ(f.HScroll1()->y(), 480 - 34);

    int16_t page = 4;
    f.optProgram_Click(page);
    f.VScroll1()->setValue(20);
    f.HScroll1()->setValue(10);
    EXPECT_EQ(twips(f.Frame1(1)), QPoint(-150, 2160 - 300));
    EXPECT_EQ(twips(f.Frame1(2)), QPoint(840 - 150, 120 - 300));
    EXPECT_EQ(twips(f.frmProgram(4)), QPoint(3000 - 150, 120 - 300));
    EXPECT_EQ(twips(f.frmSetup()), QPoint(3000 - 150, 120 - 300));
    EXPECT_EQ(twips(f.cmdFunction(2)), QPoint(11040 - 150, 1440 - 300));
    // A hidden page does not move; once chosen it sits at its design place.
    EXPECT_EQ(twips(f.frmProgram(6)), QPoint(3000, 120));
    page = 6;
    f.optProgram_Click(page);
    EXPECT_EQ(twips(f.frmProgram(6)), QPoint(3000, 120));

    f.VScroll1()->setValue(0);
    f.HScroll1()->setValue(0);
    EXPECT_EQ(twips(f.Frame1(2)), QPoint(840, 120));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(twips(f.cmdFunction(i)), QPoint(11040, 240 + 600 * i)) << i;
}

TEST(SmallScreen, LargerScreensKeepTheDesignSize) {
    // Centred: (screen width - 794) / 2, to the pixel.
    const std::pair<QSize, int> screens[] = {{QSize(1024, 768), 115}, {QSize(800, 480), 3}, {QSize(640, 600), -77}};
    for (auto [screen, x] : screens) {
        Rig r(screen);
        EXPECT_EQ(r.bar.hidden, 0);
        EXPECT_EQ(r.form->size(), QSize(794, 553));
        EXPECT_EQ(r.form->x(), x);
        EXPECT_TRUE(r.form->VScroll1()->isHidden());
        EXPECT_TRUE(r.form->HScroll1()->isHidden());
    }
}

TEST(LargeScreen, TheTitleBarStaysOnTheScreen) {
    // The contents' top 20 twips above the edge only while the frame stays on the screen.
    EXPECT_EQ(MainForm::contentsPosition(QSize(1024, 768), 0, 24), QPoint(115, 24));
    EXPECT_EQ(MainForm::contentsPosition(QSize(800, 600), 30, 24), QPoint(3, 54)); // a panel at the top
    EXPECT_EQ(MainForm::contentsPosition(QSize(1024, 768), 0, 0), QPoint(115, 0));
    EXPECT_EQ(MainForm::contentsPosition(QSize(1024, 768), -100, 24), QPoint(115, -1)); // a screen above

    for (QSize screen : {QSize(1024, 768), QSize(800, 600)}) {
        FormRig r;
        r.makeForm(screen);
        r.form->show();
        QTest::qWait(20);
        const QRect available = r.form->screen()->availableGeometry();
        EXPECT_EQ(r.form->frameGeometry().top(), available.top()) << screen.width();
        EXPECT_GT(r.form->geometry().top(), r.form->frameGeometry().top()) << screen.width();
        EXPECT_EQ(r.form->size(), QSize(794, 553));
    }
}
