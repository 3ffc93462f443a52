// The table of reactions to the identified meter, and how it lands on the window.
#include "program_rig.h"

#include "shell/meter_identification.h"
#include "shell/meter_options.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>
#include <gtest/gtest.h>

using namespace shell;

namespace {

MeterReactions gates(uint16_t versionRegister, uint16_t options = 0, bool oneAmp = false, bool v150 = false) {
    GateInput in;
    in.MeterVersion = shell::versionValue(versionRegister);
    in.MeterOptionBits = options;
    in.CurrentInput1A = oneAmp;
    in.VoltageInput150V = v150;
    in.FirmwareChanged = true;
    return MeterGates(in);
}

// The page buttons shown in the stacked group, top to bottom.
std::vector<int16_t> shownStack(MainForm& form) {
    std::vector<int16_t> shown;
    for (int16_t b : stackedPageButtons())
        if (!form.optProgram(b)->isHidden()) shown.push_back(b);
    std::sort(shown.begin(), shown.end(),
              [&form](int16_t a, int16_t b) { return form.optProgram(a)->y() < form.optProgram(b)->y(); });
    return shown;
}

} // namespace

TEST(MeterOptions, OptionWordEnablesPagesAndNamesTheCaption) {
    MeterReactions r = gates(230, 0x0D);
    EXPECT_EQ(r.windowCaption, "KD 4170 - (ACD) PC Tool");
    for (int p : {5, 15, 3, 6}) EXPECT_TRUE(r.pageEnabled[size_t(p)]) << p;
    for (int p : {7, 4, 13}) EXPECT_FALSE(r.pageEnabled[size_t(p)]) << p;
    EXPECT_TRUE(r.resetAlarmEnabled && r.clearDICountEnabled && r.demandSyncEnabled && r.traceDigitalInputShown);

    r = gates(230, 0);
    EXPECT_EQ(r.windowCaption, "KD 4170 PC Tool");
    for (int p : {3, 4, 5, 6, 7, 13, 15}) EXPECT_FALSE(r.pageEnabled[size_t(p)]) << p;
    EXPECT_FALSE(r.resetAlarmEnabled || r.clearDICountEnabled || r.demandSyncEnabled || r.traceDigitalInputShown);
    EXPECT_TRUE(r.pageEnabled[0] && r.pageEnabled[2] && r.pageEnabled[21]);

    EXPECT_EQ(gates(230, 0x3F).windowCaption, "KD 4170 - (ABCDEF) PC Tool");
    EXPECT_EQ(gates(230, 0x41).optionLetters, "A");
    EXPECT_EQ(gates(230, 0x8000).optionLetters, "");

    // Without a change of version only the every-reply part is there.
    GateInput same;
    same.MeterVersion = 2.3f;
    same.MeterOptionBits = 0x3F;
    r = MeterGates(same);
    EXPECT_FALSE(r.onChange);
    EXPECT_TRUE(r.windowCaption.isEmpty());
    EXPECT_TRUE(r.selectorOrder.empty());
    EXPECT_TRUE(r.transferDelayRowShown);
}

