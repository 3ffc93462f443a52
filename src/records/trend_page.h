#pragma once
// Page 11 "Trend Log": the meter's trend logger. Its set-up (interval, channel,
// mode) is read and written, its status read once a minute, the logger started
// and stopped, its records downloaded into the two grids of the "Data" tab and
// drawn on the "Trend" tab as a chart with two cursors; the records can be saved
// to a trend log file and shown again from one without a meter.
//
// The page's buttons that need the meter only set the step; the scheduler's
// tick (one operation on the link) does the work. "Open File" reads at once.

#include "pages/form_values.h"
#include "records/trend_chart.h"
#include "records/trend_logger.h"
#include "shell/page.h"

#include <QPointer>
#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class QTableWidget;

namespace shell {
class PageContext;
}

namespace records {

class TrendPicture;

inline constexpr int16_t TrendPageIndex = 11;

class TrendPage : public shell::Page {
public:
    explicit TrendPage(shell::PageContext& ctx);
    ~TrendPage() override;

    int16_t index() const override { return TrendPageIndex; }
    QWidget* widget() override;
    void init() override { InitTrendControls(); }
    void showFirstTabs() override;
    void drawPlotGrids() override; // DrawTrendGrid
    bool hasStepWork() const override { return true; }
    void runStep(int16_t pageStep) override; // RunTrendPage
    void meterChanged() override;

    // Step work.
    void ReadTrendSetup();
    void ReadTrendAndAnalogInput();
    void LoadTrendLog(bool afterSetupWrite = false);
    // True when the meter took the new set-up.
    bool SetupTrend();
    void SaveTLFile();
    void OpenTrendFile();

    // The three lists for MeterVersion, the store's headings, the cursors back to 0.
    void InitTrendControls();

    // User actions.
    void cmdTrend_Click(int index);
    void optTrend_Click(int index);
    // A press or drag on the chart at picture x.
    void picTrend_Mouse(double x, bool leftButtonOnly);

    void DrawTrendChart();
    void MoveTrendCursor();

    const TrendLog& log() const { return log_; }
    float pointStep() const { return pointStep_; }
    const std::array<int, 2>& cursorX() const { return cursorX_; }
    const std::array<double, 3>& analogRanges() const { return analogRanges_; }

    QComboBox* cbTrend(int i) const { return cbTrend_[size_t(i)]; }
    QPushButton* cmdTrend(int i) const { return cmdTrend_[size_t(i)]; }
    QLabel* labTrend(int i) const; // 0..2 the values, 13..19 the captions
    QLabel* labTrendD(int i) const { return labTrendD_[size_t(i)]; }
    QRadioButton* optTrend(int i) const { return optTrend_[size_t(i)]; }
    QScrollBar* hsbTrendT() const { return hsbTrendT_; }
    QScrollBar* hsbTrendD() const { return hsbTrendD_; }
    TrendPicture* picTrend() const { return picTrend_; }
    QTabWidget* sstTrend() const { return sstTrend_; }
    QTableWidget* gridTrend() const { return gridTrend_; }
    QTableWidget* gridTrendData() const { return gridTrendData_; }

private:
    void build();
    void buildTrendTab(QWidget* tab);
    void buildDataTab(QWidget* tab);
    void startOrStop(bool start);
    void showStatus(const TrendStatus& status);
    void emptyChart();
    void showLabels();
    void showRecords();
    // fromMeter: a read's values, which leave a list the person picked during the read alone.
    void setLists(int interval, int channel, int mode, bool fromMeter = false);
    TrendSetup listChoices() const;
    // Reads the set-up into the lists; true when the meter answered.
    bool readSetupValues();
    TrendView view() const;
    void scrolled();
    bool downloading() const;

    shell::PageContext& ctx_;
    // The set-up writes, each with the lists as shown when it was asked.
    pages::FormWrites writes_;
    TrendLog log_;
    GeneralDateFormat dateFormat_;
    std::array<double, 3> analogRanges_{10000, 10000, 10000}; // the analog inputs' design range
    float pointStep_ = 0;                                      // TrendPointStep
    int cursorIndex_ = 0;                                      // TrendCursorIndex
    std::array<int, 2> cursorX_{};                             // TrendCursorX
    bool downloadRuns_ = false;

    QPointer<QGroupBox> frame_;
    std::array<QComboBox*, 3> cbTrend_{};
    std::array<QPushButton*, 3> cmdTrend_{};
    std::array<QLabel*, 3> labTrend_{};
    std::array<QLabel*, 6> captions_{}; // labTrend 13, 14, 15, 16, 17, 19
    std::array<QLabel*, 4> labTrendD_{};
    std::array<QRadioButton*, 2> optTrend_{};
    QScrollBar* hsbTrendT_ = nullptr;
    QScrollBar* hsbTrendD_ = nullptr;
    TrendPicture* picTrend_ = nullptr;
    QTabWidget* sstTrend_ = nullptr;
    QTableWidget* gridTrend_ = nullptr;
    QTableWidget* gridTrendData_ = nullptr;
};

// Adopts page 11 and fills the services the address panel and the meter
// identification call: the caption of its file button and the refill of its lists.
void installTrendPage(shell::PageContext& ctx);

} // namespace records
