// Faults on the line during each page's long operation, in the whole program against
// the simulated meter: a fault of every kind lands on each frame in turn. Every fault
// is counted once under "CRC :" or "TO :", no operation ends in " Ok!" after an
// exchange failed, the error is shown, and every operation ends within its bound.
#include "control_pages_rig.h"
#include "sim_setup_pages.h"
#include "tou_rig.h"
#include "trend_rig.h"

#include "config/digital_input_page.h"
#include "config/set_point_page.h"
#include "config/system_function.h"
#include "config/system_function_page.h"
#include "config/user_map.h"
#include "config/user_map_page.h"
#include "monitor/live_widgets.h"
#include "records/trace_page.h"
#include "sim_trace.h"
#include "sim_user_map.h"

#include <QCheckBox>
#include <QFile>
#include <QTableWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <atomic>
#include <gtest/gtest.h>

using K = sim::Fault::Kind;

namespace {

const std::vector<K> kKinds{K::Silence, K::BadCrc, K::Exception, K::WrongAddress, K::ShortReply, K::Noise, K::Echo};

// Puts one fault on the request that follows the n-th request matching `counts`
// (function code, first register) the meter handles once armed.
class FaultAfter {
public:
    FaultAfter(sim::SimLine& line, sim::Meter& meter, std::function<bool(bool write, uint16_t start)> counts)
        : counts_(std::move(counts)) {
        auto previousRead = meter.onRead;
        meter.onRead = [this, &line, previousRead](sim::Meter& m, uint16_t start, uint16_t count) {
            if (previousRead) previousRead(m, start, count);
            seen(line, false, start);
        };
        auto previousWrite = meter.onWrite;
        meter.onWrite = [this, &line, previousWrite](sim::Meter& m, uint16_t start, uint16_t count) {
            if (previousWrite) previousWrite(m, start, count);
            seen(line, true, start);
        };
    }
    void arm(int n, K kind) {
        kind_ = int(kind);
        left_ = n;
    }

private:
    void seen(sim::SimLine& line, bool write, uint16_t start) {
        if (left_ > 0 && counts_(write, start) && --left_ == 0) line.injectFault({K(int(kind_))});
    }
    std::function<bool(bool, uint16_t)> counts_;
    std::atomic<int> left_{0}, kind_{0};
};

// The link's counts against what the line did: one failed attempt per fault, under
// its heading. The status bar counts exchanges that failed on their last attempt: with
// no repeats that is every fault, unless the meter's rate was written (new counts).
void expectEveryFaultCountedOnce(ProgramRig& r, bool countsKept = true) {
    int damaged = 0;
    for (K k : kKinds) damaged += k == K::Silence ? 0 : r.line.faultsInjected(k);
    const int silent = r.line.faultsInjected(K::Silence);
    EXPECT_GT(damaged + silent, 0);
    const auto& stats = r.app().master().stats();
    EXPECT_EQ(stats.crcFailed, damaged);
    EXPECT_EQ(stats.timedOut, silent);
    EXPECT_EQ(stats.good + stats.crcFailed + stats.timedOut + stats.lineErrors, stats.exchanges);
    auto panel = [&](const char* name) { return r.mainForm().findChild<QLabel*>(name)->text(); };
    EXPECT_EQ(panel("StatusBar1_Panel4"), QString("CRC : %1").arg(countsKept ? damaged : r.link().CrcErrorCount));
    EXPECT_EQ(panel("StatusBar1_Panel5"), QString("TO : %1").arg(countsKept ? silent : r.link().TimeoutCount));
}

int errorBoxes(const ScriptedPrompter& ui) {
    int n = 0;
    for (const auto& b : ui.boxes) n += b.text.endsWith(" Error!");
    return n;
}

bool isWrite(const sim::Request& q) { return q.bytes.size() > 4 && (q.bytes[1] == 0x10 || q.bytes[1] == 0x70); }

} // namespace

