#include "common/text_file.h"

#include <QSaveFile>

namespace common {

std::optional<FileError> saveLines(const QString& path, const QStringList& lines, TextEncoding encoding) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += (encoding == TextEncoding::Latin1 ? line.toLatin1() : line.toUtf8()) + "\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return FileError{75, file.errorString()};
    if (file.write(bytes) != bytes.size()) {
        const QString message = file.errorString();
        file.cancelWriting();
        file.commit(); // only discards the temporary file
        return FileError{61, message};
    }
    if (!file.commit()) return FileError{57, file.errorString()};
    return std::nullopt;
}

} // namespace common
