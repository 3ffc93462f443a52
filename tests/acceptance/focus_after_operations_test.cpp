// After an operation the keyboard focus is where the person had it (or on a page's
// own focus button), never in the meter address box: digits typed next do not
// change the meter address, and the next click is not spent leaving that box.
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_tou.h"

#include "monitor/data_log_format.h"
#include "tou/tou_page.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

struct FocusRig : ProgramRig {
    FocusRig() : ProgramRig({{1, 9600}}, 1000, Pages::All) {
        sim::Meter& m = *line.meter(1);
        sim::installIdentity(m);
        sim::installLiveValues(m);
        sim::installTimeOfUse(m);
        showMainWindow();
        mainForm().activateWindow();
        EXPECT_TRUE(waitFor([this] { return QApplication::activeWindow() == &mainForm(); }));
    }
    QPushButton* button(const QString& name) { return mainForm().findChild<QPushButton*>(name); }
    std::string focusName() const {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "";
    }
    std::string panel1() { return app().status().panelText(1).toStdString(); }
};

// The login window, once it shows, answered with the default user's name and password;
// then the main window is active again if a window manager makes it so. Without one
// it stays inactive until the person clicks it.
void logInWhenAsked(QWidget* window, bool windowManager = true) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, window, windowManager] {
        QWidget* login = QApplication::activeModalWidget();
        if (!login || !login->findChild<QLineEdit*>("Text1_0")->hasFocus()) return;
        poll->stop();
        poll->deleteLater();
        for (int box = 0; box < 2; ++box) {
            QTest::keyClicks(QApplication::focusWidget(), "MORLIX");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        if (windowManager) QTimer::singleShot(0, window, [window] { window->activateWindow(); });
    });
    poll->start();
}

QByteArray instantLog(int records) {
    QByteArray out = monitor::logfmt::instantHeaderLine({}, {}, {}).toUtf8() + "\r\n";
    QStringList values;
    for (int i = 0; i < 45; ++i) values << QString::number(i) + "  A";
    for (int k = 1; k <= records; ++k)
        out += monitor::logfmt::instantRecordLine("2024/05/0" + QString::number(k) + " 10:00:00", values).toUtf8() +
               "\r\n";
    return out;
}

} // namespace

TEST(FocusAfterOperations, TheLogViewersLastRecordKeepsTheFocusOutOfTheAddressBox) {
    FocusRig rig;
    QFile file(rig.folder() + "/instant.csv");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(instantLog(2));
    file.close();

    // No meter: the instant page's log viewer reads the file.
    QTest::mouseClick(rig.button("optProgram_0"), Qt::LeftButton);
    ASSERT_TRUE(rig.mainForm().frmProgram(0)->isVisible());
    rig.ui.fileNext(file.fileName());
    QTest::mouseClick(rig.button("cmdDLB_0"), Qt::LeftButton);
    QPushButton* back = rig.button("cmdDLB_1");
    QPushButton* forward = rig.button("cmdDLB_2");
    ASSERT_TRUE(rig.waitFor([&] { return forward->isEnabled(); }));
    const std::string shown = rig.panel1();

    // ">" onto the last record disables itself while it has the focus.
    QTest::mouseClick(forward, Qt::LeftButton);
    EXPECT_FALSE(forward->isEnabled());
    EXPECT_NE(rig.focusName(), "txtAddress");
    QTest::keyClicks(QApplication::focusWidget(), "12");
    EXPECT_EQ(rig.mainForm().txtAddress()->text().toStdString(), "");

    // The next click is "<"'s own: the first record again, on the same page.
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_TRUE(rig.mainForm().frmProgram(0)->isVisible());
    EXPECT_FALSE(rig.mainForm().frmProgram(17)->isVisible());
    EXPECT_TRUE(forward->isEnabled());
    EXPECT_FALSE(back->isEnabled());
    EXPECT_EQ(rig.panel1(), shown);
}

