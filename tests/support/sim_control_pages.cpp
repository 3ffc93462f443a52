#include "sim_control_pages.h"

#include <QDateTime>

#include <array>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint16_t kRelayBlock = 0x2048, kRelayPitch = 8, kRelayStatus = 0x0102;
constexpr uint16_t kAoBlock = 0x2060, kAiBlock = 0x2080, kAiData = 0x0328;
constexpr uint16_t kClock = 0x0108, kClockSet = 0x0030;
constexpr uint16_t kEnergy = 0x0170, kDemand = 0x02F0, kMaxDemand = 0x02F4, kInstant = 0x0130;
constexpr uint16_t kSimulation = 0x2228;
constexpr int kPresetCounters = 6; // +Wh, -Wh, +VarH, -VarH, VAH, AH

bool covers(uint16_t start, uint16_t count, uint16_t reg) { return start <= reg && reg < start + count; }
bool overlaps(uint16_t start, uint16_t count, uint16_t first, uint16_t n) {
    return start < first + n && first < start + count;
}

uint32_t counter(const Meter& m, int i) {
    const uint16_t at = uint16_t(kEnergy + 2 * i);
    return uint32_t(m.registerValue(at)) << 16 | m.registerValue(uint16_t(at + 1));
}
void setCounter(Meter& m, int i, uint32_t v) {
    m.setRegisters(uint16_t(kEnergy + 2 * i), {uint16_t(v >> 16), uint16_t(v & 0xFFFF)});
}

struct State {
    // The clock: the time set last and when.
    QDateTime clockBase;
    Clock::time_point clockSetAt;
    // Relays in pulse mode: when their pulse began.
    std::array<std::optional<Clock::time_point>, 3> pulseStart;
    // Preset counters: what they show is the live count plus an offset; `shown`
    // is what was last written, so a rewrite by the live values is noticed.
    std::array<std::optional<uint32_t>, kPresetCounters> offset, shown;
    // The simulation: when it was switched on.
    std::optional<Clock::time_point> simulationSince;
    int aiReads = 0;
};

void setRelayBit(Meter& m, int relay, bool on) {
    const uint16_t s = m.registerValue(kRelayStatus), bit = uint16_t(1u << relay);
    m.setRegister(kRelayStatus, on ? uint16_t(s | bit) : uint16_t(s & ~bit));
}

void presetCounter(Meter& m, State& st, int i, uint32_t value) {
    // The count underneath, without an earlier preset; modulo 2^32, like the meter's counter.
    const uint32_t underneath = counter(m, i) - st.offset[size_t(i)].value_or(0);
    st.offset[size_t(i)] = value - underneath;
    st.shown[size_t(i)] = value;
    setCounter(m, i, value);
}

void onCoilOn(Meter& m, State& st, uint16_t coil) {
    if (coil >= 2 && coil <= 4) {
        const int relay = coil - 2;
        setRelayBit(m, relay, true);
        const uint16_t block = uint16_t(kRelayBlock + kRelayPitch * relay);
        const bool pulse = (m.registerValue(block) & 0xFF) == 2 && m.registerValue(uint16_t(block + 2)) > 0;
        st.pulseStart[size_t(relay)] = pulse ? std::optional<Clock::time_point>(Clock::now()) : std::nullopt;
    } else if (coil >= 8 && coil <= 13) {
        const int i = coil - 8;
        const uint16_t at = uint16_t(0x2030 + 2 * i);
        presetCounter(m, st, i, uint32_t(m.registerValue(at)) << 16 | m.registerValue(uint16_t(at + 1)));
    } else if (coil == 25) {
        for (int i = 0; i < kPresetCounters; ++i) presetCounter(m, st, i, 0);
    } else if (coil == 22) {
        m.setRegisters(kDemand, std::vector<uint16_t>(4, 0));
    } else if (coil == 23) {
        m.setRegisters(kMaxDemand, std::vector<uint16_t>(16, 0));
    }
}

void updateClock(Meter& m, const State& st) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - st.clockSetAt).count();
    const QDateTime now = st.clockBase.addSecs(elapsed);
    const QDate d = now.date();
    const QTime t = now.time();
    m.setRegisters(kClock, {uint16_t(t.minute() << 8 | t.second()), uint16_t(d.day() << 8 | t.hour()),
                            uint16_t((d.year() % 100) << 8 | d.month())});
}

void takeClock(Meter& m, State& st) {
    const uint16_t ms = m.registerValue(kClockSet), dh = m.registerValue(kClockSet + 1),
                   ym = m.registerValue(kClockSet + 2);
    const QDate date(2000 + (ym >> 8), ym & 0xFF, dh >> 8);
    const QTime time(dh & 0xFF, ms >> 8, ms & 0xFF);
    if (!date.isValid() || !time.isValid()) return; // a meter ignores a time it can't keep
    st.clockBase = QDateTime(date, time);
    st.clockSetAt = Clock::now();
}

void showPresetCounters(Meter& m, State& st) {
    for (int i = 0; i < kPresetCounters; ++i) {
        if (!st.offset[size_t(i)]) continue;
        const uint32_t now = counter(m, i);
        if (now == *st.shown[size_t(i)]) continue; // nobody moved the counter
        st.shown[size_t(i)] = now + *st.offset[size_t(i)];
        setCounter(m, i, *st.shown[size_t(i)]);
    }
}

