#pragma once
// Program-wide state of the meter being served and of the page being shown.
// The link's own state (frames, counts, MeterAddress) is rtu::LinkState.

#include <QString>
#include <QVariant>
#include <algorithm>
#include <any>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

namespace common {

// What the program knows of the selected meter.
struct MeterState {
    float MeterVersion = 0.0f; // boot software version, 0 when none is known
    bool CurrentInput1A = false;
    bool VoltageInput150V = false;
    double PtRatio = 1.0;
    double CtRatio = 1.0;
    int WiringMode = 0; // 2 = line-to-line voltages
    int FrequencyCode = 0;
    QString MeterModelText = QStringLiteral("KD 4170");
    uint16_t MeterOptionBits = 0; // bits 0..5 = options "A".."F"
    bool FirmwareChanged = false;
    float MeasuredCurrent1 = 0.0f;
    float MeasuredVoltage1 = 0.0f;
};

// Tick counters that pace the slower reads; raised once a second up to their caps.
struct TickCounters {
    static constexpr int16_t RefreshCap = 1, MapCap = 3, RecordCap = 6, TraceCap = 9, MinuteCap = 60,
                             KeyLockCap = 10;
    int16_t RefreshTicks = RefreshCap;
    int16_t MapTicks = MapCap;
    int16_t RecordTicks = RecordCap;
    int16_t TraceTicks = TraceCap;
    int16_t MinuteTicks = MinuteCap;
    int16_t KeyLockTicks = KeyLockCap;

    void setToCaps() { *this = TickCounters{}; }
    void raise() {
        auto up = [](int16_t& v, int16_t cap) { if (v < cap) ++v; };
        up(RefreshTicks, RefreshCap);
        up(MapTicks, MapCap);
        up(RecordTicks, RecordCap);
        up(TraceTicks, TraceCap);
        up(MinuteTicks, MinuteCap);
        up(KeyLockTicks, KeyLockCap);
    }
};

struct PageState;

// A value that drives a page's work on the next scheduler tick: the page's step, the
// user map's request. It is read like a number; it is written through PageState.
class StepValue {
public:
    constexpr operator int16_t() const { return value_; }

private:
    friend struct PageState;
    int16_t value_ = 0;
};

// The page being shown and its state machine.
//
// The window stays live while an exchange waits for its reply, so a person can press
// buttons, choose items or change page in the middle of the page's work. Two kinds of
// writer therefore share the step: a person's action asks for one (askStep, askRead),
// and the page's own work moves on to the next (moveStep: a read done, a write ended).
// Asks wait in the order made behind the step being worked; each tick's page work
// begins by taking the next one (serveAsks). While any ask waits, the work under way
// can no longer move the step or the map's request: its moves are dropped. So code
// that resumes after a wait never overwrites what the person asked for meanwhile, and
// no ask is lost to a later one.
struct PageState {
    int16_t PageIndex = 0;
    StepValue PageStep;
    bool PageChanged = false;
    bool Refreshing = false;    // a decoder is filling the page: edits are not the user's
    bool SetupModified = false; // the page holds edits not yet written
    int16_t EditedGroup = 0;    // essential-property group edited last (1..3)
    int16_t PendingAddressAction = 0; // 1 address change, 2 baud change
    // A page chosen while the write it would ask was already asked: chosen once that
    // write has been served (-1: none).
    int16_t PendingPage = -1;
    bool AddressEdited = false;
    bool AddressMarking = false;
    bool OffLineShown = false;
    bool DateEdited = false;
    bool TimeEdited = false;
    StepValue MappingRequest;
    int16_t GridEditRow = 0;
    TickCounters Ticks;
    // Counts the ticks' page work; an edit made by a person carries the counts of the
    // work under way and of the work that serves the asks made before it, so that the
    // reads of that work leave the edited control as it is.
    uint32_t WorkSerial = 0;
    // Counts a person's edits of the page's controls, so that work which waited can
    // tell whether the person edited the page meanwhile.
    uint32_t PersonEdits = 0;

    // What the page's fields stand for: counts on with every new page, meter, function,
    // channel or table shown, so that a read or a write can tell whether the fields
    // still stand for what it reads or writes.
    uint32_t FormSerial = 1;
    // The FormSerial for which the page last read its values from the meter.
    uint32_t FormReadSerial = 0;
    // While the page reads its values: the FormSerial they are read for (0: none). A
    // reply for fields that stand for something else by now shows nothing.
    uint32_t ReadingSerial = 0;
    // While a write reads the values it was asked before they were read: takes each
    // value the read gives a control, whether or not the screen shows it.
    std::function<void(const void* control, const QVariant& value)> ReadTap;
    // The fields stand for something new: what was read or typed for the old is not theirs.
    void newForm() { ++FormSerial; }
    bool formRead() const { return FormReadSerial == FormSerial; }

    // What the page sets up again when an ask's turn comes (the value Enter chose to
    // write), so that a later ask cannot change what an earlier one meant.
    using AskSetUp = std::function<void()>;

