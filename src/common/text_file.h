#pragma once
// Saving the program's text files (logs, maps, tables): a failed save reports
// why and leaves any file that was there as it was.

#include <QString>
#include <QStringList>
#include <optional>

namespace common {

// A file error as the program reports it: its run-time error number (53 file not
// found, 57 device I/O error, 61 disk full, 75 path/file access error) and the
// system's text.
struct FileError {
    int number = 0;
    QString message;
};

enum class TextEncoding { Utf8, Latin1 };

// Writes every line followed by CR LF as one new file in place of any old one.
std::optional<FileError> saveLines(const QString& path, const QStringList& lines,
                                   TextEncoding encoding = TextEncoding::Utf8);

} // namespace common
