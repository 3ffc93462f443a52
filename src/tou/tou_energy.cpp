#include "tou/tou_energy.h"

#include "common/shared_routines.h"

namespace tou {

namespace {

QStringList tariffHeadings() {
    QStringList t;
    for (int n = 1; n <= kTariffCount; ++n) t << "Tariff " + QString::number(n);
    return t;
}

QStringList numbers(int count, const QString& prefix = {}) {
    QStringList t;
    for (int n = 1; n <= count; ++n) t << prefix + QString::number(n);
    return t;
}

// Date and time, then the total and the four tariffs: columns 2..7 of a freeze grid.
std::array<QString, 6> freezeRow(const EnergyRecord& r) {
    return {r.time, r.total, r.tariffs[0], r.tariffs[1], r.tariffs[2], r.tariffs[3]};
}

std::span<const uint16_t> record(std::span<const uint16_t> regs, int r) {
    return regs.subspan(size_t(r * kRecordRegisters), kRecordRegisters);
}

} // namespace

std::vector<BlockRead> energyReads() {
    std::vector<BlockRead> reads{{CmdTouStatus, kStatusStart, kRecordRegisters, -1},
                                 {CmdTouSeasonEnergy, kSeasonEnergyStart, 4 * kRecordRegisters, -1}};
    for (int k = 0; k < 12; ++k)
        reads.push_back({CmdTouMonthEnergy, uint16_t(kMonthEnergyStart + kMonthRegisters * k), kMonthRegisters,
                         int16_t(k)});
    reads.push_back({CmdTouFreeze, kFreezeStart, 2 * kRecordRegisters, -1});
    reads.push_back({CmdTouSeasonFreeze, kSeasonFreezeStart, 4 * kRecordRegisters, -1});
    return reads;
}

uint32_t energyAt(std::span<const uint16_t> regs, int offset) {
    return uint32_t(regs[size_t(offset)]) << 16 | regs[size_t(offset + 1)];
}

QString energyText(double raw, double ptRatio, double ctRatio) {
    const double e = raw * ptRatio * ctRatio;
    if (e >= 1e9) return QString::number(e / 1e9, 'f', 3) + " GH";
    if (e >= 1e6) return QString::number(e / 1e6, 'f', 3) + " MH";
    return QString::number(e / 1e3, 'f', 3) + " KH";
}

QString stampDate(uint16_t dayHour, uint16_t yearMonth, const DateStyle& style) {
    return common::BuildLocaleDate(twoDigits(yearMonth >> 8), twoDigits(yearMonth & 0xFF), twoDigits(dayHour >> 8),
                                   style.format, style.separator);
}

QString stampTime(uint16_t minuteSecond, uint16_t dayHour) {
    return twoDigits(dayHour & 0xFF) + ":" + twoDigits(minuteSecond >> 8) + ":" + twoDigits(minuteSecond & 0xFF);
}

QString recordTimeText(std::span<const uint16_t> rec, const DateStyle& style) {
    return stampDate(rec[2], rec[3], style) + "   " + stampTime(rec[1], rec[2]);
}

EnergyRecord decodeRecord(std::span<const uint16_t> rec, double ptRatio, double ctRatio, const DateStyle& style) {
    EnergyRecord r;
    r.state = (rec[0] & 0xFF) != 0 ? QStringLiteral("Start") : QStringLiteral("Stop");
    r.time = recordTimeText(rec, style);
    r.total = energyText(energyAt(rec, 6), ptRatio, ctRatio);
    for (int n = 0; n < kTariffCount; ++n) r.tariffs[size_t(n)] = energyText(energyAt(rec, 8 + 2 * n), ptRatio, ctRatio);
    return r;
}

std::array<std::array<QString, 6>, 4> decodeSeasonFreeze(std::span<const uint16_t> regs, const EnergyScale& s) {
    std::array<std::array<QString, 6>, 4> rows{};
    if (regs.size() < size_t(4 * kRecordRegisters)) return rows;
    for (int r = 0; r < 4; ++r) rows[size_t(r)] = freezeRow(decodeRecord(record(regs, r), s.ptRatio, s.ctRatio, s.date));
    return rows;
}

bool applyEnergyReply(EnergyView& view, int16_t code, int blockIndex, std::span<const uint16_t> regs,
                      const EnergyScale& s) {
    auto decode = [&](int r) { return decodeRecord(record(regs, r), s.ptRatio, s.ctRatio, s.date); };
    switch (code) {
    case CmdTouStatus: {
        if (regs.size() < size_t(kRecordRegisters)) return false;
        const EnergyRecord r = decode(0);
        view.status = {r.state, r.time, r.tariffs[0], r.tariffs[1], r.tariffs[2], r.tariffs[3]};
        return true;
    }
    case CmdTouSeasonEnergy:
        if (regs.size() < size_t(4 * kRecordRegisters)) return false;
        for (int n = 0; n < 4; ++n) {
            const EnergyRecord r = decode(n);
            view.seasons[size_t(n)] = {r.state, r.time, r.tariffs[0], r.tariffs[1], r.tariffs[2], r.tariffs[3]};
        }
        return true;
    case CmdTouMonthEnergy:
        if (blockIndex < 0 || blockIndex >= 12 || regs.size() < size_t(kMonthRegisters)) return false;
        for (int n = 0; n < kTariffCount; ++n)
            view.months[size_t(blockIndex)][size_t(n)] = energyText(energyAt(regs, 2 * n), s.ptRatio, s.ctRatio);
        return true;
    case CmdTouFreeze:
        if (regs.size() < size_t(2 * kRecordRegisters)) return false;
        for (int n = 0; n < 2; ++n) view.freezes[size_t(n)] = freezeRow(decode(n));
        return true;
    case CmdTouSeasonFreeze:
        if (regs.size() < size_t(4 * kRecordRegisters)) return false;
        view.seasonFreezes = decodeSeasonFreeze(regs, s);
        return true;
    default:
        return false;
    }
}

QStringList energyGridHeadings(int grid) {
    switch (grid) {
    case 0: return QStringList{"Season", "Status", "Start Date/Time"} + tariffHeadings();
    case 1: return QStringList{"Month"} + tariffHeadings();
    case 2:
    case 3:
    case 4: return QStringList{"Freeze", "", "Active Date/Time", "Real Energy"} + tariffHeadings();
    default: return {};
    }
}

QStringList energyGridRowNames(int grid) {
    switch (grid) {
    case 0: return numbers(4);
    case 1: return numbers(12);
    case 2: return {"Midnight"};
    case 3: return {"Command"};
    case 4: return numbers(4, QStringLiteral("Season "));
    default: return {};
    }
}

QStringList statusCaptions() { return QStringList{"Status", "Start Date/Time"} + tariffHeadings(); }

} // namespace tou
