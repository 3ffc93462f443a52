// What a person does while the program waits for the meter is honoured once the
// exchange is over, and work resumed after the wait never overrides it: "Exit" asks
// before it ends anything, a click that leaves the address box still acts, and a
// page taken off the screen does no work.
#include "held_reply.h"
#include "select_rig.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_user_map.h"
#include "sim_waveform.h"
#include "tou_rig.h"

#include "common/prompter.h"
#include "common/text_file.h"
#include "monitor/waveform_page.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// A click in the middle of a control, as a person aims.
void clickOn(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

bool activate(ProgramRig& rig) {
    rig.mainForm().activateWindow();
    return rig.waitFor([&] { return QApplication::activeWindow() == &rig.mainForm(); }, 3000);
}

// Clicks into the address box and types there, without leaving it.
void typeIntoAddressBox(ProgramRig& rig, const QString& text) {
    QLineEdit* box = rig.mainForm().txtAddress();
    clickOn(box);
    box->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), text);
}

// The window up and in front, meter selection installed, the scan range set.
shell::AddressPanel& readyToScan(ProgramRig& rig, const QString& from, const QString& to) {
    shell::AddressPanel& panel = installSelection(rig);
    EXPECT_TRUE(activate(rig));
    panel.txtGroup(0)->setText(from);
    panel.txtGroup(1)->setText(to);
    return panel;
}

std::vector<std::vector<uint8_t>> framesSeen(const ProgramRig& rig) {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& r : rig.line.requests()) out.push_back(r.bytes);
    return out;
}

int indexOf(const std::vector<std::vector<uint8_t>>& frames, const std::vector<uint8_t>& frame) {
    for (std::size_t i = 0; i < frames.size(); ++i)
        if (frames[i] == frame) return int(i);
    return -1;
}

// Where the box with this text came, in the order of all boxes (-1 for none), and how often.
int boxIndex(const ScriptedPrompter& ui, const QString& text) {
    for (std::size_t i = 0; i < ui.boxes.size(); ++i)
        if (ui.boxes[i].text == text) return int(i);
    return -1;
}
int boxCount(const ScriptedPrompter& ui, const QString& text) {
    return int(std::count_if(ui.boxes.begin(), ui.boxes.end(), [&](const auto& b) { return b.text == text; }));
}

// The TOU rig with the "Setup" tab read and one edit made, ready for "Setup TOU".
struct SetupTouRig : TouRig {
    bool ended = false;
    int writesAtQuestion = -1, writesAfterWait = -1;

    SetupTouRig() {
        app().app().quit = [this] { ended = true; };
        openSetupTab();
        activate();
        QLineEdit* bill = page25().txtTOUBillDate();
        clickOn(bill);
        bill->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), "28");
        EXPECT_TRUE(page().SetupModified);
        // The reply to the third frame of the write is held back until `during` has run.
        sim::Meter& meter = *line.meter(1);
        auto counting = meter.onWrite;
        meter.onWrite = [this, counting](sim::Meter& m, uint16_t start, uint16_t count) {
            if (counting) counting(m, start, count);
            if (writesSeen == 3) line.holdReplies(true);
        };
        writesSeen = 0;
        line.clearLog();
    }

    // "Exit" is answered with `answer`. While its box is open the program keeps running
    // events: the frame under way is answered, and the write is watched for more.
    void answerExit(int answer) {
        ui.onMessage = [this, answer](const ScriptedPrompter::Box& box) {
            if (box.text == "Do you want to Save Config ?") return int(common::AnswerNo);
            if (box.text != "Do you want to Exit ?") return 0;
            waitFor([&] { return writes().size() == 3u; }, 2000);
            writesAtQuestion = int(writes().size());
            QTest::qWait(400);
            writesAfterWait = int(writes().size());
            return answer;
        };
    }

    // "Setup TOU" is confirmed; `during` runs while the third frame waits for its reply.
    void setupTouAnd(const std::function<void()>& during) {
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (line.heldRequest().empty()) return;
            watch.stop();
            line.holdReplies(false);
            during();
        });
        watch.start(5);
        ui.answerNext(common::AnswerYes); // "Do you want to Setup TOU ?"
        clickOn(page25().cmdTOUC(1));
        EXPECT_TRUE(waitFor([&] { return !watch.isActive(); }, 5000));
    }
};

} // namespace

