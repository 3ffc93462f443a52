#include "sim_tou.h"

#include <array>
#include <utility>

namespace sim {

namespace {

uint16_t hm(int high, int low) { return uint16_t(high << 8 | low); }

struct Point {
    int hour, minute, tariff;
};

std::vector<uint16_t> scheduleRegisters(std::vector<Point> points) {
    std::vector<uint16_t> regs(16, 0);
    for (size_t s = 0; s < points.size() && s < 8; ++s) {
        regs[2 * s] = hm(points[s].hour, points[s].minute);
        regs[2 * s + 1] = uint16_t(points[s].tariff);
    }
    return regs;
}

// One 16-register energy record: state, time stamp, total, four tariffs.
std::vector<uint16_t> record(int state, std::array<int, 6> stamp, uint32_t total, std::array<uint32_t, 4> tariffs) {
    const auto [year, month, day, hour, minute, second] = stamp;
    std::vector<uint16_t> r{uint16_t(state), hm(minute, second), hm(day, hour), hm(year, month), 0, 0,
                            uint16_t(total >> 16), uint16_t(total & 0xFFFF)};
    for (uint32_t t : tariffs) {
        r.push_back(uint16_t(t >> 16));
        r.push_back(uint16_t(t & 0xFFFF));
    }
    return r;
}

void fillSchedules(Meter& m) {
    const std::vector<std::vector<Point>> schedules{
        {{0, 0, 0}, {7, 0, 1}, {10, 0, 2}, {12, 0, 1}, {17, 0, 2}, {21, 0, 0}},
        {{0, 0, 0}, {8, 0, 1}, {22, 0, 0}},
        {{0, 0, 0}, {6, 0, 1}, {13, 0, 3}, {18, 0, 1}, {23, 0, 0}},
        {{0, 0, 0}, {9, 30, 1}, {16, 30, 0}},
        {{0, 0, 0}},
        {{0, 0, 0}, {12, 0, 1}},
    };
    for (size_t i = 0; i < schedules.size(); ++i)
        m.setRegisters(uint16_t(kTouScheduleBase + 0x20 * i), scheduleRegisters(schedules[i]));
}

void fillEnergies(Meter& m) {
    m.setRegisters(kTouEnergyBase, record(1, {25, 1, 1, 8, 30, 0}, 1234567, {400000, 300000, 200000, 100000}));
    for (int s = 0; s < 4; ++s)
        m.setRegisters(uint16_t(0x1A70 + 16 * s),
                       record(s == 0 ? 1 : 0, {24, 1 + 3 * s, 1, 0, 0, 0}, 0,
                              {uint32_t(90000 + 1000 * s), uint32_t(60000 + 1000 * s), uint32_t(30000 + 500 * s),
                               uint32_t(10000 + 100 * s)}));
    for (int k = 0; k < 12; ++k) {
        std::vector<uint16_t> month;
        for (uint32_t t : {uint32_t(30000 + 700 * k), uint32_t(20000 + 500 * k), uint32_t(10000 + 300 * k),
                           uint32_t(5000 + 100 * k)}) {
            month.push_back(uint16_t(t >> 16));
            month.push_back(uint16_t(t & 0xFFFF));
        }
        m.setRegisters(uint16_t(0x1AB0 + 8 * k), month);
    }
    m.setRegisters(0x1B20, record(1, {25, 1, 31, 0, 0, 0}, 1200000, {390000, 295000, 198000, 99000}));
    for (int s = 0; s < 4; ++s)
        m.setRegisters(uint16_t(0x1B40 + 16 * s),
                       record(1, {24, 1 + 3 * s, 1, 0, 0, 0}, uint32_t(800000 + 50000 * s),
                              {uint32_t(300000 + 10000 * s), uint32_t(250000), uint32_t(150000), uint32_t(100000)}));
}

void fillPeriods(Meter& m) {
    const std::array<std::array<int, 5>, 8> periods{{{0, 0, 6, 59, 5000},
                                                     {7, 0, 9, 59, 10000},
                                                     {10, 0, 11, 59, 15000},
                                                     {12, 0, 13, 59, 10000},
                                                     {14, 0, 16, 59, 12050},
                                                     {17, 0, 19, 59, 15000},
                                                     {20, 0, 21, 59, 10000},
                                                     {22, 0, 23, 59, 5000}}};
    for (size_t i = 0; i < periods.size(); ++i) {
        const auto& p = periods[i];
        m.setRegisters(uint16_t(kTouPeriodBase + 8 * i), {hm(p[0], p[1]), hm(p[2], p[3]), uint16_t(p[4])});
    }
    m.setRegisters(kTouPeriodStatus, {1, hm(15, 30), hm(3, 6), hm(25, 2)});
    for (uint16_t i = 0; i < 8; ++i) {
        const uint32_t e = 1500u + 250u * i;
        m.setRegisters(uint16_t(0x0190 + 2 * i), {uint16_t(e >> 16), uint16_t(e & 0xFFFF)});
    }
}

// Coil 27: every time-of-use energy back to 0 (the records keep their time stamps).
void clearEnergies(Meter& m) {
    auto clearRecord = [&m](uint16_t base) {
        for (uint16_t r = 6; r < 16; ++r) m.setRegister(uint16_t(base + r), 0);
    };
    clearRecord(kTouEnergyBase);
    for (uint16_t s = 0; s < 4; ++s) clearRecord(uint16_t(0x1A70 + 16 * s));
    for (uint16_t r = 0x1AB0; r < 0x1B10; ++r) m.setRegister(r, 0);
    for (uint16_t r = 0x0190; r < 0x01A0; ++r) m.setRegister(r, 0);
}

} // namespace

std::vector<uint16_t> touCalendarSlot(uint16_t year, uint16_t billDay) {
    std::vector<uint16_t> r(79, 0);
    r[0] = year;
    const std::array<std::pair<uint16_t, uint16_t>, 4> seasons{{{hm(1, 1), 0}, {hm(4, 1), 2}, {hm(7, 1), 3}, {hm(10, 1), 0}}};
    for (size_t i = 0; i < seasons.size(); ++i) {
        r[1 + 2 * i] = seasons[i].first;
        r[2 + 2 * i] = seasons[i].second;
    }
    const std::array<std::pair<uint16_t, uint16_t>, 6> holidays{
        {{hm(1, 1), 4}, {hm(2, 28), 4}, {hm(4, 4), 4}, {hm(5, 1), 4}, {hm(10, 10), 4}, {hm(12, 25), 5}}};
    for (size_t h = 0; h < holidays.size(); ++h) {
        r[16 + 2 * h] = holidays[h].first;
        r[17 + 2 * h] = holidays[h].second;
    }
    r[76] = 65; // Sunday and Saturday
    r[77] = 1;
    r[78] = billDay;
    return r;
}

void installTimeOfUse(Meter& meter) {
    fillSchedules(meter);
    meter.setRegisters(kTouCalendarBase, touCalendarSlot(2025, 15));
    meter.setRegisters(kTouCalendarBase + 0x50, touCalendarSlot(2026, 20));
    fillEnergies(meter);
    fillPeriods(meter);
    auto previous = meter.onCoil;
    meter.onCoil = [previous](Meter& m, uint16_t coil) {
        if (previous) previous(m, coil);
        if (coil == 27) clearEnergies(m);
        if (coil == 35) m.setRegisters(0x1B30, m.registers(kTouEnergyBase, 16));
    };
}

} // namespace sim
