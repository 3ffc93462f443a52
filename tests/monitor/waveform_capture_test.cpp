// The capture cycle against the simulated meter: requests, store, scales, failures.
#include "waveform_rig.h"

#include "shell/page.h"
#include "shell/page_services.h"

#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <chrono>

using namespace monitor;
using namespace monitor::wave;

namespace {
std::vector<uint8_t> bytes(std::initializer_list<int> v) { return {v.begin(), v.end()}; }
} // namespace

TEST(WaveformCapture, CycleOnPage14FillsTheStoreAndDrawsIt) {
    sim::WaveformShape shape = sim::WaveformShape::balanced(1200, 1600, 30);
    shape.channels[IA].harmonics = {{5, 0.2, 0}};
    WaveRig w(shape);
    ASSERT_NE(w.page, nullptr);
    QString panelAtEnd;
    auto complete = w.capture().captureComplete;
    w.capture().captureComplete = [&] {
        panelAtEnd = w.rig.app().status().panelText(1);
        complete();
    };
    w.poll(14);
    ASSERT_TRUE(w.rig.waitFor([&] { return w.requestsFor(3, 0x0600).size() >= 1; }, 8000));
    w.capture().chkWF()->setChecked(false); // one cycle is enough
    ASSERT_TRUE(w.rig.waitFor([&] { return !w.rig.mainForm().scheduler().tickRunning(); }, 3000));

    // The requests in order: instant read, trigger, capture time, then twelve block reads.
    const auto log = w.rig.line.requests();
    ASSERT_GE(log.size(), 15u);
    EXPECT_EQ((log[0].bytes[2] << 8 | log[0].bytes[3]), 0x0130);
    EXPECT_EQ(log[1].bytes, bytes({0x01, 0x05, 0x00, 0x1D, 0xFF, 0x00, 0x1C, 0x3C}));
    EXPECT_EQ((log[2].bytes[2] << 8 | log[2].bytes[3]), 0x0330);
    EXPECT_GE(log[2].time - log[1].time, std::chrono::milliseconds(1900)); // the meter's 2 s
    EXPECT_EQ(log[3].bytes, bytes({0x01, 0x03, 0x03, 0x38, 0x00, 0x20, 0xC5, 0x9B}));
    EXPECT_EQ(log[4].bytes, bytes({0x01, 0x03, 0x03, 0x58, 0x00, 0x61, 0x05, 0xB5}));
    for (int ch = 0; ch < 6; ++ch) {
        const int base = 0x0338 + 0x88 * ch;
        EXPECT_EQ((log[size_t(3 + 2 * ch)].bytes[2] << 8 | log[size_t(3 + 2 * ch)].bytes[3]), base) << ch;
        EXPECT_EQ((log[size_t(4 + 2 * ch)].bytes[2] << 8 | log[size_t(4 + 2 * ch)].bytes[3]), base + 0x20) << ch;
    }
    EXPECT_EQ(panelAtEnd, "Waveform Capture 5 Ok.");

    // The store: headings, gain row, samples 1..31 from the first read, 32..128 from the second.
    QTableWidget* g = w.capture().gridWaveform();
    EXPECT_TRUE(g->isHidden());
    EXPECT_EQ(g->rowCount(), 130);
    EXPECT_EQ(g->columnCount(), 7);
    EXPECT_EQ(g->item(0, 1)->text(), "IA");
    sim::Meter& m = *w.rig.line.meter(1);
    for (int ch = 0; ch < 6; ++ch) {
        const uint16_t base = uint16_t(0x0338 + 0x88 * ch);
        EXPECT_EQ(g->item(1, ch + 1)->text(), QString::number(m.registerValue(base))) << ch;
        for (int k : {1, 31, 32, 64, 65, 128})
            EXPECT_EQ(g->item(k + 1, ch + 1)->text(), QString::number(m.registerValue(uint16_t(base + k)))) << ch << k;
    }
    // Scales from the instant values and the first cycle's RMS: 5 A over 865.33 counts
    // (1200 with a fifth of 20 %), 230 V over 1131.22 counts (1600).
    EXPECT_NEAR(w.capture().WaveformCurrentScale, 0.0057781, 1e-7);
    EXPECT_NEAR(w.capture().WaveformVoltageScale, 0.203319, 1e-6);
    // Capture time and frequency.
    EXPECT_TRUE(w.page->labWaceform(10)->text().endsWith("   14:05:30"));
    EXPECT_EQ(w.page->labWaceform(12)->text(), "50.000  Hz");
    EXPECT_FLOAT_EQ(w.capture().WaveformFrequency, 50.0f);

    // Two cycles of each ticked channel drawn; phasors of a balanced load.
    for (int ch = 0; ch < 6; ++ch) EXPECT_EQ(w.page->picWaveform()->curve(ch).size(), 128u);
    EXPECT_NEAR(w.page->labAngle(V2)->text().toInt(), 120, 1);
    EXPECT_NEAR(w.page->labAngle(IA)->text().toInt(), 30, 1);

    // Meter below 2.1: the harmonic tables come from the capture.
    EXPECT_NEAR(w.gridC.item(1, 6)->text().toDouble(), 20.0 / std::sqrt(1.04), 0.1); // H05 of Ia
    EXPECT_NEAR(w.gridC.item(2, 6)->text().toDouble(), 0.0, 0.1);
    EXPECT_GE(w.chartRedraws, 1);
}

