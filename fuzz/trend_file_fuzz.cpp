// Arbitrary bytes as a trend log file, opened without a meter as the trend page
// does: a refused file changes nothing; a file taken in gives list choices inside
// their lists and at most 960 records, and the chart and both cursors can be
// drawn from whatever it held.
#include "records/trend_chart.h"
#include "records/trend_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace records;

namespace {
void check(bool sound) {
    if (!sound) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const float version = (data[0] & 1) ? 2.0f : 1.9f;
    const int intervals = int(trendIntervalItems(version).size());
    const int channels = int(trendChannelItems(version).size());
    const int modes = int(trendModeItems().size());
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    TrendFileRead read;
    if (data[0] & 2) {
        // Now and then through a real file, as the page opens it.
        static QTemporaryDir dir;
        const QString path = dir.path() + "/t.CSV";
        QFile f(path);
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes.data(), bytes.size()) == bytes.size());
        f.close();
        read = readTrendFile(path, intervals, channels, modes);
    } else {
        read = parseTrendFile(bytes, intervals, channels, modes);
    }

    TrendLog log;
    log.lengthText = QStringLiteral("3");
    log.setRecord(1, QStringLiteral("100"), QStringLiteral("1.00"));
    log.recording = {1, 1};
    const TrendFile& f = read.file;
    if (!read.headerRead) {
        check(read.status != TrendFileRead::Loaded);
        applyTrendFile(read, log);
        check(log.lengthText == "3" && log.raw(1) == "100" && log.recording.channel == 1 && log.recording.interval == 1);
        return 0;
    }
    check(f.interval >= 0 && f.interval < intervals && f.channel >= 0 && f.channel < channels);
    check(f.mode >= 0 && f.mode < modes);
    check(f.raws.size() <= kTrendRecords);
    check(f.texts.size() == f.raws.size() || f.texts.size() + 1 == f.raws.size());
    applyTrendFile(read, log);
    check(log.recording.channel == f.channel && log.recording.interval == f.interval);
    // A complete file: the records the chart draws and a save writes are exactly the file's.
    if (read.status == TrendFileRead::Loaded) {
        check(std::min(log.count(), kTrendRecords) == int(f.raws.size()));
        // What was opened, saved again (as the page saves it, its lists set from the file), opens the same.
        const QByteArray saved = (trendFileLines(log, {f.interval, f.channel, f.mode}).join("\r\n") + "\r\n").toUtf8();
        const TrendFileRead again = parseTrendFile(saved, intervals, channels, modes);
        check(again.status == TrendFileRead::Loaded && again.file.raws == f.raws && again.file.texts == f.texts);
        check(again.file.interval == f.interval && again.file.channel == f.channel && again.file.mode == f.mode);
        check(again.file.configText == f.configText && again.file.startText == f.startText);
    }

    const TrendView view{6705, 4335, data[1] % (kTrendSkipMax + 1), (data[1] >> 4) * 13};
    const TrendChart chart = trendChart(log, view, {1000, 0, 60000});
    check(chart.lines.size() <= size_t(kTrendRecords));
    const GeneralDateFormat format{QStringLiteral("dd/MM/yyyy HH:mm:ss"), QStringLiteral("dd/MM/yyyy")};
    trendCursors({0, kTrendCursorXMax}, chart.pointStep, view.skip, log, format);
    trendCursors({int(data[1]) * 20, 3}, chart.pointStep, view.skip, log, format);
    return 0;
}
