#include "config/system_function_download.h"

#include "config/register_files.h"
#include "config/page_family.h"

namespace config {

namespace {

QString lineError(int line, const QString& text) {
    return QStringLiteral("System Function File Line [") + QString::number(line) + QStringLiteral("] Data [") + text +
           QStringLiteral("] Error!");
}

bool isDecimalDigits(const QString& t) {
    if (t.isEmpty() || t.size() > 4) return false;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

} // namespace

SFDownloadCheck checkSFDownloadFile(const SFLayout& layout, const QStringList& lines, bool more) {
    SFDownloadCheck r;
    if (more || lines.size() != layout.valueCells) {
        // A file of the other layout would put its map lines into 0x2400.. or leave
        // the map block to chance.
        r.error = QStringLiteral("System Function File Lines [") +
                  (more || lines.size() > layout.valueCells ? QStringLiteral("more than ") : QString()) +
                  QString::number(std::min<int>(int(lines.size()), layout.valueCells)) +
                  QStringLiteral("] Error! This meter needs ") + QString::number(layout.valueCells) +
                  QStringLiteral(" lines.");
        return r;
    }
    const QString baud = lines[1].trimmed();
    if (!isDecimalDigits(baud) || baud.toInt() > 4) {
        r.error = lineError(2, baud);
        return r;
    }
    r.file.baudIndex = baud.toInt();
    const QString delay = lines[2].trimmed();
    const std::optional<uint16_t> tdt = hexWord(delay);
    if (!tdt || *tdt > 0x7FFF) {
        r.error = lineError(3, delay);
        return r;
    }
    r.file.transferDelay = *tdt;
    // 0x2003..0x2007 are never written; everything from 0x2008 on is.
    for (int n = 8; n < lines.size(); ++n) {
        const QString t = lines[n].trimmed();
        if (!hexWord(t)) {
            r.error = lineError(n + 1, t);
            return r;
        }
    }
    return r;
}

void applySFFileToTable(SFTable& table, const QStringList& lines) {
    for (int n = 1; n < lines.size() && n < table.cells.size(); ++n) table.cells[n] = lines[n].trimmed();
}

std::optional<uint16_t> sfCellValue(const QString& text) {
    const QString t = text.trimmed();
    int digits = 0;
    while (digits < t.size() && QStringLiteral("0123456789ABCDEFabcdef").contains(t[digits])) ++digits;
    if (digits == 0) return uint16_t(0);
    return hexWord(t.left(digits));
}

std::optional<std::vector<SFWrite>> sfDownloadWrites(const SFTable& table, const SFDownloadFile& file) {
    std::vector<SFWrite> writes;
    bool fits = true;
    auto block = [&](uint16_t start, int firstLine, int count) {
        SFWrite w{SFWrite::Kind::Block, start, {}};
        for (int k = 0; k < count; ++k) {
            const std::optional<uint16_t> v = sfCellValue(table.cell(firstLine + k));
            fits = fits && v.has_value();
            w.values.push_back(v.value_or(0));
        }
        writes.push_back(std::move(w));
    };
    const SFLayout& l = table.layout;
    block(0x2008, 8, 8);
    block(0x2010, 16, 16);
    for (int i = 1; i <= l.blockWrites; ++i) block(uint16_t(SFSetupStart + 32 * i), 32 * i, 32);
    for (int i = 0; i < 3; ++i) block(uint16_t(SFMapStart + 32 * i), l.setupRegisters + 32 * i, 32);
    writes.push_back({SFWrite::Kind::TransferDelay, SFTransferDelayRegister, {uint16_t(file.transferDelay)}});
    writes.push_back({SFWrite::Kind::BaudRate, SFBaudRegister, {uint16_t(file.baudIndex)}});
    if (!fits) return std::nullopt;
    return writes;
}

std::vector<uint8_t> sfWriteFrame(uint8_t address, const SFWrite& write) {
    return buildWriteFrame(address, FnVendorWrite, write.start, write.values);
}

QString sfBlockOkText(uint16_t start, const QString& lastLine) {
    return QStringLiteral("Setting System Function ") + hexPlain(start) + QStringLiteral(" - [") + lastLine +
           QStringLiteral("] Ok!");
}

QString sfTransferDelayText(const QString& meterAddress, bool ok) {
    return QStringLiteral("Meter [") + meterAddress + QStringLiteral("] Setting Transfer Delay Time ") +
           (ok ? QStringLiteral("Ok!") : QStringLiteral("Error!"));
}

QString sfBaudRateText(const QString& baudText, bool ok) {
    return QStringLiteral("Meter Baud Rate [") + baudText + QStringLiteral("] Setting ") +
           (ok ? QStringLiteral("Ok!") : QStringLiteral("Error!"));
}

SFDownloadResult sfDownloadResult(const QString& meterAddress, const QString& fileName, bool anyFailed) {
    const QString head = QStringLiteral("Meter [") + meterAddress;
    if (anyFailed) return {head + QStringLiteral("] Download System Function Error!"), true};
    return {head + QStringLiteral("] Download System Function ok - [") + fileName + QStringLiteral("]"), false};
}

} // namespace config
