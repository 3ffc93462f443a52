// Faults on the line during each page's long operation, in the whole program against
// the simulated meter. Every frame position of each operation gets a fault in some
// run, the kinds rotating with the position so that every kind lands on every
// operation: the digital-input and set-point writes, "Setup TOU" and the time-of-use
// upload, the trend download, the trace group load, and the system function and map
// downloads. Every fault is counted once under "CRC :" or "TO :", no operation ends
// in " Ok!" after an exchange failed, the error is shown, nothing is sent after the
// frame that ends an operation, and every operation ends within its bound.
//
// The meter's pauses and the reply time-out are shortened and the link makes no
// repeats, so every fault fails its exchange and the soak stays short; the longer
// operations are split over several tests that ctest runs side by side.
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
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

using K = sim::Fault::Kind;
using Frame = std::vector<uint8_t>;

namespace {

// The kinds that fail an exchange. A reply that is only split or slow within the
// frame gap stays intact; those are the link's own soak.
const std::vector<K> kKinds{K::Silence, K::BadCrc, K::Exception, K::WrongAddress, K::ShortReply, K::Noise, K::Echo};

// The kind for a frame position when each run has one fault: the kinds take turns
// along the positions, so an operation of seven frames or more gets every kind.
K kindAt(int position) { return kKinds[size_t(position - 1) % kKinds.size()]; }

// Puts faults on frames of one long operation by their position in it. Counting
// begins, once armed, at the first request that `first` recognises as the
// operation's; a request the same as the one before it is the operation's own
// repeat of that frame and takes no position. Several runs can be armed at once:
// once a run's faults have all landed, the next run begins at the next request
// `first` recognises (an operation that starts again by itself).
class FrameFaults {
public:
    using Run = std::map<int, K>; // position (1 = the operation's first frame) -> kind

    FrameFaults(sim::SimLine& line, std::function<bool(const Frame&)> first) : line_(line), first_(std::move(first)) {
        line_.setFaultChooser([this](const Frame& f) { return choose(f); });
    }
    ~FrameFaults() { line_.setFaultChooser({}); }
    FrameFaults(const FrameFaults&) = delete;
    FrameFaults& operator=(const FrameFaults&) = delete;

    void arm(std::vector<Run> runs) {
        std::lock_guard<std::mutex> lock(mutex_);
        runs_.assign(runs.begin(), runs.end());
        std::erase_if(runs_, [](const Run& run) { return run.empty(); });
        counting_ = false;
    }
    void arm(int position) { arm({Run{{position, kindAt(position)}}}); }
    // Faults armed whose frame has not come (yet).
    size_t pending() const {
        std::lock_guard<std::mutex> lock(mutex_);
        size_t n = 0;
        for (const Run& run : runs_) n += run.size();
        return n;
    }

private:
    std::optional<sim::Fault> choose(const Frame& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (runs_.empty()) return std::nullopt;
        if (!counting_) {
            if (!first_(f)) return std::nullopt;
            counting_ = true;
            position_ = 0;
            last_.clear();
        }
        if (f == last_) return std::nullopt;
        last_ = f;
        Run& run = runs_.front();
        const auto it = run.find(++position_);
        if (it == run.end()) return std::nullopt;
        const sim::Fault fault{it->second, 0};
        run.erase(it);
        if (run.empty()) {
            runs_.pop_front();
            counting_ = false;
        }
        return fault;
    }

