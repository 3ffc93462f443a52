#pragma once
// Register values as text and the plain text files that hold one value per line
// (the user map files and the system function files).
//
// Files are written with CR LF after every line and read back with either LF or
// CR LF. A save goes to a temporary file first and replaces the old file only
// when everything was written, so a failed save leaves an existing file as it was.

#include "common/text_file.h"
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace config {

// Four upper-case hexadecimal digits, zero-padded ("00A5").
QString hex4(uint16_t value);
// Upper-case hexadecimal without leading zeros ("A5", "2008").
QString hexPlain(uint32_t value);
// 1 to 4 hexadecimal digits of either case and nothing else (no blanks, no sign),
// else nullopt.
std::optional<uint16_t> hexWord(const QString& text);

// What failed, as the common run-time error box shows it.
using common::FileError;

struct LineRead {
    QStringList lines;  // at most maxLines, each without its line ending
    bool more = false;  // the file goes on after them
    std::optional<FileError> error;
};
// The lines of a text file; a last line without its ending counts, an ending at
// the very end starts no further line. Reading stops after maxLines lines.
LineRead readLineFile(const QString& path, int maxLines);

// Writes every line followed by CR LF, replacing the file only on success.
std::optional<FileError> saveLineFile(const QString& path, const QStringList& lines);

// Meters from version 1.9 keep what a file download wrote only after a save-config.
bool saveConfigAfterDownload(float meterVersion);

} // namespace config