TEST(MeterOptions, VersionGatesAtTheirBoundaries) {
    // Page selector: 15 buttons from 2.2, 13 from 2.01 to 2.09, else 14.
    EXPECT_EQ(gates(220).selectorOrder.size(), 15u);
    EXPECT_EQ(gates(220).selectorTopsTwips.back(), 4440);
    EXPECT_EQ(gates(220).selectorTopsTwips[13], 4162);
    for (uint16_t v : {201, 209}) {
        auto r = gates(v);
        EXPECT_EQ(r.selectorOrder.size(), 13u) << v;
        EXPECT_EQ(std::count(r.selectorOrder.begin(), r.selectorOrder.end(), 11), 0) << v;
        EXPECT_EQ(r.selectorTopsTwips.back(), 4320) << v;
    }
    for (uint16_t v : {0, 200, 210, 219}) {
        auto r = gates(v);
        EXPECT_EQ(r.selectorOrder.size(), 14u) << v;
        EXPECT_EQ(r.selectorOrder.back(), 20) << v;
        EXPECT_EQ(r.selectorTopsTwips.back(), 4320) << v;
    }

    // Transfer-delay row and power units at 1.2.
    EXPECT_FALSE(gates(119).transferDelayRowShown);
    EXPECT_EQ(gates(119).powerUnitItems, QStringList{"0.2"});
    EXPECT_TRUE(gates(120).transferDelayRowShown);
    EXPECT_EQ(gates(120).powerUnitItems, QStringList({"0.2", "0.04", "0.01"}));
    EXPECT_EQ(gates(120, 0, true, true).powerUnitItems, QStringList({"0.01", "0.002", "0.0005"}));
    EXPECT_EQ(gates(120, 0, false, true).powerUnitItems, QStringList({"0.05", "0.01", "0.0025"}));
    EXPECT_EQ(gates(120, 0, false, true).voltageLevelCaption, "100% = 150V  (0=Off)");

    // Trend interval list at 1.3.
    EXPECT_EQ(gates(130).trendIntervalItems, QStringList({"15 Minutes", "30 Minutes", "60 Minutes"}));
    EXPECT_EQ(gates(131).trendIntervalItems.size(), 4);
    EXPECT_EQ(gates(131).trendIntervalItems.last(), "10 Minutes");

    // Trace captures at 1.5, 2.01, 2.09, 2.1.
    EXPECT_EQ(gates(149).traceGridRows, 1025);
    EXPECT_EQ(gates(150).traceGridRows, 2049);
    EXPECT_EQ(gates(200).traceGridRows, 2049);
    EXPECT_EQ(gates(201).traceGridRows, 4097);
    EXPECT_EQ(gates(209).traceCaptureItems.last(), "4 x 64 cycles");
    EXPECT_EQ(gates(210).traceGridRows, 2049);
    EXPECT_EQ(gates(210).traceCaptureIndex, 2);

    // System function grid at 2.0 (the last labels are checked on the grid below).
    auto sf = gates(199);
    EXPECT_EQ(sf.systemFunctionRows, 71);
    EXPECT_EQ(sf.systemFunctionLabels[63], "23F*");
    EXPECT_EQ(sf.systemFunctionLabels[64], "00A*");
    sf = gates(200);
    EXPECT_EQ(sf.systemFunctionRows, 87);
    EXPECT_EQ(sf.systemFunctionLabels.size(), 86);

    // Save config below 1.9 only; grids and trend lists on every change.
    EXPECT_TRUE(gates(189).pageEnabled[23]);
    EXPECT_FALSE(gates(190).pageEnabled[23]);
    EXPECT_TRUE(gates(180).relayHarmonicGrids && gates(180).refillTrendLists);
}

TEST(MeterOptions, ReactionsLandOnTheControlsThatExist) {
    ProgramRig rig;
    rig.showMainWindow();
    MainForm& form = rig.mainForm();
    // Stand-ins for controls of pages built later, found by their names.
    auto* host = new QWidget(form.frmProgram(11));
    auto* trend = new QComboBox(host);
    trend->setObjectName(gate_names::TrendIntervalList);
    auto* sf = new QTableWidget(1, 17, host);
    sf->setObjectName(gate_names::SystemFunctionGrid);
    auto* alarm = new QPushButton(host);
    alarm->setObjectName(gate_names::ResetAlarmButton);
    auto* level = new QLabel(host);
    level->setObjectName(gate_names::traceCaption(21));

    const std::vector<int16_t> all = stackedPageButtons();
    EXPECT_EQ(shownStack(form), all); // the design before any identification
    const int top0 = form.optProgram(0)->y(), top26 = form.optProgram(26)->y();

    applyMeterReactions(gates(205, 0x04, true), form, true, true);
    std::vector<int16_t> thirteen;
    for (int16_t b : all)
        if (b != 11 && b != 26) thirteen.push_back(b);
    EXPECT_EQ(shownStack(form), thirteen);
    EXPECT_EQ(form.optProgram(0)->y(), top0);
    EXPECT_EQ(form.optProgram(20)->y(), 301); // moved up to the place of the 4320-twip slot
    EXPECT_TRUE(form.optProgram(3)->isEnabled());
    EXPECT_FALSE(form.optProgram(6)->isEnabled());
    EXPECT_TRUE(alarm->isEnabled());
    EXPECT_EQ(form.windowTitle(), "KD 4170 - (C) PC Tool");
    EXPECT_EQ(trend->count(), 4);
    EXPECT_EQ(trend->currentIndex(), 0);
    EXPECT_EQ(sf->rowCount(), 87);
    EXPECT_EQ(sf->item(80, 0)->text(), "24F*");
    EXPECT_EQ(sf->item(0, 16)->text(), "F");
    EXPECT_EQ(level->text(), "100% = 1A  (0=Off)");

    // An older meter afterwards: everything follows it back.
    applyMeterReactions(gates(120), form, true, true);
    EXPECT_EQ(shownStack(form).size(), 14u);
    EXPECT_FALSE(form.optProgram(3)->isEnabled());
    EXPECT_FALSE(alarm->isEnabled());
    EXPECT_EQ(trend->count(), 3);
    EXPECT_EQ(sf->rowCount(), 71);
    EXPECT_EQ(sf->item(70, 0)->text(), "00F*");
    EXPECT_EQ(level->text(), "100% = 5A  (0=Off)");
    applyMeterReactions(gates(230), form, true, true);
    EXPECT_EQ(shownStack(form), all);
    EXPECT_EQ(form.optProgram(26)->y(), top26);

    // Only the every-reply part: the selector stays as it is.
    applyMeterReactions(gates(205), form, true, false);
    EXPECT_EQ(shownStack(form), all);
}
