// Pages 5 and 4 in the whole program: the analog outputs' read, checks and
// write one frame per output; the analog inputs' read, present signals, the
// trend page's scale read and the write.
#include "control_pages_rig.h"

#include "config/analog_input_page.h"
#include "config/analog_output_page.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <atomic>
#include <gtest/gtest.h>

using namespace config;
using Bytes = std::vector<uint8_t>;

TEST(AnalogOutputPage, ChecksAllOutputsThenWritesOneFrameEachAndKeepsEditsAfterAFailedOne) {
    ControlPagesRig r;
    ASSERT_TRUE(r.selectMeter());
    auto& p = *static_cast<AnalogOutputPage*>(r.app().page(5));
    r.choose(5);
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == 2 && p.txtAO(7)->text() == "150"; }));
    EXPECT_EQ(p.cbAOParameter(3)->currentText(), "PF / 100% = 1.0000");
    EXPECT_EQ(p.txtAO(3)->text(), "120");
    EXPECT_EQ(p.cbAOOutputType(2)->currentText(), "0 - 20 mA");

    // LO = HI is refused for "A1" before anything is asked or sent.
    p.txtAO(0)->setText("20");
    p.txtAO(1)->setText("20");
    p.cmdAO()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("AO 1  LO >= HI ?"); }));
    EXPECT_FALSE(r.ui.sawText("Do you want to"));
    EXPECT_EQ(r.page().PageStep, 2);

    // ...and allowed for "PF".
    p.txtAO(1)->setText("100");
    p.txtAO(6)->setText("20");
    p.txtAO(7)->setText("20");
    r.ui.answerNext(common::AnswerYes);
    p.cmdAO()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setting Analog Output 3 Ok!"; }));
    ASSERT_EQ(r.sent(0x10).size(), 4u);
    EXPECT_EQ(r.sent(0x10)[3], (Bytes{1, 0x10, 0x20, 0x78, 0x00, 0x04, 0x08, 0x00, 24, 0x00, 0xC8, 0x00, 0xC8, 0x00, 0x01}));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == 2 && p.txtAO(6)->text() == "20"; })); // read back

    // A failed frame on AO2: AO3 and AO4 are not sent, the page idles with the edits.
    sim::Meter& m = *r.line.meter(1);
    auto previous = m.onWrite;
    m.onWrite = [&, previous](sim::Meter& meter, uint16_t start, uint16_t count) {
        if (previous) previous(meter, start, count);
        if (start == 0x2060) {
            r.line.injectFault({sim::Fault::Kind::Exception});
            r.line.injectFault({sim::Fault::Kind::Exception});
        }
    };
    p.txtAO(5)->setText("90");
    r.page().SetupModified = true;
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdAO()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Meter [1] Setting Analog Output 1 Error!"); }));
    QTest::qWait(700);
    EXPECT_EQ(r.writesTo(0x2070), 0);
    EXPECT_EQ(r.page().PageStep, 2);
    EXPECT_EQ(p.txtAO(5)->text(), "90");
    EXPECT_TRUE(r.page().SetupModified);
}

TEST(AnalogInputPage, ShowsSignalsKeepsLabelsOnAZeroScaleAndTakesTheTrendScalesOnly) {
    ControlPagesRig r;
    sim::Meter& m = *r.line.meter(1);
    // Steady counts instead of the simulator's wobble.
    std::array<std::atomic<uint16_t>, 3> counts{5000, 2500, 1000};
    auto previous = m.onRead;
    m.onRead = [&, previous](sim::Meter& meter, uint16_t start, uint16_t count) {
        if (previous) previous(meter, start, count);
        if (start == 0x0328) meter.setRegisters(0x0328, {counts[0], counts[1], counts[2]});
    };
    ASSERT_TRUE(r.selectMeter());
    auto& p = *static_cast<AnalogInputPage*>(r.app().page(4));
    r.choose(4);
    ASSERT_TRUE(r.waitFor([&] { return p.labAIData(0)->text() == "12.00 mA"; }));
    EXPECT_EQ(p.labAIData(1)->text(), "2.500 V");
    EXPECT_EQ(p.labAIData(2)->text(), "5.000 mA");
    EXPECT_TRUE(p.obAI(9)->isChecked());
    EXPECT_EQ(p.txtAI(2)->text(), "4000");

    // A scale of 0 keeps the label's text; the other inputs go on.
    p.txtAI(0)->setText("0");
    counts[0] = 0;
    counts[1] = 5000;
    ASSERT_TRUE(r.waitFor([&] { return p.labAIData(1)->text() == "5.000 V"; }));
    EXPECT_EQ(p.labAIData(0)->text(), "12.00 mA");

    // The trend page's read (code 130) changes the scales only, and marks nothing.
    r.choose(0);
    r.line.setRegisters(1, 0x2080, {3, 5000});
    r.app().master().SendReadHoldingRegisters(CmdAnalogInputTrendScales, 0x2080, 18);
    EXPECT_EQ(p.txtAI(0)->text(), "5000");
    EXPECT_TRUE(p.obAI(1)->isChecked());
    EXPECT_EQ(controls::tag(p.frmAI(1)), "1");
    EXPECT_FALSE(r.page().SetupModified);
}

TEST(AnalogInputPage, WriteRefusesScalesAbove32767AndSendsRangesAndScales) {
    ControlPagesRig r;
    ASSERT_TRUE(r.selectMeter());
    auto& p = *static_cast<AnalogInputPage*>(r.app().page(4));
    r.choose(4);
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == 1 && p.txtAI(2)->text() == "4000"; }));
    p.obAI(17)->click(); // AI 3 "  0-5 V"
    EXPECT_TRUE(r.page().SetupModified);
    EXPECT_EQ(controls::tag(p.frmAI(3)), "3");
    p.txtAI(2)->setText("40000");
    p.cmdAI()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("AI 3  Out of Range (0 - 32767) ?"); }));
    EXPECT_EQ(r.page().PageStep, 1);

    p.txtAI(2)->setText("8000");
    r.ui.answerNext(common::AnswerYes);
    p.cmdAI()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setting Analog Input 2 Ok!"; }));
    ASSERT_EQ(r.sent(0x10).size(), 3u);
    EXPECT_EQ(r.sent(0x10)[2], (Bytes{1, 0x10, 0x20, 0x90, 0x00, 0x02, 0x04, 0x00, 0x03, 0x1F, 0x40}));
    EXPECT_EQ(r.line.registerValue(1, 0x2091), 8000);
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == 1 && !r.page().SetupModified; }));
}