void updateRelays(Meter& m, State& st) {
    for (int relay = 0; relay < 3; ++relay) {
        auto& start = st.pulseStart[size_t(relay)];
        if (!start) continue;
        const uint16_t tenths = m.registerValue(uint16_t(kRelayBlock + kRelayPitch * relay + 2));
        if (Clock::now() - *start >= std::chrono::milliseconds(100 * tenths)) {
            setRelayBit(m, relay, false);
            start.reset();
        }
    }
}

// While simulating, the live block shows the simulated items.
void showSimulation(Meter& m, State& st) {
    if (!st.simulationSince) return;
    const auto minutes = m.registerValue(kSimulation + 1);
    if (Clock::now() - *st.simulationSince >= std::chrono::minutes(minutes)) {
        m.setRegister(kSimulation, 0);
        st.simulationSince.reset();
        return;
    }
    auto item = [&m](int n) { return m.registerValue(uint16_t(kSimulation + 2 + n)); };
    // Instant register <- simulated item: phase currents, neutral, phase and line
    // voltages, powers, power factor, frequency.
    static const std::array<std::pair<int, int>, 15> map{{{0, 0}, {1, 1}, {2, 2}, {4, 3}, {6, 4}, {7, 5}, {8, 6},
                                                          {11, 8}, {12, 9}, {13, 10}, {16, 15}, {17, 16}, {18, 17},
                                                          {19, 18}, {20, 19}}};
    for (auto [reg, n] : map) m.setRegister(uint16_t(kInstant + reg), item(n));
}

} // namespace

void installControlPages(Meter& meter, std::optional<ClockTime> clock) {
    // Relay 1 switched by command and on, relay 2 a 2 s pulse, relay 3 a latched alarm relay.
    meter.setRegisters(kRelayBlock, {1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 20, 0, 0, 0, 0, 0, 0, 1, 0, 0});
    meter.setRegister(kRelayStatus, 0x0001);
    // AO1 phase A current 0..100 %, AO2 Van 0..120 %, AO3 +W 0..100 % at 0-20 mA, AO4 power factor.
    meter.setRegisters(kAoBlock, {0, 0, 1000, 1, 0, 0, 0, 0, 4, 0, 1200, 1, 0, 0, 0, 0,
                                  12, 0, 1000, 0, 0, 0, 0, 0, 24, 500, 1500, 1});
    // AI 1 4-20 mA, AI 2 0-10 V, AI 3 0-20 mA with a scale of 4000.
    meter.setRegisters(kAiBlock, {1, 10000, 0, 0, 0, 0, 0, 0, 2, 10000, 0, 0, 0, 0, 0, 0, 0, 4000});
    meter.setRegisters(kAiData, {5000, 2500, 1000});
    // Nothing preset yet; the simulation off for 15 minutes, with a balanced load ready.
    meter.setRegisters(0x2030, std::vector<uint16_t>(12, 0));
    meter.setRegisters(kSimulation, {0, 15, 21000, 21000, 21000, 600, 22000, 22000, 22000, 0, 38105, 38105, 38105,
                                     0, 0, 0, 0, 12751, 5431, 13860, 9200, 25000});

    auto st = std::make_shared<State>();
    st->clockBase = clock ? QDateTime(QDate(clock->year, clock->month, clock->day),
                                      QTime(clock->hour, clock->minute, clock->second))
                          : QDateTime::currentDateTime();
    st->clockSetAt = Clock::now();
    updateClock(meter, *st);

    auto previousRead = meter.onRead;
    meter.onRead = [previousRead, st](Meter& m, uint16_t start, uint16_t count) {
        if (previousRead) previousRead(m, start, count);
        if (overlaps(start, count, kClock, 3)) updateClock(m, *st);
        if (covers(start, count, kRelayStatus)) updateRelays(m, *st);
        if (overlaps(start, count, kEnergy, 2 * kPresetCounters)) showPresetCounters(m, *st);
        if (overlaps(start, count, kInstant, 21)) showSimulation(m, *st);
        if (overlaps(start, count, kSimulation, 1)) showSimulation(m, *st); // the mode ends with the time
        if (overlaps(start, count, kAiData, 3)) {
            const double w = std::sin(++st->aiReads * 0.8);
            m.setRegisters(kAiData, {uint16_t(5000 + std::lround(40 * w)), uint16_t(2500 - std::lround(25 * w)),
                                     uint16_t(1000 + std::lround(10 * w))});
        }
    };
    auto previousCoil = meter.onCoil;
    meter.onCoil = [previousCoil, st](Meter& m, uint16_t coil) {
        if (previousCoil) previousCoil(m, coil);
        onCoilOn(m, *st, coil);
    };
    auto previousCoilOff = meter.onCoilOff;
    meter.onCoilOff = [previousCoilOff, st](Meter& m, uint16_t coil) {
        if (previousCoilOff) previousCoilOff(m, coil);
        if (coil >= 2 && coil <= 4) {
            setRelayBit(m, coil - 2, false);
            st->pulseStart[size_t(coil - 2)].reset();
        }
    };
    auto previousWrite = meter.onWrite;
    meter.onWrite = [previousWrite, st](Meter& m, uint16_t start, uint16_t count) {
        if (previousWrite) previousWrite(m, start, count);
        if (overlaps(start, count, kClockSet, 4)) takeClock(m, *st);
        if (covers(start, count, kSimulation))
            st->simulationSince = m.registerValue(kSimulation) == 1 ? std::optional<Clock::time_point>(Clock::now())
                                                                     : std::nullopt;
    };
}

} // namespace sim
