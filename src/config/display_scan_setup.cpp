#include "config/display_scan_setup.h"

namespace config {

std::array<BlockRead, 2> displayScanReads() {
    return {BlockRead{CmdDisplayFlags, DisplayFlagsStart, DisplayFlagsCount},
            BlockRead{CmdDisplayPages, DisplayLoopStart, DisplayLoopCount}};
}

QStringList displayPageItems() {
    return {QStringLiteral("NEXT"),         QStringLiteral("V1 V2 V3 (Phase)"), QStringLiteral("V1 V2 V3 (Line)"),
            QStringLiteral("A1 A2 A3 "),    QStringLiteral("VPE VLE AE"),       QStringLiteral("VPE AE W"),
            QStringLiteral("VP1 A1 W"),     QStringLiteral("VP3 A3 W"),         QStringLiteral("A0 %AUB %VUB"),
            QStringLiteral("W Q VA"),       QStringLiteral("HZ PF SEQ"),        QStringLiteral("W1 W2 W3"),
            QStringLiteral("Q1 Q2 Q3"),     QStringLiteral("VA1 VA2 VA3"),      QStringLiteral("PF1 PF2 PF3"),
            QStringLiteral("+WH/-WH"),      QStringLiteral("+QH/-QH"),          QStringLiteral("VAH/AH"),
            QStringLiteral("DMD A/W"),      QStringLiteral("DATE/TIME")};
}

QStringList displayModeItems() { return {QStringLiteral("Scanning"), QStringLiteral("Manual")}; }

QStringList displayDigitItems() { return {QStringLiteral("4 Digit"), QStringLiteral("5 Digit")}; }

QString displayLoopCaption(int entry) { return QStringLiteral("Display Loop %1 : ").arg(entry + 1); }

std::optional<DisplayFlags> decodeDisplayFlags(const std::vector<uint16_t>& regs) {
    if (regs.size() < size_t(DisplayFlagsCount)) return std::nullopt;
    return DisplayFlags{listIndexFor(regs[0] & 0xFF, 1), listIndexFor(regs[1] & 0xFF, 1)};
}

std::optional<std::array<int, 19>> decodeDisplayPages(const std::vector<uint16_t>& regs) {
    if (regs.size() < size_t(DisplayLoopCount)) return std::nullopt;
    std::array<int, 19> pages{};
    for (size_t k = 0; k < pages.size(); ++k) pages[k] = listIndexFor(regs[k] & 0xFF, 19);
    return pages;
}

WriteSequence displayScanWrite(int modeIndex, int digitIndex, const std::array<int, 19>& loopIndices) {
    WriteSequence s;
    s.action = QStringLiteral("Setup Display Scan");
    s.idleStep = DisplayScanIdleStep;
    s.failedStep = DisplayScanIdleStep;
    std::vector<uint16_t> first, second;
    for (size_t k = 0; k < 10; ++k) first.push_back(listCode(loopIndices[k]));
    for (size_t k = 10; k < 19; ++k) second.push_back(listCode(loopIndices[k]));
    s.frames.push_back(sequenceFrame(FnVendorWrite, uint16_t(DisplayFlagsStart), {listCode(modeIndex), listCode(digitIndex)},
                                     QString(), QStringLiteral("Setting Display Scan Type")));
    s.frames.push_back(sequenceFrame(FnVendorWrite, uint16_t(DisplayLoopStart), std::move(first),
                                     QStringLiteral("Setting Display Scan (1)"), QStringLiteral("Setting Display Scan (1)")));
    s.frames.push_back(sequenceFrame(FnWriteRegisters, uint16_t(DisplayLoopStart + 10), std::move(second),
                                     QStringLiteral("Setting Display Scan (2)"), QStringLiteral("Setting Display Scan (2)")));
    return s;
}

} // namespace config
