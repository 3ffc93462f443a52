#include "config/system_function.h"

#include "config/register_files.h"

namespace config {

// --- layout by firmware version -------------------------------------------------------------

SFLayout sfLayoutFor(float meterVersion) {
    const bool wide = meterVersion >= 2.0f;
    SFLayout l;
    l.setupRegisters = wide ? 1280 : 1024;
    l.blockSize = wide ? 64 : 32;
    l.blockCount = l.setupRegisters / l.blockSize;
    l.rowsPerBlock = l.blockSize / 16;
    l.firstMapRow = l.setupRegisters / 16 + 1;
    l.gridRows = l.firstMapRow + SFMapRegisters / 16;
    l.valueCells = l.setupRegisters + SFMapRegisters;
    l.blockWrites = l.setupRegisters / 32 - 1;
    return l;
}

SFCell sfCellOfLine(int line) { return SFCell{line / 16 + 1, line % 16 + 1}; }

int sfLineOfCell(SFCell cell) {
    if (cell.row < 1 || cell.column < 1 || cell.column > 16) return -1;
    return (cell.row - 1) * 16 + cell.column - 1;
}

std::optional<uint16_t> sfRegisterOfLine(const SFLayout& layout, int line) {
    if (line < 0 || line >= layout.valueCells) return std::nullopt;
    if (line < layout.setupRegisters) return uint16_t(SFSetupStart + line);
    return uint16_t(SFMapStart + line - layout.setupRegisters);
}

std::optional<int> sfLineOfRegister(const SFLayout& layout, uint16_t reg) {
    if (reg >= SFSetupStart && reg < SFSetupStart + layout.setupRegisters) return reg - SFSetupStart;
    if (reg >= SFMapStart && reg < SFMapStart + SFMapRegisters) return layout.setupRegisters + reg - SFMapStart;
    return std::nullopt;
}

SFRead sfBlockRead(const SFLayout& layout, int block) {
    return SFRead{CmdSFBlock, uint16_t(SFSetupStart + block * layout.blockSize), uint16_t(layout.blockSize), block};
}

SFRead sfMapRead() { return SFRead{CmdSFTail, SFMapStart, uint16_t(SFMapRegisters), -1}; }

// --- the table ------------------------------------------------------------------------------

void SFTable::reshape(const SFLayout& l) {
    layout = l;
    cells = QStringList();
    for (int i = 0; i < l.valueCells; ++i) cells << QString();
    colours.assign(size_t(l.valueCells), SFColourNormal);
}

void SFTable::emptyCells() {
    for (QString& c : cells) c.clear();
}

namespace {

void fillLines(SFTable& table, int firstLine, int maxCount, std::span<const uint16_t> regs) {
    for (size_t k = 0; k < regs.size() && int(k) < maxCount; ++k) {
        const int line = firstLine + int(k);
        if (line >= 0 && line < table.cells.size()) table.cells[line] = hex4(regs[k]);
    }
}

} // namespace

void showSFBlock(SFTable& table, int block, std::span<const uint16_t> regs) {
    const SFLayout& l = table.layout;
    if (block < 0 || block >= l.blockCount) return;
    fillLines(table, block * l.blockSize, l.blockSize, regs);
}

void showSFTail(SFTable& table, std::span<const uint16_t> regs) {
    fillLines(table, table.layout.setupRegisters, SFMapRegisters, regs);
}

// --- the load ------------------------------------------------------------------------------

SFLoad::SFLoad(SFTable& table, QString meterAddress) : layout_(table.layout), address_(std::move(meterAddress)) {
    table.emptyCells();
}

std::optional<SFRead> SFLoad::next() const {
    if (stopped_ || gaveUp_ || mapDone_) return std::nullopt;
    if (block_ < layout_.blockCount) return sfBlockRead(layout_, block_);
    return sfMapRead();
}

QString SFLoad::done(bool ok) {
    const std::optional<SFRead> read = next();
    if (!read) return {};
    // Set-up registers without leading zeros ("2000"), the map block as "00A0".
    const uint32_t first = read->start, last = first + read->count - 1u;
    const bool map = read->block < 0;
    const QString range = QStringLiteral("Load System Function (") + (map ? hex4(uint16_t(first)) : hexPlain(first)) +
                          QStringLiteral(") - (") + (map ? hex4(uint16_t(last)) : hexPlain(last)) + QStringLiteral(")");
    if (map) {
        mapDone_ = true;
        mapRead_ = ok;
        return ok ? range + QStringLiteral(" Ok!") : QString();
    }
    if (ok) {
        ++block_;
        failures_ = 0;
        return range + QStringLiteral(" Ok!");
    }
    if (++failures_ <= SFReadRetries) return {};
    gaveUp_ = true;
    return QStringLiteral("Meter [") + address_ + QStringLiteral("] ") + range + QStringLiteral(" Error!");
}

// --- texts ------------------------------------------------------------------------------------

QStringList sfButtonCaptions() {
    return {QStringLiteral("Save System Function File"), QStringLiteral("Download System Function File"),
            QStringLiteral("Check System Function File")};
}

// --- saving -----------------------------------------------------------------------------------

QStringList sfFileLines(const SFTable& table) { return table.cells; }

QString sfSaveOkText(const QString& meterAddress, const QString& fileName) {
    return QStringLiteral("Meter [") + meterAddress + QStringLiteral("] Save System Function ok - [") + fileName +
           QStringLiteral("]");
}

// --- comparing --------------------------------------------------------------------------------

SFCheckResult checkSFData(SFTable& table, const QStringList& lines, bool more, const QString& meterAddress,
                          const std::function<void(const QString&)>& progress) {
    SFCheckResult r;
    if (lines.isEmpty()) {
        r.end = SFCheckResult::End::Empty;
        r.text = QStringLiteral("Input past end of file");
        return r;
    }
    const int cellCount = int(table.cells.size());
    // Line 0, the meter's own address, is never compared.
    int n = 1;
    for (; n < lines.size() && n < cellCount; ++n) {
        const QString line = lines[n].trimmed();
        const QString cell = table.cells[n].trimmed();
        if (cell == line) {
            table.colours[size_t(n)] = SFColourNormal;
            if (progress)
                progress(QStringLiteral("Check System Function ") + hexPlain(uint32_t(SFSetupStart + n)) +
                         QStringLiteral(" - [") + cell + QStringLiteral(" = ") + line + QStringLiteral("] Ok!"));
        } else if (n < 3 || n > 7) {
            // 0x2003..0x2007 are the meter's own and never downloaded.
            table.colours[size_t(n)] = SFColourDiffer;
        }
    }
    r.lines = n;
    if (more || n < lines.size()) {
        r.end = SFCheckResult::End::Longer;
        r.text = QStringLiteral("System Function File is longer than the table (") + QString::number(cellCount) +
                 QStringLiteral(" lines): the rest is not checked!");
        return r;
    }
    for (int k = n; k < cellCount; ++k) table.colours[size_t(k)] = SFColourDiffer;
    r.text = QStringLiteral("Meter [") + meterAddress + QStringLiteral("] Check System Function (2000 - ") +
             hexPlain(uint32_t(0x1FFF + n)) + QStringLiteral(") ok ! ");
    return r;
}

} // namespace config
