#include "records/trend_logger.h"

#include "common/shared_routines.h"
#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "monitor/data_log_format.h"
#include "monitor/instant_values.h"
#include "monitor/waveform_math.h"

#include <QLocale>
#include <cmath>

namespace records {

namespace {

constexpr float kV1_3 = 1.3f, kV2_3 = 2.3f;

const char* const kChannelNames[24] = {"A1",   "A2",  "A3",  "Ae",  "A0",    "Aubl", "Van", "Vbn",
                                       "Vcn",  "Vpe", "Vpubl", "Vab", "Vbc", "Vca", "Vle", "Vlubl",
                                       "Watt", "Var", "VA",  "PF",  "FQ",    "ai1",  "ai2", "ai3"};
const char* const kIntervalNames[4] = {"15 Minutes", "30 Minutes", "60 Minutes", "10 Minutes"};
const char* const kModeNames[2] = {"Run To Fill", "Circulate"};

int lowByte(uint16_t w) { return w & 0xFF; }
int indexOrFirst(int value, int last) { return value >= 0 && value <= last ? value : 0; }

} // namespace

bool trendHasTenMinutes(float version) { return version > kV1_3; }
bool trendHasAnalogInputs(float version) { return version >= kV2_3; }

QStringList trendIntervalItems(float version) {
    QStringList items;
    for (int i = 0; i < (trendHasTenMinutes(version) ? 4 : 3); ++i) items << QString::fromLatin1(kIntervalNames[i]);
    return items;
}

QStringList trendChannelItems(float version) {
    QStringList items;
    for (int i = 0; i < (trendHasAnalogInputs(version) ? 24 : 21); ++i) items << QString::fromLatin1(kChannelNames[i]);
    return items;
}

QStringList trendModeItems() { return {QString::fromLatin1(kModeNames[0]), QString::fromLatin1(kModeNames[1])}; }

int trendIntervalMinutes(int index) {
    static const int minutes[4] = {15, 30, 60, 10};
    return index >= 0 && index < 4 ? minutes[index] : 0;
}

QString trendChannelName(int channel) {
    return channel >= 0 && channel < 24 ? QString::fromLatin1(kChannelNames[channel]) : QString();
}

QString trendRecordText(int channel, uint16_t raw, const common::MeterState& meter) {
    if (channel < 0 || channel > 23) return QString();
    if (channel >= 21) return QString::number(raw);
    if (channel <= 4) return valueText(Kind::Current, raw, 0, meter);
    if (channel == 5 || channel == 10 || channel == 15) return valueText(Kind::Unbalance, raw, -1, meter);
    if (channel <= 14) return valueText(Kind::Voltage, raw, 6, meter);
    switch (channel) {
    case 16: return valueText(Kind::SignedPower, raw, 16, meter);
    case 17: return valueText(Kind::SignedPower, raw, 17, meter);
    case 18: return valueText(Kind::UnsignedPower, raw, 18, meter);
    case 19: return valueText(Kind::PowerFactor, raw, -1, meter);
    default: return valueText(Kind::Frequency, raw, 20, meter);
    }
}

// --- set-up ---------------------------------------------------------------------------------

TrendSetup decodeTrendSetup(std::span<const uint16_t> words, float version) {
    TrendSetup s;
    if (words.size() < 3) return s;
    s.interval = indexOrFirst(lowByte(words[0]), trendHasTenMinutes(version) ? 3 : 2);
    s.channel = indexOrFirst(lowByte(words[1]), trendHasAnalogInputs(version) ? 23 : 20);
    s.mode = indexOrFirst(lowByte(words[2]), 1);
    return s;
}

std::vector<uint8_t> trendSetupFrame(uint8_t address, const TrendSetup& s) {
    return pages::buildWriteFrame(address, pages::FnWriteRegisters, kTrendSetupRegister,
                                   {uint16_t(s.interval & 0xFF), uint16_t(s.channel & 0xFF), uint16_t(s.mode & 0xFF)});
}

std::array<double, 3> analogInputRanges(std::span<const uint16_t> words) {
    std::array<double, 3> out{};
    for (size_t i = 0; i < 3; ++i)
        if (8 * i + 1 < words.size()) out[i] = words[8 * i + 1] == 0 ? 1 : words[8 * i + 1];
    return out;
}

// --- status -----------------------------------------------------------------------------------

std::optional<TrendStatus> decodeTrendStatus(std::span<const uint16_t> words) {
    if (words.size() < kTrendStatusCount) return std::nullopt;
    TrendStatus s;
    s.start = *timeStampAt(words, 0);
    s.interval = lowByte(words[3]);
    s.mode = lowByte(words[4]);
    s.running = lowByte(words[5]) != 0;
    s.count = words[6];
    s.channel = lowByte(words[16]);
    return s;
}

QString trendConfigText(const TrendStatus& s) {
    QString text;
    if (s.interval >= 0 && s.interval < 4) text += QString::fromLatin1(kIntervalNames[s.interval]) + "  ;  ";
    if (s.mode >= 0 && s.mode < 2) text += QString::fromLatin1(kModeNames[s.mode]) + "  ;  ";
    if (s.channel >= 0 && s.channel <= 20) text += trendChannelName(s.channel);
    return text;
}

GeneralDateFormat generalDateFormat(const QLocale& locale) {
    return {monitor::logfmt::dateTimePattern(locale), locale.dateFormat(QLocale::ShortFormat)};
}

GeneralDateFormat systemGeneralDateFormat() { return generalDateFormat(QLocale::system()); }

QString generalDateText(const QDateTime& when, const GeneralDateFormat& format) {
    const bool midnight = when.time() == QTime(0, 0);
    return QLocale::c().toString(when, midnight ? format.date : format.dateTime);
}

namespace {

QDateTime parseWith(const QString& text, const GeneralDateFormat& format) {
    const QLocale c = QLocale::c();
    QString used = format.dateTime;
    QDateTime when = c.toDateTime(text, used);
    if (!when.isValid()) {
        used = format.date;
        const QDate date = c.toDate(text, used);
        if (date.isValid()) when = QDateTime(date, QTime(0, 0));
    }
    // A two-digit year is read as 19yy: years up to 90 belong to this century, as the dates of the meter do.
    if (when.isValid() && !used.contains(QLatin1String("yyyy")) && when.date().year() <= 1990)
        when = when.addYears(100);
    return when;
}

// The general formats a trend log file may have been saved under: the C locale's
// and the US one first (where a text fits several, those are the likelier), then
// every other locale's, each once.
const std::vector<GeneralDateFormat>& savedGeneralDateFormats() {
    static const std::vector<GeneralDateFormat> formats = [] {
        std::vector<GeneralDateFormat> out;
        auto add = [&out](const QLocale& locale) {
            const GeneralDateFormat f = generalDateFormat(locale);
            for (const GeneralDateFormat& known : out)
                if (known.dateTime == f.dateTime && known.date == f.date) return;
            out.push_back(f);
        };
        add(QLocale::c());
        add(QLocale(QLocale::English, QLocale::UnitedStates));
        for (const QLocale& l : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
            add(l);
        return out;
    }();
    return formats;
}

} // namespace

QDateTime parseGeneralDate(const QString& text, const GeneralDateFormat& format) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return {};
    if (const QDateTime when = parseWith(t, format); when.isValid()) return when;
    // A file saved under another locale: its start time is in that locale's format.
    for (const GeneralDateFormat& saved : savedGeneralDateFormats())
        if (const QDateTime when = parseWith(t, saved); when.isValid()) return when;
    return {};
}

QString trendStartText(const MeterTimeStamp& s, const DateStyle& style, const GeneralDateFormat& format) {
    const int year = s.year <= 90 ? 2000 + s.year : 1900 + s.year;
    const QDateTime when(QDate(year, s.month, s.day), QTime(s.hour, s.minute, s.second));
    if (!when.isValid()) return timeText(s) + QStringLiteral("   ") + dateText(s, style);
    return generalDateText(when, format);
}

// --- the record store ---------------------------------------------------------------------------

TrendRecording recordingFor(const std::optional<TrendStatus>& status, const TrendSetup& lists, float version) {
    TrendRecording r{lists.channel, lists.interval};
    if (status) {
        if (status->channel >= 0 && status->channel < trendChannelItems(version).size()) r.channel = status->channel;
        if (status->interval >= 0 && status->interval < trendIntervalItems(version).size()) r.interval = status->interval;
    }
    return r;
}

int trendBlocksFor(int count) {
    if (count <= 0 || count > kTrendRecords) return kTrendBlocks;
    return (count + kTrendBlock - 1) / kTrendBlock;
}

int trendRowsFor(int count) { return count <= 0 || count > kTrendRecords ? kTrendRecords : count; }

TrendLog::TrendLog() : raw_(kTrendRecords + 1), text_(kTrendRecords + 1) {}

int trendRecordCount(const QString& lengthText) {
    // The whole number below it, as list indices are read from a file.
    const double n = std::floor(common::leadingNumber(lengthText));
    return int(std::clamp(n, 0.0, 65535.0));
}

const QString& TrendLog::raw(int row) const {
    static const QString none;
    return row >= 1 && row <= kTrendRecords ? raw_[size_t(row)] : none;
}

const QString& TrendLog::text(int row) const {
    static const QString none;
    return row >= 1 && row <= kTrendRecords ? text_[size_t(row)] : none;
}

void TrendLog::setRecord(int row, const QString& raw, const QString& text) {
    if (row < 1 || row > kTrendRecords) return;
    raw_[size_t(row)] = raw;
    text_[size_t(row)] = text;
}

TrendLog::StatusOutcome TrendLog::onStatus(const TrendStatus& s, const DateStyle& style,
                                           const GeneralDateFormat& format) {
    status_ = s;
    startText = trendStartText(s.start, style, format);
    configText = trendConfigText(s);
    StatusOutcome out;
    if (s.count != count() || incomplete_) {
        out.download = true;
        lengthText = QString::number(s.count);
        // The count now names records the store does not hold yet: due until a download completes.
        incomplete_ = true;
    }
    if (s.count == 0) {
        out.download = false;
        out.empty = true;
        lengthText = QStringLiteral("0");
        incomplete_ = false;
    }
    return out;
}

bool TrendLog::download(MeterLink& link, const TrendRecording& rec, const common::MeterState& meter) {
    recording = rec;
    const int n = count(), rows = trendRowsFor(n), blocks = trendBlocksFor(n);
    bool complete = true;
    for (int k = 0; k < blocks; ++k) {
        if (!link.carryOn()) {
            complete = false;
            break;
        }
        const auto words = link.read(CmdTrendData, uint16_t(kTrendDataRegister + kTrendBlock * k), kTrendBlock);
        const int first = kTrendBlock * k + 1, last = std::min(kTrendBlock * (k + 1), rows);
        for (int r = first; r <= last; ++r) {
            const size_t i = size_t(r - first);
            if (words && i < words->size()) {
                setRecord(r, QString::number((*words)[i]), trendRecordText(rec.channel, (*words)[i], meter));
            } else {
                setRecord(r, QString(), QString());
                complete = false;
            }
        }
        link.progress(QStringLiteral("Load Trend Logger Data %1%").arg(int(std::floor(k / 9.0 * 100))));
    }
    if (!complete) link.progress(meterMessage(QString::number(link.address()), kLoadTrendErrorWords));
    incomplete_ = !complete;
    return complete;
}

void TrendLog::takeFileRecords() { incomplete_ = false; }

void TrendLog::clearRecords() {
    for (int r = 1; r <= kTrendRecords; ++r) setRecord(r, QString(), QString());
}

void TrendLog::forget() {
    clearRecords();
    configText.clear();
    startText.clear();
    lengthText.clear();
    recording = {};
    status_.reset();
    incomplete_ = false;
}

} // namespace records
