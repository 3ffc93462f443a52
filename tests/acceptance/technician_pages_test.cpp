// A technician goes through every page of the whole program against the simulated
// meter, with clicks and typed keys only: each set-up page is read, one change is
// confirmed and written, and the meter's registers hold it afterwards.
#include "control_pages_rig.h"
#include "sim_setup_pages.h"

#include "config/analog_input_page.h"
#include "config/analog_output_page.h"
#include "config/clock_page.h"
#include "config/control_relay_page.h"
#include "config/demand_page.h"
#include "config/digital_input_page.h"
#include "config/display_scan_page.h"
#include "config/essential_property_page.h"
#include "config/preset_reset_page.h"
#include "config/pulse_page.h"
#include "config/set_point_page.h"
#include "config/set_point_setup.h"
#include "config/simulation_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace config;

namespace {

// A click where a person aims: a button's middle, an option's or box's round or square mark.
void press(QAbstractButton* b) {
    const bool mark = qobject_cast<QRadioButton*>(b) || qobject_cast<QCheckBox*>(b);
    QTest::mouseClick(b, Qt::LeftButton, {}, mark ? QPoint(6, b->height() / 2) : b->rect().center());
}

// A meter with every option ("A".."E") and the registers of one group of pages, selected.
struct EveryPageRig : ControlPagesRig {
    explicit EveryPageRig(void (*registers)(sim::Meter&) = nullptr)
        : ControlPagesRig(withOptions(0x1F), 300, registers) {
        EXPECT_TRUE(selectMeter());
    }
    // Clicks the page's button in the main window and waits for its read.
    template <class P> P& open(int16_t index, const std::function<bool(P&)>& shown) {
        auto* button = mainForm().findChild<QAbstractButton*>(QString("optProgram_%1").arg(index));
        EXPECT_TRUE(button && button->isEnabled()) << index;
        if (button) QTest::mouseClick(button, Qt::LeftButton);
        auto& p = *static_cast<P*>(app().page(index));
        EXPECT_TRUE(waitFor([&] { return page().PageIndex == index && shown(p) && (index == PresetResetPageIndex || !page().PageChanged); }, 10000))
            << "page " << index;
        return p;
    }
    // Presses the write button, answers Yes and waits for the status bar's " Ok!".
    bool confirm(QAbstractButton* button, const QString& done) {
        ui.answerNext(common::AnswerYes);
        press(button);
        // Done once the page has read the meter back and holds no edits.
        const bool ok = waitFor([&] { return panel1() == done; }, 10000);
        EXPECT_TRUE(ok) << panel1().toStdString() << " / " << (ui.boxes.empty() ? "" : ui.boxes.back().text.toStdString());
        return ok &&
               waitFor([&] { return !page().SetupModified; }, 10000);
    }
    uint16_t reg(uint16_t r) { return line.registerValue(1, r); }
};

void retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

} // namespace

TEST(TechnicianPages, MeasuringSetUpPagesReadAndWriteOneChangeEach) {
    EveryPageRig r(sim::installSetupPages);

    r.line.setRegister(1, 0x2002, 45); // a transfer delay that tells the meter's read from the defaults
    auto& essential = r.open<EssentialPropertyPage>(2, [](auto& p) { return p.txtTDT()->text() == "45"; });
    EXPECT_EQ(essential.tbPT()->text(), "1");
    retype(essential.tbPT(), "12.5");
    QTest::keyClick(essential.tbPT(), Qt::Key_Return);
    ASSERT_TRUE(r.confirm(essential.cmdSystem(2), "Meter [1] Setting PT / CT Ratio Ok!"));
    EXPECT_EQ(r.reg(0x200A), 125);

    auto& demand = r.open<DemandPage>(9, [](auto& p) { return p.txtDemand()->text() == "15"; });
    EXPECT_EQ(demand.cbDemand(0)->currentText(), "Rolling Demand");
    retype(demand.txtDemand(), "30");
    ASSERT_TRUE(r.confirm(demand.cmdDemand(), "Meter [1] Setting Demand Ok!"));
    EXPECT_EQ(r.reg(0x2020), 30);

    auto& output = r.open<PulsePage>(7, [](auto& p) { return p.option(8)->isChecked(); });
    press(output.option(9));
    ASSERT_TRUE(r.confirm(output.button(), "Meter [1] Setting Pulse Output Ok!"));
    EXPECT_EQ(r.reg(0x2042), 3);

    auto& led = r.open<PulsePage>(19, [](auto& p) { return p.option(0)->isChecked(); });
    press(led.option(6));
    ASSERT_TRUE(r.confirm(led.button(), "Meter [1] Setting Pulse LED Ok!"));
    EXPECT_EQ(r.reg(0x2040), 6);

    auto& scan = r.open<DisplayScanPage>(20, [](auto& p) { return p.cbDisplay(8)->currentText() == "DATE/TIME"; });
    scan.cbDisplay(19)->setFocus();
    QTest::keyClick(scan.cbDisplay(19), Qt::Key_Down);
    EXPECT_EQ(scan.cbDisplay(19)->currentText(), "Manual");
    ASSERT_TRUE(r.confirm(scan.cmdDS(), "Meter [1] Setting Display Scan (2) Ok!"));
    EXPECT_EQ(r.reg(0x2019), 1);

    auto& inputs = r.open<DigitalInputPage>(6, [](auto& p) { return p.obDI2(2)->isChecked(); });
    press(inputs.obDI2(3 * 4 + 1)); // DI 5 "Active to Deactive"
    ASSERT_TRUE(r.confirm(inputs.cmdDI(), "Meter [1] Setting Digital Input 7 Ok!"));
    EXPECT_EQ(r.reg(0x20B9), 1);

    auto& points = r.open<SetPointPage>(3, [](auto& p) { return p.txtSPP(0)->text() == "110"; });
    retype(points.txtSPP(0), "140");
    ASSERT_TRUE(r.confirm(points.cmdSP(), "Meter [1] " + setPointFunctionItems()[0] + " Ok!"));
    EXPECT_EQ(r.reg(0x2119), 1400);
    EXPECT_EQ(r.ui.pendingAnswers(), 0);
}