TEST(ActionsDuringWaits, ExitDuringSetupTouAsksFirstAndOnlyYesEndsTheWrite) {
    const std::vector<uint8_t> query{0xFF, 0x03, 0x20, 0x00, 0x00, 0x01, 0x9A, 0x14};
    for (int answer : {common::AnswerNo, common::AnswerYes}) {
        SCOPED_TRACE(answer);
        SetupTouRig r;
        r.answerExit(answer);
        r.link().ConfigModified = true; // the exit comes with the save-config offer
        r.setupTouAnd([&] {
            clickOn(shell::addressPanel(r.mainForm())->cmdReadAddress()); // queued behind the write
            clickOn(r.mainForm().cmdFunction(0));
        });
        // The box held the write at the end of its frame: nothing went out while it was open.
        EXPECT_EQ(r.writesAtQuestion, 3);
        EXPECT_EQ(r.writesAfterWait, 3);
        EXPECT_EQ(boxCount(r.ui, "Do you want to Exit ?"), 1);
        EXPECT_EQ(boxCount(r.ui, "Do you want to Setup TOU ?"), 1);
        if (answer == common::AnswerNo) {
            // As if nothing had been pressed: the whole write, then the queued click.
            ASSERT_TRUE(r.waitFor([&] { return indexOf(framesSeen(r), query) >= 0; }, 8000));
            EXPECT_EQ(r.writes().size(), 10u);
            EXPECT_FALSE(r.ui.sawText("Meter [1] Setup TOU Error!"));
            EXPECT_FALSE(r.ended);
            continue;
        }
        // Yes: nothing after the frame under way, no write question in place of the exit,
        // the save-config offer once the link is free, and the program ends.
        ASSERT_TRUE(r.waitFor([&] { return r.ended; }, 5000));
        EXPECT_FALSE(r.ui.sawText("Meter [1] Setup TOU Error!"));
        EXPECT_EQ(r.writes().size(), 3u);
        EXPECT_EQ(indexOf(framesSeen(r), query), -1);
        EXPECT_GT(boxIndex(r.ui, "Do you want to Save Config ?"), boxIndex(r.ui, "Do you want to Exit ?"));
        EXPECT_FALSE(r.link().PortOpen);
    }
}

TEST(ActionsDuringWaits, ExitYesDuringAMapOrSystemFunctionDownloadEndsWithoutItsErrorBox) {
    // The page, its download button, the register of the download's third write, its error.
    const std::tuple<int, const char*, uint16_t, const char*> downloads[] = {
        {16, "cmdMapping_0", 0x00A2, "Meter [1] Download Mapping File Error!"},
        {22, "cmdSF_1", 0x2020, "Meter [1] Download System Function Error!"}};
    for (const auto& [index, download, third, error] : downloads) {
        SCOPED_TRACE(download);
        ProgramRig rig({{1, 9600}}, 3000, ProgramRig::Pages::All);
        bool ended = false;
        rig.app().app().quit = [&] { ended = true; };
        sim::installIdentity(*rig.line.meter(1));
        sim::installUserMap(*rig.line.meter(1));
        rig.app().services().Login = [&] { return rig.app().app().LoginOk = true; };
        rig.ui.onMessage = [](const ScriptedPrompter::Box& box) {
            return box.buttons == common::Buttons::YesNo ? int(common::AnswerYes) : 0;
        };
        rig.showMainWindow();
        ASSERT_TRUE(activate(rig));
        typeAddress(rig, "1");
        ASSERT_TRUE(rig.waitFor([&] { return rig.meter().MeterVersion > 0; }));
        choosePage(rig, index);
        // The file: a whole map, or the meter's own set-up saved once the page has read it.
        const QString file = rig.folder() + "/meter.file";
        QStringList map;
        for (int k = 0; k < 96; ++k) map << QString::number(0x0300 + k, 16);
        auto* save = rig.mainForm().findChild<QPushButton*>("cmdSF_0");
        if (index == 16) {
            ASSERT_FALSE(common::saveLines(file, map));
        } else {
            ASSERT_TRUE(rig.waitFor([&] { return rig.page().PageStep == 4 && save->isEnabled(); }, 10000));
            rig.ui.fileNext(file);
            clickOn(save);
            ASSERT_TRUE(rig.waitFor([&] { return QFile::exists(file) && save->isEnabled(); }, 10000));
        }
        rig.ui.fileNext(file);
        rig.line.clearLog();
        ASSERT_TRUE(held::duringReply(
            rig, held::request(0x70, third), [&] { clickOn(rig.mainForm().cmdFunction(0)); }, 10000,
            [&] { clickOn(rig.mainForm().findChild<QPushButton*>(download)); }));
        ASSERT_TRUE(rig.waitFor([&] { return ended; }, 5000));
        EXPECT_TRUE(rig.ui.sawText("Do you want to Exit ?"));
        EXPECT_FALSE(rig.ui.sawText(error));
        const std::vector<sim::Request> sent = rig.line.requests();
        EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const sim::Request& q) { return q.bytes[1] == 0x70; }), 3);
    }
}

