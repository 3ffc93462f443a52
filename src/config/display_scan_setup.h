#pragma once
// Page 20 "Display Scan": the meter display's mode (scanning or manual) and
// digits (0x2018, 0x2019) and its loop of nineteen display pages (0x2210..0x2222).
// Two reads; the write goes out in three frames.

#include "config/page_family.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace config {

inline constexpr int16_t DisplayScanPageIndex = 20;
inline constexpr int16_t CmdDisplayFlags = 38;
inline constexpr int16_t CmdDisplayPages = 39;
inline constexpr int DisplayFlagsStart = 0x2018;
inline constexpr int DisplayFlagsCount = 2;
inline constexpr int DisplayLoopStart = 0x2210;
inline constexpr int DisplayLoopCount = 19;

// Steps: 0 read, 1 write, 2 idle (after reading, while asking and sending, after
// a refused login or a failed frame).
inline constexpr int16_t DisplayScanReadStep = 0;
inline constexpr int16_t DisplayScanWriteStep = 1;
inline constexpr int16_t DisplayScanIdleStep = 2;

// The two reads in order; the second is sent also when the first failed.
std::array<BlockRead, 2> displayScanReads();

// Items of the loop lists cbDisplay(0..18) (index = code, initial 0), of
// cbDisplay(19) (initial 0) and of cbDisplay(20) (initial 1, "5 Digit").
QStringList displayPageItems();
QStringList displayModeItems();
QStringList displayDigitItems();
inline constexpr int DisplayModeInitialIndex = 0;
inline constexpr int DisplayDigitInitialIndex = 1;

// "Display Loop 1 : " .. "Display Loop 19 : " for entry 0..18.
QString displayLoopCaption(int entry);
inline const QString DisplayModeCaption = QStringLiteral("Display Mode : ");
inline const QString DisplayDigitCaption = QStringLiteral("Display Digit : ");
inline const QString DisplayScanButtonCaption = QStringLiteral("Setting Display Scan");

struct DisplayFlags {
    int modeIndex = 0;  // cbDisplay(19)
    int digitIndex = 0; // cbDisplay(20)
};
// The reply of code 38; the first item for a code that names none.
std::optional<DisplayFlags> decodeDisplayFlags(const std::vector<uint16_t>& regs);
// The reply of code 39: list index of cbDisplay(0..18) ("NEXT" for a code above 19).
std::optional<std::array<int, 19>> decodeDisplayPages(const std::vector<uint16_t>& regs);

// The write of step 1: mode and digits (0x70 to 0x2018), loop entries 1..10
// (0x70 to 0x2210) and 11..19 (0x10 to 0x221A); a failed frame ends it.
WriteSequence displayScanWrite(int modeIndex, int digitIndex, const std::array<int, 19>& loopIndices);

} // namespace config
