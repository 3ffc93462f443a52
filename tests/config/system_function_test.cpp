// The system function page's logic: layouts by version, cell <-> register, the
// load with its bounded retries, the file comparison and the download's check and
// writes.
#include "config/register_files.h"
#include "config/system_function.h"
#include "config/system_function_download.h"

#include <gtest/gtest.h>

using namespace config;

namespace {

// A table filled as a load from a meter would fill it: register r holds r & 0x0FFF,
// 0x2001 the baud index 3, 0x2002 a transfer delay of 30 ms.
SFTable loadedTable(float version) {
    SFTable t(sfLayoutFor(version));
    for (int n = 0; n < t.cells.size(); ++n) t.cells[n] = hex4(uint16_t(*sfRegisterOfLine(t.layout, n) & 0x0FFF));
    t.cells[1] = "0003";
    t.cells[2] = "001E";
    return t;
}

} // namespace

TEST(SystemFunction, LayoutsReadsAndCellsByVersion) {
    const SFLayout old = sfLayoutFor(1.9f), wide = sfLayoutFor(2.0f);
    EXPECT_EQ((std::vector<int>{old.blockCount, old.gridRows, old.firstMapRow, old.valueCells, old.writeCount()}),
              (std::vector<int>{32, 71, 65, 1120, 38}));
    EXPECT_EQ((std::vector<int>{wide.blockCount, wide.gridRows, wide.firstMapRow, wide.valueCells, wide.writeCount()}),
              (std::vector<int>{20, 87, 81, 1376, 46}));

    const SFRead last = sfBlockRead(old, 31), lastWide = sfBlockRead(wide, 19), map = sfMapRead();
    EXPECT_EQ((std::vector<int>{last.code, last.start, last.count, lastWide.start, lastWide.count}),
              (std::vector<int>{97, 0x23E0, 32, 0x24C0, 64}));
    EXPECT_EQ((std::vector<int>{map.code, map.start, map.count}), (std::vector<int>{98, 0x00A0, 96}));

    EXPECT_EQ(sfLineOfRegister(old, 0x00A5), 1029);
    EXPECT_EQ(sfCellOfLine(1029).row, 65);
    EXPECT_EQ(sfCellOfLine(1029).column, 6);
    EXPECT_EQ(sfCellOfLine(*sfLineOfRegister(wide, 0x00A5)).row, 81);
    EXPECT_EQ(sfLineOfRegister(wide, 0x2400), 1024);
    EXPECT_FALSE(sfLineOfRegister(old, 0x2400));
    EXPECT_FALSE(sfRegisterOfLine(old, 1120));
    EXPECT_EQ(sfLineOfCell({3, 6}), 0x25);

    SFTable t(old);
    showSFBlock(t, 1, std::vector<uint16_t>(40, 0x00A5)); // a longer reply is cut at the block
    EXPECT_EQ(t.cell(63), "00A5");
    EXPECT_EQ(t.cell(64), "");
    showSFTail(t, std::vector<uint16_t>{0xBEEF});
    EXPECT_EQ(t.cell(1024), "BEEF");
}

TEST(SystemFunction, LoadRetriesThreeTimesThenGivesUpWithRowsEmptied) {
    SFTable t = loadedTable(1.9f); // an earlier load, maybe of another meter
    SFLoad load(t, "1");
    EXPECT_EQ(t.cell(40), "");
    EXPECT_EQ(load.next()->start, 0x2000);
    EXPECT_EQ(load.done(true), "Load System Function (2000) - (201F) Ok!");
    for (int repeat = 0; repeat < 3; ++repeat) {
        EXPECT_EQ(load.done(false), "");
        EXPECT_EQ(load.next()->start, 0x2020);
    }
    EXPECT_EQ(load.done(false), "Meter [1] Load System Function (2020) - (203F) Error!");
    EXPECT_TRUE(load.gaveUp());
    EXPECT_FALSE(load.next());

    SFTable w(sfLayoutFor(2.3f));
    SFLoad full(w, "1");
    while (full.next()->block >= 0) full.done(true);
    EXPECT_EQ(full.done(true), "Load System Function (00A0) - (00FF) Ok!");
    SFLoad stopped(w, "1");
    stopped.stop(); // off line: no further read
    EXPECT_FALSE(stopped.next());
}

TEST(SystemFunction, CheckComparesWithinTheTableOnly) {
    SFTable t = loadedTable(1.9f);
    QStringList lines = sfFileLines(t);
    ASSERT_EQ(lines.size(), 1120);
    lines[0] = "00FE";        // the address line is never compared
    lines[5] = "FFFF";        // 0x2005 differs but is not marked
    lines[0x10] = " 0010 ";   // blanks do not count
    lines[1029] = "00a5";     // case counts
    t.colours[5] = 0x123456;
    QString lastOk;
    SFCheckResult r = checkSFData(t, lines, false, "1", [&](const QString& s) { lastOk = s; });
    EXPECT_EQ(r.end, SFCheckResult::End::Checked);
    EXPECT_EQ(r.text, "Meter [1] Check System Function (2000 - 245F) ok ! ");
    EXPECT_EQ(lastOk, "Check System Function 245F - [00FF = 00FF] Ok!");
    EXPECT_EQ(t.colours[0x10], SFColourNormal);
    EXPECT_EQ(t.colours[5], 0x123456u);
    EXPECT_EQ(t.colours[1029], SFColourDiffer);

    r = checkSFData(t, lines.mid(0, 1000), false, "1");
    EXPECT_EQ(r.text, "Meter [1] Check System Function (2000 - 23E7) ok ! ");
    EXPECT_EQ(t.colours[999], SFColourNormal);
    EXPECT_EQ(t.colours[1000], SFColourDiffer);
    EXPECT_EQ(t.colours[1119], SFColourDiffer);

    // A longer file (the other layout's) stops at the last cell with a warning.
    SFTable wide = loadedTable(2.0f);
    lines = sfFileLines(wide);
    r = checkSFData(t, lines.mid(0, 1120), true, "1");
    EXPECT_EQ(r.end, SFCheckResult::End::Longer);
    EXPECT_EQ(r.lines, 1120);
    EXPECT_EQ(r.text, "System Function File is longer than the table (1120 lines): the rest is not checked!");
    EXPECT_EQ(checkSFData(t, {}, false, "1").end, SFCheckResult::End::Empty);
}

