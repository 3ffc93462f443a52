// Meter identification: the probe's model check and option word, the decoding
// of the information block, and what an identification does to the window.
#include "program_rig.h"
#include "sim_identity.h"

#include "shell/meter_identification.h"
#include "shell/information_frame.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

using shell::versionValue;

namespace {

struct IdentRig : ProgramRig {
    explicit IdentRig(const sim::MeterIdentity& id = {}) {
        sim::installIdentity(*line.meter(1), id);
        shell::installIdentification(app());
        app().app().LocaleDateFormat = "YYYY/MM/DD";
        app().app().LocaleDateSeparator = "/";
        app().services().InitHarmonicGrids = [this] { harmonicLayouts.push_back(meter().MeterVersion); };
        app().services().InitTrendControls = [this] { trendLayouts.push_back(meter().MeterVersion); };
        showMainWindow();
    }
    // What the address entry does: version forgotten, probe, information read.
    void identify(const QString& address = "1") {
        meter().MeterVersion = 0;
        link().MeterAddress = address;
        app().master().SendReadHoldingRegisters(rtu::CmdProbe, 0, 2);
        app().services().ReadMeterInformation();
    }
    void reidentify(const sim::MeterIdentity& id) {
        sim::installIdentity(*line.meter(1), id);
        identify();
    }
    QString label(int i) { return shell::findMeterIdentification(app())->informationFrame()->labInformation(i)->text(); }
    std::vector<float> harmonicLayouts, trendLayouts;
};

} // namespace

TEST(MeterIdent, DecodesProbeAndInformationBlock) {
    EXPECT_EQ(shell::probeModelText(123), "KD 0123");
    EXPECT_EQ(shell::maskOptionWord(0x8041), 0x0001);
    EXPECT_EQ(shell::hardwareText(91), "I1");
    EXPECT_EQ(shell::hardwareText(0), "0");
    EXPECT_EQ(shell::hardwareText(5), "5");
    EXPECT_EQ(shell::hardwareText(100), "0");
    EXPECT_EQ(shell::versionText(5), "0.05");
    // The version is compared in single precision with float thresholds.
    EXPECT_EQ(versionValue(120), 1.2f);
    EXPECT_EQ(versionValue(209), 2.09f);
    EXPECT_LT(versionValue(119), 1.2f);
    EXPECT_GT(versionValue(131), 1.3f);

    std::array<uint16_t, shell::InformationCount> regs{};
    auto set = [&regs](int address, uint16_t v) { regs[size_t(address - 2)] = v; };
    set(0x0002, 27);
    set(0x0003, 231);
    set(0x0004, 120);
    set(0x0009, 1);
    set(0x000A, 1);
    const char serial[] = "ABC12345";
    for (int k = 0; k < 4; ++k) set(0x0010 + k, uint16_t(uint8_t(serial[2 * k]) << 8 | uint8_t(serial[2 * k + 1])));
    set(0x0018, 5 << 8 | 0x77); // low byte unused
    set(0x0019, 9 << 8 | 12);
    set(0x001A, 28 << 8);
    set(0x001B, 95 << 8 | 2);
    auto info = shell::decodeInformation(regs, "YYYY/MM/DD", "/");
    EXPECT_EQ(info.texts[0], "B7");
    EXPECT_EQ(info.texts[1], "2.31");
    EXPECT_EQ(info.texts[2], "1.20");
    EXPECT_EQ(info.texts[3], "ABC12345");
    EXPECT_EQ(info.texts[4], "2009/12/05");
    EXPECT_EQ(info.texts[5], "1995/02/28");
    EXPECT_TRUE(info.currentInput1A);
    EXPECT_FALSE(info.voltageInput150V); // not read below 1.8
    EXPECT_EQ(shell::decodeInformation(regs, "MM-DD-YY", "-").texts[4], "12-05-09");

    set(0x0004, 119);
    EXPECT_FALSE(shell::decodeInformation(regs, "YYYY/MM/DD", "/").currentInput1A);
    set(0x0004, 179);
    EXPECT_FALSE(shell::decodeInformation(regs, "YYYY/MM/DD", "/").voltageInput150V);
    set(0x0004, 180);
    EXPECT_TRUE(shell::decodeInformation(regs, "YYYY/MM/DD", "/").voltageInput150V);
    set(0x0013, 0x3500); // a zero byte stays in the text
    EXPECT_EQ(shell::decodeInformation(regs, "YYYY/MM/DD", "/").texts[3], QString::fromLatin1("ABC1235\0", 8));
}