TEST(WaveformCapture, EitherReadFailingEndsTheCaptureWithoutTouchingTheStore) {
    for (int failing : {3, 6}) { // the first read of IB, the second read of IC
        WaveRig w;
        w.selectStill();
        w.rig.link().RetryLimit = 0;
        RawCapture old{};
        for (auto& c : old) c.fill(7);
        w.capture().setSamples(old);
        w.capture().WaveformCurrentScale = 0.25;
        bool redrawn = false;
        w.capture().captureComplete = [&] { redrawn = true; };
        int exchanges = 0;
        QObject::connect(&w.rig.app().master(), &rtu::ModbusMaster::exchangeFinished, [&] {
            if (++exchanges == failing - 1) w.rig.line.injectFault({sim::Fault::Kind::Silence, 0});
        });
        w.capture().CaptureWaveform();
        EXPECT_EQ(w.rig.app().status().panelText(1), "Waveform Capture Error!") << failing;
        EXPECT_EQ(w.rig.line.requests().size(), size_t(failing)) << failing; // nothing after the failure
        EXPECT_FALSE(redrawn);
        EXPECT_EQ(w.capture().samples(), old);
        EXPECT_EQ(w.capture().WaveformCurrentScale, 0.25);
    }
}

TEST(WaveformCapture, ScaleRulesAndAFailedTrigger) {
    sim::WaveformShape shape = sim::WaveformShape::balanced();
    shape.channels[V1].amplitude = 0; // a silent V1 keeps the previous voltage factor
    shape.frequencyUnavailable = true;
    WaveRig w(shape);
    w.selectStill();
    w.rig.meter().MeasuredCurrent1 = 6.0f;
    w.capture().WaveformVoltageScale = 0.5;
    w.capture().ReadWaveformCaptureTime();
    w.capture().CaptureWaveform();
    EXPECT_GT(w.capture().WaveformCurrentScale, 0);
    EXPECT_EQ(w.capture().WaveformVoltageScale, 0.5);
    // 65535: the frequency turns red and still shows its scaled value.
    EXPECT_TRUE(w.capture().frequencyUnavailable());
    EXPECT_EQ(w.page->labWaceform(12)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(w.page->labWaceform(12)->text(), "131.07  Hz");

    // A trigger that gets no answer reports and does not wait.
    w.rig.link().RetryLimit = 0;
    w.rig.line.injectFault({sim::Fault::Kind::Silence, 0});
    w.capture().TriggerWaveformCapture();
    EXPECT_EQ(w.rig.app().status().panelText(1), "Meter [1] Capture Error!");
}

TEST(WaveformCapture, MeterLetGoDuringTheWaitEndsTheCycle) {
    WaveRig w;
    // While the cycle waits for the meter (inside the scheduler's tick), the user goes
    // back to no meter.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!w.requestsFor(5).empty() && !w.rig.app().master().exchangeOutstanding()) {
            w.rig.link().MeterAddress = "xxx";
            watch.stop();
        }
    });
    watch.start(20);
    w.poll(14);
    ASSERT_TRUE(w.rig.waitFor([&] { return w.rig.link().MeterAddress == "xxx"; }, 5000));
    QTest::qWait(2600);
    EXPECT_EQ(w.requestsFor(5).size(), 1u);
    EXPECT_TRUE(w.requestsFor(3, 0x0330).empty());
    EXPECT_TRUE(w.requestsFor(3, 0x0338).empty());
    for (const auto& r : w.rig.line.requests()) EXPECT_NE(r.bytes[0], 0) << "broadcast sent";
    EXPECT_NE(w.rig.app().status().panelText(1), "Meter [xxx] Capture Ok!");
    // Called on their own with no meter, the steps send nothing either.
    const size_t before = w.rig.line.requests().size();
    w.rig.mainForm().scheduler().disable();
    w.capture().TriggerWaveformCapture();
    w.capture().ReadWaveformCaptureTime();
    w.capture().CaptureWaveform();
    QTest::qWait(50);
    EXPECT_EQ(w.rig.line.requests().size(), before);
}

