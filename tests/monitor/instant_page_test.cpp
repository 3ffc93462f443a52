// Page 0 against the simulated meter: the instant read, the page and its mirrors, polling.
#include "program_rig.h"
#include "sim_live_values.h"

#include "monitor/energy_demand.h"
#include "monitor/instant_page.h"
#include "monitor/live_widgets.h"
#include "shell/information_frame.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace monitor;

namespace {

std::vector<uint8_t> frame(std::vector<uint8_t> bytes) { return bytes; }

std::vector<uint8_t> readFrame(uint16_t start, uint16_t count) {
    std::vector<uint8_t> f{1, 3, uint8_t(start >> 8), uint8_t(start), uint8_t(count >> 8), uint8_t(count)};
    sim::appendCrc(f);
    return f;
}

struct LiveRig : ProgramRig {
    InstantPage* page0 = nullptr;
    LiveRig() {
        installLivePages(app());
        page0 = dynamic_cast<InstantPage*>(app().page(0));
        showMainWindow();
        link().RetryLimit = 0;
    }
    std::vector<std::vector<uint8_t>> frames() const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& r : line.requests()) out.push_back(r.bytes);
        return out;
    }
    bool red(QLabel* l) const { return foreColor(l) == QColor(255, 0, 0); }
};

} // namespace

TEST(InstantPage, ReadsInOrderFillsThePageAndItsMirrorsAndGoesOnAfterAFailure) {
    LiveRig r;
    ASSERT_NE(r.page0, nullptr);
    std::vector<uint16_t> instant(34, 0);
    instant[0] = 65535; // out of range
    instant[1] = 21000;
    instant[4] = 600;
    instant[6] = 22000;
    instant[10] = 7;
    instant[11] = 38000;
    instant[16] = 12000;
    instant[19] = 9200;
    instant[20] = 25000;
    r.line.setRegisters(1, 0x0130, instant);
    r.line.setRegisters(1, 0x0170, {0x0012, 0xD687, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5000, 0, 7, 0, 0});
    r.line.setRegisters(1, 0x02F0, {20500, 32768, 5400, 40000});
    r.meter().WiringMode = 2;
    r.link().MeterAddress = "1";
    r.line.clearLog();

    r.app().services().ReadInstantAndEnergy();

    const auto sent = r.frames();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0], frame({0x01, 0x03, 0x01, 0x30, 0x00, 0x22, 0xC4, 0x20}));
    EXPECT_EQ(sent[1], frame({0x01, 0x03, 0x01, 0x70, 0x00, 0x10, 0x44, 0x21}));
    EXPECT_EQ(sent[2], frame({0x01, 0x03, 0x02, 0xF0, 0x00, 0x04, 0x45, 0x82}));
    EXPECT_EQ(sent[3], readFrame(0x02F4, 16));

    InstantPage& p = *r.page0;
    EXPECT_EQ(p.labCurrentD(0)->text(), "13.107  A");
    EXPECT_TRUE(r.red(p.labCurrentD(0)));
    EXPECT_EQ(p.labCurrentD(1)->text(), "4.2000  A");
    EXPECT_FALSE(r.red(p.labCurrentD(1)));
    EXPECT_EQ(p.labVoltageD(4)->text(), "0.7 %");
    EXPECT_EQ(p.labPowerD(3)->text(), " 0.92 LG");
    EXPECT_EQ(p.labHz()->text(), "50.000  Hz");
    EXPECT_EQ(p.labRotation()->text(), "Positive Sequence");
    EXPECT_FLOAT_EQ(r.meter().MeasuredVoltage1, 380.0f); // Vab with wiring 2
    EXPECT_FLOAT_EQ(r.meter().MeasuredCurrent1, float(65535 * 0.0002));

    // Mirrors for the simulation page: texts of this very reply, no colour.
    EXPECT_EQ(p.labCurrentD(6)->text(), p.labCurrentD(0)->text());
    EXPECT_FALSE(r.red(p.labCurrentD(6)));
    EXPECT_EQ(p.labVoltageD(14)->text(), p.labVoltageD(5)->text());
    EXPECT_EQ(p.labPowerD(20)->text(), "50.000  Hz");

    QTableWidget* e = p.energyDemand().gridEnergy();
    EXPECT_EQ(gridText(e, 1, 1), "1234.567 K");
    EXPECT_DOUBLE_EQ(p.energyDemand().EnergyCodeA, 0);
    EXPECT_EQ(p.labDemandD(0)->text(), "4.1000  A");
    EXPECT_TRUE(r.red(p.labDemandD(1)));
    EXPECT_TRUE(r.red(p.labDemandD(5))); // the demand page's copy has the colour too
    EXPECT_EQ(p.labDemandD(7)->text(), "-5.1072  KVA");

    // The next reply without the marker turns the label black again.
    r.line.setRegister(1, 0x0130, 100);
    r.app().services().ReadInstantAndEnergy();
    EXPECT_FALSE(r.red(p.labCurrentD(0)));
    EXPECT_EQ(p.labCurrentD(0)->text(), "20.000  mA");

    // A mirror label taken and deleted by another page is simply no longer written.
    delete p.labVoltageD(13);
    EXPECT_EQ(p.labVoltageD(13), nullptr);
    r.app().services().ReadInstantAndEnergy();
    EXPECT_EQ(p.labVoltageD(10)->text(), p.labVoltageD(0)->text());

    // A failed instant read leaves the page as it was and does not stop the reads after it.
    r.line.setRegisters(1, 0x0170, {0, 1000});
    r.line.clearLog();
    r.line.injectFault({sim::Fault::Kind::Silence, 0});
    r.app().services().ReadInstantAndEnergy();
    ASSERT_EQ(r.frames().size(), 4u);
    EXPECT_EQ(r.frames()[3], readFrame(0x02F4, 16));
    EXPECT_EQ(r.link().TimeoutCount, 1);
    EXPECT_FALSE(r.link().LinkFailed); // the last exchange went through
    EXPECT_EQ(p.labCurrentD(0)->text(), "20.000  mA");
    EXPECT_EQ(gridText(e, 1, 1), "1.000 K");
}