TEST(PageFaultSoak, DigitalInputAndSetPointFramesStopAtAFaultAndReportIt) {
    ControlPagesRig r(ControlPagesRig::withOptions(0x1F), 300, sim::installSetupPages);
    sim::Meter& meter = *r.line.meter(1);
    FaultAfter fault(r.line, meter, [](bool write, uint16_t) { return write; });
    ASSERT_TRUE(r.selectMeter());
    r.link().RetryLimit = 0; // every fault fails its exchange
    r.choose(config::DigitalInputPageIndex);
    auto& di = *static_cast<config::DigitalInputPage*>(r.app().page(config::DigitalInputPageIndex));
    ASSERT_TRUE(r.waitFor([&] { return di.obDI2(2)->isChecked(); }));

    // The k-th of the eight frames fails: nothing after it goes out, the error box is shown.
    for (int k = 1; k < 8; ++k) {
        const K kind = kKinds[size_t(k - 1)];
        di.obDI2(3 * 4 + (k % 2))->click();
        r.line.clearLog();
        const int errors = errorBoxes(r.ui);
        fault.arm(k, kind);
        r.ui.answerNext(common::AnswerYes);
        QTest::mouseClick(di.cmdDI(), Qt::LeftButton);
        ASSERT_TRUE(r.waitFor([&] { return errorBoxes(r.ui) == errors + 1; }, 15000)) << k;
        EXPECT_EQ(r.ui.boxes.back().text, QString("Meter [1] Setting Digital Input %1 Error!").arg(k));
        EXPECT_FALSE(r.panel1().endsWith("Ok!")) << k;
        ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == config::DigitalInputLiveStep; }, 15000));
        int writes = 0;
        for (const auto& q : r.line.requests()) writes += isWrite(q);
        EXPECT_EQ(writes, k + 1) << k;
        EXPECT_TRUE(r.page().SetupModified);
    }
    // Without a fault the same edits go out whole.
    r.ui.answerNext(common::AnswerYes);
    QTest::mouseClick(di.cmdDI(), Qt::LeftButton);
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setting Digital Input 7 Ok!"; }, 15000));
    EXPECT_EQ(meter.registerValue(0x20B9), 1);
    ASSERT_TRUE(r.waitFor([&] { return !r.page().SetupModified; })); // read back

    // Set points with a trigger changed: nine frames; a failed one ends in the error box, never in " Ok!".
    r.choose(config::SetPointPageIndex);
    auto& sp = *static_cast<config::SetPointPage*>(r.app().page(config::SetPointPageIndex));
    ASSERT_TRUE(r.waitFor([&] { return sp.txtSPP(0)->text() == "110"; }));
    sp.cbSPFunction()->setFocus();
    QTest::keyClick(sp.cbSPFunction(), Qt::Key_End); // the last function: a digital input's status
    ASSERT_TRUE(r.waitFor([&] { return sp.frmSP(1)->isVisible() && r.page().PageStep == config::SetPointIdleStep; }));
    for (int k = 1; k < 8; k += 3) {
        sp.obSPS(3 * 7 + 1 + k % 2)->click();
        const int errors = errorBoxes(r.ui);
        fault.arm(k, kKinds[size_t(k) % kKinds.size()]);
        r.ui.answerNext(common::AnswerYes);
        QTest::mouseClick(sp.cmdSP(), Qt::LeftButton);
        ASSERT_TRUE(r.waitFor([&] { return errorBoxes(r.ui) == errors + 1; }, 15000)) << k;
        EXPECT_FALSE(r.panel1().endsWith("Ok!")) << k;
        ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == config::SetPointIdleStep; }, 15000));
    }
    expectEveryFaultCountedOnce(r);
}

TEST(PageFaultSoak, TouSetupAndUploadShowTheirErrorAtEveryFrame) {
    TouRig r;
    sim::Meter& meter = *r.line.meter(1);
    FaultAfter fault(r.line, meter, [](bool write, uint16_t) { return write; });
    r.link().RetryLimit = 0;
    r.openSetupTab();
    tou::TouPage& p = r.page25();
    QLineEdit* bill = p.txtTOUBillDate();
    bill->clear();
    QTest::keyClicks(bill, "27");

    // The k-th of the ten frames fails.
    for (int k = 1; k < 10; ++k) {
        const int errors = errorBoxes(r.ui);
        r.page().Ticks.KeyLockTicks = 0;
        fault.arm(k, kKinds[size_t(k % kKinds.size())]);
        r.ui.answerNext(common::AnswerYes);
        QTest::mouseClick(p.cmdTOUC(1), Qt::LeftButton);
        ASSERT_TRUE(r.waitFor([&] { return errorBoxes(r.ui) == errors + 1; }, 20000)) << k;
        EXPECT_EQ(r.ui.boxes.back().text, "Meter [1] Setup TOU Error!");
        EXPECT_NE(r.app().status().panelText(1), "Meter [1] Setup TOU Ok!");
        EXPECT_TRUE(r.page().SetupModified);
        EXPECT_TRUE(p.tabTOU(2)->isEnabled());
    }

    // The upload after "No": a fault on any of its reads shows its error naming the
    // schedule, and "Upload TOU" reads it again.
    FaultAfter readFault(r.line, meter, [](bool write, uint16_t start) { return !write && start >= 0x2250; });
    for (int k = 1; k <= 4; ++k) {
        ASSERT_TRUE(r.waitFor([&] { return !p.tables().TOUUploadPending; }, 20000));
        r.page().Ticks.KeyLockTicks = 0;
        readFault.arm(k, kKinds[size_t(k)]);
        r.ui.answerNext(common::AnswerNo);
        QTest::mouseClick(p.cmdTOUC(1), Qt::LeftButton);
        // The fault lands on the request after the k-th read: schedule k + 1.
        const QString failed = "Meter [1] Upload Schedule " + QString::number(k + 1) + " Error!";
        ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == failed; }, 20000)) << k;
        EXPECT_FALSE(p.tabTOU(2)->isEnabled());
        QTest::mouseClick(p.cmdTOUC(0), Qt::LeftButton);
    }
    ASSERT_TRUE(r.waitFor([&] { return !p.tables().TOUUploadPending; }, 20000));
    EXPECT_EQ(r.app().status().panelText(1), "Upload Calendar 20 OK.");
    expectEveryFaultCountedOnce(r);
}

