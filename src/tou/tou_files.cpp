#include "tou/tou_files.h"

#include "common/text_file.h"
#include "tou/tou_editors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tou {

namespace {

// A TOU file is a few kilobytes; anything read beyond this is not ours.
constexpr qint64 kMaxReadSize = 1024 * 1024;

QString value(QString line) {
    line = line.trimmed();
    if (line.size() >= 2 && line.startsWith(QLatin1Char('"')) && line.endsWith(QLatin1Char('"')))
        line = line.mid(1, line.size() - 2).trimmed();
    return line;
}

FileError accessError(const QString& message) { return {kErrFileAccess, message}; }
FileError pastEnd() { return {kErrPastEnd, QStringLiteral("Input past end of file")}; }

void setError(FileError* error, const FileError& e) {
    if (error) *error = e;
}

// The file's values when it has at least `lines` of them.
std::optional<QStringList> readAtLeast(const QString& path, int lines, FileError* error) {
    std::optional<QStringList> values = readValueLines(path, error);
    if (values && values->size() < lines) {
        setError(error, pastEnd());
        return std::nullopt;
    }
    return values;
}

QString inFolder(const QString& folder, const QString& name) { return QDir(folder).filePath(name); }

} // namespace

QString yearFileName(int yearIndex) { return QString::number(kFirstYear + yearIndex) + QStringLiteral(".TOU"); }

QString findFileNoCase(const QString& folder, const QString& name) {
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(name)).isFile()) return dir.filePath(name);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
    return {};
}

std::optional<QStringList> readValueLines(const QString& path, FileError* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        setError(error, accessError(f.errorString()));
        return std::nullopt;
    }
    const QByteArray bytes = f.read(kMaxReadSize);
    const bool failed = f.error() != QFileDevice::NoError;
    const QString reason = f.errorString();
    f.close();
    if (failed) {
        setError(error, accessError(reason));
        return std::nullopt;
    }
    QString text = QString::fromLatin1(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.isEmpty() || text.endsWith(QLatin1Char('\n'))) lines.removeLast();
    for (QString& line : lines) line = value(line);
    return lines;
}

bool writeValueLines(const QString& path, const QStringList& values, FileError* error) {
    // One value a line: a value holding a line break would shift every value after it.
    QStringList lines;
    lines.reserve(values.size());
    for (const QString& v : values) lines << withoutLineBreaks(v);
    const auto failed = common::saveLines(path, lines, common::TextEncoding::Latin1);
    if (failed) setError(error, accessError(failed->message));
    return !failed;
}

// --- names and costs --------------------------------------------------------------------------------

NameFileRead readNameFile(const QString& appFolder, const TouNames& current) {
    NameFileRead r{current, std::nullopt};
    const QString path = findFileNoCase(appFolder, kNameFileName);
    if (path.isEmpty()) return r;
    FileError e;
    const std::optional<QStringList> values = readAtLeast(path, kNameCount, &e);
    if (!values) {
        r.error = e;
        return r;
    }
    for (int i = 0; i < kNameCount; ++i) r.names[size_t(i)] = values->at(i);
    return r;
}

bool saveNameFile(const QString& appFolder, const TouNames& names, FileError* error) {
    return writeValueLines(appFolder + kNameFileName, QStringList(names.begin(), names.end()), error);
}

std::optional<UnitCosts> readCostFile(const QString& appFolder) {
    const QString path = findFileNoCase(appFolder, kCostFileName);
    if (path.isEmpty()) return std::nullopt;
    const std::optional<QStringList> values = readAtLeast(path, kCostCount, nullptr);
    if (!values) return std::nullopt;
    UnitCosts costs;
    for (int i = 0; i < kCostCount; ++i) costs[size_t(i)] = values->at(i);
    return costs;
}

bool saveCostFile(const QString& appFolder, const UnitCosts& costs, FileError* error) {
    return writeValueLines(appFolder + kCostFileName, QStringList(costs.begin(), costs.end()), error);
}

// --- calendar files -----------------------------------------------------------------------------------

QStringList scheduleFileValues(const ScheduleTable& table) {
    QStringList values;
    for (int column = 1; column < kScheduleGridColumns; ++column)
        for (int channel = 0; channel < kChannelCount; ++channel)
            values << scheduleGridText(table, kScheduleFirstRow + channel, column);
    return values;
}

void scheduleFromValues(const QStringList& values, ScheduleTable& table) {
    for (int line = 0; line < kScheduleFileLines && line < values.size(); ++line)
        setScheduleGridText(table, kScheduleFirstRow + line % kChannelCount, line / kChannelCount + 1, values[line]);
}

QStringList yearFileValues(const YearColumn& column) { return QStringList(column.begin(), column.end()); }

std::optional<QString> subfolderPath(const QString& folder, const QString& typed) {
    if (typed.isEmpty()) return std::nullopt;
    const QFileInfo info(QDir(folder).filePath(typed));
    if (!info.isDir()) return std::nullopt;
    return QDir::cleanPath(info.absoluteFilePath());
}

QString saveCalendarAction(const QString& folder) { return "Save Calendar [" + folder + "]"; }

bool saveCalendar(TouTables& t, const QString& folder, FileError* error) {
    storeYear(t);
    if (!writeValueLines(inFolder(folder, kScheduleFileName), scheduleFileValues(t.schedules), error)) return false;
    for (int c = 0; c < kYearCount; ++c) {
        if (!t.fileYears[size_t(c)]) continue;
        if (!writeValueLines(inFolder(folder, yearFileName(c)), yearFileValues(t.store.column(c)), error))
            return false;
    }
    return true;
}

std::optional<CalendarFiles> readCalendarFolder(const QString& folder, FileError* error) {
    CalendarFiles files;
    if (const QString path = findFileNoCase(folder, kScheduleFileName); !path.isEmpty()) {
        files.schedule = readAtLeast(path, kScheduleFileLines, error);
        if (!files.schedule) return std::nullopt;
    }
    for (int c = 0; c < kYearCount; ++c) {
        const QString path = findFileNoCase(folder, yearFileName(c));
        if (path.isEmpty()) continue;
        files.years[size_t(c)] = readAtLeast(path, kYearFileLines, error);
        if (!files.years[size_t(c)]) return std::nullopt;
    }
    return files;
}

int applyCalendarFiles(TouTables& t, const CalendarFiles& files) {
    storeYear(t);
    if (files.schedule) scheduleFromValues(*files.schedule, t.schedules);
    int first = -1;
    for (int c = 0; c < kYearCount; ++c) {
        t.meterYears[size_t(c)] = false;
        t.fileYears[size_t(c)] = bool(files.years[size_t(c)]);
        if (!files.years[size_t(c)]) continue;
        YearColumn& column = t.store.column(c);
        for (int row = 0; row < kStoreRows; ++row) column[size_t(row)] = files.years[size_t(c)]->at(row);
        if (first < 0) first = c;
    }
    if (first >= 0) {
        t.TOUYear = -1; // already stored above
        selectYear(t, first);
    }
    return first;
}

} // namespace tou