TEST(FocusAfterOperations, CheckingTheSystemFunctionFileGivesTheFocusBackToItsButton) {
    FocusRig rig;
    QLineEdit* address = rig.mainForm().txtAddress();
    QTest::mouseClick(address, Qt::LeftButton);
    QTest::keyClicks(address, "1");
    QTest::keyClick(address, Qt::Key_Return);
    ASSERT_TRUE(rig.waitFor([&] { return rig.meter().MeterVersion > 0; }));
    QTest::mouseClick(rig.button("optProgram_22"), Qt::LeftButton);
    QPushButton* check = rig.button("cmdSF_2");
    // Once the page has read the meter's table (its buttons are off meanwhile).
    ASSERT_TRUE(rig.waitFor(
        [&] { return rig.page().PageIndex == 22 && rig.page().PageStep == 4 && check->isEnabled(); }, 10000));

    QFile file(rig.folder() + "/sf.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("1\r\n2\r\n");
    file.close();
    rig.ui.fileNext(file.fileName());
    QTest::mouseClick(check, Qt::LeftButton);
    ASSERT_TRUE(rig.waitFor([&] { return !rig.ui.dialogs.empty() && check->isEnabled(); }));
    QTest::qWait(400);
    EXPECT_EQ(rig.focusName(), "cmdSF_2");
    QTest::keyClicks(QApplication::focusWidget(), "25");
    EXPECT_EQ(address->text().toStdString(), "1");
    EXPECT_EQ(rig.link().MeterAddress.toStdString(), "1");
}

TEST(FocusAfterOperations, ReadAddressGetsTheFocusBackOnceTheFramesAreFreeAgain) {
    FocusRig rig;
    // "Read Address" locks the left frames, its own with it, reads the lone
    // meter's address and selects that meter.
    QTest::mouseClick(rig.button("cmdReadAddress"), Qt::LeftButton);
    ASSERT_TRUE(rig.waitFor([&] { return rig.meter().MeterVersion > 0 && rig.button("cmdReadAddress")->isEnabled(); }));
    const std::string address = rig.mainForm().txtAddress()->text().toStdString();
    EXPECT_EQ(rig.focusName(), "cmdReadAddress");
    QTest::keyClicks(QApplication::focusWidget(), "7");
    EXPECT_EQ(rig.mainForm().txtAddress()->text().toStdString(), address);
    EXPECT_EQ(rig.link().MeterAddress.toStdString(), "001");
}

namespace {

void setupTouThenType(bool windowManager) {
    FocusRig rig;
    QTest::mouseClick(rig.mainForm().txtAddress(), Qt::LeftButton);
    QTest::keyClicks(rig.mainForm().txtAddress(), "1\r");
    ASSERT_TRUE(rig.waitFor([&] { return rig.meter().MeterVersion > 0; }));
    QTest::mouseClick(rig.button("optProgram_8"), Qt::LeftButton);
    auto* tabs = rig.mainForm().findChild<QTabWidget*>("tabTOU_0");
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    QPushButton* setup = rig.button("cmdTOUC_1");
    auto& page = *static_cast<tou::TouPage*>(rig.app().page(25));
    auto* strip = rig.mainForm().findChild<QTabWidget*>("tabTOU_2");
    ASSERT_TRUE(rig.waitFor([&] { return strip->isEnabled() && setup->isEnabled(); }, 10000));

    // "Setup TOU": the question, the login window, ten frames and the tables read back.
    rig.ui.answerNext(common::AnswerYes);
    logInWhenAsked(&rig.mainForm(), windowManager);
    rig.line.clearLog();
    QTest::mouseClick(setup, Qt::LeftButton);
    // Done once the ten writes are followed by reads and the tables are shown again.
    ASSERT_TRUE(rig.waitFor(
        [&] {
            const std::vector<sim::Request> q = rig.line.requests();
            const auto writes = std::count_if(q.begin(), q.end(), [](auto& r) { return r.bytes[1] == 0x10 || r.bytes[1] == 0x70; });
            return writes == 10 && q.back().bytes[1] == 0x03 && !page.tables().TOUUploadPending &&
                   strip->isEnabled() && (QApplication::activeWindow() == &rig.mainForm()) == windowManager;
        },
        15000));
    EXPECT_TRUE(rig.ui.boxes.size() == 1 && rig.ui.sawText("Do you want to Setup TOU ?"));
    // Keys go in through the window, as the display sends them; with no window manager it
    // sends those typed over the window while it is not active too.
    QWindow* window = rig.mainForm().windowHandle();
    if (!windowManager) {
        QTest::keyClick(window, Qt::Key_9);
        QTest::keyClick(window, Qt::Key_Tab);
        rig.mainForm().activateWindow(); // the person's click
        ASSERT_TRUE(rig.waitFor([&] { return QApplication::activeWindow() == &rig.mainForm(); }));
    }
    EXPECT_EQ(rig.focusName(), "cmdTOUC_1");
    QTest::keyClick(window, Qt::Key_9);
    EXPECT_EQ(rig.mainForm().txtAddress()->text().toStdString(), "1");
    EXPECT_EQ(rig.link().MeterAddress.toStdString(), "1");
}

} // namespace

TEST(FocusAfterOperations, SetupTouGivesTheFocusBackToItsButton) { setupTouThenType(true); }
TEST(FocusAfterOperations, SetupTouWithoutAWindowManagerGivesTheFocusBackToItsButton) { setupTouThenType(false); }
