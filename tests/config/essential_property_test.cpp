// Page 2 against the simulated meter: the read, the three confirmed writes, the
// entry checks, and the ten-second background read on the other pages.
#include "program_rig.h"
#include "sim_identity.h"

#include "config/essential_property_page.h"
#include "shell/meter_identification.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace config;

namespace {

struct EssentialRig : ProgramRig {
    sim::MeterIdentity id;
    bool loginOk = true;
    int logins = 0;

    EssentialRig() {
        id.transferDelayMs = 45;
        id.wiring = 2;
        id.frequency = 1;
        id.ptTenths = 125;
        id.ctTenths = 1000;
        sim::installIdentity(*line.meter(1), id);
        shell::installIdentification(app());
        installEssentialProperty(app());
        app().services().Login = [this] {
            ++logins;
            app().app().LoginOk = loginOk;
            return loginOk;
        };
        showMainWindow();
        link().MeterAddress = "1";
        app().services().ReadMeterInformation();
        mainForm().selectMeterForTest("1");
    }
    EssentialPropertyPage& page2() { return *static_cast<EssentialPropertyPage*>(app().page(2)); }
    void choosePage(int i) { mainForm().optProgram(i)->click(); }
    std::vector<std::vector<uint8_t>> writes() {
        std::vector<std::vector<uint8_t>> w;
        for (const auto& q : line.requests())
            if (q.bytes.size() > 2 && q.bytes[1] == 0x10) w.push_back(q.bytes);
        return w;
    }
    int reads(uint16_t start) {
        int n = 0;
        for (const auto& q : line.requests())
            n += q.bytes.size() == 8 && q.bytes[1] == 0x03 && (q.bytes[2] << 8 | q.bytes[3]) == start;
        return n;
    }
};

// The frame between the address and the CRC.
std::vector<uint8_t> body(const std::vector<uint8_t>& frame) {
    return std::vector<uint8_t>(frame.begin() + 1, frame.end() - 2);
}

} // namespace

TEST(EssentialProperty, ReadsTheMeterAndWritesPtCtAfterYesAndLogin) {
    EssentialRig r;
    EssentialPropertyPage& p = r.page2();
    r.choosePage(2);
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == EssentialIdleStep; }));
    EXPECT_EQ(p.txtTDT()->text(), "45");
    EXPECT_EQ(p.tbWire()->currentText(), "3P3W");
    EXPECT_EQ(p.tbF()->currentText(), "60 Hz");
    EXPECT_EQ(p.tbPT()->text(), "12.5");
    EXPECT_EQ(p.tbCT()->text(), "100");
    EXPECT_EQ(r.meter().PtRatio, 12.5);
    EXPECT_EQ(r.meter().WiringMode, 2);
    EXPECT_FALSE(r.page().SetupModified); // the fill is not an edit
    EXPECT_TRUE(p.txtTDT()->isVisible()); // version 2.3 has the transfer-delay row

    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdSystem(2)->click();
    EXPECT_EQ(r.page().Ticks.KeyLockTicks, 10);
    ASSERT_TRUE(r.waitFor([&] { return !r.writes().empty(); }));
    EXPECT_EQ(body(r.writes()[0]),
              (std::vector<uint8_t>{0x10, 0x20, 0x0A, 0x00, 0x03, 0x06, 0x00, 0x7D, 0x03, 0xE8, 0x00, 0x00}));
    EXPECT_TRUE(r.ui.sawText("Do you want to Setup PT / CT Ratio ?"));
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Setting PT / CT Ratio Ok!"; }));
    // Read back after the write.
    ASSERT_TRUE(r.waitFor([&] { return r.reads(0x2002) > 0 && r.page().PageStep == EssentialIdleStep; }));

    // A typed ratio is rounded before it is split into bytes.
    p.tbPT()->setText("25.599");
    r.ui.answerNext(common::AnswerYes);
    p.cmdSystem(2)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.writes().size() == 2; }));
    EXPECT_EQ(r.writes()[1][7], 0x01);
    EXPECT_EQ(r.writes()[1][8], 0x00);
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == EssentialIdleStep && r.meter().PtRatio == 25.6; }));
    EXPECT_EQ(p.tbPT()->text(), "25.6");

    // No: nothing sent, the page is read again and the edit replaced.
    p.txtTDT()->selectAll();
    QTest::keyClicks(p.txtTDT(), "60"); // typed, as a person edits
    EXPECT_TRUE(r.page().SetupModified);
    EXPECT_EQ(r.page().EditedGroup, 1);
    r.ui.answerNext(common::AnswerNo);
    const int readsBefore = r.reads(0x2002);
    p.cmdSystem(0)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.reads(0x2002) > readsBefore && p.txtTDT()->text() == "45"; }));
    EXPECT_EQ(r.writes().size(), 2u);

    // A refused login sends nothing and leaves the page idle with the edit.
    r.loginOk = false;
    p.tbWire()->setCurrentIndex(4);
    r.ui.answerNext(common::AnswerYes);
    const int logins = r.logins;
    p.cmdSystem(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.logins > logins; }));
    QTest::qWait(700);
    EXPECT_EQ(r.writes().size(), 2u);
    EXPECT_EQ(r.page().PageStep, EssentialIdleStep);
    EXPECT_EQ(p.tbWire()->currentIndex(), 4);

    // With a good login the wiring and frequency go out as list indexes.
    r.loginOk = true;
    r.ui.answerNext(common::AnswerYes);
    p.cmdSystem(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.writes().size() == 3; }));
    EXPECT_EQ(body(r.writes()[2]), (std::vector<uint8_t>{0x10, 0x20, 0x08, 0x00, 0x02, 0x04, 0x00, 4, 0x00, 1}));
    ASSERT_TRUE(r.waitFor([&] { return r.meter().WiringMode == 4; }));
}