    sim::SimLine& line_;
    std::function<bool(const Frame&)> first_;
    mutable std::mutex mutex_;
    std::deque<Run> runs_;
    bool counting_ = false;
    int position_ = 0;
    Frame last_;
};

uint16_t startOf(const Frame& f) { return uint16_t(f[2] << 8 | f[3]); }
bool isWrite(const Frame& f) { return f.size() > 4 && (f[1] == 0x10 || f[1] == 0x70); }
bool isRead(const Frame& f) { return f.size() == 8 && f[1] == 0x03; }

// Only a silent meter waits for the whole time-out, and only a seventh of the
// positions are silent: a margin that a healthy reply starved on a busy machine under
// a sanitizer still beats costs little.
constexpr int kReplyTimeoutMs = 500;

// The link gives up at the first failed attempt and the meter's pauses (save-config,
// trace channel select) are a hundredth of theirs.
void quicken(rtu::LinkState& link) {
    link.RetryLimit = 0;
    link.ReplyTimeoutMs = kReplyTimeoutMs;
    link.MeterPauseScale = 0.01;
}

struct Counts {
    int crc = 0, timeouts = 0;
};

// The link's counts against what the line did: one failed attempt per fault, under
// its heading. The status bar counts exchanges that failed on their last attempt: with
// no repeats that is every fault, unless `shown` tells otherwise.
void expectEveryFaultCountedOnce(ProgramRig& r, std::optional<Counts> shown = std::nullopt) {
    int damaged = 0;
    for (K k : kKinds) damaged += k == K::Silence ? 0 : r.line.faultsInjected(k);
    const int silent = r.line.faultsInjected(K::Silence);
    EXPECT_GT(damaged + silent, 0);
    const auto& stats = r.app().master().stats();
    EXPECT_EQ(stats.crcFailed, damaged);
    EXPECT_EQ(stats.timedOut, silent);
    EXPECT_EQ(stats.good + stats.crcFailed + stats.timedOut + stats.lineErrors, stats.exchanges);
    const Counts counts = shown.value_or(Counts{damaged, silent});
    auto panel = [&](const char* name) { return r.mainForm().findChild<QLabel*>(name)->text(); };
    EXPECT_EQ(panel("StatusBar1_Panel4"), QString("CRC : %1").arg(counts.crc));
    EXPECT_EQ(panel("StatusBar1_Panel5"), QString("TO : %1").arg(counts.timeouts));
}

// Every kind landed at least once.
void expectEveryKind(const sim::SimLine& line) {
    for (K k : kKinds) EXPECT_GT(line.faultsInjected(k), 0) << int(k);
}

// A part of an operation's positions, a run each: every fault counted once, and
// every kind landed when the part has seven positions or more.
void expectPartCounted(ProgramRig& r, int first, int last) {
    expectEveryFaultCountedOnce(r);
    if (last - first + 1 >= int(kKinds.size())) expectEveryKind(r.line);
}

int errorBoxes(const ScriptedPrompter& ui) {
    int n = 0;
    for (const auto& b : ui.boxes) n += b.text.endsWith(" Error!");
    return n;
}

int count(const sim::SimLine& line, const std::function<bool(const Frame&)>& which) {
    int n = 0;
    for (const auto& q : line.requests()) n += which(q.bytes);
    return n;
}

} // namespace

