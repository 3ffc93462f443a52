// A click, a choice or typing on a set-up page while the meter is answering is honoured
// once the exchange is over: the button's work runs next, and the read that was waited
// for shows neither another option, another Tag nor another text where the person
// acted; the question is asked about what the window shows.
#include "control_pages_rig.h"
#include "held_reply.h"
#include "setup_pages_rig.h"

#include "config/analog_input_page.h"
#include "config/analog_output_page.h"
#include "config/clock_page.h"
#include "config/control_relay_page.h"
#include "config/demand_page.h"
#include "config/digital_input_page.h"
#include "config/display_scan_page.h"
#include "config/essential_property_page.h"
#include "config/option_groups.h"
#include "config/pulse_page.h"
#include "config/set_point_page.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace config;
using Bytes = std::vector<uint8_t>;

namespace {

// A click on an option's round button, where a person aims.
void clickOption(QAbstractButton* o) { QTest::mouseClick(o, Qt::LeftButton, {}, QPoint(6, o->height() / 2)); }
void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

// The main window in front, as a person has it (its activation clears panel 1).
bool activate(ProgramRig& r) {
    r.mainForm().activateWindow();
    return r.waitFor([&] { return QApplication::activeWindow() == &r.mainForm(); });
}

// Chooses the page with its selector; its read is the next tick's work.
void enter(ProgramRig& r, int16_t index) { r.mainForm().optProgram_Click(index); }

// The requests with a function code, without the CRC.
std::vector<Bytes> sent(ProgramRig& r, uint8_t function) {
    std::vector<Bytes> out;
    for (const auto& q : r.line.requests())
        if (q.bytes.size() > 4 && q.bytes[1] == function) out.emplace_back(q.bytes.begin(), q.bytes.end() - 2);
    return out;
}

int reads(ProgramRig& r, uint16_t start) {
    int n = 0;
    for (const Bytes& q : sent(r, 0x03)) n += (q[2] << 8 | q[3]) == start;
    return n;
}

struct ControlRig : ControlPagesRig {
    ControlRig() : ControlPagesRig(withOptions(0x1D), 1000) {}
    template <class P>
    P& pageAt(int16_t index) {
        return *static_cast<P*>(app().page(index));
    }
    // The meter selected, the window in front and the page chosen.
    bool showing(int16_t index) {
        if (!selectMeter() || !activate(*this)) return false;
        choose(index);
        return true;
    }
    // Page 15 polling the states; relay 1 is on.
    bool pollingRelays() {
        if (!showing(ControlRelayPageIndex)) return false;
        auto& p = pageAt<ControlRelayPage>(ControlRelayPageIndex);
        return waitFor([&] { return page().PageStep == RelayStatusStep && p.obRelay(0)->isChecked(); });
    }
};

} // namespace

TEST(ClicksDuringReplies, APtCtSetupClickedWhileTheTransferDelayWriteWaitsIsAskedAndSentNext) {
    setup_pages::PagesRig r;
    ASSERT_TRUE(activate(r));
    auto& p = r.show<EssentialPropertyPage>(EssentialPropertyPageIndex, EssentialIdleStep);
    setup_pages::type(p.txtTDT(), "45");
    setup_pages::type(p.tbPT(), "100");
    setup_pages::type(p.tbCT(), "50");
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    r.ui.answerNext(common::AnswerYes);
    click(p.cmdSystem(0));
    ASSERT_TRUE(held::duringReply(r, held::request(0x10, 0x2002), [&] { click(p.cmdSystem(2)); }));
    ASSERT_TRUE(r.waitFor([&] { return r.writes().size() == 2 && r.page().PageStep == EssentialIdleStep; }));
    EXPECT_EQ(r.writes()[0], (Bytes{1, 0x10, 0x20, 0x02, 0x00, 0x01, 0x02, 0x00, 45}));
    EXPECT_EQ(r.writes()[1], (Bytes{1, 0x10, 0x20, 0x0A, 0x00, 0x03, 0x06, 0x03, 0xE8, 0x01, 0xF4, 0x00, 0x00}));
    ASSERT_EQ(r.ui.boxes.size(), 2u);
    EXPECT_EQ(r.ui.boxes[1].text, "Do you want to Setup PT / CT Ratio ?");
}