TEST(EssentialProperty, EntryChecksAndRangeRefusals) {
    EssentialRig r;
    EssentialPropertyPage& p = r.page2();
    p.txtTDT()->setText("300");
    p.txtTDT_LostFocus();
    EXPECT_EQ(r.ui.boxes.back().text, "Transfer Delay Time > (200) or Transfer Delay Time < (15)");
    EXPECT_EQ(p.txtTDT()->text(), "30");
    p.tbPT()->setText("abc");
    p.tbPT_LostFocus();
    EXPECT_EQ(r.ui.boxes.back().text, "Data Key In Error!");
    EXPECT_EQ(p.tbPT()->text(), "1");
    p.tbCT()->setText("0");
    p.tbCT_LostFocus();
    EXPECT_EQ(r.ui.boxes.back().text, "< (Low Limit)");
    EXPECT_EQ(p.tbCT()->text(), "0");
    EXPECT_EQ(r.ui.beeps, 1);

    // The PT/CT write refuses before asking anything; a negative delay cannot be encoded.
    const size_t boxes = r.ui.boxes.size();
    EXPECT_EQ(p.SetupPTCTRatio(), WriteOutcome::Refused);
    EXPECT_EQ(r.ui.boxes.back().text, "CT Ratio > (High Limit) or CT Ratio < (Low Limit)");
    p.tbPT()->setText("5001");
    EXPECT_EQ(p.SetupPTCTRatio(), WriteOutcome::Refused);
    EXPECT_EQ(r.ui.boxes.back().text, "PT Ratio > (High Limit) or PT Ratio < (Low Limit)");
    p.txtTDT()->setText("-5");
    EXPECT_EQ(p.SetupTransferDelayTime(), WriteOutcome::Refused);
    EXPECT_EQ(r.ui.boxes.back().text, "Transfer Delay Time > (200) or Transfer Delay Time < (15)");
    EXPECT_EQ(r.ui.boxes.size(), boxes + 3);
    EXPECT_EQ(r.page().PageStep, EssentialIdleStep);
    EXPECT_TRUE(r.writes().empty());
}

TEST(EssentialProperty, RatiosFollowTheMeterInTheBackgroundAndEditsSurvive) {
    EssentialRig r;
    r.choosePage(9); // a page of its own: only the background read touches page 2
    ASSERT_TRUE(r.waitFor([&] { return r.meter().PtRatio == 12.5; }));
    r.line.setRegister(1, 0x200A, 200);
    r.line.setRegister(1, 0x200B, 50);
    r.line.setRegister(1, 0x2008, 7); // no such wiring: the list shows its first item
    QTest::qWait(600);
    EXPECT_EQ(r.meter().PtRatio, 12.5); // not before ten seconds
    r.page().SetupModified = true;      // an edit on the shown page
    r.page().Ticks.KeyLockTicks = 10;
    ASSERT_TRUE(r.waitFor([&] { return r.meter().PtRatio == 20.0; }));
    EXPECT_EQ(r.meter().CtRatio, 5.0);
    EXPECT_EQ(r.meter().WiringMode, 7);
    EXPECT_EQ(r.page2().tbWire()->currentIndex(), 0);
    EXPECT_EQ(r.page2().tbPT()->text(), "20");
    EXPECT_TRUE(r.page().SetupModified);
    EXPECT_EQ(r.page().PageIndex, 9);
    EXPECT_LE(r.page().Ticks.KeyLockTicks, 1); // started again
}

TEST(EssentialProperty, OldMetersHideTheTransferDelayRow) {
    EssentialRig r;
    r.id.bootVersion = 110;
    r.id.currentInput1A = true;
    sim::installIdentity(*r.line.meter(1), r.id);
    r.app().services().ReadMeterInformation();
    EssentialPropertyPage& p = r.page2();
    r.choosePage(2);
    EXPECT_TRUE(p.txtTDT()->isHidden());
    EXPECT_TRUE(p.cmdSystem(0)->isHidden());
    EXPECT_TRUE(p.labSystem(8)->isHidden()); // "(15 - 200)" goes with its row
    EXPECT_FALSE(r.meter().CurrentInput1A);
    EXPECT_EQ(p.tbWire()->y(), 56);       // 840 twips
    EXPECT_EQ(p.cmdSystem(2)->y(), 456); // 6840 twips
    EXPECT_EQ(p.tbPowerUnit()->count(), 1);
    EXPECT_FALSE(r.page().SetupModified); // refilling the list is no edit
}