// Digital inputs: eight frames, one per input; a failed one ends the write with its
// box. Set points: the function's block, which ends the write when it fails, and the
// eight digital inputs' triggers, which all go out, a failure among them reported
// at the end. The edits are kept.
TEST(PageFaultSoak, DigitalInputAndSetPointWritesFailAtEveryFrame) {
    ControlPagesRig r(ControlPagesRig::withOptions(0x1F), 300, sim::installSetupPages);
    FrameFaults faults(r.line, isWrite);
    ASSERT_TRUE(r.selectMeter());
    quicken(r.link());
    r.choose(config::DigitalInputPageIndex);
    auto& di = *static_cast<config::DigitalInputPage*>(r.app().page(config::DigitalInputPageIndex));
    ASSERT_TRUE(r.waitFor([&] { return di.obDI2(2)->isChecked(); }));

    for (int k = 1; k <= 8; ++k) {
        di.obDI2(3 * 4 + (k % 2))->click();
        r.line.clearLog();
        const int errors = errorBoxes(r.ui);
        faults.arm(k);
        r.ui.answerNext(common::AnswerYes);
        QTest::mouseClick(di.cmdDI(), Qt::LeftButton);
        ASSERT_TRUE(r.waitFor([&] { return errorBoxes(r.ui) == errors + 1; }, 15000)) << k;
        EXPECT_EQ(r.ui.boxes.back().text, QString("Meter [1] Setting Digital Input %1 Error!").arg(k - 1));
        EXPECT_FALSE(r.panel1().endsWith("Ok!")) << k;
        ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == config::DigitalInputLiveStep; }, 15000));
        EXPECT_EQ(count(r.line, isWrite), k) << k;
        EXPECT_TRUE(r.page().SetupModified);
        EXPECT_EQ(faults.pending(), 0u);
    }
    // Without a fault the same edits go out whole.
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    QTest::mouseClick(di.cmdDI(), Qt::LeftButton);
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setting Digital Input 7 Ok!"; }, 15000));
    EXPECT_EQ(count(r.line, isWrite), 8);
    EXPECT_EQ(r.line.meter(1)->registerValue(0x20B9), 0); // DI 5's trigger as the last run left it
    ASSERT_TRUE(r.waitFor([&] { return !r.page().SetupModified; })); // read back

    // Set points with a trigger changed: nine frames.
    r.choose(config::SetPointPageIndex);
    auto& sp = *static_cast<config::SetPointPage*>(r.app().page(config::SetPointPageIndex));
    ASSERT_TRUE(r.waitFor([&] { return sp.txtSPP(0)->text() == "110"; }));
    sp.cbSPFunction()->setFocus();
    QTest::keyClick(sp.cbSPFunction(), Qt::Key_End); // the last function: a digital input's status
    ASSERT_TRUE(r.waitFor([&] { return sp.frmSP(1)->isVisible() && r.page().PageStep == config::SetPointIdleStep; }));
    for (int k = 1; k <= 9; ++k) {
        sp.obSPS(3 * 7 + 1 + k % 2)->click();
        r.line.clearLog();
        const int errors = errorBoxes(r.ui);
        faults.arm(k);
        r.ui.answerNext(common::AnswerYes);
        QTest::mouseClick(sp.cmdSP(), Qt::LeftButton);
        ASSERT_TRUE(r.waitFor([&] { return errorBoxes(r.ui) == errors + 1; }, 15000)) << k;
        EXPECT_FALSE(r.panel1().endsWith("Ok!")) << k;
        ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == config::SetPointIdleStep; }, 15000));
        // The function's block ends the write; the eight triggers all go out, and one
        // that failed is reported at the end.
        EXPECT_EQ(count(r.line, isWrite), k == 1 ? 1 : 9) << k;
        EXPECT_TRUE(r.page().SetupModified);
        EXPECT_EQ(faults.pending(), 0u);
    }
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    QTest::mouseClick(sp.cmdSP(), Qt::LeftButton);
    ASSERT_TRUE(r.waitFor([&] { return r.panel1().endsWith(" Ok!"); }, 15000));
    ASSERT_TRUE(r.waitFor([&] { return !r.page().SetupModified; }, 15000));
    EXPECT_EQ(count(r.line, isWrite), 9);
    expectEveryFaultCountedOnce(r);
    expectEveryKind(r.line);
}

// "Setup TOU" for the meter's two years: ten frames, two a year and then the six
// schedules. Each failure ends the write with its box; the edit is kept.
TEST(PageFaultSoak, TouSetupFailsAtEveryFrame) {
    TouRig r;
    FrameFaults faults(r.line, isWrite);
    quicken(r.link());
    r.openSetupTab();
    tou::TouPage& p = r.page25();
    QLineEdit* bill = p.txtTOUBillDate();
    bill->clear();
    QTest::keyClicks(bill, "27");

    for (int k = 1; k <= 10; ++k) {
        const int errors = errorBoxes(r.ui);
        r.line.clearLog();
        r.page().Ticks.KeyLockTicks = 0;
        faults.arm(k);
        r.ui.answerNext(common::AnswerYes);
        QTest::mouseClick(p.cmdTOUC(1), Qt::LeftButton);
        ASSERT_TRUE(r.waitFor([&] { return errorBoxes(r.ui) == errors + 1; }, 20000)) << k;
        EXPECT_EQ(r.ui.boxes.back().text, "Meter [1] Setup TOU Error!");
        EXPECT_NE(r.app().status().panelText(1), "Meter [1] Setup TOU Ok!");
        EXPECT_EQ(count(r.line, isWrite), k) << k;
        EXPECT_TRUE(r.page().SetupModified);
        EXPECT_TRUE(p.tabTOU(2)->isEnabled());
        EXPECT_EQ(faults.pending(), 0u);
    }
    r.line.clearLog();
    r.page().Ticks.KeyLockTicks = 0;
    r.ui.answerNext(common::AnswerYes);
    QTest::mouseClick(p.cmdTOUC(1), Qt::LeftButton);
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Setup TOU Ok!"; }, 20000));
    EXPECT_EQ(count(r.line, isWrite), 10);
    EXPECT_EQ(r.line.meter(1)->registerValue(0x2310 + 78), 27); // the first year's bill day
    expectEveryFaultCountedOnce(r);
    expectEveryKind(r.line);
}

