#include "shell/meter_options.h"

#include "shell/main_form.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVariant>
#include <algorithm>

namespace shell {

QString gate_names::traceGrid(int index) { return QStringLiteral("gridTrace_%1").arg(index); }
QString gate_names::traceCaption(int index) { return QStringLiteral("labTrace_%1").arg(index); }

namespace {

// Every threshold is a single-precision constant compared with the
// single-precision version, so a meter reporting 1.20 meets 1.2 exactly.
constexpr float V1_2 = 1.2f, V1_3 = 1.3f, V1_5 = 1.5f, V1_9 = 1.9f, V2_0 = 2.0f, V2_01 = 2.01f, V2_09 = 2.09f,
                V2_2 = 2.2f;

// Pages that need a hardware option, by option bit.
constexpr int16_t kOptionPages[] = {3, 4, 5, 6, 7, 13, 15};
constexpr int16_t kSaveConfigPage = 23;

// The selector's stacked group spans these design tops (twips) in its
// fifteen-button form; other layouts fill the same span.
constexpr int kStackFirstTop = 600, kStackLastTop = 4440;

bool inFirmware201To209(float v) { return v >= V2_01 && v <= V2_09; }

EssentialLayout essentialLayout(bool withTransferDelay) {
    EssentialLayout l;
    // Captions at their fields' tops: their text is centred level with the field's.
    if (withTransferDelay) {
        l.wireCaption = 2520, l.wireList = 2520;
        l.frequencyCaption = 3240, l.frequencyList = 3240;
        l.wireFrequencyButton = 3960;
        l.ratioLine = 4680;
        l.ptCaption = 5040, l.ptEntry = 5040, l.ptRange = 5040;
        l.ratioButton = 6600;
    } else {
        l.wireCaption = 840, l.wireList = 840;
        l.frequencyCaption = 1920, l.frequencyList = 1920;
        l.wireFrequencyButton = 3000;
        l.ratioLine = 4080;
        l.ptCaption = 4680, l.ptEntry = 4680, l.ptRange = 4680;
        l.ratioButton = 6840;
    }
    return l;
}

QStringList powerUnits(const GateInput& in) {
    if (in.MeterVersion < V1_2) return {"0.2"};
    if (in.CurrentInput1A && in.VoltageInput150V) return {"0.01", "0.002", "0.0005"};
    if (in.CurrentInput1A) return {"0.04", "0.008", "0.002"};
    if (in.VoltageInput150V) return {"0.05", "0.01", "0.0025"};
    return {"0.2", "0.04", "0.01"};
}

void selectorLayout(float v, MeterReactions& r) {
    const std::vector<int16_t>& all = stackedPageButtons();
    r.selectorOrder.clear();
    r.selectorTopsTwips.clear();
    if (v >= V2_2) {
        r.selectorOrder = all;
        for (int k = 0; k < 14; ++k) r.selectorTopsTwips.push_back(600 + 274 * k);
        r.selectorTopsTwips.push_back(4440);
    } else if (!inFirmware201To209(v)) {
        // Trend Log without Simulation.
        for (int16_t b : all)
            if (b != 26) r.selectorOrder.push_back(b);
        for (int k = 0; k < 13; ++k) r.selectorTopsTwips.push_back(600 + 286 * k);
        r.selectorTopsTwips.push_back(4320);
    } else {
        // Neither Trend Log nor Simulation.
        for (int16_t b : all)
            if (b != 26 && b != 11) r.selectorOrder.push_back(b);
        for (int k = 0; k < 13; ++k) r.selectorTopsTwips.push_back(600 + 310 * k);
    }
}

QString hex(int value) { return QString::number(value, 16).toUpper(); }

template <class W = QWidget>
W* control(MainForm& form, const QString& name) {
    return form.findChild<W*>(name);
}


void moveTop(MainForm& form, const QString& name, int twips) {
    if (QWidget* w = control(form, name)) w->move(w->x(), px(twips));
}

void setShown(MainForm& form, const QString& name, bool shown) {
    if (QWidget* w = control(form, name)) w->setVisible(shown);
}

void setEnabled(MainForm& form, const QString& name, bool enabled) {
    if (QWidget* w = control(form, name)) w->setEnabled(enabled);
}

void setCaption(MainForm& form, const QString& name, const QString& text) {
    if (QWidget* w = control(form, name)) w->setProperty("text", text);
}

void refill(MainForm& form, const QString& name, const QStringList& items, int selected) {
    auto* list = control<QComboBox>(form, name);
    if (!list) return;
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(selected);
}

void setCell(QTableWidget* grid, int row, int column, const QString& text) {
    if (QTableWidgetItem* item = grid->item(row, column)) item->setText(text);
    else grid->setItem(row, column, new QTableWidgetItem(text));
}

// The stacked page buttons' tops in the window: the design span of the
// fifteen-button stack (from button 0 to button 26 as the window drew them
// before any identification) carries the table's twips linearly.
void stackSelector(const MeterReactions& r, MainForm& form) {
    const std::vector<int16_t>& all = stackedPageButtons();
    for (int16_t b : all) {
        QPushButton* opt = form.optProgram(b);
        if (opt && !opt->property("designTop").isValid()) opt->setProperty("designTop", opt->y());
    }
    QPushButton* first = form.optProgram(all.front());
    QPushButton* last = form.optProgram(all.back());
    if (!first || !last) return;
    const int y0 = first->property("designTop").toInt();
    const int y1 = last->property("designTop").toInt();
    for (int16_t b : all) {
        QPushButton* opt = form.optProgram(b);
        if (!opt) continue;
        auto it = std::find(r.selectorOrder.begin(), r.selectorOrder.end(), b);
        if (it == r.selectorOrder.end()) {
            opt->hide();
            continue;
        }
        const int twips = r.selectorTopsTwips[size_t(it - r.selectorOrder.begin())];
        const int y = y0 + qRound(double(twips - kStackFirstTop) * (y1 - y0) / (kStackLastTop - kStackFirstTop));
        opt->move(opt->x(), y);
        opt->show();
    }
}

} // namespace

const std::vector<int16_t>& stackedPageButtons() {
    static const std::vector<int16_t> order{0, 1, 9, 2, 10, 12, 11, 14, 21, 8, 16, 17, 19, 20, 26};
    return order;
}

QString optionLetters(uint16_t optionWord) {
    QString letters;
    for (int bit = 0; bit < 6; ++bit)
        if (optionWord & (1u << bit)) letters += QChar('A' + bit);
    return letters;
}

MeterReactions MeterGates(const GateInput& in) {
    MeterReactions r;
    const float v = in.MeterVersion;

    r.transferDelayRowShown = v >= V1_2;
    r.essential = essentialLayout(r.transferDelayRowShown);
    r.currentLevelCaption = in.CurrentInput1A ? QStringLiteral("100% = 1A  (0=Off)") : QStringLiteral("100% = 5A  (0=Off)");
    r.voltageLevelCaption =
        in.VoltageInput150V ? QStringLiteral("100% = 150V  (0=Off)") : QStringLiteral("100% = 500V  (0=Off)");

    if (!in.FirmwareChanged) return r;
    r.onChange = true;

    selectorLayout(v, r);
    r.relayHarmonicGrids = true;
    r.refillTrendLists = true;

    // Option pages: all off, then each option present turns its controls on.
    const uint16_t options = in.MeterOptionBits & 0x3F;
    r.pageEnabled.fill(true);
    for (int16_t p : kOptionPages) r.pageEnabled[size_t(p)] = false;
    auto has = [options](int bit) { return (options & (1u << bit)) != 0; };
    r.pageEnabled[5] = has(0);
    r.pageEnabled[7] = has(1);
    r.pageEnabled[15] = r.pageEnabled[3] = r.resetAlarmEnabled = has(2);
    r.pageEnabled[6] = r.clearDICountEnabled = r.demandSyncEnabled = r.traceDigitalInputShown = has(3);
    r.pageEnabled[4] = has(4);
    r.pageEnabled[13] = has(5);
    r.pageEnabled[kSaveConfigPage] = v < V1_9;

    r.optionLetters = optionLetters(options);
    r.modelText = in.MeterModelText;
    if (!r.optionLetters.isEmpty()) r.modelText += " - (" + r.optionLetters + ")";
    r.windowCaption = r.modelText + " PC Tool";

    r.powerUnitItems = powerUnits(in);

    r.trendIntervalItems = QStringList{"15 Minutes", "30 Minutes", "60 Minutes"};
    if (v > V1_3) r.trendIntervalItems << "10 Minutes";

    int samples = 0;
    if (v < V1_5) {
        r.traceCaptureItems = QStringList{"1 x 64 cycles", "2 x 32 cycles", "4 x 16 cycles"};
        samples = 1024;
    } else if (!inFirmware201To209(v)) {
        r.traceCaptureItems = QStringList{"1 x 128 cycles", "2 x 64 cycles", "4 x 32 cycles"};
        samples = 2048;
    } else {
        r.traceCaptureItems = QStringList{"1 x 256 cycles", "2 x 128 cycles", "4 x 64 cycles"};
        samples = 4096;
    }
    r.traceCaptureIndex = 2;
    r.traceGridRows = samples + 1;

    // Each row of the system function grid holds the 16 registers whose address
    // begins with its label's three digits.
    const int blocks = v < V2_0 ? 64 : 80;
    r.systemFunctionRows = blocks + 7;
    for (int row = 1; row <= blocks; ++row) r.systemFunctionLabels << hex(0x1FF + row) + "*";
    for (int digit = 10; digit <= 15; ++digit) r.systemFunctionLabels << "00" + hex(digit) + "*";
    for (int column = 0; column < 16; ++column) r.systemFunctionHeadings << hex(column);
    return r;
}

void applyMeterReactions(const MeterReactions& r, MainForm& form, bool everyReply, bool onChange) {
    namespace n = gate_names;
    if (everyReply) {
        for (const QString& name : {n::TransferDelayCaption, n::TransferDelayRange, n::TransferDelayEntry,
                                    n::TransferDelayButton, n::TransferDelayLine})
            setShown(form, name, r.transferDelayRowShown);
        const EssentialLayout& l = r.essential;
        moveTop(form, n::WireCaption, l.wireCaption);
        moveTop(form, n::WireList, l.wireList);
        moveTop(form, n::FrequencyCaption, l.frequencyCaption);
        moveTop(form, n::FrequencyList, l.frequencyList);
        moveTop(form, n::WireFrequencyButton, l.wireFrequencyButton);
        moveTop(form, n::RatioLine, l.ratioLine);
        moveTop(form, n::PtCaption, l.ptCaption);
        moveTop(form, n::PtEntry, l.ptEntry);
        moveTop(form, n::PtRange, l.ptRange);
        moveTop(form, n::RatioButton, l.ratioButton);
        for (int i = 20; i <= 22; ++i) setCaption(form, n::traceCaption(i), r.currentLevelCaption);
        for (int i = 23; i <= 28; ++i) setCaption(form, n::traceCaption(i), r.voltageLevelCaption);
    }
    if (!onChange || !r.onChange) return;

    stackSelector(r, form);
    for (int16_t p : kOptionPages)
        if (QPushButton* opt = form.optProgram(p)) opt->setEnabled(r.pageEnabled[size_t(p)]);
    if (QPushButton* opt = form.optProgram(kSaveConfigPage)) opt->setEnabled(r.pageEnabled[kSaveConfigPage]);
    setEnabled(form, n::ResetAlarmButton, r.resetAlarmEnabled);
    setEnabled(form, n::ClearDICountButton, r.clearDICountEnabled);
    setEnabled(form, n::DemandSyncCaption, r.demandSyncEnabled);
    setEnabled(form, n::DemandSyncList, r.demandSyncEnabled);
    setShown(form, n::TraceDigitalInputFrame, r.traceDigitalInputShown);
    form.setWindowTitle(r.windowCaption);

    refill(form, n::PowerUnitList, r.powerUnitItems, 0);
    refill(form, n::TrendIntervalList, r.trendIntervalItems, 0);
    refill(form, n::TraceCaptureList, r.traceCaptureItems, r.traceCaptureIndex);
    for (int g = 0; g < 6; ++g) {
        auto* grid = control<QTableWidget>(form, n::traceGrid(g));
        if (!grid) continue;
        grid->setRowCount(r.traceGridRows);
        for (int row = 1; row < r.traceGridRows; ++row) setCell(grid, row, 0, QString::number(row));
    }
    if (auto* grid = control<QTableWidget>(form, n::SystemFunctionGrid)) {
        grid->setRowCount(r.systemFunctionRows);
        for (int row = 1; row < r.systemFunctionRows; ++row)
            setCell(grid, row, 0, r.systemFunctionLabels.value(row - 1));
        if (grid->columnCount() < 17) grid->setColumnCount(17);
        for (int column = 1; column <= 16; ++column) setCell(grid, 0, column, r.systemFunctionHeadings.value(column - 1));
    }
}

} // namespace shell
