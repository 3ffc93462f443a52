#include "config/demand_setup.h"

#include "common/shared_routines.h"
#include "config/page_family.h"

namespace config {

namespace {
const QString kPeriodRange = QStringLiteral("Demand Period > (60) or Demand Period < (1)");
}

QStringList demandTypeItems() { return {QStringLiteral("Block Interval"), QStringLiteral("Rolling Demand")}; }

QStringList demandSyncItems() { return {QStringLiteral("Internal"), QStringLiteral("External (DI 8)")}; }

std::optional<DemandSetup> decodeDemandSetup(const std::vector<uint16_t>& regs) {
    if (regs.size() < size_t(DemandSetupCount)) return std::nullopt;
    // Type and synchronisation are codes in the low byte.
    return DemandSetup{QString::number(regs[0]), listIndexFor(regs[1] & 0xFF, 1), listIndexFor(regs[2] & 0xFF, 1)};
}

CombinedCheck demandPeriodCheck() { return CombinedCheck{1, 60, kPeriodRange, DemandPeriodDefault}; }

ConfirmedWrite demandWrite(const QString& periodText, int typeIndex, int syncIndex) {
    ConfirmedWrite w;
    w.idleStep = DemandLiveStep;
    w.action = QStringLiteral("Setup Demand");
    w.resultWords = QStringLiteral("Setting Demand");
    w.firstRegister = uint16_t(DemandSetupStart);
    w.values = [periodText, typeIndex, syncIndex]() -> std::optional<std::vector<uint16_t>> {
        const auto period = encodeOrReport(encodeRegister(common::leadingNumber(periodText)), kPeriodRange);
        if (!period) return std::nullopt;
        return std::vector<uint16_t>{*period, listCode(typeIndex), listCode(syncIndex)};
    };
    return w;
}

} // namespace config