// The upload of the time-of-use tables that follows "No" to "Setup TOU": 26 reads,
// six schedules and twenty calendar slots. A failed read ends it with an error that
// names the schedule or slot, and the tables stay out of reach until "Upload TOU"
// reads them again; that upload takes the fault at the next position, until one
// reads them whole.
TEST(PageFaultSoak, TouUploadFailsAtEveryReadAndIsReadAgain) {
    TouRig r;
    auto isUploadRead = [](const Frame& f) { return isRead(f) && startOf(f) >= 0x2250; };
    FrameFaults faults(r.line, isUploadRead);
    quicken(r.link());
    r.openSetupTab();
    tou::TouPage& p = r.page25();
    ASSERT_TRUE(r.waitFor([&] { return !p.tables().TOUUploadPending; }, 20000));
    std::vector<FrameFaults::Run> runs;
    for (int k = 1; k <= 26; ++k) runs.push_back({{k, kindAt(k)}});
    faults.arm(runs);
    // Each failed upload shows its error; the tables are never reachable in between.
    QStringList errorsShown;
    bool reachable = false;
    QString before;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const QString now = r.app().status().panelText(1);
        if (now.startsWith("Meter [1] Upload ") && now.endsWith(" Error!") && now != before) {
            errorsShown << now;
            QTimer::singleShot(0, [&] { QTest::mouseClick(p.cmdTOUC(0), Qt::LeftButton); }); // "Upload TOU"
        }
        before = now;
        const size_t left = faults.pending();
        reachable = reachable || (left > 0 && left < 26 && p.tabTOU(2)->isEnabled());
    });
    watch.start(2);
    r.line.clearLog();
    r.page().Ticks.KeyLockTicks = 0;
    r.ui.answerNext(common::AnswerNo);
    QTest::mouseClick(p.cmdTOUC(1), Qt::LeftButton);
    ASSERT_TRUE(r.waitFor([&] { return faults.pending() == 0 && !p.tables().TOUUploadPending; }, 60000));
    watch.stop();
    ASSERT_EQ(errorsShown.size(), 26);
    EXPECT_EQ(errorsShown[0], "Meter [1] Upload Schedule 1 Error!");
    EXPECT_EQ(errorsShown[5], "Meter [1] Upload Schedule 6 Error!");
    EXPECT_EQ(errorsShown[6], "Meter [1] Upload Calendar 1 Error!");
    EXPECT_EQ(errorsShown[25], "Meter [1] Upload Calendar 20 Error!");
    EXPECT_FALSE(reachable);
    EXPECT_EQ(r.app().status().panelText(1), "Upload Calendar 20 OK.");
    EXPECT_TRUE(p.tabTOU(2)->isEnabled());
    // Upload k stopped at its k-th read; the last one read all 26.
    std::vector<int> lengths;
    for (const auto& q : r.line.requests()) {
        if (!isUploadRead(q.bytes)) continue;
        // A read before the first upload's first is a count gone wrong, shown as a run.
        if (startOf(q.bytes) == 0x2250 || lengths.empty()) lengths.push_back(0);
        ++lengths.back();
    }
    std::vector<int> wanted;
    for (int k = 1; k <= 26; ++k) wanted.push_back(k);
    wanted.push_back(26);
    EXPECT_EQ(lengths, wanted);
    expectEveryFaultCountedOnce(r);
    expectEveryKind(r.line);
}

