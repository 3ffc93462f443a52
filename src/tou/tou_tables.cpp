#include "tou/tou_tables.h"

#include "common/shared_routines.h"

#include <algorithm>
#include <cmath>

namespace tou {

int16_t touPageFor(float meterVersion) { return meterVersion >= kTablesFromVersion ? kTouPage : kPeriodPage; }

// --- texts ------------------------------------------------------------------------------------

QString yearPageCaption(int yearIndex) { return kPageCaption + " - " + QString::number(kFirstYear + yearIndex); }

QStringList showTabCaptions() { return {"Show", "Setup"}; }
QStringList energyTabCaptions() { return {"Instant", "Freeze"}; }
QStringList setupTabCaptions() {
    return {"Schedule", "Yearly", "Season", "Weekend", "Holiday", "Calendar", "Labels", "Folder"};
}
QStringList buttonCaptions() {
    return {"Upload TOU",          "Setup TOU",        "Open Calendar", "Save Calendar", "Save",
            "Prev Month\n<<",      "Next Month\n>>",   "Clear All TOU Energy", "Freeze"};
}
QStringList weekdayCaptions() { return {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"}; }
QStringList calendarHeadings() { return {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"}; }

QString monthCaption(int month) {
    static const char* const names[12] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                          "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
    return (month >= 1 && month <= 12) ? QString::fromLatin1(names[month - 1]) : QString();
}

QString scheduleHeading(int column) {
    if (column < 1 || column >= kScheduleGridColumns) return {};
    return "Schedule " + QString::number((column - 1) / 3 + 1);
}

QString scheduleSubHeading(int column) {
    if (column == 0) return QStringLiteral("Channel");
    if (column < 1 || column >= kScheduleGridColumns) return {};
    switch ((column - 1) % 3) {
    case 0: return QStringLiteral("Start Time (hh:mm)");
    case 1: return QStringLiteral("Tariff Number");
    default: return QStringLiteral(" ");
    }
}

QString dayGridTitle(int grid) { return grid == 0 ? QStringLiteral("  Season") : QStringLiteral("  Holiday"); }
QString dayGridDateHeading(int grid) {
    return grid == 0 ? QStringLiteral("Start Date (MM/DD)") : QStringLiteral("Date (MM/DD)");
}

// --- names ------------------------------------------------------------------------------------

TouNames defaultNames() {
    TouNames n;
    for (int i = 0; i < kScheduleCount; ++i) n[size_t(i)] = "Schedule " + QString::number(i + 1);
    for (int i = 0; i < kTariffCount; ++i) n[size_t(kScheduleCount + i)] = "Tariff " + QString::number(i + 1);
    return n;
}

QString nameLabel(int index) {
    if (index < 0 || index >= kNameCount) return {};
    return index < kScheduleCount ? "Schedule Name " + QString::number(index + 1)
                                  : "Tariff Name " + QString::number(index - kScheduleCount + 1);
}

QStringList scheduleNames(const TouNames& names) {
    return QStringList(names.begin(), names.begin() + kScheduleCount);
}

QStringList tariffNames(const TouNames& names) { return QStringList(names.begin() + kScheduleCount, names.end()); }

QString scheduleCaption(int schedule, const TouNames& names) {
    if (schedule < 0 || schedule >= kScheduleCount) return {};
    return "Schedule " + QString::number(schedule + 1) + " - [ " + names[size_t(schedule)] + " ]";
}

QColor captionColour() { return QColor(255, 255, 128); }

QColor scheduleColour(int scheduleIndex) {
    static const QColor swatches[kScheduleCount] = {QColor(255, 192, 128), QColor(255, 255, 128),
                                                    QColor(128, 255, 128), QColor(128, 255, 255),
                                                    QColor(128, 128, 255), QColor(255, 128, 255)};
    if (scheduleIndex < 0 || scheduleIndex >= kScheduleCount) return captionColour();
    return swatches[scheduleIndex];
}

// --- store ------------------------------------------------------------------------------------

CalendarStore::CalendarStore() {
    for (auto& col : columns_) col.fill(QStringLiteral("0"));
}

bool CalendarStore::holdsYear(int c) const {
    return c >= 0 && c < kYearCount && cell(RowYear, c) != QLatin1String("0");
}

void CalendarStore::clearForUpload() {
    for (auto& col : columns_) std::fill(col.begin(), col.begin() + RowBillDate, QStringLiteral("0"));
}

// --- schedule grid ------------------------------------------------------------------------------

ScheduleCell scheduleCellAt(int row, int column) {
    const int channel = row - kScheduleFirstRow;
    if (channel < 0 || channel >= kChannelCount || column < 1 || column >= kScheduleGridColumns) return {};
    static constexpr ScheduleCellKind kinds[3] = {ScheduleCellKind::Time, ScheduleCellKind::TariffName,
                                                  ScheduleCellKind::TariffIndex};
    return {kinds[(column - 1) % 3], (column - 1) / 3, channel};
}

namespace {

// The text of a data cell, const or not with the table; nullptr outside the data cells.
template <class Table>
auto scheduleCellText(Table& table, int row, int column) -> decltype(&table[0][0].time) {
    const ScheduleCell at = scheduleCellAt(row, column);
    if (at.kind == ScheduleCellKind::None) return nullptr;
    auto& p = table[size_t(at.schedule)][size_t(at.channel)];
    switch (at.kind) {
    case ScheduleCellKind::Time: return &p.time;
    case ScheduleCellKind::TariffName: return &p.tariffName;
    default: return &p.tariffIndex;
    }
}

} // namespace

QString scheduleGridText(const ScheduleTable& table, int row, int column) {
    const QString* text = scheduleCellText(table, row, column);
    return text ? *text : QString();
}

bool setScheduleGridText(ScheduleTable& table, int row, int column, const QString& text) {
    QString* cell = scheduleCellText(table, row, column);
    if (!cell) return false;
    *cell = text;
    return true;
}

// --- editors --------------------------------------------------------------------------------------

int scheduleIndexOf(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return (ok && v >= 0 && v < kScheduleCount) ? v : kNoSchedule;
}

void setDaySchedule(DayRow& row, int listIndex, const TouNames& names) {
    if (listIndex < 0 || listIndex >= kScheduleCount) return;
    row.scheduleName = names[size_t(listIndex)];
    row.scheduleIndex = QString::number(listIndex);
}

QString twoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

QString monthDayText(int month, int day) { return twoDigits(month) + "/" + twoDigits(day); }

namespace {

void loadDayRow(const QString& date, const QString& schedule, DayRow& row, const TouNames& names) {
    row.date = date.isEmpty() ? kUnsetDate : date;
    const int index = scheduleIndexOf(schedule);
    if (index < kScheduleCount) {
        setDaySchedule(row, index, names);
    } else {
        row.scheduleName.clear();
        row.scheduleIndex = QString::number(kNoSchedule);
    }
}

void storeDayRow(DayRow& row, QString& date, QString& schedule) {
    if (row.date.isEmpty()) row.date = kUnsetDate;
    date = row.date;
    if (row.scheduleIndex.isEmpty()) row.scheduleIndex = QStringLiteral("0");
    schedule = row.scheduleIndex;
}

} // namespace

void loadYearIntoEditors(const CalendarStore& store, int c, YearEditors& e, const TouNames& names) {
    if (c < 0 || c >= kYearCount) return;
    const YearColumn& col = store.column(c);
    for (int s = 0; s < kSeasonCount; ++s)
        loadDayRow(col[size_t(seasonDateRow(s))], col[size_t(seasonScheduleRow(s))], e.seasons[size_t(s)], names);
    for (int h = 0; h < kHolidayCount; ++h)
        loadDayRow(col[size_t(holidayDateRow(h))], col[size_t(holidayScheduleRow(h))], e.holidays[size_t(h)], names);

    // Bit k of the mask (taken as the nearest whole number at each step) ticks weekday k.
    double mask = common::leadingNumber(col[RowWeekdayMask]);
    mask = std::clamp(std::isfinite(mask) ? mask : 0.0, 0.0, 1e15);
    for (int k = 0; k < kWeekdayCount; ++k) {
        e.weekdays[size_t(k)] = std::llrint(mask) % 2 != 0;
        mask = std::floor(mask / 2);
    }
    const double schedule = std::nearbyint(common::leadingNumber(col[RowWeekdaySchedule]));
    e.weekdaySchedule = (schedule >= 0 && schedule < kScheduleCount) ? int(schedule) : -1;
    e.billDate = col[RowBillDate];
}

void storeYear(TouTables& t) {
    const int c = t.TOUYear;
    if (c < 0 || c >= kYearCount) return;
    YearColumn& col = t.store.column(c);
    YearEditors& e = t.editors;
    col[RowYear] = QString::number(kFirstYear + c);
    for (int s = 0; s < kSeasonCount; ++s)
        storeDayRow(e.seasons[size_t(s)], col[size_t(seasonDateRow(s))], col[size_t(seasonScheduleRow(s))]);
    for (int h = 0; h < kHolidayCount; ++h)
        storeDayRow(e.holidays[size_t(h)], col[size_t(holidayDateRow(h))], col[size_t(holidayScheduleRow(h))]);
    int mask = 0;
    for (int k = 0; k < kWeekdayCount; ++k)
        if (e.weekdays[size_t(k)]) mask += 1 << k;
    col[RowWeekdayMask] = QString::number(mask);
    col[RowWeekdaySchedule] = QString::number(e.weekdaySchedule);
    col[RowBillDate] = e.billDate.isEmpty() ? QStringLiteral("0") : e.billDate;
}

bool selectYear(TouTables& t, int c) {
    if (c < 0 || c >= kYearCount) return false;
    storeYear(t);
    const bool loaded = t.store.holdsYear(c);
    if (loaded) loadYearIntoEditors(t.store, c, t.editors, t.names);
    t.TOUYear = int16_t(c);
    return loaded;
}

int tickCount(const std::array<bool, kYearCount>& ticks) { return int(std::count(ticks.begin(), ticks.end(), true)); }

bool meterYearTicked(std::array<bool, kYearCount>& ticks, int index) {
    if (tickCount(ticks) <= kMeterSlots) return true;
    if (index >= 0 && index < kYearCount) ticks[size_t(index)] = false;
    return false;
}

QString overCounterMessage(const QString& address) {
    return "Meter [" + address + "] over register counter (1 - 20) !";
}

void refreshNameCells(TouTables& t) {
    auto refreshRows = [&](auto& rows) {
        for (DayRow& r : rows) {
            const int index = scheduleIndexOf(r.scheduleIndex);
            if (index < kScheduleCount) r.scheduleName = t.names[size_t(index)];
        }
    };
    refreshRows(t.editors.seasons);
    refreshRows(t.editors.holidays);
    for (Schedule& s : t.schedules)
        for (SwitchPoint& p : s) {
            bool ok = false;
            const int tariff = p.tariffIndex.trimmed().toInt(&ok);
            if (ok && tariff >= 0 && tariff < kTariffCount) p.tariffName = t.names[size_t(kScheduleCount + tariff)];
        }
}

MonthButtons monthButtons(int month) {
    const int m = std::clamp(month, 1, 12);
    return {m, m > 1, m < 12};
}

MonthButtons stepMonth(int month, int delta) { return monthButtons(month + delta); }

} // namespace tou
