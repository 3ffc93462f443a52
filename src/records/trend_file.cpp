#include "records/trend_file.h"

#include "common/shared_routines.h"
#include "monitor/instant_values.h"

#include <QFile>
#include <cmath>

namespace records {

namespace {

// A number as the file writes it: the sign position (a blank) before it and a blank after it.
QString numberLine(int v) { return (v < 0 ? QString() : QStringLiteral(" ")) + QString::number(v) + QLatin1Char(' '); }

QStringList splitItems(QByteArrayView data) {
    QStringList lines = QString::fromUtf8(data).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast(); // the end of the last line
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        qsizetype blanks = 0;
        while (blanks < line.size() && (line[blanks] == QLatin1Char(' ') || line[blanks] == QLatin1Char('\t')))
            ++blanks;
        line.remove(0, blanks);
    }
    return lines;
}

// The whole number of an item's value, nullopt unless it is one in 0..last.
std::optional<int> listIndex(const QString& item, int items) {
    const double v = std::floor(common::leadingNumber(item));
    if (v < 0 || v >= items) return std::nullopt;
    return int(v);
}

} // namespace

QStringList trendFileLines(const TrendLog& log, const TrendSetup& lists) {
    const int n = std::min(log.count(), kTrendRecords);
    const TrendRecording setup = n > 0 ? log.recording : TrendRecording{lists.channel, lists.interval};
    QStringList lines{numberLine(setup.interval),
                      numberLine(setup.channel),
                      numberLine(lists.mode),
                      log.configText,
                      log.startText,
                      log.lengthText.trimmed().isEmpty() ? QString() : QString::number(n)};
    for (int r = 1; r <= n; ++r) lines << log.raw(r) << log.text(r);
    return lines;
}

TrendFileRead parseTrendFile(QByteArrayView data, int intervalItems, int channelItems, int modeItems) {
    TrendFileRead out;
    const QStringList items = splitItems(data);
    if (items.size() < 3) {
        out.status = TrendFileRead::Short;
        return out;
    }
    const auto interval = listIndex(items[0], intervalItems), channel = listIndex(items[1], channelItems),
               mode = listIndex(items[2], modeItems);
    if (!interval || !channel || !mode) {
        out.status = TrendFileRead::Refused;
        out.error = {380, QStringLiteral("Invalid property value")};
        return out;
    }
    out.headerRead = true;
    out.file.interval = *interval;
    out.file.channel = *channel;
    out.file.mode = *mode;
    std::optional<QString>* captions[3] = {&out.file.configText, &out.file.startText, &out.file.lengthText};
    for (int i = 0; i < 3; ++i)
        if (3 + i < items.size()) *captions[i] = items[3 + i];
    if (!out.file.lengthText) {
        out.status = TrendFileRead::Short;
        return out;
    }
    const int n = std::min(trendRecordCount(*out.file.lengthText), kTrendRecords);
    for (int r = 1; r <= n; ++r) {
        const qsizetype at = 6 + 2 * (r - 1);
        // An empty record (one a failed download left) stays empty, not a reading of 0.
        if (at < items.size())
            out.file.raws << (items[at].trimmed().isEmpty() ? QString()
                                                            : monitor::plainNumber(common::leadingNumber(items[at])));
        if (at + 1 < items.size()) out.file.texts << items[at + 1];
    }
    out.status = 6 + 2 * n <= items.size() ? TrendFileRead::Loaded : TrendFileRead::Short;
    return out;
}

TrendFileRead readTrendFile(const QString& path, int intervalItems, int channelItems, int modeItems) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        TrendFileRead out;
        out.status = TrendFileRead::Unreadable;
        out.error = {file.exists() ? 75 : 53, file.errorString()};
        return out;
    }
    const QByteArray data = file.read(kMaxTrendFileBytes);
    if (file.error() != QFileDevice::NoError) {
        TrendFileRead out;
        out.status = TrendFileRead::Unreadable;
        out.error = {57, file.errorString()};
        return out;
    }
    return parseTrendFile(data, intervalItems, channelItems, modeItems);
}

void applyTrendFile(const TrendFileRead& read, TrendLog& log) {
    if (!read.headerRead) return;
    const TrendFile& f = read.file;
    log.takeFileRecords();
    log.recording = {f.channel, f.interval};
    if (f.configText) log.configText = *f.configText;
    if (f.startText) log.startText = *f.startText;
    if (f.lengthText) log.lengthText = *f.lengthText;
    for (qsizetype i = 0; i < f.raws.size(); ++i)
        log.setRecord(int(i + 1), f.raws[i], i < f.texts.size() ? f.texts[i] : log.text(int(i + 1)));
}

} // namespace records
