#pragma once
// Page 9 "Demand": the demand period, block or rolling demand and internal or
// external (digital input 8) synchronisation, registers 0x2020..0x2022. The
// live present and maximum demand that the page shows at step 1 are read by the
// monitor's ReadDemandValues.

#include "config/page_family.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace config {

inline constexpr int16_t DemandPageIndex = 9;
inline constexpr int16_t CmdDemandSetup = 19;
inline constexpr int DemandSetupStart = 0x2020;
inline constexpr int DemandSetupCount = 3;

// Steps: 0 read the set-up, 1 live demand values (also the step while asking and
// after a refused login or a failed write), 2 write.
inline constexpr int16_t DemandReadStep = 0;
inline constexpr int16_t DemandLiveStep = 1;
inline constexpr int16_t DemandWriteStep = 2;

inline const QString DemandPeriodCaption = QStringLiteral("Period : ");
inline const QString DemandPeriodHint = QStringLiteral("1 - 60 Minutes");
inline const QString DemandTypeCaption = QStringLiteral("Type : ");
inline const QString DemandSyncCaption = QStringLiteral("Synchronization : ");
inline const QString DemandButtonCaption = QStringLiteral("Setup Demand");
inline const QString DemandPeriodDefault = QStringLiteral("15");

// cbDemand(0) and cbDemand(1); index = code, both start at index 0.
QStringList demandTypeItems();
QStringList demandSyncItems();

struct DemandSetup {
    QString periodText; // txtDemand
    int typeIndex = 0;  // cbDemand(0)
    int syncIndex = 0;  // cbDemand(1)
};
// The reply of code 19 (three registers); nullopt when it holds fewer.
std::optional<DemandSetup> decodeDemandSetup(const std::vector<uint16_t>& regs);

// txtDemand's check when it loses the focus: one range message, "15" comes back.
CombinedCheck demandPeriodCheck();

// The write of step 2 from the page's entries (idle step 1, function 0x10 to 0x2020).
ConfirmedWrite demandWrite(const QString& periodText, int typeIndex, int syncIndex);

} // namespace config