TEST(InstantPage, GridsHeadingsAndInformationFrame) {
    LiveRig r;
    InstantPage& p = *r.page0;
    QTableWidget* e = p.energyDemand().gridEnergy();
    EXPECT_EQ(e->rowCount(), 8);
    EXPECT_EQ(gridText(e, 7, 0), "ARC");
    EXPECT_TRUE(e->isRowHidden(7));
    EXPECT_EQ(p.energyDemand().gridDI()->columnCount(), 9);

    auto* info = new shell::InformationFrame;
    p.setInformationFrame(info);
    EXPECT_EQ(info->parentWidget(), p.widget());
    EXPECT_EQ(info->geometry(), QRect(8, 392, 513, 116)); // 120, 5880, 7700, 1740 twips
    EXPECT_GE(info->height(), info->sizeHint().height()); // room for its three rows
    EXPECT_LE(info->geometry().bottom(), p.widget()->height());
    EXPECT_GT(info->y(), p.energyDemand().gridDI()->geometry().bottom());
}

TEST(InstantPage, PollsAboutOnceASecondWithLiveValues) {
    LiveRig r;
    sim::installLiveValues(*r.line.meter(1));
    r.meter().PtRatio = 100; // 22 kV lines
    r.mainForm().optProgram(0)->click(); // only the page on screen is polled
    r.mainForm().selectMeterForTest("1");
    ASSERT_TRUE(r.waitFor([&] { return !r.page0->labHz()->text().isEmpty(); }, 3000));
    r.line.clearLog();
    QTest::qWait(3200);
    int instantReads = 0;
    for (const auto& f : r.frames())
        if (f.size() == 8 && f[2] == 0x01 && f[3] == 0x30) ++instantReads;
    EXPECT_GE(instantReads, 2);
    EXPECT_LE(instantReads, 4);
    EXPECT_TRUE(r.page0->labVoltageD(0)->text().endsWith("  KV")) << r.page0->labVoltageD(0)->text().toStdString();
    EXPECT_TRUE(r.page0->labHz()->text().startsWith("49.9") || r.page0->labHz()->text().startsWith("50.0"));
    EXPECT_FALSE(gridText(r.page0->energyDemand().gridEnergy(), 1, 1).isEmpty());
}