TEST(ClicksDuringReplies, AnalogOutputAndInputEditsAndSetupClickedDuringTheReadAreWrittenAsShown) {
    ControlRig r;
    ASSERT_TRUE(r.selectMeter());
    ASSERT_TRUE(activate(r));
    // Page 5: AO2's LO typed and "Setting Analog Output" clicked while the set-up is read.
    auto& ao = r.pageAt<AnalogOutputPage>(AnalogOutputPageIndex);
    r.ui.answerNext(common::AnswerYes);
    enter(r, AnalogOutputPageIndex);
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2060), [&] {
        setup_pages::type(ao.txtAO(2), "30");
        click(ao.cmdAO());
    }));
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setting Analog Output 3 Ok!"; }));
    EXPECT_TRUE(r.ui.sawText("Do you want to Setup Analog Output ?"));
    ASSERT_EQ(r.sent(0x10).size(), 4u);
    EXPECT_EQ(r.sent(0x10)[1], (Bytes{1, 0x10, 0x20, 0x68, 0x00, 0x04, 0x08, 0x00, 0x04, 0x01, 0x2C, 0x04, 0xB0, 0x00, 0x01}));
    EXPECT_EQ(r.line.registerValue(1, 0x2069), 300);
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == AnalogOutputIdleStep && !r.page().SetupModified; }));

    // Page 4: AI 2's range "3" chosen and "Setting Analog Input" clicked while the set-up is read.
    auto& ai = r.pageAt<AnalogInputPage>(AnalogInputPageIndex);
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    enter(r, AnalogInputPageIndex);
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2080), [&] {
        clickOption(ai.obAI(AnalogInputRangeCount + 3));
        click(ai.cmdAI());
    }));
    EXPECT_TRUE(ai.obAI(AnalogInputRangeCount + 3)->isChecked());
    EXPECT_EQ(controls::tag(ai.frmAI(2)), "3");
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setting Analog Input 2 Ok!"; }));
    ASSERT_EQ(r.sent(0x10).size(), 3u);
    EXPECT_EQ(r.sent(0x10)[1], (Bytes{1, 0x10, 0x20, 0x88, 0x00, 0x02, 0x04, 0x00, 0x03, 0x27, 0x10}));
}

