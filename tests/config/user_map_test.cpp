// The user map page's logic: the request machine, the entry check, the slot
// frames, the decoders' stop and the map file rules.
#include "config/register_files.h"
#include "config/user_map.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

using namespace config;

TEST(UserMap, RequestMachineThroughEditCancelAndEmptyOk) {
    common::PageState page;
    MappingRequestMachine m(page);
    m.press(1); // holds the value poll
    EXPECT_EQ(page.MappingRequest, 5);
    page.serveAsks(); // each request waits for a tick to take it
    EXPECT_FALSE(m.release(6, 1, "00A5", "0130"));
    ASSERT_TRUE(m.release(6, 2, "00A5", "0130"));
    EXPECT_EQ(page.GridEditRow, 6);
    EXPECT_EQ(m.editValue(), "0130");
    EXPECT_FALSE(m.gridEnabled());
    EXPECT_EQ(m.ok("12G4"), MappingRequestMachine::OkResult::Refused);
    // An empty "Ok" sets no request but gives the grid back, also during a hold.
    EXPECT_EQ(m.ok(""), MappingRequestMachine::OkResult::Empty);
    EXPECT_EQ(page.MappingRequest, 5);
    EXPECT_TRUE(m.gridEnabled());

    m.release(6, 2, "00A5", "0130");
    EXPECT_EQ(m.enter("1a"), MappingRequestMachine::OkResult::Accepted);
    EXPECT_EQ(page.MappingRequest, 2);
    EXPECT_EQ(m.editValue(), "1a");
    page.serveAsks();
    m.afterTableRead();
    m.release(7, 2, "00A6", "0000");
    m.enter(""); // Enter in the empty box cancels
    EXPECT_EQ(page.MappingRequest, 1);
}

TEST(UserMap, HexEntriesAndSlotValues) {
    EXPECT_EQ(hexWord("1a"), 0x001A);
    EXPECT_EQ(hexWord("fFfF"), 0xFFFF);
    for (const char* bad : {"", "12G4", "12345", " 1a", "-1", "1a "}) EXPECT_FALSE(hexWord(bad)) << bad;
    // A file line: blanks dropped, the last four characters read.
    EXPECT_EQ(mapSlotValue(" 0130 "), 0x0130);
    EXPECT_EQ(mapSlotValue("0x00A5"), 0x00A5);
    EXPECT_FALSE(mapSlotValue("12G4"));
    EXPECT_FALSE(mapSlotValue("00A5x"));
}

TEST(UserMap, DecodersStopWhenTheRequestChanges) {
    std::vector<uint16_t> regs(96, 0);
    regs[5] = 0x00A5;
    regs[6] = 65535;
    int16_t request = 0;
    std::map<int, QString> cells;
    auto set = [&](int row, const QString& t) {
        cells[row] = t;
        if (row == 10) request = 4; // a button pressed while the reply was awaited
    };
    EXPECT_EQ(showMapAddresses(regs, set, [&] { return request; }), 10);
    EXPECT_EQ(cells[6], "00A5");
    request = 1; // 1 and 2 do not stop it
    cells.clear();
    EXPECT_EQ(showMapValues(regs, [&](int row, const QString& t) { cells[row] = t; }, [&] { return request; }), 96);
    EXPECT_EQ(cells[7], "65535");
}

TEST(UserMap, SlotFramesAndTexts) {
    EXPECT_EQ(mapEntryFrame(1, 5, 0x001A, true),
              (std::vector<uint8_t>{0x01, 0x10, 0x00, 0xA5, 0x00, 0x01, 0x02, 0x00, 0x1A}));
    EXPECT_EQ(mapEntryFrame(7, 95, 0x0130, false),
              (std::vector<uint8_t>{0x07, 0x70, 0x00, 0xFF, 0x00, 0x01, 0x02, 0x01, 0x30}));
    EXPECT_EQ(mapEntryOkText(5, "1a"), "Mapping Index [A5] Setting Data [1a] Ok!");
    EXPECT_EQ(mapDownloadResult("1", false).text, "Meter [1] Download Mapping File ok ! ");
    EXPECT_EQ(mapDownloadResult("1", true).text, "Meter [1] Download Mapping File Error!");
    EXPECT_EQ(mapWindowCaption("KD 4170 - (ACD)", "/tmp/a.Map"), "KD 4170 - (ACD) PC Tool  - [/tmp/a.Map]");
    EXPECT_FALSE(saveConfigAfterDownload(1.8f));
}

TEST(UserMap, MapFilesReadAndSave) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.Map");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("  0130  \r\n\r\n12G4\n0x00A5\r\n");
        for (int k = 4; k < 100; ++k) f.write("0001\r\n");
    }
    const LineRead read = readLineFile(path, MapSlotCount);
    ASSERT_FALSE(read.error);
    EXPECT_TRUE(read.more); // lines after the 96th are not read
    const std::vector<MapFileSlot> lineSlots = mapFileSlots(read.lines);
    ASSERT_EQ(lineSlots.size(), 96u);
    EXPECT_EQ(lineSlots[0].value, 0x0130);
    EXPECT_EQ(lineSlots[1].kind, MapFileSlot::Kind::Skip); // an empty line still takes its slot
    EXPECT_EQ(lineSlots[2].kind, MapFileSlot::Kind::Bad);  // not written, the slot keeps its place
    EXPECT_EQ(mapFileBadLineText(3, lineSlots[2].text), "Mapping File Line [3] Data [12G4] Error!");
    EXPECT_EQ(lineSlots[3].value, 0x00A5);

    ASSERT_FALSE(saveLineFile(path, mapFileLines({"00A0", "", "0130"})));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "00A0\r\n\r\n0130\r\n" + QByteArray("\r\n").repeated(93));
    // A save that cannot be made is reported.
    const std::optional<FileError> e = saveLineFile(dir.path(), {"0000"});
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number, 75);
    EXPECT_EQ(readLineFile(dir.filePath("none.Map"), 96).error->number, 53);
}