TEST(ActionsDuringWaits, ExitNoDuringAScanLetsTheScanFinish) {
    ProgramRig rig({{2, 9600}, {5, 9600}}, 60);
    rig.link().RetryLimit = 0;
    shell::AddressPanel& panel = readyToScan(rig, "001", "006");
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (const auto& f : framesSeen(rig))
            if (f.at(0) == 3) {
                watch.stop();
                rig.ui.answerNext(common::AnswerNo); // "Do you want to Exit ?"
                clickOn(rig.mainForm().cmdFunction(0));
                return;
            }
    });
    watch.start(2);
    clickOn(panel.cmdGroup());
    ASSERT_TRUE(rig.waitFor([&] { return !panel.scanRunning(); }, 5000));
    EXPECT_TRUE(rig.ui.sawText("Do you want to Exit ?"));
    EXPECT_GE(indexOf(framesSeen(rig), withCrc({6, 3, 0, 0, 0, 2})), 0); // the whole range
    EXPECT_EQ(panel.optAddress(0)->text(), "002");
    EXPECT_EQ(panel.optAddress(1)->text(), "005");
    EXPECT_TRUE(rig.mainForm().isVisible());
}

TEST(ActionsDuringWaits, ScanClickedRightAfterTypingAnAddressRunsAfterTheAddressCheck) {
    ProgramRig rig({{5, 9600}, {7, 9600}}, 1500);
    rig.link().RetryLimit = 0;
    shell::AddressPanel& panel = readyToScan(rig, "007", "007");
    QPushButton* scan = panel.cmdGroup();

    // The press leaves the address box; the release comes while the check's probe waits.
    typeIntoAddressBox(rig, "5");
    std::vector<uint8_t> held;
    rig.line.holdReplies(true);
    QTimer release;
    QObject::connect(&release, &QTimer::timeout, [&] {
        held = rig.line.heldRequest();
        if (held.empty()) return;
        release.stop();
        QTest::mouseRelease(scan, Qt::LeftButton, {}, scan->rect().center());
        rig.line.holdReplies(false);
    });
    release.start(5);
    QTest::mousePress(scan, Qt::LeftButton, {}, scan->rect().center());
    ASSERT_TRUE(rig.waitFor([&] { return panel.optAddress(0)->text() == "007" && !panel.scanRunning(); }, 5000));
    EXPECT_EQ(held, withCrc({5, 3, 0, 0, 0, 2}));
    EXPECT_FALSE(scan->isDown());
    EXPECT_EQ(framesSeen(rig), (std::vector<std::vector<uint8_t>>{withCrc({5, 3, 0, 0, 0, 2}),
                                                                  withCrc({7, 3, 0, 0, 0, 2})}));

    // A quick click (press and release at once): the check first, then the scan.
    rig.line.clearLog();
    typeIntoAddressBox(rig, "5");
    clickOn(scan);
    ASSERT_TRUE(rig.waitFor([&] { return framesSeen(rig).size() == 2u && !panel.scanRunning(); }, 5000));
    EXPECT_EQ(framesSeen(rig), (std::vector<std::vector<uint8_t>>{withCrc({5, 3, 0, 0, 0, 2}),
                                                                  withCrc({7, 3, 0, 0, 0, 2})}));
    EXPECT_FALSE(scan->isDown());
    EXPECT_EQ(panel.optAddress(0)->text(), "007");
}