TEST(ClicksDuringReplies, OptionGroupsClickedDuringTheReadKeepTheChoiceAndTagAndMarkThePage) {
    setup_pages::PagesRig r;
    ASSERT_TRUE(activate(r));
    // Page 7: output 2 set to "3" while the outputs are read (the meter holds 2).
    auto& pulse = *static_cast<PulsePage*>(r.app().page(PulseOutputPageIndex));
    enter(r, PulseOutputPageIndex);
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2041), [&] { clickOption(pulse.option(9)); }));
    ASSERT_TRUE(r.waitFor([&] { return r.reads(0x2041) == 1 && r.page().PageStep == PulseIdleStep; }));
    EXPECT_TRUE(pulse.option(9)->isChecked());
    EXPECT_EQ(controls::tag(pulse.frmPO(2)), "3");
    EXPECT_EQ(controls::tag(pulse.frmPO(1)), "0"); // the other group is the meter's
    EXPECT_TRUE(r.page().SetupModified);
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    click(pulse.button());
    ASSERT_TRUE(r.waitFor([&] { return !r.writes().empty(); }));
    EXPECT_EQ(r.writes()[0], (Bytes{1, 0x10, 0x20, 0x41, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x03}));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == PulseIdleStep && !r.page().SetupModified; }));

    // Page 6: DI 3's trigger set to "Disable / OFF" while the inputs are read (the meter holds 1).
    auto& di = *static_cast<DigitalInputPage*>(r.app().page(DigitalInputPageIndex));
    enter(r, DigitalInputPageIndex);
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2098), [&] { clickOption(di.obDI2(6)); }));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == DigitalInputLiveStep; }));
    EXPECT_TRUE(di.obDI2(6)->isChecked());
    EXPECT_EQ(controls::tag(di.frmDI2(2)), "0");
    EXPECT_EQ(controls::tag(di.frmDI2(1)), "2");
    EXPECT_TRUE(r.page().SetupModified);
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    click(di.cmdDI());
    ASSERT_TRUE(r.waitFor([&] { return r.writes().size() == 8; }));
    EXPECT_EQ(r.writes()[2], (Bytes{1, 0x10, 0x20, 0xA8, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x00}));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == DigitalInputLiveStep && !r.page().SetupModified; }));

    // Page 3, the status function: input 1's trigger chosen while its inputs are read.
    auto& sp = *static_cast<SetPointPage*>(r.app().page(SetPointPageIndex));
    enter(r, SetPointPageIndex);
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == SetPointIdleStep; }));
    r.line.clearLog();
    sp.cbSPFunction()->setFocus();
    QTest::keyClick(sp.cbSPFunction(), Qt::Key_End);
    ASSERT_EQ(sp.cbSPFunction()->currentIndex(), StatusFunction);
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2098), [&] { clickOption(sp.obSPS(1)); }));
    ASSERT_TRUE(r.waitFor([&] { return r.reads(0x21D0) == 1 && r.page().PageStep == SetPointIdleStep; }));
    EXPECT_TRUE(sp.obSPS(1)->isChecked());
    EXPECT_EQ(controls::tag(sp.frmSPS(0)), "1"); // the meter holds 2
    EXPECT_EQ(controls::tag(sp.frmSPS(1)), "2");
}

TEST(ClicksDuringReplies, FieldsAndListsEditedDuringTheReadKeepThePersonsValue) {
    setup_pages::PagesRig r;
    ASSERT_TRUE(activate(r));
    // Page 2: the PT ratio typed while the properties are read.
    auto& ep = *static_cast<EssentialPropertyPage*>(r.app().page(EssentialPropertyPageIndex));
    enter(r, EssentialPropertyPageIndex);
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2002), [&] { setup_pages::type(ep.tbPT(), "250"); }));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == EssentialIdleStep; }));
    EXPECT_EQ(ep.tbPT()->text(), "250");
    EXPECT_EQ(ep.tbCT()->text(), "100"); // the meter's
    EXPECT_EQ(r.meter().PtRatio, 1.0);  // live values go on being scaled with the meter's ratio
    EXPECT_TRUE(r.page().SetupModified);

    // Page 9: the demand period typed while the set-up is read, then written.
    auto& demand = *static_cast<DemandPage*>(r.app().page(DemandPageIndex));
    r.page().SetupModified = false; // leaving page 2 would queue its write instead
    enter(r, DemandPageIndex);
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2020), [&] { setup_pages::type(demand.txtDemand(), "30"); }));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == DemandLiveStep; }));
    EXPECT_EQ(demand.txtDemand()->text(), "30");
    EXPECT_EQ(demand.cbDemand(0)->currentIndex(), 1);
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    click(demand.cmdDemand());
    ASSERT_TRUE(r.waitFor([&] { return !r.writes().empty(); }));
    EXPECT_EQ(r.writes()[0], (Bytes{1, 0x10, 0x20, 0x20, 0x00, 0x03, 0x06, 0x00, 30, 0x00, 0x01, 0x00, 0x00}));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == DemandLiveStep && !r.page().SetupModified; }));

    // Page 20: the first page of the loop chosen with the keyboard while the loop is read.
    auto& ds = *static_cast<DisplayScanPage*>(r.app().page(DisplayScanPageIndex));
    enter(r, DisplayScanPageIndex);
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2210), [&] {
        ds.cbDisplay(0)->setFocus();
        QTest::keyClick(ds.cbDisplay(0), Qt::Key_End);
    }));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == DisplayScanIdleStep; }));
    EXPECT_EQ(ds.cbDisplay(0)->currentText(), "DATE/TIME"); // the meter holds 1
    EXPECT_EQ(ds.cbDisplay(1)->currentText(), "V1 V2 V3 (Line)");
    EXPECT_TRUE(r.page().SetupModified);
}