// The trend download of 960 records: ten reads of 96. A failed block stays empty,
// the others are shown, and the download says it failed; the next status read
// (forced here instead of waiting a minute) downloads again.
TEST(PageFaultSoak, TrendDownloadLeavesTheFailedBlockEmptyAtEveryRead) {
    TrendRig t(false, {.records = 960, .analogRange = 5000});
    ProgramRig& r = t.rig;
    auto isDataRead = [](const Frame& f) { return isRead(f) && startOf(f) >= 0x0681 && startOf(f) < 0x0A41; };
    FrameFaults faults(r.line, isDataRead);
    r.mainForm().txtAddress()->setText("1");
    r.page().AddressEdited = true;
    r.app().services().txtAddress_LostFocus();
    ASSERT_TRUE(r.waitFor([&] { return r.link().meterSelected() && r.meter().MeterVersion > 0; }));
    quicken(r.link());
    auto blockShown = [&](int block) { return !t.data(96 * block + 1).isEmpty() && !t.data(96 * block + 96).isEmpty(); };
    auto blockEmpty = [&](int block) { return t.data(96 * block + 1).isEmpty() && t.data(96 * block + 96).isEmpty(); };
    for (int k = 1; k <= 10; ++k) {
        r.line.clearLog();
        faults.arm(k);
        if (k == 1) {
            int16_t index = records::TrendPageIndex;
            r.mainForm().optProgram_Click(index);
        } else {
            r.page().Ticks.MinuteTicks = common::TickCounters::MinuteCap; // the status read now
        }
        ASSERT_TRUE(r.waitFor([&] { return blockEmpty(k - 1) && blockShown(k == 1 ? 1 : k - 2); }, 20000)) << k;
        ASSERT_TRUE(r.waitFor([&] { return t.page->widget()->isEnabled(); }, 20000));
        EXPECT_EQ(t.panel(), "Meter [1] " + records::kLoadTrendErrorWords) << k;
        for (int b = 0; b < 10; ++b) EXPECT_EQ(blockShown(b), b != k - 1) << k << " " << b;
        EXPECT_EQ(count(r.line, isDataRead), 10) << k;
        EXPECT_EQ(faults.pending(), 0u);
    }
    r.page().Ticks.MinuteTicks = common::TickCounters::MinuteCap;
    ASSERT_TRUE(r.waitFor([&] { return blockShown(9) && t.page->widget()->isEnabled(); }, 20000));
    EXPECT_NE(t.panel(), "Meter [1] " + records::kLoadTrendErrorWords);
    expectEveryFaultCountedOnce(r);
    expectEveryKind(r.line);
}

namespace {

bool isSelect(const Frame& f) { return isWrite(f) && startOf(f) == 0x2203; }
bool isBlock(const Frame& f) { return isRead(f) && startOf(f) >= 0x10C2 && startOf(f) < 0x2000; }

// Page 13 of a 2.30 meter (a 2048-sample store in four groups, four triggers so
// far) with all six channels chosen for "Load Group 1".
struct TraceLoadRig : ControlPagesRig {
    records::TracePage* page = nullptr;
    bool ready = false;

