#include "config/user_map.h"

#include "config/register_files.h"
#include "config/page_family.h"

namespace config {

// --- grid and texts ---------------------------------------------------------------------

QStringList mapGridHeadings() {
    return {QString(), QStringLiteral("Index"), QStringLiteral("User Definable Register (Hex)"), QStringLiteral("Index"),
            QStringLiteral("User Definable Data")};
}

std::vector<int> mapGridWidthsTwips() { return {1, 1000, 2500, 1000, 2500}; }

QString mapSlotIndexText(int slot) { return hex4(uint16_t(MapSlotStart + slot)); }
QString mapValueIndexText(int slot) { return hex4(uint16_t(MapValueStart + slot)); }

QStringList mapButtonCaptions() {
    return {QStringLiteral("Download Mapping File"), QStringLiteral("Save Mapping")};
}

QString mapFormPrompt(const QString& mapEditAddress) {
    return QStringLiteral("Enter Address 0x") + mapEditAddress + QStringLiteral(" Value");
}

QString mapFormOldValue(const QString& mapEditValue) { return QStringLiteral("0x") + mapEditValue; }

// --- the request machine ------------------------------------------------------------------

void MappingRequestMachine::enterPage() { page_.askMappingRead(MapReadSlots); }

void MappingRequestMachine::buttonPressed(int index) {
    if (index == 0) page_.askMapping(MapDownloadFile);
    else if (index == 1) page_.askMapping(MapSaveFile);
}

void MappingRequestMachine::press(int column) {
    if (column == 1) page_.askMapping(MapHold);
}

bool MappingRequestMachine::release(int row, int column, const QString& indexText, const QString& slotText) {
    if (column != 2 || row < 1 || row > MapSlotCount) return false;
    page_.GridEditRow = int16_t(row);
    editAddress_ = indexText;
    editValue_ = slotText;
    gridEnabled_ = false;
    return true;
}

MappingRequestMachine::OkResult MappingRequestMachine::ok(const QString& entry) {
    if (entry.isEmpty()) {
        gridEnabled_ = true;
        return OkResult::Empty;
    }
    if (!hexWord(entry)) return OkResult::Refused;
    // Row and value are this entry's when its write's turn comes.
    page_.askMapping(MapWriteEntry, [this, row = page_.GridEditRow, entry] {
        page_.GridEditRow = row;
        editValue_ = entry;
    });
    return OkResult::Accepted;
}

void MappingRequestMachine::cancel() { page_.askMappingRead(MapReadSlots); }

MappingRequestMachine::OkResult MappingRequestMachine::enter(const QString& entry) {
    if (!entry.isEmpty()) return ok(entry);
    cancel();
    return OkResult::Empty;
}

// --- decoders -----------------------------------------------------------------------------

bool mapFillStops(int16_t request) {
    return request == MapDownloadFile || request == MapSaveFile || request == MapHold;
}

namespace {

int fillColumn(std::span<const uint16_t> regs, const SetCell& set, const CurrentRequest& request,
               QString (*text)(uint16_t)) {
    int rows = 0;
    for (size_t k = 0; k < regs.size() && k < size_t(MapSlotCount); ++k) {
        set(int(k) + 1, text(regs[k]));
        ++rows;
        if (request && mapFillStops(request())) break;
    }
    return rows;
}

} // namespace

int showMapAddresses(std::span<const uint16_t> regs, const SetCell& set, const CurrentRequest& request) {
    return fillColumn(regs, set, request, [](uint16_t v) { return hex4(v); });
}

int showMapValues(std::span<const uint16_t> regs, const SetCell& set, const CurrentRequest& request) {
    return fillColumn(regs, set, request, [](uint16_t v) { return QString::number(v); });
}

// --- writing one slot ---------------------------------------------------------------------

std::optional<uint16_t> mapSlotValue(const QString& text) {
    const QString t = text.trimmed();
    return hexWord(t.right(4));
}

std::vector<uint8_t> mapEntryFrame(uint8_t address, int slot, uint16_t value, bool fromScheduler) {
    return buildWriteFrame(address, fromScheduler ? FnWriteRegisters : FnVendorWrite, uint16_t(MapSlotStart + slot),
                           {value});
}

QString mapEntryOkText(int slot, const QString& mapEditValue) {
    return QStringLiteral("Mapping Index [") + hexPlain(uint32_t(MapSlotStart + slot)) +
           QStringLiteral("] Setting Data [") + mapEditValue + QStringLiteral("] Ok!");
}

QString mapEntryErrorText(const QString& meterAddress) {
    return QStringLiteral("Meter [") + meterAddress + QStringLiteral("] Setup Mapping Error!");
}

// --- map files ------------------------------------------------------------------------------

std::vector<MapFileSlot> mapFileSlots(const QStringList& lines) {
    std::vector<MapFileSlot> out;
    for (int k = 0; k < lines.size() && k < MapSlotCount; ++k) {
        MapFileSlot s;
        s.text = lines[k].trimmed();
        if (!s.text.isEmpty()) {
            const std::optional<uint16_t> v = mapSlotValue(s.text);
            s.kind = v ? MapFileSlot::Kind::Write : MapFileSlot::Kind::Bad;
            s.value = v.value_or(0);
        }
        out.push_back(s);
    }
    return out;
}

QString mapFileBadLineText(int line, const QString& text) {
    return QStringLiteral("Mapping File Line [") + QString::number(line) + QStringLiteral("] Data [") + text +
           QStringLiteral("] Error!");
}

QStringList mapFileLines(const QStringList& slotTexts) {
    QStringList lines;
    for (int k = 0; k < MapSlotCount; ++k) lines << slotTexts.value(k);
    return lines;
}

MapDownloadResult mapDownloadResult(const QString& meterAddress, bool anyFailed) {
    const QString head = QStringLiteral("Meter [") + meterAddress;
    if (anyFailed) return {head + QStringLiteral("] Download Mapping File Error!"), true};
    return {head + QStringLiteral("] Download Mapping File ok ! "), false};
}

QString mapSaveOkText(const QString& meterAddress) {
    return QStringLiteral("Meter [") + meterAddress + QStringLiteral("] Upload Mapping File ok ! ");
}

QString mapWindowCaption(const QString& meterModelText, const QString& fileName) {
    if (fileName.isEmpty()) return meterModelText + QStringLiteral(" PC Tool ");
    return meterModelText + QStringLiteral(" PC Tool  - [") + fileName + QStringLiteral("]");
}

} // namespace config