TEST(ClicksDuringReplies, ARelaySwitchedDuringTheStatusReadIsAskedAsShown) {
    ControlRig r;
    auto& p = r.pageAt<ControlRelayPage>(ControlRelayPageIndex);
    ASSERT_TRUE(r.pollingRelays());
    // Relay 1 is on; its "Off" is clicked while the states are read. The question
    // comes with "Off" shown; "No" shows "On" again and sends nothing.
    bool offShownWhenAsked = false;
    r.ui.onMessage = [&](const ScriptedPrompter::Box&) {
        offShownWhenAsked = p.obRelay(1)->isChecked();
        return common::AnswerNo;
    };
    r.line.clearLog();
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x0102), [&] { clickOption(p.obRelay(1)); }));
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Do you want to Control Relay 1 ?"); }));
    EXPECT_TRUE(offShownWhenAsked);
    EXPECT_TRUE(p.obRelay(0)->isChecked());
    // Asked again and confirmed: the coil goes out. Relay 2's pulse time typed while it
    // does is not read over afterwards.
    r.ui.onMessage = nullptr;
    r.ui.answerNext(common::AnswerYes);
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x0102), [&] { clickOption(p.obRelay(1)); }));
    ASSERT_TRUE(held::duringReply(r, held::request(0x05, 0x0002), [&] { setup_pages::type(p.txtRelay(1), "35"); }));
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Meter [1] Relay 1 Off Ok."); }));
    EXPECT_EQ(r.sent(0x05), (std::vector<Bytes>{{1, 0x05, 0x00, 0x02, 0x00, 0x00}}));
    const int setupReads = reads(r, 0x2048), statusReads = reads(r, 0x0102);
    ASSERT_TRUE(r.waitFor([&] { return reads(r, 0x0102) >= statusReads + 2; }));
    EXPECT_EQ(reads(r, 0x2048), setupReads);
    EXPECT_EQ(p.txtRelay(1)->text(), "35");
    EXPECT_TRUE(r.page().SetupModified);
}

TEST(ControlRelayPage, AClickOnTheOptionAlreadySelectedAsksNothing) {
    ControlRig r;
    auto& p = r.pageAt<ControlRelayPage>(ControlRelayPageIndex);
    ASSERT_TRUE(r.pollingRelays());
    // Relay 1 is on: its "On" clicked, and pressed with the space bar, queues nothing.
    clickOption(p.obRelay(0));
    EXPECT_EQ(r.page().PageStep, RelayStatusStep);
    p.obRelay(0)->setFocus();
    QTest::keyClick(p.obRelay(0), Qt::Key_Space);
    EXPECT_EQ(r.page().PageStep, RelayStatusStep);
    const int before = reads(r, 0x0102);
    ASSERT_TRUE(r.waitFor([&] { return reads(r, 0x0102) >= before + 2; }));
    EXPECT_TRUE(r.ui.boxes.empty());
    EXPECT_TRUE(p.obRelay(0)->isChecked());
    // Its "Off" then asks, and "No" shows "On" again.
    r.ui.answerNext(common::AnswerNo);
    clickOption(p.obRelay(1));
    EXPECT_EQ(r.page().PageStep, RelayFirstSwitchStep + 1);
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Do you want to Control Relay 1 ?"); }));
    EXPECT_TRUE(p.obRelay(0)->isChecked());
    EXPECT_TRUE(r.sent(0x05).empty());
}

