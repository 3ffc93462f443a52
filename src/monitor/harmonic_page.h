#pragma once
// Page 21, "Harmonic": the harmonic content of the three currents and the three
// voltages in two tables (rows 1..3 the phases, column 1 the THD, column n + 1
// harmonic order n, percentages with two decimals) and two bar charts drawn from
// the tables.
//
// Meters from version 2.1 give 31 orders and are read on every scheduler tick
// (two reads of 96 registers). Older meters are never asked: the waveform capture
// fills the tables from its own analysis (25 orders) and then calls redrawCharts().

#include "shell/page.h"

#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QTableWidget;

namespace common {
struct MeterState;
}
namespace rtu {
struct LinkState;
}

namespace monitor {

class BarChartWidget;

inline constexpr int kHarmonicStart1 = 0x1A00; // THD and orders 1..15
inline constexpr int kHarmonicStart2 = 0x1E00; // orders 16..31
inline constexpr int kHarmonicCount = 96;      // six channels of 16 registers
enum HarmonicCommand : int16_t { CmdHarmonics1 = 53, CmdHarmonics2 = 54 };

// The meter gives its own harmonic tables from version 2.1 on (single precision,
// as the version itself is kept).
inline bool harmonicsFromMeter(float meterVersion) { return meterVersion >= 2.1f; }
// Orders in the tables and charts: 31 from version 2.1 on, else 25.
inline int harmonicOrders(float meterVersion) { return harmonicsFromMeter(meterVersion) ? 31 : 25; }

// Where register i (0..95) of reply 1 (orders up to 15) or reply 2 (orders 16..31) goes.
struct HarmonicCell {
    bool voltage = false; // gridHarmonicV, else gridHarmonicC
    int row = 0;          // 1..3
    int col = 0;          // 1..32
};
HarmonicCell harmonicCell(int reply, int registerIndex);
// Hundredths of a percent as "0.00" text (1234 -> "12.34").
QString harmonicText(uint16_t raw);
// The number in a table cell; an empty cell or one that is not a number counts as 0.
double harmonicCellValue(const QString& text);
// "H01".."H31".
QString orderHeading(int order);

// One bar of a chart (twips): order k (1..N), phase c (0..2), value v percent, in a
// picture of inner size w x h. The bar stands at x and runs from h up to top.
struct BarGeometry {
    double x = 0;
    double top = 0;
};
BarGeometry barGeometry(double w, double h, int orders, int k, int c, double v);

class HarmonicPage : public shell::Page {
public:
    HarmonicPage(rtu::LinkState& link, common::MeterState& meter, rtu::ModbusMaster& master);
    ~HarmonicPage() override;

    int16_t index() const override { return 21; }
    QWidget* widget() override;
    // InitHarmonicGrids.
    void init() override;
    // DrawHarmonicGrids.
    void drawPlotGrids() override;
    void registerDecoders(rtu::ModbusMaster& master) override;
    // The harmonic read (from 2.1), then the waveform cycle that fills the tables on older meters.
    bool hasStepWork() const override { return true; }
    void runStep(int16_t step) override;
    void setWaveformSequence(std::function<void()> sequence) { waveformSequence_ = std::move(sequence); }

    // Both reads; each is finished and decoded before the next. A failed one leaves
    // the tables as they were.
    void ReadHarmonics();
    // Decoders of 53 (columns 1..16) and 54 (columns 17..32, then both charts).
    void ShowHarmonics1();
    void ShowHarmonics2();
    // Both charts from the tables' texts. A cell that is empty or not a number
    // draws no bar, and the drawing goes on.
    void DrawHarmonicCharts();
    void redrawCharts() { DrawHarmonicCharts(); }
    // Columns, headings, widths, colours and order labels for MeterVersion; values stay.
    void InitHarmonicGrids();
    // The same for a given firmware version, so that a log record is shown in its
    // own layout while the meter's version stays as identified.
    void InitHarmonicGrids(float version);
    void DrawHarmonicCharts(float version);
    // The charts' fixed background lines.
    void DrawHarmonicGrids();

    QTableWidget* gridHarmonicC() const { return grid_[0]; }
    QTableWidget* gridHarmonicV() const { return grid_[1]; }
    BarChartWidget* picHarmonicC() const { return pic_[0]; }
    BarChartWidget* picHarmonicV() const { return pic_[1]; }
    QCheckBox* chkHarmonicC(int index) const;
    QCheckBox* chkHarmonicV(int index) const;
    QLabel* labHarmonicC(int index) const; // 0..18
    QLabel* labHarmonicV(int index) const;

private:
    std::function<void()> waveformSequence_;
    void buildControls();
    void showHarmonics(int reply);

    rtu::LinkState& link_;
    common::MeterState& meter_;
    rtu::ModbusMaster& master_;
    QPointer<QGroupBox> frame_;
    std::array<QGroupBox*, 2> chartFrame_{};
    std::array<QTableWidget*, 2> grid_{};
    std::array<BarChartWidget*, 2> pic_{};
    std::array<std::array<QCheckBox*, 3>, 2> chk_{};
    std::array<std::array<QLabel*, 19>, 2> lab_{};
};

} // namespace monitor
