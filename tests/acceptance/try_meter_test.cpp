// The meter simmeter starts for trying the program, in the whole program: every
// option page can be opened and every page of recorded data shows the meter's
// own records, not empty cells, zeros or "00 00 0000".
#include "program_rig.h"
#include "sim_try_line.h"

#include "monitor/live_widgets.h"
#include "records/trace_page.h"
#include "records/trend_page.h"
#include "tou/tou_page.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <gtest/gtest.h>

using monitor::gridText;

namespace {

void press(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }

} // namespace

TEST(TryMeter, EveryPageHasTheMetersOwnDataToShow) {
    ProgramRig r({{1, 9600}}, 300, ProgramRig::Pages::All);
    sim::installEveryPage(*r.line.meter(1));
    r.app().app().LocaleDateFormat = "yyyy/MM/dd";
    r.app().app().LocaleDateSeparator = "/";
    r.showMainWindow();
    shell::MainForm& form = r.mainForm();
    form.txtAddress()->setText("1");
    r.page().AddressEdited = true;
    r.app().services().txtAddress_LostFocus();
    ASSERT_TRUE(r.waitFor([&] { return r.link().meterSelected() && r.meter().MeterVersion > 0; }));
    EXPECT_EQ(form.windowTitle(), "KD 4170 - (ABCDEF) PC Tool");

    auto button = [&](int page) { return form.findChild<QAbstractButton*>(QString("optProgram_%1").arg(page)); };
    // Analog outputs, analog inputs, pulse outputs, set points, digital inputs, relays, trace.
    for (int page : {5, 4, 7, 3, 6, 15, 13}) {
        ASSERT_TRUE(button(page)) << page;
        EXPECT_TRUE(button(page)->isEnabled()) << page;
    }
    auto grid = [&](const char* name) { return form.findChild<QTableWidget*>(name); };
    auto label = [&](const QString& name) { return form.findChild<QLabel*>(name)->text(); };

    // Max./min. log with its maximum demands.
    press(button(1));
    ASSERT_TRUE(r.waitFor([&] { return gridText(grid("gridMax"), 2, 1) == "445.20  A"; }, 10000));
    EXPECT_EQ(gridText(grid("gridMax"), 3, 3), "2026/03/14");
    EXPECT_EQ(gridText(grid("gridMin"), 2, 3), "2026/03/13");
    EXPECT_EQ(label("labDemandDD_1"), "2026/03/14");

    // Event log: 12 events, the oldest the power-on.
    press(button(12));
    ASSERT_TRUE(r.waitFor([&] { return gridText(grid("gridEvent"), 12, 3) == "Power On / Reset"; }, 10000));
    EXPECT_EQ(gridText(grid("gridEvent"), 13, 3), "");

    // Trend log: 100 records downloaded.
    press(button(records::TrendPageIndex));
    auto* trend = static_cast<records::TrendPage*>(r.app().page(records::TrendPageIndex));
    ASSERT_TRUE(r.waitFor([&] { return !gridText(trend->gridTrendData(), 100, 1).isEmpty(); }, 10000));
    EXPECT_FALSE(gridText(trend->gridTrendData(), 1, 1).isEmpty());
    EXPECT_TRUE(gridText(trend->gridTrendData(), 101, 1).isEmpty());

    // Triggered to memory: one trigger so far.
    press(button(records::TracePageIndex));
    auto* trace = static_cast<records::TracePage*>(r.app().page(records::TracePageIndex));
    ASSERT_TRUE(r.waitFor([&] { return trace->labTraceC()->text() == "1"; }, 10000));

    // Time of use (page 25 on a 2.30 meter): the present tariff energies.
    press(button(8));
    auto* tou = static_cast<tou::TouPage*>(r.app().page(25));
    ASSERT_TRUE(r.waitFor([&] { return tou->labTOUData(2)->text() == "40.000 MH"; }, 10000));
    EXPECT_EQ(tou->labTOUData(1)->text(), "2025/01/01   08:30:00");

    // User map: slot 54 maps the transfer delay of 30 ms.
    press(button(16));
    ASSERT_TRUE(r.waitFor([&] { return gridText(grid("gridMapping"), 55, 4) == "30"; }, 10000));
    EXPECT_EQ(gridText(grid("gridMapping"), 1, 2), "0130");
}

TEST(TryMeter, MeterOneIsAlwaysOnTheLineAndEachMeterArgumentAddsOne) {
    std::string error;
    using Line = std::vector<std::pair<int, int>>;
    EXPECT_EQ(sim::tryLineMeters({}, error), (Line{{1, 9600}}));
    EXPECT_EQ(sim::tryLineMeters({"5:4800", "7"}, error), (Line{{1, 9600}, {5, 4800}, {7, 9600}}));
    EXPECT_EQ(sim::tryLineMeters({"7", "1:19200"}, error), (Line{{1, 19200}, {7, 9600}}));
    for (const char* bad : {"0", "255", "5:4801", "x", "5:", ":4800", "5:4800x"}) {
        error.clear();
        EXPECT_TRUE(sim::tryLineMeters({bad}, error).empty()) << bad;
        EXPECT_EQ(error, std::string("bad meter \"") + bad + "\"");
    }
    EXPECT_TRUE(sim::tryLineMeters({"5", "5:4800"}, error).empty());
    EXPECT_EQ(error, "address 5 given twice");
    EXPECT_TRUE(sim::tryLineMeters({"1:4800", "1"}, error).empty());
    EXPECT_EQ(error, "address 1 given twice");
}