TEST(ClicksDuringReplies, AClockDatePickedWhileTheClockFrameGoesOutStaysThePersons) {
    ControlRig r;
    auto& p = r.pageAt<ClockPage>(ClockPageIndex);
    ASSERT_TRUE(r.showing(ClockPageIndex));
    ASSERT_TRUE(r.waitFor([&] { return !p.labClock(0)->text().isEmpty(); }));
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    click(p.cmdClock(0));
    // No meter answers the broadcast: the program waits out its reply time meanwhile.
    bool acted = false, duringTheWait = false;
    QDate picked;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (acted || sent(r, 0x10).empty() || sent(r, 0x10)[0][0] != 0) return;
        acted = true;
        duringTheWait = r.app().master().ops().busy();
        p.dtpDate()->setFocus();
        QTest::keyClick(p.dtpDate(), Qt::Key_Up);
        picked = p.dtpDate()->date();
    });
    watch.start();
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Setup Clock Ok!"; }));
    ASSERT_TRUE(acted);
    EXPECT_TRUE(duringTheWait);
    EXPECT_NE(picked, QDate::currentDate());
    EXPECT_TRUE(r.page().DateEdited); // the housekeeping leaves the picker alone
    EXPECT_EQ(p.dtpDate()->date(), picked);
}

TEST(ClicksDuringReplies, AnEditTypedWhileTheWriteGoesOutIsNotReadOverAfterIt) {
    ControlRig r;
    auto& p = r.pageAt<AnalogOutputPage>(AnalogOutputPageIndex);
    ASSERT_TRUE(r.showing(AnalogOutputPageIndex));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == AnalogOutputIdleStep && p.txtAO(5)->text() == "100"; }));
    setup_pages::type(p.txtAO(0), "10");
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    click(p.cmdAO());
    // AO3's HI typed while AO1's frame waits: the write sends what was confirmed...
    ASSERT_TRUE(held::duringReply(r, held::request(0x10, 0x2060), [&] { setup_pages::type(p.txtAO(5), "90"); }));
    ASSERT_TRUE(r.waitFor([&] { return r.sent(0x10).size() == 4 && r.page().PageStep == AnalogOutputIdleStep; }));
    EXPECT_EQ(r.sent(0x10)[2], (Bytes{1, 0x10, 0x20, 0x70, 0x00, 0x04, 0x08, 0x00, 12, 0x00, 0x00, 0x03, 0xE8, 0x00, 0x00}));
    // ...and the page is not read back over the edit, which stays marked for its own write.
    const int before = reads(r, 0x2060);
    r.ui.answerNext(common::AnswerYes);
    click(p.cmdAO());
    ASSERT_TRUE(r.waitFor([&] { return r.sent(0x10).size() == 8; }));
    EXPECT_EQ(reads(r, 0x2060), before);
    EXPECT_EQ(p.txtAO(5)->text(), "90");
    EXPECT_EQ(r.sent(0x10)[6], (Bytes{1, 0x10, 0x20, 0x70, 0x00, 0x04, 0x08, 0x00, 12, 0x00, 0x00, 0x03, 0x84, 0x00, 0x00}));
}

TEST(ClicksDuringReplies, TwoRelaysSwitchedDuringOneStatusReadAreEachAskedAndSent) {
    ControlRig r;
    auto& p = r.pageAt<ControlRelayPage>(ControlRelayPageIndex);
    ASSERT_TRUE(r.pollingRelays());
    ASSERT_TRUE(p.obRelay(0)->isChecked()); // relay 1 on
    const int relay2 = p.obRelay(2)->isChecked() ? 3 : 2; // relay 2's option not shown
    r.ui.onMessage = [](const ScriptedPrompter::Box& b) { return b.title == "ReCheck !" ? common::AnswerYes : 0; };
    r.line.clearLog();
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x0102), [&] {
        clickOption(p.obRelay(1));
        clickOption(p.obRelay(relay2));
    }));
    ASSERT_TRUE(r.waitFor([&] { return r.sent(0x05).size() == 2; }));
    EXPECT_TRUE(r.ui.sawText("Do you want to Control Relay 1 ?"));
    EXPECT_TRUE(r.ui.sawText("Do you want to Control Relay 2 ?"));
    EXPECT_EQ(r.sent(0x05).at(0), (Bytes{1, 0x05, 0x00, 0x02, 0x00, 0x00}));
    EXPECT_EQ(r.sent(0x05).at(1), (Bytes{1, 0x05, 0x00, 0x03, uint8_t(relay2 == 2 ? 0xFF : 0x00), 0x00}));
}