    TraceLoadRig()
        : ControlPagesRig(withOptions(0x2D), 300, [](sim::Meter& m) {
              sim::TraceShape shape;
              shape.counter = 4;
              sim::installTrace(m, shape);
          }) {
        if (!selectMeter()) return;
        choose(records::TracePageIndex);
        page = static_cast<records::TracePage*>(app().page(records::TracePageIndex));
        if (!waitFor([&] { return page->labTraceC()->text() == "4"; }, 10000)) return;
        page->sstTriggered()->setCurrentIndex(1);
        for (int ch = 0; ch < 6; ++ch) page->chkTM(ch)->click();
        quicken(link());
        ready = true;
    }
    void load() { QTest::mouseClick(page->cmdTrace(0), Qt::LeftButton); } // "Load Group 1"
};

// "Load Group 1": for each of the six channels its select (0x2203), the trace
// header and eight blocks of 64 samples, 60 frames. The load ends at the frame that
// fails, with its box; the group is not held. Positions first..last each get a
// fault in a run of their own.
void traceLoadFailsAt(int first, int last) {
    TraceLoadRig r;
    ASSERT_TRUE(r.ready);
    FrameFaults faults(r.line, isSelect);
    for (int k = first; k <= last; ++k) {
        const int errors = errorBoxes(r.ui);
        r.line.clearLog();
        faults.arm(k);
        r.load();
        ASSERT_TRUE(r.waitFor([&] { return errorBoxes(r.ui) > errors && !r.page->loadingLabel()->isVisible(); }, 40000))
            << k;
        EXPECT_EQ(r.ui.boxes.back().text, "Meter [1] Load Group 1 Error!") << k;
        EXPECT_FALSE(r.page->groupHeld(0));
        EXPECT_TRUE(r.page->frmTM(0)->isEnabled());
        // Nothing after the failed frame: channel c's frame j (0 select, 1 header, 2.. blocks).
        const int channel = (k - 1) / 10, j = (k - 1) % 10;
        EXPECT_EQ(count(r.line, isSelect), channel + 1) << k;
        EXPECT_EQ(count(r.line, isBlock), 8 * channel + std::max(0, j - 1)) << k;
        EXPECT_EQ(faults.pending(), 0u);
    }
    expectPartCounted(r, first, last);
}

} // namespace

// Split so that each part takes about as long (a later frame is a longer run).
TEST(PageFaultSoak, TraceLoadFailsAtFrames1To25) { traceLoadFailsAt(1, 25); }
TEST(PageFaultSoak, TraceLoadFailsAtFrames26To39) { traceLoadFailsAt(26, 39); }
TEST(PageFaultSoak, TraceLoadFailsAtFrames40To50) { traceLoadFailsAt(40, 50); }
TEST(PageFaultSoak, TraceLoadFailsAtFrames51To60) { traceLoadFailsAt(51, 60); }

// A whole trace group loads in 60 frames: the positions above are all of them.
TEST(PageFaultSoak, TraceLoadWithoutAFaultTakesSixtyFrames) {
    TraceLoadRig r;
    ASSERT_TRUE(r.ready);
    r.line.clearLog();
    r.load();
    ASSERT_TRUE(r.waitFor([&] { return r.page->groupHeld(0) && !r.page->loadingLabel()->isVisible(); }, 40000));
    const auto log = r.line.requests();
    size_t from = log.size(), to = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (from == log.size() && isSelect(log[i].bytes)) from = i;
        if (isBlock(log[i].bytes)) to = i;
    }
    ASSERT_LT(from, log.size());
    EXPECT_EQ(to - from + 1, 60u);
    EXPECT_EQ(count(r.line, isSelect), 6);
    EXPECT_EQ(count(r.line, isBlock), 48);
}

namespace {

bool isVendorWrite(const Frame& f) { return f.size() > 4 && f[1] == 0x70; }
bool isSaveConfig(const Frame& f) { return f.size() > 4 && f[1] == 0x71; }

// Page 22 of a 2.30 meter whose system function table has been read and saved to a file.
struct SystemFunctionRig : ControlPagesRig {
    config::SystemFunctionPage* sf = nullptr;
    QString file;
    bool ready = false;

