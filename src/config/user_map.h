#pragma once
// Page 16 "User Map" without its widgets: the 96 map slots of the meter
// (0x00A0 + k holds the address of any register, whose value the meter presents
// at 0x0040 + k), the page's request machine, the single-value entry check, the
// slot write frame, the decoders of both reads and the "*.Map" files.

#include "common/app_state.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace config {

inline constexpr int16_t UserMapPageIndex = 16;
inline constexpr int16_t CmdMapAddresses = 90; // ShowMapAddresses
inline constexpr int16_t CmdMapValues = 91;    // ShowMapValues
inline constexpr int MapSlotCount = 96;
inline constexpr uint16_t MapSlotStart = 0x00A0;
inline constexpr uint16_t MapValueStart = 0x0040;

// MappingRequest values.
enum MapRequest : int16_t {
    MapPollValues = 0,
    MapReadSlots = 1,
    MapWriteEntry = 2,
    MapDownloadFile = 3,
    MapSaveFile = 4,
    MapHold = 5,
};

// --- grid and texts ---------------------------------------------------------------------

// gridMapping: 97 rows, 5 columns (column 0 hidden).
inline constexpr int MapGridRows = MapSlotCount + 1;
inline constexpr int MapGridColumns = 5;
inline constexpr uint32_t MapValueColumnColour = 0xE0E0E0; // column 4, 0x00BBGGRR
QStringList mapGridHeadings();     // row 0, columns 0..4
std::vector<int> mapGridWidthsTwips(); // columns 0..4
QString mapSlotIndexText(int slot);  // column 1: "00A0".."00FF"
QString mapValueIndexText(int slot); // column 3: "0040".."009F"
QStringList mapButtonCaptions();     // cmdMapping(0), (1)

// SetMapForm.
inline const QString MapFormCaption = QStringLiteral("Seting Mapping Index");
QString mapFormPrompt(const QString& mapEditAddress); // Label1(0)
QString mapFormOldValue(const QString& mapEditValue); // Label1(4)
struct MapFormTexts {
    QString oldValueCaption = QStringLiteral("Old Value :");          // Label1(1)
    QString rangeCaption = QStringLiteral("Range :");                 // Label1(2)
    QString range = QStringLiteral("0x0000 To 0xFFFF");               // Label1(3)
    QString entryCaption = QStringLiteral("Key in Hex Code (xxxx) :"); // Label1(5)
    QString ok = QStringLiteral("Ok");                                // Command1(0)
    QString cancel = QStringLiteral("Cancle");                        // Command1(1)
    int entryMaxLength = 4;                                           // Text1
};
// The refusal of an entry that is not 1 to 4 hexadecimal digits (box "Error").
inline const QString MapEntryRefusal = QStringLiteral("Data Key In Error!");

// File dialogs. The Linux dialogs match suffixes case-sensitively, so the usual
// spellings are all offered.
inline const QString MapFileFilter = QStringLiteral("Mapping File (*.Map *.map *.MAP);;All Files (*)");
inline const QString MapOpenTitle = QStringLiteral("Open File");
inline const QString MapSaveTitle = QStringLiteral("Save File");
inline const QString MapDownloadQuestion = QStringLiteral("Download Mapping File"); // "Do you want to ... ?"

// --- the request machine ------------------------------------------------------------------

// The page's request code (PageState::MappingRequest) and edit row
// (PageState::GridEditRow) driven by the grid's and the entry window's events.
// The scheduler acts on the request each tick; the page reports back through the
// after...() calls.
class MappingRequestMachine {
public:
    explicit MappingRequestMachine(common::PageState& page) : page_(page) {}

    int16_t request() const { return page_.MappingRequest; }
    int16_t editRow() const { return page_.GridEditRow; }
    const QString& editAddress() const { return editAddress_; } // MapEditAddress
    const QString& editValue() const { return editValue_; }     // MapEditValue
    bool gridEnabled() const { return gridEnabled_; }