    // A write, a command or a file action a person asks for: it waits its turn and
    // no later ask replaces it. origin names what asked (see askReadInstead).
    void askStep(int16_t step, AskSetUp setUp = {}, const void* origin = nullptr) {
        ask(Ask::make(false, false, step, std::move(setUp), origin));
    }
    // A write of the page's values: what it sends (taken from the page as shown now)
    // travels with it, and is AskedValues while its turn is served.
    void askWrite(int16_t step, std::any values, AskSetUp setUp = {}, const void* origin = nullptr) {
        Ask a = Ask::make(false, false, step, std::move(setUp), origin);
        a.write = true;
        a.edits = PersonEdits;
        a.values = std::move(values);
        ask(std::move(a));
    }
    // The values of the write ask being served (empty for any other step).
    std::any AskedValues;
    // Whether a write to step is asked, or being served, with the page's edits as they
    // are now: leaving the page need not ask it again.
    bool writeAsked(int16_t step) const {
        auto same = [&](const Ask& a) { return a.write && a.value == step && a.edits == PersonEdits; };
        if (serving_ && same(*serving_)) return true;
        return std::any_of(asks_.begin(), asks_.end(), same);
    }
    // The tick's page work has ended: no ask is being served any more.
    void workEnded() { serving_.reset(); }
    void askMapping(int16_t request, AskSetUp setUp = {}) { ask(Ask::make(true, false, request, std::move(setUp))); }
    // A read or a mode a person's choice asks for (the function chosen, a field entered,
    // the map table): a later read or mode ask replaces it while it is the last one
    // waiting, since what it would read or set is then out of date.
    void askRead(int16_t step) { ask(Ask::make(false, true, step)); }
    void askMappingRead(int16_t request) { ask(Ask::make(true, true, request)); }
    // An entry refused: takes back what was asked from origin and still waits (the write
    // Enter asked for), and asks for the read step instead.
    void askReadInstead(const void* origin, int16_t step) {
        std::erase_if(asks_, [origin](const Ask& a) { return origin && a.origin == origin; });
        if (!asks_.empty() && !asks_.front().applied) apply(asks_.front());
        askRead(step);
    }
    // The page's own work moving on. False (and nothing changes) while an ask waits.
    bool moveStep(int16_t step) { return move(PageStep, step); }
    bool moveMapping(int16_t request) { return move(MappingRequest, request); }
    // The program starting over, not a move of the work: the main window's load, a page
    // change or a new meter served at the start of a tick. What was asked is dropped.
    void resetStep(int16_t step = 0) {
        dropAsks();
        PageStep.value_ = step;
    }
    void resetMapping(int16_t request = 0) { MappingRequest.value_ = request; }
    // A newly chosen page's work begins at its first step, served at the start of a tick.
    // What the person asked on it since it was chosen (the page change dropped what was
    // asked on the page before) stands: a button pressed at once is not lost.
    void beginPage() {
        const bool stepAsked = !asks_.empty() && !asks_.front().mapping;
        PageStep.value_ = stepAsked ? asks_.front().value : 0;
    }
    // What was asked on a page that is left, or for a meter that is left; the fields
    // stand for the new one.
    void dropAsks() {
        asks_.clear();
        PendingPage = -1;
        serving_.reset();
        AskedValues.reset();
        newForm();
    }
    // The tick's page work begins: the next ask becomes the step being worked.
    void serveAsks() {
        ++WorkSerial;
        serving_.reset();
        if (asks_.empty()) return;
        Ask next = std::move(asks_.front());
        asks_.pop_front();
        if (!next.applied) apply(next);
        serving_ = std::move(next);
    }
    // A person asked for something the page's work has not yet begun to serve.
    bool askStanding() const { return !asks_.empty(); }
    // The work that will serve the last ask made (the work under way when none waits).
    uint32_t workServingLastAsk() const { return WorkSerial + uint32_t(asks_.size()); }
    // Counts the asks made, so that what resumes can tell whether another came meanwhile.
    uint32_t asksMade() const { return asksMade_; }

private:
    struct Ask {
        bool mapping = false;
        bool read = false;
        int16_t value = 0;
        AskSetUp setUp;
        const void* origin = nullptr;
        bool applied = false;
        bool write = false;
        uint32_t edits = 0; // PersonEdits when a write was asked
        std::any values;    // what a write sends
        static Ask make(bool mapping, bool read, int16_t value, AskSetUp setUp = {}, const void* origin = nullptr) {
            Ask a;
            a.mapping = mapping;
            a.read = read;
            a.value = value;
            a.setUp = std::move(setUp);
            a.origin = origin;
            return a;
        }
    };
    void ask(Ask a) {
        ++asksMade_;
        if (a.read && !asks_.empty() && asks_.back().read && asks_.back().mapping == a.mapping) asks_.pop_back();
        asks_.push_back(std::move(a));
        // The first ask is the step at once: the page's code reads it before the tick.
        if (!asks_.front().applied) apply(asks_.front());
    }
    void apply(Ask& a) {
        (a.mapping ? MappingRequest : PageStep).value_ = a.value;
        a.applied = true;
        if (!a.mapping) AskedValues = a.values;
        if (a.setUp) a.setUp();
    }
    bool move(StepValue& which, int16_t value) {
        if (!asks_.empty()) return false;
        which.value_ = value;
        return true;
    }
    std::deque<Ask> asks_;
    std::optional<Ask> serving_; // the ask the tick's page work serves
    uint32_t asksMade_ = 0;
};

// One PC data log.
struct DataLogState {
    double Elapsed = 0;  // seconds since the last record, counted up to 6000
    double Interval = 0; // seconds, 0 = off
    QString FileName;    // "" = no log
    int32_t ViewRow = 0;
};

// The three PC data logs: instant values, harmonics, waveforms.
struct DataLogSet {
    DataLogState BasicLog;
    DataLogState HarmonicLog;
    DataLogState WaveformLog;
};

} // namespace common
