#include "tou/tou_periods.h"

#include "common/shared_routines.h"
#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "monitor/instant_values.h"

#include <cmath>

namespace tou {

namespace {

std::optional<QString> maskedTime(uint16_t reg) {
    const int h = reg >> 8, m = reg & 0xFF;
    if (h > 99 || m > 99) return std::nullopt;
    return twoDigits(h) + ":" + twoDigits(m);
}

// The hour and minute of a masked field: characters 1-2 and 4-5 as numbers.
struct HourMinute {
    int hour = 0;
    int minute = 0;
    int hhmm() const { return hour * 100 + minute; }
    bool inRange() const { return hour >= 0 && hour < 24 && minute >= 0 && minute <= 59; }
};
HourMinute hourMinute(const QString& text) {
    return {int(common::leadingNumber(text.left(2))), int(common::leadingNumber(text.mid(3, 2)))};
}

} // namespace

QStringList periodHeadings() { return {"Start Time", "Stop Time", "Tariff (rate %)", "Unit cost Dollars"}; }

std::optional<std::array<DecodedPeriod, kPeriodCount>> decodePeriods(std::span<const uint16_t> regs) {
    if (regs.size() < kPeriodReadCount) return std::nullopt;
    std::array<DecodedPeriod, kPeriodCount> periods;
    for (int i = 0; i < kPeriodCount; ++i) {
        const size_t at = size_t(kPeriodStride * i);
        periods[size_t(i)] = {maskedTime(regs[at]), maskedTime(regs[at + 1]), monitor::plainNumber(regs[at + 2] / 100.0)};
    }
    return periods;
}

QString maskedTimeText(const QString& text) { return text.left(5).replace(QLatin1Char('_'), QLatin1Char('0')); }

std::optional<PeriodStatus> decodePeriodStatus(std::span<const uint16_t> regs, double ptRatio, double ctRatio,
                                               const UnitCosts& unitCosts, const DateStyle& style) {
    if (regs.size() < kPeriodStatusCount) return std::nullopt;
    PeriodStatus s;
    s.state = regs[0] != 0 ? QStringLiteral("On") : QStringLiteral("Off");
    s.startText = stampTime(regs[1], regs[2]) + "   " + stampDate(regs[2], regs[3], style);
    double total = 0;
    for (int i = 0; i < kPeriodCount; ++i) {
        const double raw = energyAt(regs, 8 + 2 * i);
        s.energy[size_t(i)] = QString::number(raw * ptRatio * ctRatio / 1000.0, 'f', 3);
        s.cost[size_t(i)] = QStringLiteral("0");
        const QString& unit = unitCosts[size_t(i)];
        if (!pages::isNumericEntry(unit)) continue;
        // The cost of what the label shows, not of the unrounded energy.
        const double cost = unit.trimmed().toDouble() * s.energy[size_t(i)].toDouble();
        s.cost[size_t(i)] = monitor::plainNumber(cost);
        total += s.cost[size_t(i)].toDouble();
    }
    s.total = monitor::plainNumber(total);
    return s;
}

std::optional<uint16_t> encodeRate(const QString& text) {
    if (!pages::isNumericEntry(text)) return std::nullopt;
    // The text is decimal; its hundredths are rounded once, after taking off the
    // binary noise of the multiplication (5.115 x 100 is 511.4999... in binary).
    const double hundredths = std::round(text.trimmed().toDouble() * 100.0 * 1e6) / 1e6;
    const double v = std::round(hundredths);
    if (!(v >= 0 && v <= 65535)) return std::nullopt;
    return uint16_t(v);
}

PeriodPlan planPeriodWrite(const std::array<PeriodFields, kPeriodCount>& rows) {
    PeriodPlan plan;
    HourMinute previousStop;
    for (int i = 0; i < kPeriodCount; ++i) {
        const QString n = QString::number(i + 1);
        const PeriodFields& row = rows[size_t(i)];
        const HourMinute start = hourMinute(row.start), stop = hourMinute(row.stop);
        const std::optional<uint16_t> rate = encodeRate(row.rate);
        const QString outOfRange = "TOU " + n + "  Out of Range (00:00 - 23:59) ?";
        if (!start.inRange() || !stop.inRange())
            plan.refusal = outOfRange;
        else if (start.hhmm() >= stop.hhmm())
            plan.refusal = "TOU " + n + "  Start Time >= Stop Time ?";
        else if (i > 0 && previousStop.hhmm() >= start.hhmm())
            plan.refusal = "TOU " + QString::number(i) + "  Stop Time >= TOU " + n + "  Start Time ?";
        else if (!rate)
            plan.refusal = "TOU " + n + "  Tariff Out of Range (0 - 655.35) ?";
        if (plan.refused()) {
            plan.writes.clear();
            return plan;
        }
        plan.writes.push_back({pages::FnWriteRegisters, uint16_t(kPeriodStart + kPeriodStride * i),
                               {uint16_t(start.hour << 8 | start.minute), uint16_t(stop.hour << 8 | stop.minute), *rate},
                               "Setting Time Of Use " + n});
        previousStop = stop;
    }
    return plan;
}

int16_t stepAfterPeriodWrite(int acknowledgedFrames) {
    return acknowledgedFrames >= kPeriodCount ? PeriodStepRead : PeriodStepStatus;
}

CoilCommand resetCountCommand() { return {kResetCountCaption, kResetCountCoil}; }

} // namespace tou