TEST(PageFaultSoak, TrendDownloadLeavesAFailedBlockEmptyAndSaysSo) {
    TrendRig t(false, {.records = 960, .analogRange = 5000});
    sim::Meter& meter = t.meter();
    // The third block of the 960 records' download (96 each) fails.
    FaultAfter fault(t.rig.line, meter,
                     [](bool write, uint16_t start) { return !write && start >= 0x0681 && start < 0x0A41; });
    t.rig.link().RetryLimit = 0;
    fault.arm(2, K::BadCrc);
    t.rig.mainForm().txtAddress()->setText("1");
    t.rig.page().AddressEdited = true;
    t.rig.app().services().txtAddress_LostFocus();
    ASSERT_TRUE(t.rig.waitFor([&] { return t.rig.link().meterSelected() && t.rig.meter().MeterVersion > 0; }));
    int16_t index = records::TrendPageIndex;
    t.rig.mainForm().optProgram_Click(index);
    ASSERT_TRUE(t.rig.waitFor([&] { return t.panel() == "Meter [1] " + records::kLoadTrendErrorWords; }, 30000));
    ASSERT_TRUE(t.rig.waitFor([&] { return t.page->widget()->isEnabled(); }, 30000));
    EXPECT_FALSE(t.data(1).isEmpty());
    EXPECT_FALSE(t.data(192).isEmpty());
    EXPECT_TRUE(t.data(193).isEmpty());
    EXPECT_TRUE(t.data(288).isEmpty());
    EXPECT_FALSE(t.data(289).isEmpty());
    EXPECT_FALSE(t.data(960).isEmpty());
    expectEveryFaultCountedOnce(t.rig);
}

