#include "tou/tou_transfer.h"

#include "pages/values.h"
#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "common/shared_routines.h"
#include "tou/tou_editors.h"

#include <algorithm>
#include <cmath>

namespace tou {

namespace {

int high(uint16_t reg) { return reg >> 8; }
int low(uint16_t reg) { return reg & 0xFF; }

QString dateText(uint16_t reg) { return monthDayText(high(reg), low(reg)); }
// A season, holiday or weekday schedule from the meter: above 5 is taken as 0.
QString scheduleText(uint16_t reg) { return QString::number(low(reg) > 5 ? 0 : low(reg)); }

} // namespace

std::vector<uint16_t> replyWords(const rtu::LinkState& link) { return pages::replyWords(link, rtu::RxBufferSize); }

// --- upload ---------------------------------------------------------------------------------------

std::vector<BlockRead> uploadReads() {
    std::vector<BlockRead> reads;
    for (int i = 0; i < kScheduleCount; ++i)
        reads.push_back({CmdScheduleRead, scheduleStart(i), kScheduleRegisters, int16_t(i)});
    for (int k = 0; k < kMeterSlots; ++k)
        reads.push_back({CmdCalendarRead, calendarStart(k), kCalendarRegisters, int16_t(k)});
    return reads;
}

UploadPass runUploadReads(const std::function<bool()>& ended,
                          const std::function<bool(const BlockRead&)>& read) {
    UploadPass pass;
    for (const BlockRead& r : uploadReads()) {
        if (ended()) return pass;
        if (!read(r)) {
            pass.failed = r;
            return pass;
        }
    }
    pass.whole = true;
    return pass;
}

QString uploadProgress(const BlockRead& read, bool ok) {
    const QString what = read.code == CmdScheduleRead ? "Upload Schedule " + QString::number(read.blockIndex)
                                                      : "Upload Calendar " + QString::number(read.blockIndex + 1);
    return what + (ok ? " OK." : " Error.");
}

QString uploadErrorText(const QString& address) { return resultLine(address, QStringLiteral("Upload TOU"), false); }

QString uploadFailureText(const QString& address, const BlockRead& read) {
    const QString what = read.code == CmdScheduleRead ? "Upload Schedule " + QString::number(read.blockIndex + 1)
                                                      : "Upload Calendar " + QString::number(read.blockIndex + 1);
    return resultLine(address, what, false);
}

void beginUpload(TouTables& t, int currentMonth) {
    t.store.clearForUpload();
    t.meterYears.fill(false);
    t.fileYears.fill(false);
    t.TOUMonth = int16_t(monthButtons(currentMonth).month);
}

std::optional<Schedule> decodeSchedule(std::span<const uint16_t> regs, const TouNames& names) {
    if (regs.size() < kScheduleRegisters) return std::nullopt;
    Schedule s;
    for (int p = 0; p < kChannelCount; ++p) {
        const uint16_t time = regs[size_t(2 * p)];
        SwitchPoint& point = s[size_t(p)];
        point.time = high(time) <= 24 ? twoDigits(high(time)) + ":" + twoDigits(low(time)) : kMidnight;
        // Only tariffs 0..3 have a name; anything else is taken as the first.
        int tariff = low(regs[size_t(2 * p + 1)]);
        if (tariff >= kTariffCount) tariff = 0;
        point.tariffName = names[size_t(kScheduleCount + tariff)];
        point.tariffIndex = QString::number(tariff);
    }
    return s;
}

std::optional<CalendarSlot> decodeCalendarSlot(std::span<const uint16_t> regs) {
    if (regs.size() < kCalendarRegisters) return std::nullopt;
    const int year = regs[0];
    if (year < kFirstYear || year >= kFirstYear + kYearCount) return std::nullopt;
    CalendarSlot slot;
    slot.column = year - kFirstYear;
    YearColumn& r = slot.rows;
    r[RowYear] = QString::number(year);
    for (int s = 0; s < kSeasonCount; ++s) {
        r[size_t(seasonDateRow(s))] = dateText(regs[size_t(1 + 2 * s)]);
        r[size_t(seasonScheduleRow(s))] = scheduleText(regs[size_t(2 + 2 * s)]);
    }
    for (int h = 0; h < kHolidayCount; ++h) {
        r[size_t(holidayDateRow(h))] = dateText(regs[size_t(16 + 2 * h)]);
        r[size_t(holidayScheduleRow(h))] = scheduleText(regs[size_t(17 + 2 * h)]);
    }
    r[RowWeekdayMask] = QString::number(regs[76]);
    r[RowWeekdaySchedule] = scheduleText(regs[77]);
    r[RowBillDate] = QString::number(low(regs[78]));
    return slot;
}

bool applyScheduleReply(TouTables& t, int schedule, std::span<const uint16_t> regs) {
    if (schedule < 0 || schedule >= kScheduleCount) return false;
    std::optional<Schedule> s = decodeSchedule(regs, t.names);
    if (!s) return false;
    t.schedules[size_t(schedule)] = *s;
    return true;
}

bool applyCalendarReply(TouTables& t, std::span<const uint16_t> regs) {
    std::optional<CalendarSlot> slot = decodeCalendarSlot(regs);
    if (!slot) return false;
    t.store.column(slot->column) = slot->rows;
    t.meterYears[size_t(slot->column)] = true;
    return true;
}

int finishUpload(TouTables& t) {
    int select = -1;
    if (t.TOUYear >= 0 && t.TOUYear < kYearCount && t.meterYears[size_t(t.TOUYear)]) {
        select = t.TOUYear;
    } else {
        for (int c = 0; c < kYearCount && select < 0; ++c)
            if (t.meterYears[size_t(c)]) select = c;
    }
    // The editors still show the old tables: they must not overwrite what was just read.
    t.TOUYear = -1;
    if (select >= 0) selectYear(t, select);
    if (t.editors.billDate.isEmpty()) t.editors.billDate = QStringLiteral("0");
    t.TOUUploadPending = false;
    return select;
}

// --- download --------------------------------------------------------------------------------------

namespace {

bool twoDigitPair(const QString& text, QChar separator, int& first, int& second) {
    if (text.size() != 5 || text[2] != separator) return false;
    for (int i : {0, 1, 3, 4})
        if (!text[i].isDigit() || text[i].unicode() > '9') return false;
    first = text.left(2).toInt();
    second = text.mid(3, 2).toInt();
    return true;
}

// Converts the cells of one table to register values, remembering the first
// cell that does not convert or is out of range; that cell names the refusal.
class CellReader {
public:
    QString refusal;

