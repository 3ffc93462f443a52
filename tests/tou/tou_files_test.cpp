// The TOU files: layouts, line-by-line reading, all-or-nothing opening and safe saving.
#include "tou/tou_files.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tou;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TouTables calendar() {
    TouTables t;
    for (int i = 0; i < kScheduleCount; ++i)
        for (int p = 0; p < kChannelCount; ++p)
            t.schedules[size_t(i)][size_t(p)] = {QStringLiteral("%1:%2").arg(10 + i).arg(10 + p), "Tariff 2", "1"};
    t.TOUYear = 12;
    t.editors.seasons[0] = {"03/01", "Schedule 2", "1"};
    t.editors.weekdays[0] = true;
    t.editors.billDate = "20";
    t.fileYears[12] = true;
    return t;
}

} // namespace

TEST(TouFiles, CalendarFilesKeepTheirLayoutAndRoundTrip) {
    QTemporaryDir dir;
    TouTables t = calendar();
    ASSERT_TRUE(saveCalendar(t, dir.path(), nullptr));
    const QList<QByteArray> lines = fileBytes(dir.filePath("Schedule.TOU")).split('\n');
    ASSERT_EQ(lines.size(), 145); // 144 lines, each ended by CR LF
    EXPECT_EQ(lines[7] + lines[8] + lines[16] + lines[120], "10:17\rTariff 2\r1\r15:10\r");
    const QList<QByteArray> year = fileBytes(dir.filePath("2012.TOU")).split('\n');
    ASSERT_EQ(year.size(), 73);
    EXPECT_EQ(year[0] + year[1] + year[69] + year[71], "2012\r03/01\r1\r20\r");

    // Another run opens them: the schedules, the year and its editors come back.
    TouTables u;
    QFile::rename(dir.filePath("2012.TOU"), dir.filePath("2012.tou")); // names match without regard to case
    const std::optional<CalendarFiles> files = readCalendarFolder(dir.path(), nullptr);
    ASSERT_TRUE(files);
    EXPECT_EQ(applyCalendarFiles(u, *files), 12);
    EXPECT_EQ(u.schedules, t.schedules);
    EXPECT_EQ(u.store.column(12), t.store.column(12));
    EXPECT_EQ(u.editors.seasons[0].date, "03/01");
}

TEST(TouFiles, OpenCalendarNeverOverwritesAYearJustRead) {
    QTemporaryDir dir;
    TouTables saved = calendar();
    ASSERT_TRUE(saveCalendar(saved, dir.path(), nullptr));
    TouTables t = calendar();
    t.editors.billDate = "5"; // edited, but the file's 2012 wins
    const std::optional<CalendarFiles> files = readCalendarFolder(dir.path(), nullptr);
    ASSERT_TRUE(files);
    applyCalendarFiles(t, *files);
    EXPECT_EQ(t.store.column(12)[RowBillDate], "20");
    EXPECT_EQ(t.editors.billDate, "20");

    // No year file: the edited year stays the edited year, stored first.
    QFile::remove(dir.filePath("2012.TOU"));
    t.editors.billDate = "7";
    EXPECT_EQ(applyCalendarFiles(t, *readCalendarFolder(dir.path(), nullptr)), -1);
    EXPECT_EQ(t.TOUYear, 12);
    EXPECT_EQ(t.store.column(12)[RowBillDate], "7");
}

TEST(TouFiles, AShortFileChangesNothing) {
    QTemporaryDir dir;
    TouTables t = calendar();
    ASSERT_TRUE(saveCalendar(t, dir.path(), nullptr));
    writeBytes(dir.filePath("2013.TOU"), QByteArray("2013\r\n").repeated(71));
    FileError e;
    EXPECT_FALSE(readCalendarFolder(dir.path(), &e));
    writeBytes(dir.filePath("Schedule.TOU"), "07:00\r\n");
    EXPECT_FALSE(readCalendarFolder(dir.path(), &e));
    EXPECT_EQ(e.number, 62);
    writeBytes(dir.filePath("TOULABEL.TOU"), QByteArray("Name\r\n").repeated(9));
    const NameFileRead names = readNameFile(dir.path() + "/", defaultNames());
    EXPECT_EQ(names.names, defaultNames());
    EXPECT_EQ(names.error.value_or(FileError{}).number, 62);
    writeBytes(dir.filePath("TOUCOST.TOU"), "1\r\n2\r\n");
    EXPECT_FALSE(readCostFile(dir.path() + "/"));
}

TEST(TouFiles, NamesWithCommasAndCostsSurviveARestart) {
    QTemporaryDir dir;
    const QString app = dir.path() + "/";
    TouNames names = defaultNames();
    names[0] = "Peak, weekdays";
    ASSERT_TRUE(saveNameFile(app, names, nullptr));
    EXPECT_EQ(readNameFile(app, defaultNames()).names, names);
    writeBytes(app + "TOULABEL.TOU", "  \"Quoted \" \r\n" + QByteArray("x\r\n").repeated(9));
    EXPECT_EQ(readNameFile(app, defaultNames()).names[0], "Quoted");

    EXPECT_FALSE(subfolderPath(dir.path(), "missing"));
    const UnitCosts costs{"1.5", "", "2", "3", "4", "5", "6", "7"};
    ASSERT_TRUE(saveCostFile(app, costs, nullptr));
    EXPECT_EQ(readCostFile(app), costs);
}

TEST(TouFiles, AFailedSaveKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString app = dir.path() + "/";
    ASSERT_TRUE(saveNameFile(app, defaultNames(), nullptr));
    const QByteArray before = fileBytes(app + "TOULABEL.TOU");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther);
    const pid_t pid = fork();
    if (pid == 0) {
        // Root may write anywhere: a plain user may not write this folder.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        TouNames other = defaultNames();
        other[0] = "New";
        FileError e;
        _exit(saveNameFile(app, other, &e) ? 1 : (e.number == 75 ? 0 : 2));
    }
    int status = -1;
    waitpid(pid, &status, 0);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(fileBytes(app + "TOULABEL.TOU"), before);
}
