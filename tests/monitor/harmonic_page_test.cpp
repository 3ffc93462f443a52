// The harmonic page: texts, version gate and layout, the requests, the bar charts.
#include "fake_serial.h"
#include "program_rig.h"
#include "scripted_prompter.h"
#include "sim_live_values.h"
#include "sim_meter.h"

#include "link/modbus_master.h"
#include "monitor/bar_chart_widget.h"
#include "monitor/harmonic_page.h"
#include "monitor/instant_page.h"
#include "monitor/live_widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace monitor;

namespace {

// The page on a fake port whose meter answers every read with register values
// base + index (base 1000 for 0x1A00, 2000 for 0x1E00).
struct PageRig {
    rtu::LinkState link;
    common::MeterState meter;
    FakeSerialDevice dev;
    rtu::MemoryStatus status;
    ScriptedPrompter ui;
    ScopedPrompter scope{ui};
    rtu::ModbusMaster master{link, dev, status};
    HarmonicPage page{link, meter, master};

    PageRig() {
        rtu::InitSerialTables(rtu::serialTables());
        link.ReplyTimeoutMs = 100;
        link.RetryLimit = 0;
        link.MeterAddress = "1";
        EXPECT_TRUE(master.OpenCommPort());
        master.applyTimerIntervals();
        page.registerDecoders(master);
        dev.onWrite = [this](const std::vector<uint8_t>& f) {
            if (f.size() != 8 || f[1] != 0x03) return;
            const int start = f[2] << 8 | f[3], count = f[4] << 8 | f[5];
            std::vector<uint8_t> r{f[0], 0x03, uint8_t(2 * count)};
            for (int i = 0; i < count; ++i) {
                const int v = (start == 0x1A00 ? 1000 : 2000) + i;
                r.push_back(uint8_t(v >> 8));
                r.push_back(uint8_t(v));
            }
            sim::appendCrc(r);
            dev.feed(r);
        };
        page.InitHarmonicGrids();
        page.DrawHarmonicGrids();
    }
    QColor pixel(BarChartWidget* pic, double xTwips, int yPixel) const {
        return pic->image().pixelColor(int(xTwips / kTwipsPerPixel), yPixel);
    }
};

} // namespace

TEST(HarmonicPage, TextsVersionGateAndBarGeometry) {
    EXPECT_EQ(harmonicText(1234), "12.34");
    EXPECT_EQ(harmonicText(65535), "655.35");
    EXPECT_EQ(harmonicCellValue(""), 0);
    EXPECT_EQ(harmonicCellValue("abc"), 0);
    EXPECT_EQ(harmonicCellValue("1e999"), 0);
    EXPECT_DOUBLE_EQ(harmonicCellValue(" 12.50 "), 12.5);

    EXPECT_TRUE(harmonicsFromMeter(2.1f));
    EXPECT_TRUE(harmonicsFromMeter(float(210 / 100.0)));
    EXPECT_FALSE(harmonicsFromMeter(2.09f));

    const BarGeometry first = barGeometry(6945, 1695, 31, 1, 0, 100);
    EXPECT_DOUBLE_EQ(first.x, 50);
    EXPECT_DOUBLE_EQ(first.top, 45); // 100 percent is 1650 high
    const BarGeometry b = barGeometry(6945, 1695, 31, 2, 1, 0);
    EXPECT_NEAR(b.x, 347.41, 0.01); // order 2, phase B: one group of 220.81 and a third of it further
    EXPECT_DOUBLE_EQ(b.top, 1695);
}

TEST(HarmonicPage, LayoutPerVersionKeepsValuesAndBothReadsFillTheTables) {
    PageRig r;
    QTableWidget* c = r.page.gridHarmonicC();
    QTableWidget* v = r.page.gridHarmonicV();
    EXPECT_EQ(c->columnCount(), 27);
    EXPECT_EQ(gridText(c, 0, 26), "H25");
    EXPECT_EQ(gridText(v, 1, 0), "Va");
    EXPECT_EQ(r.page.labHarmonicC(18)->text(), "H25");
    EXPECT_FALSE(r.page.labHarmonicC(18)->isHidden());

    setGridText(c, 1, 5, "3.00");
    r.meter.MeterVersion = 2.1f;
    r.page.InitHarmonicGrids();
    EXPECT_EQ(c->columnCount(), 33);
    EXPECT_EQ(v->columnCount(), 33);
    EXPECT_EQ(gridText(c, 0, 32), "H31");
    EXPECT_EQ(gridText(c, 1, 5), "3.00"); // values stay
    EXPECT_NE(c->item(1, 32), nullptr);   // every cell can be written
    EXPECT_EQ(r.page.labHarmonicC(16)->text(), "H31");
    EXPECT_TRUE(r.page.labHarmonicC(17)->isHidden());

    // Both reads, each register into its cell.
    r.page.ReadHarmonics();
    ASSERT_EQ(r.dev.written.size(), 2u);
    EXPECT_EQ(r.dev.written[0], (std::vector<uint8_t>{0x01, 0x03, 0x1A, 0x00, 0x00, 0x60, 0x42, 0xFA}));
    EXPECT_EQ(r.dev.written[1], (std::vector<uint8_t>{0x01, 0x03, 0x1E, 0x00, 0x00, 0x60, 0x43, 0xCA}));
    EXPECT_EQ(gridText(c, 1, 1), "10.00");  // reply 1 register 0
    EXPECT_EQ(gridText(c, 2, 1), "10.16");  // register 16: THD of Ib
    EXPECT_EQ(gridText(c, 2, 2), "10.17");  // register 17: order 1 of Ib
    EXPECT_EQ(gridText(v, 1, 1), "10.48");  // register 48: THD of Va
    EXPECT_EQ(gridText(c, 1, 17), "20.00"); // reply 2 register 0: order 16 of Ia
    EXPECT_EQ(gridText(v, 3, 17), "20.80"); // register 80: order 16 of Vc
    EXPECT_EQ(gridText(v, 3, 32), "20.95");
    // Order 1 of Ia (10.01 %) was drawn: its bar reaches well above the bottom.
    EXPECT_EQ(r.pixel(r.page.picHarmonicC(), 50, 110), QColor(255, 128, 128));
}