TEST(WaveformCapture, UncheckedEnableSendsNothing) {
    WaveRig w;
    w.capture().chkWF()->setChecked(false);
    w.capture().PhaseAngle[1] = 5;
    w.poll(14);
    QTest::qWait(1000);
    EXPECT_TRUE(w.rig.line.requests().empty());
    EXPECT_EQ(w.capture().PhaseAngle[1], 5.0f);
}

TEST(WaveformCapture, HarmonicPageRunsTheCycleForOldMeters) {
    sim::WaveformShape shape = sim::WaveformShape::balanced();
    shape.channels[V3].harmonics = {{5, 0.1, 0}};
    WaveRig w(shape);
    // Page 21 runs the shared cycle on its own tick (a stand-in for the harmonic page,
    // whose grids the rig replaces).
    struct Page21 : shell::Page {
        shell::PageServices& s;
        explicit Page21(shell::PageServices& services) : s(services) {}
        int16_t index() const override { return 21; }
        QWidget* widget() override { return nullptr; }
        bool hasStepWork() const override { return true; }
        void runStep(int16_t) override { s.RunWaveformSequence(); }
    };
    w.rig.app().adoptPage(std::make_unique<Page21>(w.rig.app().services()));
    w.capture().TriggerWaitSeconds = 0.1;
    w.poll(21);
    ASSERT_TRUE(w.rig.waitFor([&] { return w.gridV.item(3, 6) != nullptr; }, 5000));
    w.capture().chkWF()->setChecked(false);
    EXPECT_NEAR(w.gridV.item(3, 6)->text().toDouble(), 10.0 / std::sqrt(1.01), 0.1);
    EXPECT_NEAR(w.gridV.item(3, 1)->text().toDouble(), 10.0 / std::sqrt(1.01), 0.1);

    // From 2.1 on the meter's own tables stay: nothing computed on the PC.
    WaveRig newer(shape);
    newer.rig.meter().MeterVersion = 2.3f;
    newer.selectStill();
    newer.capture().CaptureWaveform();
    EXPECT_EQ(newer.gridV.item(3, 6), nullptr);
    EXPECT_EQ(newer.chartRedraws, 0);
}
