// Arbitrary time-of-use files in the program folder and in an "Open Calendar"
// folder: the name file, the cost file, "Schedule.TOU" and year files, their
// names in any case. A refused or short file changes nothing; what is taken in
// keeps every list its size, and a calendar opened from files is either refused
// by the download plan with a reason or gives writes the meter can take.
#include "tou/tou_files.h"
#include "tou/tou_transfer.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

using namespace tou;

namespace {
void check(bool sound) {
    if (!sound) std::abort();
}

void writeFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    check(f.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()));
}

QString anyCase(const QString& name, uint8_t how) {
    switch (how % 3) {
    case 0: return name;
    case 1: return name.toLower();
    default: return name.toUpper();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString folder = dir.path();
    for (const QString& f : QDir(folder).entryList(QDir::Files)) QFile::remove(folder + "/" + f);

    FuzzedDataProvider in(data, size);
    const int files = in.ConsumeIntegralInRange(1, 5);
    for (int i = 0; i < files; ++i) {
        const uint8_t kind = in.ConsumeIntegral<uint8_t>();
        QString name;
        switch (kind % 4) {
        case 0: name = kNameFileName; break;
        case 1: name = kCostFileName; break;
        case 2: name = kScheduleFileName; break;
        default: name = yearFileName(in.ConsumeIntegralInRange(0, kYearCount - 1)); break;
        }
        writeFile(folder + "/" + anyCase(name, kind >> 2), in.ConsumeRandomLengthString(8192));
    }

    TouTables t;
    const TouNames before = t.names;
    const NameFileRead names = readNameFile(folder, t.names);
    if (names.error) check(names.names == before && !names.error->message.isEmpty());
    for (const QString& n : names.names) check(!n.contains('\n') && !n.contains('\r'));
    t.names = names.names;

    if (const std::optional<UnitCosts> costs = readCostFile(folder))
        for (const QString& c : *costs) check(!c.contains('\n') && !c.contains('\r'));

    FileError error;
    const std::optional<CalendarFiles> cal = readCalendarFolder(folder, &error);
    if (!cal) {
        check(error.number == kErrPastEnd || error.number == kErrFileAccess);
        return 0; // nothing is applied
    }
    if (cal->schedule) check(cal->schedule->size() >= kScheduleFileLines);
    for (const auto& y : cal->years)
        if (y) check(y->size() >= kYearFileLines);
    const int first = applyCalendarFiles(t, *cal);
    check(first >= -1 && first < kYearCount && (first < 0 || cal->years[size_t(first)]));
    check(t.TOUYear == first || first < 0);

    // Saved again and reopened, every year file but the one loaded into the editors
    // (whose cells the editors put in order) reads back as it was taken in.
    static QTemporaryDir again;
    for (const QString& f : QDir(again.path()).entryList(QDir::Files)) QFile::remove(again.path() + "/" + f);
    check(saveCalendar(t, again.path(), &error));
    const std::optional<CalendarFiles> back = readCalendarFolder(again.path(), &error);
    check(back && back->schedule && back->schedule->size() == kScheduleFileLines);
    check(*back->schedule == scheduleFileValues(t.schedules));
    for (int c = 0; c < kYearCount; ++c) {
        check(bool(back->years[size_t(c)]) == bool(cal->years[size_t(c)]));
        if (c != first && cal->years[size_t(c)]) check(*back->years[size_t(c)] == cal->years[size_t(c)]->mid(0, kYearFileLines));
    }

    // Tick the years read for the meter (up to twenty) and plan the download.
    for (int c = 0; c < kYearCount; ++c)
        if (cal->years[size_t(c)]) meterYearTicked(t.meterYears, c);
    check(tickCount(t.meterYears) <= kMeterSlots);
    const DownloadPlan plan = planDownload(t, QStringLiteral("1"));
    if (!plan.refused()) {
        check(!plan.writes.empty());
        for (const TouWrite& w : plan.writes)
            check((w.function == 0x70 || w.function == 0x10) && !w.values.empty() && w.values.size() <= 123);
    }
    return 0;
}