    SystemFunctionRig() : ControlPagesRig(withOptions(0x1F), 300, [](sim::Meter& m) { sim::installUserMap(m); }) {
        if (!selectMeter()) return;
        choose(config::SystemFunctionPageIndex);
        sf = static_cast<config::SystemFunctionPage*>(app().page(config::SystemFunctionPageIndex));
        if (!waitFor([&] { return idle(); }, 30000)) return;
        file = folder() + "/meter.SF";
        ui.fileNext(file);
        QTest::mouseClick(sf->cmdSF(0), Qt::LeftButton); // "Save"
        ready = waitFor([&] { return QFile::exists(file) && idle(); }, 30000);
    }
    bool idle() { return page().PageStep == 4 && sf->cmdSF(0)->isEnabled(); }
    // "Download" of the saved file, answered Yes; true once it has ended.
    bool download() {
        ui.answerNext(common::AnswerYes);
        ui.fileNext(file);
        const size_t boxes = ui.boxes.size();
        QTest::mouseClick(sf->cmdSF(1), Qt::LeftButton);
        return waitFor([&] { return ui.boxes.size() > boxes + 1 || panel1().contains("Download System Function ok"); },
                       60000) &&
               waitFor([&] { return idle(); }, 60000);
    }
};

} // namespace

// The system function download of a 2.30 meter: 46 writes, the table read back in
// 21 reads and the save-config, 68 frames. A failed write does not stop the others
// and a failed read is read again, so one run takes a fault every seventh frame:
// seven runs put a fault on every frame. Each run ends in the error box, never
// "ok"; the table the meter holds is the file's.
TEST(PageFaultSoak, SystemFunctionDownloadFailsAtEveryFrame) {
    SystemFunctionRig r;
    ASSERT_TRUE(r.ready);
    FrameFaults faults(r.line, [](const Frame& f) { return isVendorWrite(f) && startOf(f) == 0x2008; });
    quicken(r.link());

    // Without a fault: the frames counted from the first write to the save-config.
    r.line.clearLog();
    ASSERT_TRUE(r.download());
    EXPECT_TRUE(r.panel1().startsWith("Meter [1] Download System Function ok - ["));
    EXPECT_EQ(r.line.requests().size(), 68u);
    EXPECT_EQ(count(r.line, isVendorWrite), 46);
    EXPECT_EQ(count(r.line, isSaveConfig), 1);
    EXPECT_TRUE(isSaveConfig(r.line.requests().back().bytes));

    for (int run = 0; run < 7; ++run) {
        FrameFaults::Run positions;
        for (int k = run + 1; k <= 68; k += 7) positions[k] = kKinds[size_t((k - 1) / 7) % kKinds.size()];
        faults.arm({positions});
        const int errors = errorBoxes(r.ui);
        ASSERT_TRUE(r.download()) << run;
        EXPECT_EQ(faults.pending(), 0u) << run;
        EXPECT_EQ(r.ui.boxes.back().text, "Meter [1] Download System Function Error!") << run;
        // The transfer delay's own box when its write (frame 45) failed.
        EXPECT_EQ(errorBoxes(r.ui), errors + (run == 44 % 7 ? 2 : 1)) << run;
        EXPECT_FALSE(r.panel1().startsWith("Meter [1] Download System Function ok")) << run;
    }
    EXPECT_EQ(r.line.meter(1)->registerValue(0x00D6), 0x2002); // the map block as it was
    EXPECT_EQ(r.line.meter(1)->registerValue(0x2002), 30);
    // The rate's write (frame 46) starts the status bar's counts again: the last run's
    // faults after it are at 49 (echo), 56 (silence) and 63 (bad CRC).
    expectEveryFaultCountedOnce(r, Counts{2, 1});
    expectEveryKind(r.line);
}

namespace {

// Page 16 of a 2.30 meter with the default map, and a whole map file as "Save
// Mapping" writes it: 96 lines, each slot's register.
struct MapDownloadRig : ControlPagesRig {
    config::UserMapPage* map = nullptr;
    QString file;
    bool ready = false;

