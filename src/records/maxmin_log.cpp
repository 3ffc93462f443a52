#include "records/maxmin_log.h"

#include "common/shared_routines.h"

#include <cmath>

namespace records {

namespace {

constexpr int kFirstRow = 2, kLastRow = 40;

// Rows 2..40 (unit -1: the kind writes its own text). The maxima and minima of rows 2..36 lie at the same place in their blocks.
const LogRowKind kRows[kLastRow - kFirstRow + 1] = {
    {"Phase A Current", Kind::Current, 0},
    {"Phase B Current", Kind::Current, 1},
    {"Phase C Current", Kind::Current, 2},
    {"Average Current", Kind::Current, 3},
    {"Neutral Current", Kind::Current, 4},
    {"Current Unbalance", Kind::Unbalance, -1},
    {"Voltage Van", Kind::Voltage, 6},
    {"Voltage Vbn", Kind::Voltage, 7},
    {"Voltage Vcn", Kind::Voltage, 8},
    {"Average Phase Voltage", Kind::Voltage, 9},
    {"Unbalance Phase Voltage", Kind::Unbalance, -1},
    {"Voltage Vab", Kind::Voltage, 11},
    {"Voltage Vbc", Kind::Voltage, 12},
    {"Voltage Vca", Kind::Voltage, 13},
    {"Average Line Voltage", Kind::Voltage, 14},
    {"Unbalance Line Voltage", Kind::Unbalance, -1},
    {"3 Phase Real Power", Kind::SignedPower, 16},
    {"3 Phase Reactive Power", Kind::SignedPower, 17},
    {"3 Phase Apparent Power", Kind::UnsignedPower, 18},
    {"3 Phase Power Factor", Kind::PowerFactor, -1},
    {"Frequency", Kind::Frequency, 20},
    {"Phase A Real Power", Kind::SignedPower, 21},
    {"Phase A Reactive Power", Kind::SignedPower, 22},
    {"Phase A Apparent Power", Kind::UnsignedPower, 23},
    {"Phase A Power Factor", Kind::PowerFactor, -1},
    {"Phase B Real Power", Kind::SignedPower, 25},
    {"Phase B Reactive Power", Kind::SignedPower, 26},
    {"Phase B Apparent Power", Kind::UnsignedPower, 27},
    {"Phase B Power Factor", Kind::PowerFactor, -1},
    {"Phase C Real Power", Kind::SignedPower, 29},
    {"Phase C Reactive Power", Kind::SignedPower, 30},
    {"Phase C Apparent Power", Kind::UnsignedPower, 31},
    {"Phase C Power Factor", Kind::PowerFactor, -1},
    {"PFL", Kind::PowerFactor, -1},
    {"PFC", Kind::PowerFactor, -1},
    // The demand block: the apparent-power demand is signed, unlike the log's rows.
    {"Total Current Demand", Kind::Current, 0},
    {"3 Phase Real Power Demand", Kind::SignedPower, 16},
    {"3 Phase Reactive Power Demand", Kind::SignedPower, 17},
    {"3 Phase Apparent Power Demand", Kind::SignedPower, 18},
};

const std::array<LogBlock, 5> kBlocks{{
    {CmdMaxBlock1, 0x01B0, 80, false, 2},
    {CmdMaxBlock2, 0x0200, 60, false, 22},
    {CmdMinBlock1, 0x0250, 80, true, 2},
    {CmdMinBlock2, 0x02A0, 60, true, 22},
    {CmdMaxDemand, 0x02F4, 16, false, 37},
}};

std::vector<LogRow> headedRows(int rows, const QString& heading) {
    std::vector<LogRow> out(static_cast<size_t>(rows));
    out[0] = {QStringLiteral(" "), heading, heading, heading};
    out[1] = {QStringLiteral(" "), QStringLiteral("Value"), QStringLiteral("Time"), QStringLiteral("Date")};
    for (int r = kFirstRow; r < rows; ++r) out[size_t(r)][0] = QString::fromLatin1(logRowKind(r).name);
    return out;
}

} // namespace

const std::array<LogBlock, 5>& maxMinBlocks() { return kBlocks; }

const LogBlock* maxMinBlock(int16_t code) {
    for (const LogBlock& b : kBlocks)
        if (b.code == code) return &b;
    return nullptr;
}

const LogRowKind& logRowKind(int row) {
    if (row < kFirstRow || row > kLastRow) row = kFirstRow;
    return kRows[row - kFirstRow];
}

std::vector<RowTexts> decodeLogBlock(int16_t code, std::span<const uint16_t> words,
                                     const common::MeterState& meter, const DateStyle& style) {
    std::vector<RowTexts> out;
    const LogBlock* block = maxMinBlock(code);
    if (!block) return out;
    const size_t records = std::min<size_t>(block->count / 4, words.size() / 4);
    for (size_t k = 0; k < records; ++k) {
        const int row = block->firstRow + int(k);
        const LogRowKind& rowKind = logRowKind(row);
        const MeterTimeStamp stamp = *timeStampAt(words, 4 * k + 1);
        out.push_back({row, {valueText(rowKind.kind, words[4 * k], rowKind.unit, meter), timeText(stamp),
                             dateText(stamp, style)}});
    }
    return out;
}

std::array<std::optional<RecordTexts>, 4> decodeMaxDemands(std::span<const uint16_t> words,
                                                             const common::MeterState& meter,
                                                             const DateStyle& style) {
    std::array<std::optional<RecordTexts>, 4> out;
    for (const RowTexts& r : decodeLogBlock(CmdMaxDemand, words, meter, style)) out[size_t(r.row - 37)] = r.texts;
    return out;
}

MaxMinLog::MaxMinLog()
    : max_(headedRows(kMaxGridRows, QStringLiteral("Maximum"))),
      min_(headedRows(kMinGridRows, QStringLiteral("Minimum"))) {}

std::vector<int> MaxMinLog::apply(int16_t code, std::span<const uint16_t> words, const common::MeterState& meter,
                                  const DateStyle& style) {
    std::vector<int> changed;
    const LogBlock* block = maxMinBlock(code);
    if (!block) return changed;
    std::vector<LogRow>& rows = block->minimum ? min_ : max_;
    for (const RowTexts& r : decodeLogBlock(code, words, meter, style)) {
        rows[size_t(r.row)][1] = r.texts.value;
        rows[size_t(r.row)][2] = r.texts.time;
        rows[size_t(r.row)][3] = r.texts.date;
        changed.push_back(r.row);
    }
    return changed;
}

void MaxMinLog::clearValues() {
    for (auto* rows : {&max_, &min_})
        for (size_t r = kFirstRow; r < rows->size(); ++r)
            for (int c = 1; c < kLogColumns; ++c) (*rows)[r][size_t(c)].clear();
}

QStringList MaxMinLog::csvLines() const {
    QStringList lines;
    lines << QStringLiteral("Maximum : ");
    for (size_t r = 1; r < max_.size(); ++r) lines << csvLine({max_[r].begin(), max_[r].end()});
    lines << QString() << QStringLiteral("Minimum : ");
    for (size_t r = 1; r < min_.size(); ++r) lines << csvLine({min_[r].begin(), min_[r].end()});
    return lines;
}

// --- the clear time -----------------------------------------------------------------------

pages::CombinedCheck clearTimeCheck() {
    return {0, 65535,
            QStringLiteral("Clear Max./Min. Log Time > (65535) or Clear Max./Min. Log Time < (0)"),
            QStringLiteral("0")};
}

QString wholePartText(const QString& text) {
    return QString::number(std::floor(common::leadingNumber(text)), 'f', 0);
}

std::optional<uint16_t> clearTimeValue(const QString& boxText) {
    if (!pages::isNumericEntry(boxText)) return std::nullopt;
    const double v = std::floor(common::leadingNumber(boxText));
    if (v < 0 || v > 65535) return std::nullopt;
    return uint16_t(v);
}

std::vector<uint8_t> clearTimeFrame(uint8_t address, uint16_t value) {
    return pages::buildWriteFrame(address, pages::FnWriteRegisters, kClearTimeRegister, {value});
}

bool clearMaxMinLog(MeterLink& link, QString& boxText, ClearTimeOrigin& origin) {
    if (origin == ClearTimeOrigin::None) {
        const auto words = link.read(CmdClearTime, kClearTimeRegister, 1);
        if (!words || words->empty()) return false;
        boxText = QString::number((*words)[0]);
        origin = ClearTimeOrigin::Meter;
    }
    // A box the user left with no usable number writes what the entry check gives back.
    const uint16_t value = clearTimeValue(boxText).value_or(0);
    if (!link.send(clearTimeFrame(link.address(), value))) return false;
    return link.coil(kClearMaxMinCoil);
}

} // namespace records
