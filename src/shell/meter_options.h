#pragma once
// How the main window adapts to the identified meter: which option pages are
// enabled, how the page selector is stacked for the meter's generation, which
// items lists get, how many rows grids get and what the captions say.
//
// MeterGates() is the single table of these reactions as a plain function of the
// meter's identity; applyMeterReactions() puts its result onto whichever of the
// named controls exist. Pages built later find their controls adapted at the next
// identification when they are in the window under the object names below; the
// identification keeps the last result for pages that want it sooner.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

class QWidget;

namespace shell {

class MainForm;

// Object names of the controls the table reaches ("name_index" for control arrays).
namespace gate_names {
inline const QString TransferDelayCaption = QStringLiteral("labSystem_7");
inline const QString TransferDelayRange = QStringLiteral("labSystem_8"); // "(15 - 200)"
inline const QString TransferDelayEntry = QStringLiteral("txtTDT");
inline const QString TransferDelayButton = QStringLiteral("cmdSystem_0");
inline const QString TransferDelayLine = QStringLiteral("Line4");
inline const QString WireCaption = QStringLiteral("labSystem_0");
inline const QString WireList = QStringLiteral("tbWire");
inline const QString FrequencyCaption = QStringLiteral("labSystem_1");
inline const QString FrequencyList = QStringLiteral("tbF");
inline const QString WireFrequencyButton = QStringLiteral("cmdSystem_1");
inline const QString RatioLine = QStringLiteral("Line8");
inline const QString PtCaption = QStringLiteral("labSystem_3");
inline const QString PtEntry = QStringLiteral("tbPT");
inline const QString PtRange = QStringLiteral("labSystem_4");
inline const QString RatioButton = QStringLiteral("cmdSystem_2");
inline const QString PowerUnitList = QStringLiteral("tbPowerUnit");
inline const QString ResetAlarmButton = QStringLiteral("cmdReset_0");
inline const QString ClearDICountButton = QStringLiteral("cmdReset_18");
inline const QString DemandSyncCaption = QStringLiteral("labDemand_4");
inline const QString DemandSyncList = QStringLiteral("cbDemand_1");
inline const QString TraceDigitalInputFrame = QStringLiteral("frmTM_4");
inline const QString TrendIntervalList = QStringLiteral("cbTrend_0");
inline const QString TraceCaptureList = QStringLiteral("cbTrace_1");
inline const QString SystemFunctionGrid = QStringLiteral("gridSF");
// "gridTrace_0" .. "gridTrace_5", "labTrace_20" .. "labTrace_28".
QString traceGrid(int index);
QString traceCaption(int index);
} // namespace gate_names

// What the table depends on.
struct GateInput {
    float MeterVersion = 0.0f;
    uint16_t MeterOptionBits = 0; // bits 0..5 = options "A".."F"; other bits are ignored
    bool CurrentInput1A = false;
    bool VoltageInput150V = false;
    bool FirmwareChanged = false;
    QString MeterModelText = QStringLiteral("KD 4170"); // the model text before the letters
};

// Tops, in twips, of the essential-property rows that move with the transfer-delay row.
struct EssentialLayout {
    int wireCaption = 0, wireList = 0;
    int frequencyCaption = 0, frequencyList = 0;
    int wireFrequencyButton = 0;
    int ratioLine = 0;
    int ptCaption = 0, ptEntry = 0, ptRange = 0;
    int ratioButton = 0;
};

struct MeterReactions {
    // --- after every good information reply --------------------------------------
    bool transferDelayRowShown = false;
    EssentialLayout essential;
    QString currentLevelCaption; // labTrace(20..22)
    QString voltageLevelCaption; // labTrace(23..28)

    // --- only when the version changed (everything below is empty otherwise) ------
    bool onChange = false;
    // The stacked page buttons, top to bottom, with their tops in the selector's
    // design twips; the buttons of that group that are not listed are hidden.
    std::vector<int16_t> selectorOrder;
    std::vector<int> selectorTopsTwips;
    // Every page's button enabled state (pages without an option stay enabled;
    // 23 "Save Config" follows the version).
    std::array<bool, 27> pageEnabled{};
    bool resetAlarmEnabled = false;   // cmdReset(0)
    bool clearDICountEnabled = false; // cmdReset(18)
    bool demandSyncEnabled = false;   // labDemand(4), cbDemand(1)
    bool traceDigitalInputShown = false; // frmTM(4)
    QString optionLetters;  // "ACD"; empty without options
    QString modelText;      // "KD 4170 - (ACD)"
    QString windowCaption;  // "KD 4170 - (ACD) PC Tool"
    QStringList powerUnitItems;
    QStringList trendIntervalItems;
    QStringList traceCaptureItems;
    int traceCaptureIndex = 0;
    int traceGridRows = 0; // including the heading row
    int systemFunctionRows = 0;
    QStringList systemFunctionLabels; // column 0 of rows 1.., without the heading row
    QStringList systemFunctionHeadings; // row 0 of columns 1..16
    // Both are laid out again for the new version on every change, in both directions.
    bool relayHarmonicGrids = false;
    bool refillTrendLists = false;
};

// The single table of reactions.
MeterReactions MeterGates(const GateInput& in);

// The option letters of a word ("A".."F" for bits 0..5).
QString optionLetters(uint16_t optionWord);

// The stacked group of the page selector in its design order (15 buttons).
const std::vector<int16_t>& stackedPageButtons();

// Puts a result onto the controls of the window that exist. everyReply applies
// the first group, and onChange (when the result has it) the rest. Change
// handlers of the filled controls run with Refreshing set by the caller.
void applyMeterReactions(const MeterReactions& r, MainForm& form, bool everyReply, bool onChange);

} // namespace shell