    MapDownloadRig() : ControlPagesRig(withOptions(0x1F), 300, [](sim::Meter& m) { sim::installUserMap(m); }) {
        if (!selectMeter()) return;
        choose(config::UserMapPageIndex);
        map = static_cast<config::UserMapPage*>(app().page(config::UserMapPageIndex));
        if (!waitFor([&] { return monitor::gridText(map->gridMapping(), 55, 2) == "2002"; }, 15000)) return;
        file = folder() + "/meter.Map";
        ui.fileNext(file);
        QTest::mouseClick(map->cmdMapping(1), Qt::LeftButton); // "Save Mapping"
        ready = waitFor([&] { return QFile::exists(file) && map->widget()->isEnabled(); }, 15000);
    }
    // "Download Mapping File", answered Yes; true once it has ended with a box.
    bool download() {
        const int errors = errorBoxes(ui);
        ui.answerNext(common::AnswerYes);
        ui.fileNext(file);
        QTest::mouseClick(map->cmdMapping(0), Qt::LeftButton);
        return waitFor([&] { return errorBoxes(ui) > errors; }, 20000) &&
               waitFor([&] { return map->widget()->isEnabled(); }, 20000);
    }
};

// The map download: a write per slot, then the save-config, 97 frames. The first
// slot the meter does not take ends the download with one box; nothing more is sent.
void mapDownloadFailsAt(int first, int last) {
    MapDownloadRig r;
    ASSERT_TRUE(r.ready);
    FrameFaults faults(r.line, isVendorWrite);
    quicken(r.link());
    for (int k = first; k <= last; ++k) {
        const size_t boxes = r.ui.boxes.size();
        r.line.clearLog();
        faults.arm(k);
        ASSERT_TRUE(r.download()) << k;
        ASSERT_EQ(r.ui.boxes.size(), boxes + 2) << k; // the question and one error box
        EXPECT_EQ(r.ui.boxes.back().text, "Meter [1] Download Mapping File Error!");
        EXPECT_EQ(count(r.line, isVendorWrite), std::min(k, 96)) << k;
        EXPECT_EQ(count(r.line, isSaveConfig), k == 97 ? 1 : 0) << k;
        EXPECT_EQ(faults.pending(), 0u);
    }
    expectPartCounted(r, first, last);
}

} // namespace

// Split so that each part takes about as long (a later frame is a longer run).
TEST(PageFaultSoak, MapDownloadFailsAtFrames1To33) { mapDownloadFailsAt(1, 33); }
TEST(PageFaultSoak, MapDownloadFailsAtFrames34To51) { mapDownloadFailsAt(34, 51); }
TEST(PageFaultSoak, MapDownloadFailsAtFrames52To65) { mapDownloadFailsAt(52, 65); }
TEST(PageFaultSoak, MapDownloadFailsAtFrames66To77) { mapDownloadFailsAt(66, 77); }
TEST(PageFaultSoak, MapDownloadFailsAtFrames78To87) { mapDownloadFailsAt(78, 87); }
TEST(PageFaultSoak, MapDownloadFailsAtFrames88To97) { mapDownloadFailsAt(88, 97); }

// Random faults of every kind on a fifth of the frames, with one repeat allowed.
TEST(PageFaultSoak, RandomFaultsNeverLeaveAWriteUnreportedOrHalfDone) {
    ControlPagesRig r(ControlPagesRig::withOptions(0x1F), 300, sim::installSetupPages);
    sim::Meter& meter = *r.line.meter(1);
    ASSERT_TRUE(r.selectMeter());
    r.choose(config::DigitalInputPageIndex);
    auto& di = *static_cast<config::DigitalInputPage*>(r.app().page(config::DigitalInputPageIndex));
    ASSERT_TRUE(r.waitFor([&] { return di.obDI2(2)->isChecked(); }));
    r.link().RetryLimit = 1; // one repeat: some writes get through a fault, some fail
    r.link().ReplyTimeoutMs = kReplyTimeoutMs;
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
    // The status bar counts an exchange once its repeat, the same frame straight after
    // it on the line, has failed too.
    Counts twice;
    const auto log = r.line.requests();
    for (size_t i = 0; i + 1 < log.size(); ++i) {
        if (!log[i].fault) continue;
        const sim::Request& repeat = log[++i];
        EXPECT_EQ(repeat.bytes, log[i - 1].bytes) << i;
        if (repeat.fault) ++(*repeat.fault == K::Silence ? twice.timeouts : twice.crc);
    }
    expectEveryFaultCountedOnce(r, twice);
}