TEST(HarmonicPage, EmptyOrTextCellsDrawNoBarAndTheDrawingGoesOn) {
    PageRig r;
    r.meter.MeterVersion = 2.1f;
    r.page.InitHarmonicGrids();
    const QImage background = r.page.picHarmonicC()->image();
    QTableWidget* c = r.page.gridHarmonicC();
    setGridText(c, 1, 2, "100.00"); // order 1
    setGridText(c, 1, 3, "");       // order 2
    setGridText(c, 1, 4, "n/a");    // order 3
    setGridText(c, 1, 5, "50.00");  // order 4
    setGridText(c, 3, 2, "80.00");  // order 1 of Ic
    r.page.redrawCharts();
    BarChartWidget* pic = r.page.picHarmonicC();
    // Left edges of the phase-A bars of orders 1 to 4 and of order 1 of phase C, in twips.
    const double a1 = 50, a2 = 274, a3 = 498, a4 = 722, c1 = 197;
    EXPECT_EQ(r.pixel(pic, a1, 10), QColor(255, 128, 128));
    EXPECT_EQ(r.pixel(pic, a4, 100), QColor(255, 128, 128));
    EXPECT_NE(r.pixel(pic, a4, 40), QColor(255, 128, 128)); // 50 % stops half way
    EXPECT_EQ(r.pixel(pic, a2, 100), background.pixelColor(int(a2 / 15), 100));
    EXPECT_EQ(r.pixel(pic, a3, 100), background.pixelColor(int(a3 / 15), 100));
    EXPECT_EQ(r.pixel(pic, c1, 100), QColor(128, 128, 255));
    // The background lines stay under the bars.
    EXPECT_EQ(pic->image().pixelColor(200, 0), QColor(Qt::black));

    // All boxes of a chart unticked: only its background is left.
    for (int i = 0; i < 3; ++i) r.page.chkHarmonicC(i)->setChecked(false);
    r.page.redrawCharts();
    EXPECT_EQ(pic->image(), background);
}

TEST(HarmonicPage, SchedulerAsksOnlyMetersFromVersion21) {
    for (float version : {2.09f, 2.1f}) {
        SCOPED_TRACE(version);
        ProgramRig r;
        installLivePages(r.app());
        sim::installLiveValues(*r.line.meter(1));
        r.showMainWindow();
        r.meter().MeterVersion = version;
        r.app().services().InitHarmonicGrids();
        r.mainForm().optProgram(21)->click();
        ASSERT_EQ(r.page().PageIndex, 21);
        r.mainForm().selectMeterForTest("1");
        auto* page = dynamic_cast<HarmonicPage*>(r.app().page(21));
        ASSERT_NE(page, nullptr);
        auto harmonicReads = [&] {
            int n = 0;
            for (const auto& q : r.line.requests())
                if (q.bytes.size() == 8 && (q.bytes[2] == 0x1A || q.bytes[2] == 0x1E)) ++n;
            return n;
        };
        if (version >= 2.1f) {
            ASSERT_TRUE(r.waitFor([&] { return harmonicReads() >= 4; }, 4000));
            EXPECT_EQ(page->gridHarmonicC()->columnCount(), 33);
            EXPECT_EQ(gridText(page->gridHarmonicC(), 1, 2), "100.00");
            EXPECT_FALSE(gridText(page->gridHarmonicV(), 3, 32).isEmpty());
        } else {
            QTest::qWait(1200);
            EXPECT_EQ(harmonicReads(), 0);
            EXPECT_EQ(page->gridHarmonicC()->columnCount(), 27);
        }
    }
}