TEST(TechnicianPages, ControlPagesReadAndWriteOneChangeEach) {
    EveryPageRig r;

    auto& ai = r.open<AnalogInputPage>(4, [](auto& p) { return p.txtAI(2)->text() == "4000"; });
    retype(ai.txtAI(2), "8000");
    ASSERT_TRUE(r.confirm(ai.cmdAI(), "Meter [1] Setting Analog Input 2 Ok!"));
    EXPECT_EQ(r.reg(0x2091), 8000);

    auto& ao = r.open<AnalogOutputPage>(5, [](auto& p) { return p.txtAO(7)->text() == "150"; });
    EXPECT_EQ(ao.cbAOOutputType(2)->currentText(), "0 - 20 mA");
    retype(ao.txtAO(7), "120");
    ASSERT_TRUE(r.confirm(ao.cmdAO(), "Meter [1] Setting Analog Output 3 Ok!"));
    EXPECT_EQ(r.reg(0x207A), 1200);

    auto& clock = r.open<ClockPage>(10, [](auto& p) { return p.labClock(3)->text() == "2023/06/01"; });
    EXPECT_TRUE(clock.labClock(0)->text().startsWith("2024/05/07   13:05:"));
    clock.dtpBattery()->setDate(QDate(2025, 1, 31));
    clock.dtpBattery()->setFocus();
    clock.dtpBattery()->setCurrentSection(QDateTimeEdit::YearSection);
    QTest::keyClick(clock.dtpBattery(), Qt::Key_Up);
    ASSERT_TRUE(r.confirm(clock.cmdClock(2), "Meter [1] Setup Battery Replace Date Ok!"));
    EXPECT_EQ(r.reg(0x001A), 0x1F00);
    EXPECT_EQ(r.reg(0x001B), 0x1A01);
    EXPECT_TRUE(r.waitFor([&] { return clock.labClock(3)->text() == "2026/01/31"; }));

    auto& relay = r.open<ControlRelayPage>(15, [](auto& p) { return p.txtRelay(1)->text() == "20"; });
    retype(relay.txtRelay(1), "30");
    ASSERT_TRUE(r.confirm(relay.cmdCO(), "Meter [1] Setting Control Relay 2 Ok!"));
    EXPECT_EQ(r.reg(0x2052), 30);

    auto& preset = r.open<PresetResetPage>(17, [](auto& p) { return p.cmdReset(1)->isVisible(); });
    retype(preset.txtReset(0), "1000");
    ASSERT_TRUE(r.confirm(preset.cmdReset(1), "Meter [1] Preset 3 Phase Positive Real Energy Ok!"));
    EXPECT_EQ(r.reg(0x2031), 1000);
    EXPECT_TRUE(r.line.meter(1)->coilOn(8));

    auto& simulation = r.open<SimulationPage>(26, [](auto& p) { return p.field(SimField::Power, 0)->text() == "255020.0"; });
    retype(simulation.field(SimField::Power, 0), "-1000");
    QTest::keyClick(simulation.field(SimField::Power, 0), Qt::Key_Return);
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setting Simulation Data (15) Ok!"; }));
    EXPECT_EQ(r.reg(0x2239), 0xFFCE); // -1000 W in steps of 20 W
    EXPECT_EQ(r.ui.pendingAnswers(), 0);
}