TEST(MeterIdent, SelectingAMeterShowsItsInformationAndAdaptsTheWindow) {
    IdentRig r;
    r.identify();
    EXPECT_TRUE(r.ui.boxes.empty());
    EXPECT_EQ(r.label(0), "B3");
    EXPECT_EQ(r.label(4), "2023/05/17"); // in the locale's date format
    EXPECT_EQ(shell::findMeterIdentification(r.app())->informationFrame()->parentWidget(), r.mainForm().frmProgram(0));

    EXPECT_EQ(r.meter().MeterVersion, 2.3f);
    EXPECT_EQ(r.meter().MeterOptionBits, 0x0D);
    EXPECT_EQ(r.mainForm().windowTitle(), "KD 4170 - (ACD) PC Tool");
    EXPECT_FALSE(r.meter().FirmwareChanged); // cleared once the window is adapted
    EXPECT_FALSE(r.page().Refreshing);
    for (int p : {5, 15, 3, 6}) EXPECT_TRUE(r.mainForm().optProgram(p)->isEnabled()) << p;
    for (int p : {7, 4, 13}) EXPECT_FALSE(r.mainForm().optProgram(p)->isEnabled()) << p;
    EXPECT_EQ(r.harmonicLayouts, std::vector<float>{2.3f});
    EXPECT_EQ(r.trendLayouts, std::vector<float>{2.3f});

    // The same meter read again (the clock page): nothing is adapted again, and
    // the option pages stay as they are (the option word is not used up).
    r.app().services().ReadMeterInformation();
    EXPECT_EQ(r.harmonicLayouts.size(), 1u);
    EXPECT_TRUE(r.mainForm().optProgram(5)->isEnabled());
    EXPECT_EQ(r.mainForm().windowTitle(), "KD 4170 - (ACD) PC Tool");

    // A read without a reply changes nothing, and does not disable the option pages.
    r.line.injectFault({sim::Fault::Kind::Silence});
    r.line.injectFault({sim::Fault::Kind::Silence});
    r.line.meter(1)->setRegister(0x0002, 45);
    r.app().services().ReadMeterInformation();
    EXPECT_TRUE(r.link().LinkFailed);
    EXPECT_EQ(r.label(0), "B3");
    EXPECT_TRUE(r.mainForm().optProgram(5)->isEnabled());

    // The caption leaves the off-line text at every identification.
    r.mainForm().setWindowTitle(shell::OffLineCaption);
    r.identify();
    EXPECT_EQ(r.mainForm().windowTitle(), "KD 4170 - (ACD) PC Tool");
}

TEST(MeterIdent, UnexpectedModelWarnsButTheMeterIsUsed) {
    sim::MeterIdentity id;
    id.model = 1234;
    IdentRig r(id);
    r.identify();
    ASSERT_EQ(r.ui.boxes.size(), 1u);
    EXPECT_EQ(r.ui.boxes[0].title, "Warning");
    EXPECT_EQ(r.ui.boxes[0].text, "PCTool  ID = KD 4170\nMeter  ID = KD 1234");
    EXPECT_EQ(r.ui.boxes[0].icon, common::Icon::Exclamation);
    EXPECT_EQ(r.mainForm().windowTitle(), "KD 4170 - (ACD) PC Tool");
    EXPECT_EQ(r.label(2), "2.30");

    id.model = 123;
    r.reidentify(id);
    ASSERT_EQ(r.ui.boxes.size(), 2u);
    EXPECT_TRUE(r.ui.boxes[1].text.endsWith("Meter  ID = KD 0123"));

    // The probes of a range scan (scan button disabled) only find the meter.
    auto* scan = new QPushButton("Group", r.mainForm().Frame1(0));
    scan->setObjectName("cmdGroup");
    scan->setEnabled(false);
    id.options = 0x3F;
    sim::installIdentity(*r.line.meter(1), id);
    r.app().master().SendReadHoldingRegisters(rtu::CmdProbe, 0, 2);
    EXPECT_EQ(r.ui.boxes.size(), 2u);
    EXPECT_EQ(r.meter().MeterOptionBits, 0x0D);
    EXPECT_EQ(r.meter().MeterModelText, "KD 4170 - (ACD)");
}

TEST(MeterIdent, EachNewMeterGetsItsOwnOptionsAndLayout) {
    IdentRig r;
    r.identify();
    ASSERT_TRUE(r.mainForm().optProgram(5)->isEnabled());

    // An option word with bit 15 set keeps only its own six bits.
    sim::MeterIdentity id;
    id.options = 0x8002;
    r.reidentify(id);
    EXPECT_EQ(r.meter().MeterOptionBits, 0x0002);
    EXPECT_EQ(r.mainForm().windowTitle(), "KD 4170 - (B) PC Tool");
    EXPECT_FALSE(r.mainForm().optProgram(5)->isEnabled());
    EXPECT_TRUE(r.mainForm().optProgram(7)->isEnabled());

    // A 2.3 meter then a 1.8 one: every version-dependent control follows.
    id.options = 0x0D;
    id.bootVersion = 180;
    id.currentInput1A = true;
    r.reidentify(id);
    EXPECT_EQ(r.meter().MeterVersion, 1.8f);
    EXPECT_EQ(r.harmonicLayouts, (std::vector<float>{2.3f, 2.3f, 1.8f}));
    EXPECT_EQ(r.trendLayouts.back(), 1.8f);
    EXPECT_TRUE(r.mainForm().optProgram(11)->isVisible());
    EXPECT_FALSE(r.mainForm().optProgram(26)->isVisible());
    EXPECT_TRUE(r.mainForm().optProgram(23)->isEnabled()); // save config below 1.9
    // The 1 A input reaches the gates: the power units of a 1 A meter.
    EXPECT_EQ(shell::findMeterIdentification(r.app())->lastReactions().powerUnitItems,
              QStringList({"0.04", "0.008", "0.002"}));

    // A meter reporting version 0 matches the 0 the address entry leaves, and
    // still counts as a new meter.
    id.bootVersion = 0;
    id.options = 0x10;
    r.reidentify(id);
    EXPECT_EQ(r.label(2), "0.00");
    EXPECT_EQ(r.mainForm().windowTitle(), "KD 4170 - (E) PC Tool");
    EXPECT_TRUE(r.mainForm().optProgram(4)->isEnabled());
    EXPECT_FALSE(r.mainForm().optProgram(7)->isEnabled());
}
