#pragma once
// The download of a system function file without its widgets: the check of the
// whole file before anything changes, the file's lines put into the table, and
// the ordered vendor (0x70) writes built from the table with their texts.

#include "config/system_function.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace config {

inline const QString SFDownloadQuestion = QStringLiteral("Download System Function"); // "Do you want to ... ?"
inline constexpr uint16_t SFBaudRegister = 0x2001;
inline constexpr uint16_t SFTransferDelayRegister = 0x2002;

// What the file gives besides its cells.
struct SFDownloadFile {
    int baudIndex = 0;     // cbBaudRate's list index, 0..4 (line 2)
    int transferDelay = 0; // txtTDT, 0..32767 (line 3)
};
struct SFDownloadCheck {
    std::optional<QString> error; // the text of the "Error" box; nothing may be sent
    SFDownloadFile file;
};
// The whole file before the table, cbBaudRate, txtTDT or the meter change:
// exactly the layout's line count (read with at most that many lines; `more`
// when the file goes on), line 2 a decimal number 0..4, line 3 hexadecimal
// 0000..7FFF, every line that is written (0x2008 on, the map lines) 1 to 4
// hexadecimal digits after its blanks are dropped.
SFDownloadCheck checkSFDownloadFile(const SFLayout& layout, const QStringList& lines, bool more);

// Puts lines 2 on (registers 0x2001..) into the table, trimmed; line 1 (the
// meter's address) stays out.
void applySFFileToTable(SFTable& table, const QStringList& lines);

// A cell's value as the writers read it: hexadecimal up to the first other
// character, an empty cell 0; nullopt when it does not fit 16 bits.
std::optional<uint16_t> sfCellValue(const QString& text);

struct SFWrite {
    enum class Kind { Block, TransferDelay, BaudRate } kind = Kind::Block;
    uint16_t start = 0;
    std::vector<uint16_t> values;
};
// The download's writes in order: 0x2008 x 8, 0x2010 x 16, 32-register blocks
// from 0x2020 to the end of the set-up block, the map block in three writes of
// 32, the transfer delay (0x2002) and last the meter's baud rate (0x2001).
// 38 writes below version 2.0, 46 from 2.0. nullopt when a cell does not fit.
std::optional<std::vector<SFWrite>> sfDownloadWrites(const SFTable& table, const SFDownloadFile& file);
// The frame of a write without its CRC.
std::vector<uint8_t> sfWriteFrame(uint8_t address, const SFWrite& write);

// Texts of each write: a block's " Ok!" in panel 1 (it names the file's last
// line), the transfer delay's " Ok!" (panel 1) and " Error!" (box "Error"), the
// baud rate's both in panel 1.
QString sfBlockOkText(uint16_t start, const QString& lastLine);
QString sfTransferDelayText(const QString& meterAddress, bool ok);
QString sfBaudRateText(const QString& baudText, bool ok); // baudText: cbBaudRate's item

// The end of a download: "ok - [file]" in panel 1 only when every write, the
// read-back and the save-config went through; else the " Error!" box.
struct SFDownloadResult {
    QString text;
    bool error = false;
};
SFDownloadResult sfDownloadResult(const QString& meterAddress, const QString& fileName, bool anyFailed);

} // namespace config
