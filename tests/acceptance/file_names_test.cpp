// A name typed without an extension into the program's own save boxes gets the
// chosen filter's extension, so the program's open boxes list the file.
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_records.h"
#include "sim_user_map.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The real file boxes of the program; every other box answered by script.
struct RealFileBoxes : ScriptedPrompter {
    common::Prompter& qt;
    explicit RealFileBoxes(common::Prompter& real) : qt(real) {}
    QString openFileName(const QString& title, const QString& filter, const QString& dir) override {
        return qt.openFileName(title, filter, dir);
    }
    QString saveFileName(const QString& title, const QString& filter, const QString& dir) override {
        return qt.saveFileName(title, filter, dir);
    }
};

common::Prompter& qtPrompter() {
    common::Prompter* installed = &common::prompter();
    common::setPrompter(nullptr);
    common::Prompter& qt = common::prompter();
    common::setPrompter(installed);
    return qt;
}

// Runs act on the file box once the program opens one.
void whenFileBoxOpens(const std::function<void(QFileDialog*)>& act) {
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QFileDialog*>(w); box && box->isVisible()) {
                poll->stop();
                poll->deleteLater();
                box->activateWindow();
                EXPECT_TRUE(QTest::qWaitFor([box] { return QApplication::activeWindow() == box; }));
                act(box);
                return;
            }
    });
    poll->start();
}

// Types the name into the box's name field and presses Enter.
void typeName(QFileDialog* box, const QString& name) {
    auto* field = box->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(field, nullptr);
    QTest::mouseClick(field, Qt::LeftButton);
    field->selectAll();
    QTest::keyClicks(field, name);
    QTest::keyClick(field, Qt::Key_Return);
}

// The names the box lists in the folder it shows.
QStringList listed(QFileDialog* box) {
    QStringList names;
    auto* list = box->findChild<QListView*>("listView");
    if (!list || !list->model()) return names;
    for (int r = 0; r < list->model()->rowCount(list->rootIndex()); ++r)
        names << list->model()->index(r, 0, list->rootIndex()).data().toString();
    return names;
}

} // namespace

TEST(FileNames, ANameTypedWithoutExtensionGetsTheFiltersAndIsListedWhenOpening) {
    ProgramRig rig({{1, 9600}}, 1000, ProgramRig::Pages::All);
    sim::Meter& m = *rig.line.meter(1);
    sim::installIdentity(m);
    sim::installLiveValues(m);
    sim::installRecordLogs(m, 3);
    sim::installUserMap(m);
    rig.app().services().Login = [&rig] {
        rig.app().app().LoginOk = true;
        return true;
    };
    RealFileBoxes boxes(qtPrompter());
    ScopedPrompter scope(boxes);
    rig.showMainWindow();
    shell::MainForm& form = rig.mainForm();
    form.activateWindow();
    ASSERT_TRUE(rig.waitFor([&] { return QApplication::activeWindow() == &form; }));
    QTest::keyClicks(form.txtAddress(), "1");
    QTest::keyClick(form.txtAddress(), Qt::Key_Return);
    ASSERT_TRUE(rig.waitFor([&] { return rig.meter().MeterVersion > 0; }));
    auto click = [&](const char* name) {
        auto* b = form.findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    };
    const QString panel1 = "Meter [1] Save Max./Min. Log ok ! ";

    // "maxmin" in the log's save box: saved as maxmin.CSV.
    click("optProgram_1");
    ASSERT_TRUE(rig.waitFor([&] { return rig.page().PageIndex == 1 && !rig.page().PageChanged; }));
    whenFileBoxOpens([&](QFileDialog* box) { typeName(box, rig.folder() + "/maxmin"); });
    click("cmdMaxMin_1");
    EXPECT_TRUE(rig.waitFor([&] { return rig.app().status().panelText(1) == panel1; }));
    EXPECT_TRUE(QFileInfo::exists(rig.folder() + "/maxmin.CSV"));
    EXPECT_FALSE(QFileInfo::exists(rig.folder() + "/maxmin"));

    // "usermap" in the map's save box: usermap.Map, which the map's open box lists.
    click("optProgram_16");
    ASSERT_TRUE(rig.waitFor([&] { return rig.page().PageIndex == 16 && !rig.page().PageChanged; }));
    whenFileBoxOpens([&](QFileDialog* box) { typeName(box, rig.folder() + "/usermap"); });
    click("cmdMapping_1");
    EXPECT_TRUE(rig.waitFor([&] { return QFileInfo::exists(rig.folder() + "/usermap.Map"); }));
    EXPECT_FALSE(QFileInfo::exists(rig.folder() + "/usermap"));

    QStringList shown;
    bool opened = false;
    whenFileBoxOpens([&](QFileDialog* box) {
        opened = true;
        (void)QTest::qWaitFor([&] { return listed(box).contains("usermap.Map"); }, 3000);
        shown = listed(box);
        QTest::keyClick(box, Qt::Key_Escape);
    });
    boxes.answerNext(common::AnswerYes); // "Do you want to ... ?"
    click("cmdMapping_0");
    EXPECT_TRUE(rig.waitFor([&] { return opened; }));
    EXPECT_TRUE(shown.contains("usermap.Map")) << shown.join(", ").toStdString();
}
