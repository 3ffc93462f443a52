#include "sim_records.h"

#include "sim_live_values.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr uint16_t kMaxStart = 0x01B0, kMinStart = 0x0250, kDemandStart = 0x02F4, kClearTime = 0x203E;
constexpr uint16_t kEventCount = 0x0A50, kEventStart = 0x0A58;
constexpr uint16_t kClearLogCoil = 24, kClearEventsCoil = 28;
constexpr int kRecords = 35, kMaxEvents = 200;

// The live register of log record k: records 0..20 follow the instant block, 21..32
// the phase powers that follow there as well, 33 and 34 (PFL, PFC) the total power factor.
uint16_t liveFor(const std::array<uint16_t, 34>& live, int k) { return live[size_t(k <= 32 ? k : 19)]; }

bool signedRecord(int k) {
    return k == 16 || k == 17 || k == 19 || (k >= 21 && k <= 34 && (k - 21) % 4 != 2);
}

uint16_t scaled(uint16_t raw, bool isSigned, double factor) {
    if (isSigned) return uint16_t(int16_t(std::clamp(std::lround(int16_t(raw) * factor), -32766L, 32766L)));
    return uint16_t(std::clamp(std::lround(raw * factor), 0L, 65534L));
}

void writeRecord(Meter& m, uint16_t reg, uint16_t value, const RecordTime& t) {
    std::vector<uint16_t> r{value};
    const auto stamp = timeStampRegisters(t);
    r.insert(r.end(), stamp.begin(), stamp.end());
    m.setRegisters(reg, r);
}

void writeLog(Meter& m, const RecordTime& when, double maxFactor, double minFactor) {
    const auto live = liveInstantRegisters(0);
    for (int k = 0; k < kRecords; ++k) {
        RecordTime hi = when, lo = when;
        hi.hour = (when.hour + k % 5) % 24;
        hi.minute = (when.minute + 7 * k) % 60;
        lo.day = std::max(1, when.day - 1);
        lo.hour = (when.hour + 12 + k % 3) % 24;
        lo.second = (when.second + 11 * k) % 60;
        const uint16_t raw = liveFor(live, k);
        // Power factors peak at 1 and fall to about 0.85.
        const bool pf = k == 19 || k == 33 || k == 34 || (k >= 24 && (k - 24) % 4 == 0);
        writeRecord(m, uint16_t(kMaxStart + 4 * k), pf ? uint16_t(std::min(10000.0, raw * maxFactor)) :
                                                         scaled(raw, signedRecord(k), maxFactor), hi);
        writeRecord(m, uint16_t(kMinStart + 4 * k), scaled(raw, signedRecord(k), minFactor), lo);
    }
    // Maximum demands: total current, real, reactive and apparent power.
    const uint16_t demand[4] = {scaled(live[3], false, 0.97 * maxFactor), scaled(live[16], true, 0.97 * maxFactor),
                                scaled(live[17], true, 0.97 * maxFactor), scaled(live[18], true, 0.97 * maxFactor)};
    for (int i = 0; i < 4; ++i) writeRecord(m, uint16_t(kDemandStart + 4 * i), demand[i], when);
}

} // namespace

std::vector<uint16_t> timeStampRegisters(const RecordTime& t) {
    return {uint16_t(t.minute << 8 | t.second), uint16_t(t.day << 8 | t.hour), uint16_t(t.year << 8 | t.month)};
}

std::vector<uint16_t> eventRegisters(const SimEvent& e) {
    std::vector<uint16_t> r{e.cause};
    const auto stamp = timeStampRegisters(e.time);
    r.insert(r.end(), stamp.begin(), stamp.end());
    r.insert(r.end(), {e.status, e.data1, e.data2});
    return r;
}

void writeMaxMinLog(Meter& meter, const RecordTime& when) { writeLog(meter, when, 1.06, 0.93); }

int eventCount(const Meter& meter) { return meter.registerValue(kEventCount) & 0xFF; }

void addEvent(Meter& meter, const SimEvent& event) {
    const int n = std::min(eventCount(meter) + 1, kMaxEvents);
    for (int i = n; i >= 2; --i)
        meter.setRegisters(uint16_t(kEventStart + 8 * (i - 1)), meter.registers(uint16_t(kEventStart + 8 * (i - 2)), 7));
    meter.setRegisters(kEventStart, eventRegisters(event));
    meter.setRegister(kEventCount, uint16_t(n));
}

std::vector<SimEvent> sampleEvents(int n) {
    // Cause, status, Data1, Data2: set-up writes name their register and value.
    const SimEvent kinds[] = {
        {1, {}, 0x0000, 0, 0},       {13, {}, 0x0010, 0x2041, 5}, {10, {}, 0x0000, 0, 0},
        {50, {}, 0x0101, 0, 0},      {73, {}, 0x0100, 0, 0},      {81, {}, 0x0001, 0, 0},
        {2, {}, 0x0000, 0, 0},       {12, {}, 0x0010, 0x1F40, 300}, {65, {}, 0x0300, 0, 0},
    };
    std::vector<SimEvent> out;
    for (int i = 0; i < n; ++i) {
        SimEvent e = kinds[size_t(i) % std::size(kinds)];
        e.time = {26, 1 + (i / 28) % 12, 1 + i % 28, (8 + i) % 24, (5 * i) % 60, (13 * i) % 60};
        out.push_back(e);
    }
    return out;
}

void installRecordLogs(Meter& meter, int events) {
    meter.setRegister(kClearTime, 0);
    writeMaxMinLog(meter);
    meter.setRegister(kEventCount, 0);
    for (const SimEvent& e : sampleEvents(events)) addEvent(meter, e);

    auto previous = meter.onCoil;
    meter.onCoil = [previous](Meter& m, uint16_t coil) {
        if (previous) previous(m, coil);
        if (coil == kClearLogCoil) writeLog(m, RecordTime{26, 3, 15, 10, 0, 0}, 1.0, 1.0);
        if (coil == kClearEventsCoil) m.setRegister(kEventCount, 0);
    };
}

} // namespace sim
