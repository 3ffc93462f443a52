#pragma once
// Page 14, "Waveform Capture": the capture with its enable box and capture time,
// the "Waveform" tab (plot, channel boxes, cursors and their read-outs) and the
// "Phaser" tab (phasor diagram and angle read-outs). For meters below 2.1 it also
// fills the harmonic tables of the harmonic page from the capture.

#include "monitor/phasor_widget.h"
#include "monitor/waveform_capture.h"
#include "monitor/waveform_plot.h"
#include "shell/page.h"

#include <QColor>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QTabWidget;
class QTableWidget;

namespace shell {
class PageContext;
struct AppState;
} // namespace shell

namespace monitor {

// The current (false) or voltage (true) harmonic table, laid out with rows 1..3 the
// phases, column 1 THD and column n + 1 order n; nullptr when there is none.
using HarmonicGridFn = std::function<QTableWidget*(bool voltage)>;

class WaveformPage : public QObject, public shell::Page {
public:
    WaveformPage(shell::AppState& app, rtu::ModbusMaster& master, HarmonicGridFn harmonicGrid,
                 std::function<void()> harmonicsChanged);
    ~WaveformPage() override;

    int16_t index() const override { return 14; }
    QWidget* widget() override;
    void init() override;          // InitWaveformGrid
    void showFirstTabs() override;
    void drawPlotGrids() override; // DrawWaveformGrid
    void registerDecoders(rtu::ModbusMaster& master) override;
    // The capture cycle of pages 14 and 21 while "Waveform Capture Enable" is ticked:
    // instant values (for the scales), trigger, capture time, the six channels, cursors.
    bool hasStepWork() const override { return true; }
    void runStep(int16_t step) override;
    void runSequence();
    void setLiveRead(std::function<void()> read) { liveRead_ = std::move(read); }

    WaveformCapture& capture() { return *capture_; }

    // --- procedures -------------------------------------------------------------------
    void PrepareWaveformChannels();
    void DrawWaveform();
    void DrawPhasorDiagram();
    void ShowWaveformCursors();
    void ShowWaveformHarmonics(int ch, bool compute);
    void ChooseChannelColor(int index);
    void optWaceform_Click(int index);
    // A left-button position on the plot: the selected cursor goes there.
    void moveSelectedCursor(int x, int y);

    // --- state ----------------------------------------------------------------------
    int16_t WaveformCursor = 0;
    std::array<int16_t, 4> WaveformCursorX{};
    std::array<int16_t, 4> WaveformCursorY{};

    // --- controls ---------------------------------------------------------------------
    QTabWidget* tabs() const { return tabs_; }
    WaveformPlot* picWaveform() const { return plot_; }
    PhasorWidget* phasors() const { return phasor_; }
    QCheckBox* chkWaveform(int i) const { return chkWaveform_[size_t(i)]; }
    QRadioButton* optWaceform(int i) const { return optWaceform_[size_t(i)]; }
    QLabel* labWaceform(int i) const { return labWaceform_[size_t(i)]; }
    QLabel* labAngle(int i) const { return labAngle_[size_t(i)]; }
    QLabel* Label5(int i) const { return label5_[size_t(i)]; }
    QCheckBox* chkPhaser(int i) const { return chkPhaser_[size_t(i)]; }
    QColor channelColour(int ch) const { return colour_[size_t(ch)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> liveRead_;
    void buildControls();
    void buildWaveformTab(QWidget* tab);
    void buildPhasorTab(QWidget* tab);
    void applyColour(int ch);
    void applyPhasorVisibility();
    std::optional<double> labelValue(InstantLabel label, int index) const;

    shell::AppState& app_;
    HarmonicGridFn harmonicGrid_;
    std::function<void()> harmonicsChanged_;
    QPointer<QGroupBox> frame_;
    std::unique_ptr<WaveformCapture> capture_;
    QTabWidget* tabs_ = nullptr;
    WaveformPlot* plot_ = nullptr;
    PhasorWidget* phasor_ = nullptr;
    std::array<QCheckBox*, 6> chkWaveform_{};
    std::array<QRadioButton*, 4> optWaceform_{};
    std::array<QLabel*, 13> labWaceform_{};
    std::array<QLabel*, 6> labAngle_{};
    std::array<QLabel*, 6> label5_{};
    std::array<QCheckBox*, 2> chkPhaser_{};
    std::array<QColor, 6> colour_;
};

// Creates page 14, takes it into the program and fills the waveform hooks of the
// scheduler. harmonicGrid gives the harmonic page's tables (meters below 2.1 get them
// filled from the capture); harmonicsChanged redraws that page's charts.
void installWaveformPage(shell::PageContext& app, std::function<QTableWidget*(bool)> harmonicGrid,
                         std::function<void()> harmonicsChanged);

} // namespace monitor