TEST(SystemFunction, DownloadRefusesBadFilesBeforeAnythingChanges) {
    const SFLayout old = sfLayoutFor(1.9f);
    const QStringList good = sfFileLines(loadedTable(1.9f));
    SFDownloadCheck c = checkSFDownloadFile(old, good, false);
    ASSERT_FALSE(c.error) << c.error->toStdString();
    EXPECT_EQ(c.file.baudIndex, 3);
    EXPECT_EQ(c.file.transferDelay, 30);

    const QStringList wide = sfFileLines(loadedTable(2.0f));
    EXPECT_EQ(checkSFDownloadFile(old, wide.mid(0, 1120), true).error,
              "System Function File Lines [more than 1120] Error! This meter needs 1120 lines.");
    EXPECT_EQ(checkSFDownloadFile(sfLayoutFor(2.0f), good, false).error,
              "System Function File Lines [1120] Error! This meter needs 1376 lines.");
    auto with = [&](int line, const QString& text) {
        QStringList l = good;
        l[line] = text;
        return checkSFDownloadFile(old, l, false).error.value_or("passes");
    };
    EXPECT_EQ(with(1, "5"), "System Function File Line [2] Data [5] Error!");
    EXPECT_EQ(with(1, " 4 "), "passes");
    EXPECT_EQ(with(2, "8000"), "System Function File Line [3] Data [8000] Error!");
    EXPECT_EQ(with(4, "junk"), "passes"); // 0x2004 is never written
    EXPECT_EQ(with(8, "12G4"), "System Function File Line [9] Data [12G4] Error!");
    EXPECT_EQ(with(1119, "10000"), "System Function File Line [1120] Data [10000] Error!");
}

TEST(SystemFunction, DownloadWritesInOrder) {
    SFTable t(sfLayoutFor(1.9f));
    QStringList lines = sfFileLines(loadedTable(1.9f));
    lines[0x10] = "1234";
    applySFFileToTable(t, lines);
    EXPECT_EQ(t.cell(0), "");
    const SFDownloadCheck c = checkSFDownloadFile(t.layout, lines, false);
    const std::vector<SFWrite> w = *sfDownloadWrites(t, c.file);
    ASSERT_EQ(w.size(), 38u);
    std::vector<uint16_t> starts;
    int blockRegisters = 0;
    for (const SFWrite& x : w) {
        starts.push_back(x.start);
        if (x.kind == SFWrite::Kind::Block && x.start >= 0x2000) blockRegisters += int(x.values.size());
    }
    EXPECT_EQ(w[0].start, 0x2008);
    EXPECT_EQ(blockRegisters, 1016); // 0x2008 to 0x23FF
    EXPECT_EQ(std::vector<uint16_t>(starts.end() - 6, starts.end()),
              (std::vector<uint16_t>{0x23E0, 0x00A0, 0x00C0, 0x00E0, 0x2002, 0x2001}));
    const std::vector<uint8_t> f = sfWriteFrame(1, w[1]);
    EXPECT_EQ(f.size(), 39u); // 41 with the CRC
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 9),
              (std::vector<uint8_t>{0x01, 0x70, 0x20, 0x10, 0x00, 0x10, 0x20, 0x12, 0x34}));
    EXPECT_EQ(sfWriteFrame(1, w[36]), (std::vector<uint8_t>{0x01, 0x70, 0x20, 0x02, 0x00, 0x01, 0x02, 0x00, 0x1E}));
    EXPECT_EQ(sfWriteFrame(1, w[37]), (std::vector<uint8_t>{0x01, 0x70, 0x20, 0x01, 0x00, 0x01, 0x02, 0x00, 0x03}));
    EXPECT_EQ(sfDownloadWrites(SFTable(sfLayoutFor(2.0f)), {})->size(), 46u);

    EXPECT_EQ(sfCellValue("1a2z"), 0x01A2);
    EXPECT_FALSE(sfCellValue("12345"));
    EXPECT_EQ(sfBlockOkText(0x00A0, "00FF"), "Setting System Function A0 - [00FF] Ok!");
    EXPECT_EQ(sfBaudRateText("9600", true), "Meter Baud Rate [9600] Setting Ok!");
    EXPECT_EQ(sfDownloadResult("1", "/t/a.SF", false).text, "Meter [1] Download System Function ok - [/t/a.SF]");
    EXPECT_EQ(sfDownloadResult("1", "/t/a.SF", true).text, "Meter [1] Download System Function Error!");
}