    void enterPage();                 // 1
    void buttonPressed(int index);    // cmdMapping: 0 -> 3, 1 -> 4
    void press(int column);           // SelectMappingColumn: column 1 holds the poll (5)
    // EditMappingValue: a release on column 2 opens SetMapForm for that row
    // (true); the grid is disabled until it is enabled again.
    bool release(int row, int column, const QString& indexText, const QString& slotText);
    void scroll() {}                  // InvokeMappingGridAction: only the focus moves

    enum class OkResult { Accepted, Empty, Refused };
    // "Ok": 1 to 4 hex digits -> MapEditValue and request 2 (the cell then shows
    // the typed text); empty -> no request, but the grid is enabled again (after
    // a hold nothing else would); anything else -> refused, the window stays.
    OkResult ok(const QString& entry);
    void cancel(); // "Cancle": request 1
    // Enter in the entry box: "Ok" with a text, "Cancle" without.
    OkResult enter(const QString& entry);

    // A reply of code 90 or 91 is being decoded: the grid is disabled meanwhile
    // and enabled afterwards.
    void decoding(bool running) { gridEnabled_ = !running; }
    void enableGrid() { gridEnabled_ = true; } // request 1 on the scheduler tick
    void afterTableRead() { page_.moveMapping(MapPollValues); } // whatever the outcome
    void afterEntryWrite() { page_.moveMapping(MapReadSlots); }
    void afterFileAction() { page_.moveMapping(MapReadSlots); }

    // The text a file line puts in MapEditValue before its slot is written.
    void setEditValue(const QString& value) { editValue_ = value; }

private:
    common::PageState& page_;
    QString editAddress_;
    QString editValue_;
    bool gridEnabled_ = true;
};

// --- decoders -----------------------------------------------------------------------------

// Fills one grid column from the reply's registers, row k + 1 for register k:
// ShowMapAddresses (column 2, "00A5") and ShowMapValues (column 4, decimal).
// After each row the request is looked at again: 3, 4 or 5 stop the fill there.
using SetCell = std::function<void(int row, const QString& text)>;
using CurrentRequest = std::function<int16_t()>;
int showMapAddresses(std::span<const uint16_t> regs, const SetCell& set, const CurrentRequest& request);
int showMapValues(std::span<const uint16_t> regs, const SetCell& set, const CurrentRequest& request);
bool mapFillStops(int16_t request);

// --- writing one slot ---------------------------------------------------------------------

// The register a slot text names: its last four characters (the ones before are
// ignored) as hexadecimal, after surrounding blanks are dropped; nullopt when
// one of them is no hexadecimal digit or the text is empty.
std::optional<uint16_t> mapSlotValue(const QString& text);
// WriteMappingEntry's frame without CRC: 0x10 from the scheduler (an edit), the
// vendor 0x70 for a file line.
std::vector<uint8_t> mapEntryFrame(uint8_t address, int slot, uint16_t value, bool fromScheduler);
QString mapEntryOkText(int slot, const QString& mapEditValue);  // panel 1
QString mapEntryErrorText(const QString& meterAddress);         // box "Error"

// --- map files ------------------------------------------------------------------------------

// What a file line does to its slot.
struct MapFileSlot {
    enum class Kind { Skip, Write, Bad } kind = Kind::Skip; // Skip: empty line; Bad: not written
    QString text;   // trimmed line (MapEditValue)
    uint16_t value = 0;
};
// The slots of a map file's lines: at most 96, in order; later lines are ignored.
std::vector<MapFileSlot> mapFileSlots(const QStringList& lines);
// The box for a line that is not written (title "Error"); line counted from 1.
QString mapFileBadLineText(int line, const QString& text);

// The 96 lines a save writes: the column-2 texts (empty cells give empty lines).
QStringList mapFileLines(const QStringList& slotTexts);

// Result line of a download: " ok ! " in panel 1 when every slot, line and the
// save-config went through, else the " Error!" text for a box titled "Error".
struct MapDownloadResult {
    QString text;
    bool error = false;
};
MapDownloadResult mapDownloadResult(const QString& meterAddress, bool anyFailed);
QString mapSaveOkText(const QString& meterAddress); // "Meter [1] Upload Mapping File ok ! "
// The window caption after a save dialog: with the file name when it holds one.
QString mapWindowCaption(const QString& meterModelText, const QString& fileName);

} // namespace config