    void setPlace(const QString& place) { place_ = place; }

    uint16_t date(const QString& text, const QString& field) {
        int m = 0, d = 0;
        const bool ok = twoDigitPair(text, QLatin1Char('/'), m, d) &&
                        ((m == 0 && d == 0) || (m >= 1 && m <= 12 && d >= 1 && d <= 31));
        return ok ? uint16_t(m << 8 | d) : fail(text, field);
    }
    uint16_t time(const QString& text, const QString& field) {
        int h = 0, m = 0;
        const bool ok = twoDigitPair(text, QLatin1Char(':'), h, m) && h <= 23 && m <= 59;
        return ok ? uint16_t(h << 8 | m) : fail(text, field);
    }
    // A number as a byte: the cell must be a number; halves round to even.
    uint16_t number(const QString& text, int max, const QString& field) {
        if (!pages::isNumericEntry(text)) return fail(text, field);
        return inRange(std::nearbyint(text.trimmed().toDouble()), max, text, field);
    }
    // The number at the start of the text; an empty or non-numeric text is 0.
    uint16_t leading(const QString& text, int max, const QString& field) {
        return inRange(std::nearbyint(common::leadingNumber(text)), max, text, field);
    }
    // A rule over several cells of the table: its words name the cells.
    void rule(const QString& breach) {
        if (refusal.isEmpty() && !breach.isEmpty()) refusal = place_ + " : " + breach;
    }

private:
    uint16_t inRange(double v, int max, const QString& text, const QString& field) {
        return (v >= 0 && v <= max) ? uint16_t(v) : fail(text, field);
    }
    uint16_t fail(const QString& text, const QString& field) {
        if (refusal.isEmpty()) refusal = place_ + " : " + field + " \"" + text + "\" Error!";
        return 0;
    }
    QString place_;
};

const QString kSeason = QStringLiteral("Season ");
const QString kHoliday = QStringLiteral("Holiday ");

// A season or holiday: its date, then its schedule (6 = none) in the next row.
void appendDay(CellReader& in, std::vector<uint16_t>& v, const YearColumn& col, int dateRow, const QString& name,
               const QString& dateField) {
    v.push_back(in.date(col[size_t(dateRow)], name + dateField));
    v.push_back(in.number(col[size_t(dateRow + 1)], kNoSchedule, name + " Schedule"));
}

std::vector<TouWrite> yearFrames(CellReader& in, const YearColumn& col, int c, int slot) {
    in.setPlace("Year " + QString::number(kFirstYear + c));
    TouWrite a{pages::FnVendorWrite, calendarStart(slot), {uint16_t(kFirstYear + c)}, {}};
    for (int s = 0; s < kSeasonCount; ++s)
        appendDay(in, a.values, col, seasonDateRow(s), kSeason + QString::number(s + 1), " Start Date");
    a.values.resize(16, 0); // registers 9..15 are not used
    TouWrite b{pages::FnVendorWrite, uint16_t(calendarStart(slot) + kFrameARegisters), {},
               "Setup " + QString::number(kFirstYear + c) + " Calendar OK."};
    for (int h = 0; h < kHolidayCount; ++h)
        appendDay(in, h < 10 ? a.values : b.values, col, holidayDateRow(h), kHoliday + QString::number(h + 1),
                  " Date");
    b.values.push_back(in.number(col[RowWeekdayMask], 127, QStringLiteral("Weekday Mask")));
    b.values.push_back(in.leading(col[RowWeekdaySchedule], kScheduleCount - 1, QStringLiteral("Weekday Schedule")));
    b.values.push_back(in.leading(col[RowBillDate], 31, QStringLiteral("Monthly Bill Date")));
    std::array<QString, kSeasonCount> seasons;
    for (int s = 0; s < kSeasonCount; ++s) seasons[size_t(s)] = col[size_t(seasonDateRow(s))];
    in.rule(usedSeasonOrderRefusal(seasons));
    return {a, b};
}

TouWrite scheduleFrame(CellReader& in, const Schedule& schedule, int i) {
    in.setPlace("Schedule " + QString::number(i + 1));
    // The meter takes the last schedule with the standard write only.
    TouWrite w{i < kScheduleCount - 1 ? pages::FnVendorWrite : pages::FnWriteRegisters, scheduleStart(i), {},
               "Setup Schedule " + QString::number(i) + " OK."};
    for (int p = 0; p < kChannelCount; ++p) {
        const QString channel = "Channel " + QString::number(p + 1);
        w.values.push_back(in.time(schedule[size_t(p)].time, channel + " Start Time"));
        w.values.push_back(in.number(schedule[size_t(p)].tariffIndex, kTariffCount - 1, channel + " Tariff"));
    }
    // The order rule words its message with the schedule already.
    if (in.refusal.isEmpty()) in.refusal = scheduleOrderRefusal(schedule, i);
    return w;
}

} // namespace

DownloadPlan planDownload(TouTables& t, const QString& address) {
    DownloadPlan plan;
    if (tickCount(t.meterYears) > kMeterSlots) {
        plan.refusal = overCounterMessage(address);
        return plan;
    }
    CellReader in;
    int slot = 0;
    for (int c = 0; c < kYearCount; ++c) {
        if (!t.meterYears[size_t(c)]) continue;
        YearColumn& col = t.store.column(c);
        for (int s = 0; s < kSeasonCount; ++s)
            if (col[size_t(seasonDateRow(s))] == QLatin1String("0")) col[size_t(seasonDateRow(s))] = kUnsetDate;
        for (int h = 0; h < kHolidayCount; ++h)
            if (col[size_t(holidayDateRow(h))] == QLatin1String("0")) col[size_t(holidayDateRow(h))] = kUnsetDate;
        for (TouWrite& w : yearFrames(in, col, c, slot++)) plan.writes.push_back(std::move(w));
    }
    for (int i = 0; i < kScheduleCount; ++i) plan.writes.push_back(scheduleFrame(in, t.schedules[size_t(i)], i));
    if (!in.refusal.isEmpty()) {
        plan.writes.clear();
        plan.refusal = in.refusal;
    }
    return plan;
}

// --- commands ---------------------------------------------------------------------------------------

ReadTickWork readTickWork(bool setupTabShown, bool uploadPending) {
    return {setupTabShown && uploadPending, !setupTabShown};
}

CoilCommand clearEnergyCommand() { return {QStringLiteral("Clear All TOU Energy"), kClearEnergyCoil}; }
CoilCommand freezeCommand() { return {QStringLiteral("Freeze of Command"), kFreezeCoil}; }

} // namespace tou