TEST(PageFaultSoak, SystemFunctionAndMapDownloadsEndInErrorAfterAFault) {
    ControlPagesRig r(ControlPagesRig::withOptions(0x1F), 300, [](sim::Meter& m) { sim::installUserMap(m); });
    sim::Meter& meter = *r.line.meter(1);
    FaultAfter fault(r.line, meter, [](bool write, uint16_t) { return write; });
    ASSERT_TRUE(r.selectMeter());
    r.choose(config::SystemFunctionPageIndex);
    auto& sf = *static_cast<config::SystemFunctionPage*>(r.app().page(config::SystemFunctionPageIndex));
    auto idle = [&] { return r.page().PageStep == 4 && sf.cmdSF(0)->isEnabled(); };
    ASSERT_TRUE(r.waitFor(idle, 30000));
    const QString file = r.folder() + "/meter.SF";
    r.ui.fileNext(file);
    QTest::mouseClick(sf.cmdSF(0), Qt::LeftButton); // "Save"
    ASSERT_TRUE(r.waitFor([&] { return QFile::exists(file) && idle(); }, 30000));

    // The k-th of the 46 writes fails: the download ends in its error box, never "ok".
    r.link().RetryLimit = 0;
    for (int k : {1, 23, 44}) {
        const int errors = errorBoxes(r.ui);
        fault.arm(k, kKinds[size_t(k) % kKinds.size()]);
        r.ui.answerNext(common::AnswerYes);
        r.ui.fileNext(file);
        QTest::mouseClick(sf.cmdSF(1), Qt::LeftButton);
        ASSERT_TRUE(r.waitFor([&] { return errorBoxes(r.ui) > errors && idle(); }, 60000)) << k;
        EXPECT_EQ(r.ui.boxes.back().text, "Meter [1] Download System Function Error!");
        EXPECT_FALSE(r.panel1().startsWith("Meter [1] Download System Function ok")) << k;
    }

    // The map file's slots: a fault on one fails the download, which says so.
    r.choose(config::UserMapPageIndex);
    auto& map = *static_cast<config::UserMapPage*>(r.app().page(config::UserMapPageIndex));
    ASSERT_TRUE(r.waitFor([&] { return monitor::gridText(map.gridMapping(), 55, 2) == "2002"; }, 15000));
    const QString mapFile = r.folder() + "/meter.Map";
    QFile f(mapFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("0140\r\n0141\r\n0142\r\n0143\r\n");
    f.close();
    for (int k : {1, 2}) {
        const int errors = errorBoxes(r.ui);
        fault.arm(k, kKinds[size_t(k)]);
        r.ui.answerNext(common::AnswerYes);
        r.ui.fileNext(mapFile);
        QTest::mouseClick(map.cmdMapping(0), Qt::LeftButton);
        ASSERT_TRUE(r.waitFor([&] { return errorBoxes(r.ui) > errors && r.mainForm().isEnabled(); }, 20000)) << k;
        EXPECT_EQ(r.ui.boxes.back().text, "Meter [1] Download Mapping File Error!");
        EXPECT_FALSE(r.panel1().endsWith("ok ! ")) << k;
    }
    expectEveryFaultCountedOnce(r, false);
}

TEST(PageFaultSoak, TraceLoadEndsAtAFailedBlockWithItsError) {
    ControlPagesRig r(ControlPagesRig::withOptions(0x2D), 300, [](sim::Meter& m) {
        sim::TraceShape shape;
        shape.counter = 4;
        sim::installTrace(m, shape);
    });
    sim::Meter& meter = *r.line.meter(1);
    FaultAfter fault(r.line, meter, [](bool write, uint16_t start) { return !write && start >= 0x10C2 && start < 0x2000; });
    ASSERT_TRUE(r.selectMeter());
    r.choose(records::TracePageIndex);
    auto& page = *static_cast<records::TracePage*>(r.app().page(records::TracePageIndex));
    ASSERT_TRUE(r.waitFor([&] { return page.labTraceC()->text() == "4"; }, 10000));
    page.sstTriggered()->setCurrentIndex(1);
    for (int ch = 0; ch < 6; ++ch) page.chkTM(ch)->click();
    r.link().RetryLimit = 0;
    for (int k : {3, 40}) {
        const int errors = errorBoxes(r.ui);
        fault.arm(k, kKinds[size_t(k) % kKinds.size()]);
        QTest::mouseClick(page.cmdTrace(0), Qt::LeftButton); // "Load Group 1"
        ASSERT_TRUE(r.waitFor([&] { return errorBoxes(r.ui) > errors && !page.loadingLabel()->isVisible(); }, 40000))
            << k;
        EXPECT_EQ(r.ui.boxes.back().text, "Meter [1] Load Group 1 Error!");
        EXPECT_FALSE(page.groupHeld(0));
        EXPECT_TRUE(page.frmTM(0)->isEnabled());
    }
    expectEveryFaultCountedOnce(r);
}

TEST(PageFaultSoak, RandomFaultsNeverLeaveAWriteUnreportedOrHalfDone) {
    ControlPagesRig r(ControlPagesRig::withOptions(0x1F), 300, sim::installSetupPages);
    sim::Meter& meter = *r.line.meter(1);
    ASSERT_TRUE(r.selectMeter());
    r.choose(config::DigitalInputPageIndex);
    auto& di = *static_cast<config::DigitalInputPage*>(r.app().page(config::DigitalInputPageIndex));
    ASSERT_TRUE(r.waitFor([&] { return di.obDI2(2)->isChecked(); }));
    r.link().RetryLimit = 1; // one repeat: some writes get through a fault, some fail
    r.line.setRandomFaults(20261207, 0.2, kKinds);
    // DI 5's trigger flips each round (register 0x20B9: 1 "Active to Deactive", 2 "Both"):
    // either the error box is shown and the edit kept, or the meter holds it.
    for (int round = 0; round < 12; ++round) {
        const uint16_t wanted = uint16_t(1 + round % 2);
        di.obDI2(3 * 4 + int(wanted))->click();
        ASSERT_TRUE(r.page().SetupModified);
        const int boxes = errorBoxes(r.ui);
        r.ui.answerNext(common::AnswerYes);
        QTest::mouseClick(di.cmdDI(), Qt::LeftButton);
        ASSERT_TRUE(r.waitFor([&] {
            return errorBoxes(r.ui) > boxes ||
                   (!r.page().SetupModified && r.page().PageStep == config::DigitalInputLiveStep);
        }, 30000)) << round;
        if (errorBoxes(r.ui) > boxes) {
            EXPECT_TRUE(r.page().SetupModified) << round;
            EXPECT_FALSE(r.panel1().endsWith("Ok!")) << round;
        } else {
            EXPECT_EQ(meter.registerValue(0x20B9), wanted) << round;
        }
    }
    r.line.setRandomFaults(1, 0.0, {});
    expectEveryFaultCountedOnce(r, false);
}
