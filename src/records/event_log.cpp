#include "records/event_log.h"

#include "common/shared_routines.h"

#include <cmath>

namespace records {

uint16_t eventRecordRegister(int i) { return uint16_t(kEventRecordStart + 8 * (i - 1)); }

int eventCountFrom(uint16_t reg) { return std::min(reg & 0xFF, kMaxEvents); }

CountClock countClockFor(int shown) { return shown < kMaxEvents ? CountClock::Record : CountClock::Minute; }

bool countPollDue(int shown, const common::TickCounters& ticks) {
    if (countClockFor(shown) == CountClock::Record) return ticks.RecordTicks >= common::TickCounters::RecordCap;
    return ticks.MinuteTicks >= common::TickCounters::MinuteCap;
}

std::optional<EventRecord> decodeEventRecord(std::span<const uint16_t> words) {
    if (words.size() < kEventRecordRegisters) return std::nullopt;
    EventRecord r;
    r.cause = words[0];
    r.stamp = *timeStampAt(words, 1);
    r.status = words[4];
    r.data1 = words[5];
    r.data2 = words[6];
    return r;
}

QString causeText(int code) {
    static const char* const system[] = {
        "No Event",
        "Power On / Reset",
        "Power Off",
        "Programming Access Enabled",
        "Self Test Error",
        "Clear Max./Min.",
        "Clear All Energy",
        "Clear Digital Input Count",
        "Clear Time Of Use Count",
        "Clear Event Record",
        "Time/Date Set",
        "Trace Memory Trigger",
        "User's Mapping Changed    Data1:Address ; Data2:Value",
        "Setup Changed             Data1:Address ; Data2:Value",
        "Alarm Changed             Data1:Address ; Data2:Value",
    };
    static const char* const alarms[] = {
        "Over Voltage For 3 Phase, Phase to Neutral",
        "Over Voltage For 3 Phase, Line to Line",
        "Over Current",
        "Over Neutral",
        "Over Watt, Imported",
        "Over Watt, Exported",
        "Over Var, Indutive",
        "Over Var, Capacitive",
        "Over VA",
        "Over Frequency",
        "Over Watt Demand",
        "Over Current Demand",
        "Over AI1",
        "Over AI2",
        "Over AI3",
        "Under Voltage For 3 Phase, Phase to Neutral",
        "Under Voltage For 3 Phase, Line to Line",
        "Under Frequency",
        "Under PF Indutive",
        "Under PF Capacitive",
        "Unbalance Voltage, VE To V1, V2, V3",
        "Unbalance Current, AE To A1, A2, A3",
        "Phase Rotation",
    };
    if (code >= 0 && code <= 14) return QString::fromLatin1(system[code]);
    if (code >= 50 && code <= 72) return QString::fromLatin1(alarms[code - 50]);
    if (code >= 73 && code <= 80) return QStringLiteral("Status Input %1").arg(code - 72);
    if (code >= 81 && code <= 83) return QStringLiteral("Relay %1 Control").arg(code - 80);
    return QString();
}

QString statusText(uint16_t status) {
    auto on = [status](int bit) { return (status >> bit) & 1; };
    auto state = [&](int bit, const char* head, int n, const char* tail) {
        return QString::fromLatin1(head) + QString::number(n) + (on(bit) ? QStringLiteral(":On") : QStringLiteral(":Off")) +
               QString::fromLatin1(tail);
    };
    QString text = state(0, "Relay (", 1, ",") + state(1, "", 2, ",") + state(2, "", 3, ");     ");
    text += on(4) ? QStringLiteral("has Data;     ") : QStringLiteral("no Data;     ");
    text += state(8, "DI (", 1, ",");
    for (int bit = 9; bit <= 14; ++bit) text += state(bit, "", bit - 7, ",");
    return text + state(15, "", 8, ")");
}

QString hexWordText(uint16_t value) { return QString::number(value, 16).toUpper() + QLatin1Char('h'); }

std::array<QString, 6> eventRowTexts(const EventRecord& r, const DateStyle& style) {
    return {timeText(r.stamp), dateText(r.stamp, style), causeText(r.cause),
            hexWordText(r.data1), hexWordText(r.data2), statusText(r.status)};
}

EventLog::EventLog() : rows_(kEventRows) { clearRows(); }

void EventLog::clearRows() {
    for (EventRow& row : rows_) row.fill(QString());
    rows_[0] = {QString(), QStringLiteral("Time"), QStringLiteral("Date"), QStringLiteral("Cause"),
                QStringLiteral("Data1"), QStringLiteral("Data2"), QStringLiteral("Status")};
}

int EventLog::shown() const {
    const double v = common::leadingNumber(shown_);
    return v > 0 ? int(std::min(std::floor(v), double(kMaxEvents))) : 0;
}

EventLog::CountOutcome EventLog::onCount(uint16_t reg) {
    const int count = eventCountFrom(reg);
    CountOutcome out;
    if (shown() > count) {
        clearRows();
        out.cleared = true;
    }
    if (shown() != count || count == kMaxEvents || incomplete_) {
        out.reload = true;
        shown_ = QString::number(count);
        // The rows no longer match the count until a load has read them all.
        incomplete_ = true;
    } else if (count == 0) {
        shown_ = QStringLiteral("0");
    }
    return out;
}

bool EventLog::load(MeterLink& link, const DateStyle& style) {
    const int count = shown();
    bool complete = true;
    for (int i = 1; i <= count; ++i) {
        if (!link.carryOn()) {
            complete = false;
            break;
        }
        EventRow& row = rows_[size_t(i)];
        row.fill(QString());
        row[0] = QString::number(count - i + 1);
        const auto words = link.read(CmdEventRecord, eventRecordRegister(i), kEventRecordRegisters);
        const auto record = words ? decodeEventRecord(*words) : std::nullopt;
        if (record) {
            const auto texts = eventRowTexts(*record, style);
            std::copy(texts.begin(), texts.end(), row.begin() + 1);
        } else {
            complete = false;
        }
        link.progress(QStringLiteral("Load Event Record %1%").arg(int(std::floor(double(i) / count * 100))));
    }
    incomplete_ = !complete;
    return complete;
}

void EventLog::forget() {
    clearRows();
    shown_.clear();
    incomplete_ = false;
}

QStringList EventLog::csvLines() const {
    QStringList lines;
    for (int r = 0; r <= shown(); ++r) lines << csvLine({rows_[size_t(r)].begin(), rows_[size_t(r)].end()});
    return lines;
}

} // namespace records