TEST(ActionsDuringWaits, APageTakenOffTheScreenByAScanDoesNoWork) {
    ProgramRig rig({{1, 9600}, {2, 9600}}, 300, ProgramRig::Pages::All);
    for (uint8_t a : {1, 2}) {
        sim::Meter& m = *rig.line.meter(a);
        sim::installIdentity(m);
        sim::installLiveValues(m);
        sim::installWaveform(m, sim::WaveformShape::balanced());
    }
    rig.app().services().Login = [&] {
        rig.app().app().LoginOk = true;
        return true;
    };
    shell::AddressPanel& panel = readyToScan(rig, "001", "002");
    static_cast<monitor::WaveformPage*>(rig.app().page(14))->capture().TriggerWaitSeconds = 0.1;
    const std::vector<uint8_t> trigger1{0x01, 0x05, 0x00, 0x1D, 0xFF, 0x00, 0x1C, 0x3C};
    const std::vector<uint8_t> trigger2{0x02, 0x05, 0x00, 0x1D, 0xFF, 0x00, 0x1C, 0x0F};
    auto noFrameWithFunction = [&](std::initializer_list<uint8_t> functions) {
        for (const auto& f : framesSeen(rig))
            for (uint8_t fc : functions)
                if (f.size() > 1 && f[1] == fc) return false;
        return true;
    };
    auto waitTicks = [&](long n) {
        const long from = rig.mainForm().scheduler().tickCount();
        return rig.waitFor([&] { return rig.mainForm().scheduler().tickCount() >= from + n; }, 5000);
    };

    // Waveform capture on screen: meter 1 gets the trigger.
    choosePage(rig, 14);
    typeAddress(rig, "1");
    ASSERT_TRUE(rig.waitFor([&] { return indexOf(framesSeen(rig), trigger1) >= 0; }, 5000));

    // The scan takes every page off the screen; a meter picked afterwards is polled for none.
    clickOn(panel.cmdGroup());
    ASSERT_TRUE(rig.waitFor([&] { return panel.optAddress(1)->text() == "002" && !panel.scanRunning(); }, 5000));
    EXPECT_FALSE(rig.mainForm().frmProgram(14)->isVisible());
    rig.line.clearLog();
    clickOn(panel.optAddress(1));
    ASSERT_TRUE(rig.waitFor([&] { return rig.link().MeterAddress == "002"; }, 5000));
    ASSERT_TRUE(waitTicks(4));
    EXPECT_EQ(rig.line.meter(2)->coilLog(), std::vector<uint16_t>{});
    EXPECT_TRUE(noFrameWithFunction({0x05}));
    for (const auto& f : framesSeen(rig)) EXPECT_NE(f.size() > 3 ? (f[2] << 8 | f[3]) : 0, 0x0338);
    // Chosen again, the page works for the meter now selected.
    choosePage(rig, 14);
    EXPECT_TRUE(rig.waitFor([&] { return indexOf(framesSeen(rig), trigger2) >= 0; }, 5000));

    // Edits left on a page that a scan took away are no write for the next page choice.
    choosePage(rig, 19); // Pulse LED
    ASSERT_TRUE(waitTicks(2));
    auto* option = rig.mainForm().frmProgram(19)->findChild<QRadioButton*>("obLP_1");
    ASSERT_NE(option, nullptr);
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
    ASSERT_TRUE(rig.page().SetupModified);
    clickOn(panel.cmdGroup());
    ASSERT_TRUE(rig.waitFor([&] { return panel.optAddress(1)->text() == "002" && !panel.scanRunning(); }, 5000));
    rig.line.clearLog();
    const std::size_t boxesBefore = rig.ui.boxes.size();
    rig.ui.answerNext(common::AnswerYes); // would confirm a write, were one asked for
    clickOn(panel.optAddress(0));
    ASSERT_TRUE(rig.waitFor([&] { return rig.link().MeterAddress == "001"; }, 5000));
    choosePage(rig, 0);
    EXPECT_EQ(rig.page().PageIndex, 0);
    EXPECT_TRUE(rig.mainForm().frmProgram(0)->isVisible());
    EXPECT_FALSE(rig.mainForm().frmProgram(19)->isVisible());
    ASSERT_TRUE(waitTicks(4));
    EXPECT_EQ(rig.ui.boxes.size(), boxesBefore);
    EXPECT_TRUE(noFrameWithFunction({0x05, 0x06, 0x10}));
}
