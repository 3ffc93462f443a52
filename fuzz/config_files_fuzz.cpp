// Arbitrary bytes as a user map file and as a system function file, read the way
// the pages read them: lines stay within the count asked for, every map slot and
// table cell stays inside its list, a file the download check accepts gives every
// write it needs, and a refused file leaves the table as it was.
#include "config/register_files.h"
#include "config/system_function.h"
#include "config/system_function_download.h"
#include "config/user_map.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

using namespace config;

namespace {
void check(bool sound) {
    if (!sound) std::abort();
}

LineRead readAsFile(const QByteArray& bytes, int maxLines) {
    static QTemporaryDir dir;
    const QString path = dir.path() + "/f";
    QFile f(path);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
    f.close();
    LineRead r = readLineFile(path, maxLines);
    check(!r.error && r.lines.size() <= maxLines && (!r.more || r.lines.size() == maxLines));
    return r;
}

void mapFile(const QByteArray& bytes) {
    const LineRead r = readAsFile(bytes, MapSlotCount);
    const std::vector<MapFileSlot> fileSlots = mapFileSlots(r.lines);
    check(fileSlots.size() == size_t(r.lines.size()));
    for (size_t i = 0; i < fileSlots.size(); ++i) {
        const MapFileSlot& s = fileSlots[i];
        if (s.kind == MapFileSlot::Kind::Write) check(mapSlotValue(s.text) == s.value);
        if (s.kind == MapFileSlot::Kind::Skip) check(s.text.isEmpty());
        // The entry frame of any slot stays a single 16-bit write.
        check(mapEntryFrame(1, int(i), s.value, i % 2).size() >= 6);
    }
}

void sfFile(const QByteArray& bytes, float version, bool download) {
    SFTable table(sfLayoutFor(version));
    const SFLayout& layout = table.layout;
    for (int i = 0; i < layout.valueCells; ++i) table.cells[i] = hex4(uint16_t(i * 7));
    const SFTable before = table;
    const LineRead r = readAsFile(bytes, layout.valueCells);
    if (download) {
        const SFDownloadCheck c = checkSFDownloadFile(layout, r.lines, r.more);
        if (c.error) {
            check(!c.error->isEmpty());
            return; // the page shows the box and changes nothing
        }
        check(r.lines.size() == layout.valueCells && !r.more);
        check(c.file.baudIndex >= 0 && c.file.baudIndex <= 4);
        check(c.file.transferDelay >= 0 && c.file.transferDelay <= 0x7FFF);
        applySFFileToTable(table, r.lines);
        const std::optional<std::vector<SFWrite>> writes = sfDownloadWrites(table, c.file);
        check(writes && int(writes->size()) == layout.writeCount());
        for (const SFWrite& w : *writes) check(!sfWriteFrame(1, w).empty());
        // The table saved again passes the same check and compares equal everywhere.
        const QStringList saved = sfFileLines(table);
        const SFDownloadCheck again = checkSFDownloadFile(layout, saved, false);
        check(!again.error && again.file.baudIndex == c.file.baudIndex &&
              again.file.transferDelay == c.file.transferDelay);
        check(checkSFData(table, saved, false, QStringLiteral("1")).end == SFCheckResult::End::Checked);
        for (uint32_t colour : table.colours) check(colour == SFColourNormal);
    } else {
        const SFCheckResult c = checkSFData(table, r.lines, r.more, QStringLiteral("1"));
        check(c.lines >= 0 && c.lines <= layout.valueCells);
        check(table.cells == before.cells); // a check colours cells, it never changes them
        for (uint32_t colour : table.colours) check(colour == SFColourNormal || colour == SFColourDiffer);
    }
    check(table.cells.size() == layout.valueCells && table.colours.size() == size_t(layout.valueCells));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 5) {
    case 0: mapFile(bytes); break;
    case 1: sfFile(bytes, 1.9f, true); break;
    case 2: sfFile(bytes, 2.0f, true); break;
    case 3: sfFile(bytes, 1.9f, false); break;
    default: sfFile(bytes, 2.0f, false); break;
    }
    return 0;
}
