#pragma once
// Page 22 "System Function" without its widgets: the meter's whole set-up block
// (0x2000..) and the user map block (0x00A0..0x00FF) as one table of
// hexadecimal cells, its load by block reads, the "*.SF" file it saves, and the
// comparison of a file with the table.
//
// The table is kept by file line: line n is the value cell at row n / 16 + 1,
// column n % 16 + 1 of gridSF; the lines of the set-up block come first
// (register 0x2000 + n), then the 96 map registers.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace config {

inline constexpr int16_t SystemFunctionPageIndex = 22;
inline constexpr int16_t CmdSFBlock = 97; // ShowSFBlock
inline constexpr int16_t CmdSFTail = 98;  // ShowSFTail
inline constexpr uint16_t SFSetupStart = 0x2000;
inline constexpr uint16_t SFMapStart = 0x00A0;
inline constexpr int SFMapRegisters = 96;
inline constexpr int SFColumns = 17; // label column and 16 value columns

// PageStep of the page; cmdSF(i) sets i + 1.
enum SFStep : int16_t { SFLoadStep = 0, SFSaveStep = 1, SFDownloadStep = 2, SFCheckStep = 3, SFIdleStep = 4 };

// Cell backgrounds, 0x00BBGGRR.
inline constexpr uint32_t SFColourNormal = 0xE0E0E0;
inline constexpr uint32_t SFColourDiffer = 0xC0C0FF;

// How often a failing block read is repeated before the load gives up.
inline constexpr int SFReadRetries = 3;

// --- layout by firmware version -------------------------------------------------------------

struct SFLayout {
    int setupRegisters = 0; // 1024 below 2.0, 1280 from 2.0
    int blockSize = 0;      // registers per block read: 32 / 64
    int blockCount = 0;     // 32 / 20
    int rowsPerBlock = 0;   // 2 / 4
    int firstMapRow = 0;    // 65 / 81
    int gridRows = 0;       // 71 / 87, with the heading row
    int valueCells = 0;     // file lines: 1120 / 1376
    int blockWrites = 0;    // 32-register writes of a download: 31 / 39

    // Writes of a download: 8 + 16 + the 32-register blocks + 3 map blocks + 0x2002 + 0x2001.
    int writeCount() const { return 2 + blockWrites + 3 + 2; }
};
SFLayout sfLayoutFor(float meterVersion);

struct SFCell {
    int row = 0;
    int column = 0;
};
SFCell sfCellOfLine(int line);
int sfLineOfCell(SFCell cell); // -1 outside the value cells' columns or above row 1
// The register of a line; nullopt beyond the table.
std::optional<uint16_t> sfRegisterOfLine(const SFLayout& layout, int line);
// The line of a register; nullopt when the table does not hold it.
std::optional<int> sfLineOfRegister(const SFLayout& layout, uint16_t reg);

// The read of one set-up block (code 97) and of the map block (code 98).
struct SFRead {
    int16_t code = 0;
    uint16_t start = 0;
    uint16_t count = 0;
    int block = -1; // -1: the map block
};
SFRead sfBlockRead(const SFLayout& layout, int block);
SFRead sfMapRead();

// --- the table ------------------------------------------------------------------------------

// gridSF's value cells and their backgrounds. Re-shaping (a new layout) empties
// the cells and gives every cell the normal background.
struct SFTable {
    SFLayout layout;
    QStringList cells;             // layout.valueCells texts, by line
    std::vector<uint32_t> colours; // by line

    explicit SFTable(const SFLayout& l = sfLayoutFor(0)) { reshape(l); }
    void reshape(const SFLayout& l);
    void emptyCells();
    QString cell(int line) const { return cells.value(line); }
};

// ShowSFBlock: the reply of block `block` into its rows, four hex digits a cell.
// ShowSFTail: the map block into the map rows. Registers beyond the table are
// dropped.
void showSFBlock(SFTable& table, int block, std::span<const uint16_t> regs);
void showSFTail(SFTable& table, std::span<const uint16_t> regs);

// --- the load ------------------------------------------------------------------------------

// The order of the load's reads and what each outcome shows. The load empties
// the table first, so rows it could not read show nothing of an earlier load or
// of another meter. A failing block read is repeated up to SFReadRetries times;
// then the load gives up and ends with an error text. The map block is read
// once.
class SFLoad {
public:
    SFLoad(SFTable& table, QString meterAddress);

    // The read to make now; nullopt when the load has ended.
    std::optional<SFRead> next() const;
    // The outcome of that read (decoded already when ok). Returns the panel-1
    // text to show, empty for none.
    QString done(bool ok);
    // The meter went off line or another was chosen: no further read.
    void stop() { stopped_ = true; }

    bool ended() const { return !next(); }
    bool gaveUp() const { return gaveUp_; }
    // Every block and the map block were read.
    bool complete() const { return ended() && !gaveUp_ && !stopped_ && mapRead_; }

private:
    SFLayout layout_;
    QString address_;
    int block_ = 0;    // next set-up block; blockCount = the map block
    int failures_ = 0; // of the current block
    bool mapDone_ = false;
    bool mapRead_ = false;
    bool gaveUp_ = false;
    bool stopped_ = false;
};

// --- texts ------------------------------------------------------------------------------------

QStringList sfButtonCaptions(); // cmdSF(0..2)
inline const QString SFFileFilter = QStringLiteral("System Function File (*.SF *.sf);;All Files (*)");
inline const QString SFSaveTitle = QStringLiteral("Save System Function File");
inline const QString SFDownloadTitle = QStringLiteral("Download System Function File");
inline const QString SFCheckTitle = QStringLiteral("Check System Function File");

// --- saving -----------------------------------------------------------------------------------

// SaveSFFile's lines: every value cell row by row (an empty cell gives an empty line).
QStringList sfFileLines(const SFTable& table);
QString sfSaveOkText(const QString& meterAddress, const QString& fileName);

// --- comparing --------------------------------------------------------------------------------

struct SFCheckResult {
    enum class End {
        Checked, // final text for panel 1
        Longer,  // the file goes on past the table: warning box, no final text
        Empty,   // nothing to read: reported as a run-time error of CheckSFData
    } end = End::Checked;
    int lines = 0;   // lines read, the dropped first one included
    QString text;    // final text (Checked) or the warning (Longer)
};
// CheckSFData on the lines of a file (read with at most layout.valueCells
// lines; `more` when the file goes on). The first line (the meter's address) is
// never compared. An equal cell gets the normal background and a
// "Check System Function ... Ok!" line through `progress`; a differing one the
// light red, except 0x2003..0x2007; cells the file does not reach turn light red.
SFCheckResult checkSFData(SFTable& table, const QStringList& lines, bool more, const QString& meterAddress,
                          const std::function<void(const QString&)>& progress = {});

} // namespace config
