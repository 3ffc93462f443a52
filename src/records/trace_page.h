#pragma once
// Page 13, "Triggered To Memory": the meter's trace set-up ("Control mode"),
// the trigger counter with the loaded marks of the capture groups, the group
// loads into the sample store (the "Data" tabs) and the trace view with its
// plot, zoom, time offset, gain and four cursors.
//
// The step machine runs once per scheduler tick: 0 reads the set-up, 1 writes
// it, 2..5 load group 0..3, 6 resets the trace memory, 7 polls the trigger
// counter every 9 s. Buttons only set the step.

#include "pages/form_values.h"
#include "records/trace_plot.h"
#include "records/trace_store.h"
#include "shell/page.h"

#include <QPointer>
#include <QString>
#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class QTableView;

namespace shell {
class PageContext;
}

namespace records {

class TracePlotWidget;
class TraceStoreModel;

inline constexpr int16_t TracePageIndex = 13;

class TracePage : public shell::Page {
public:
    explicit TracePage(shell::PageContext& ctx);
    ~TracePage() override;

    int16_t index() const override { return TracePageIndex; }
    QWidget* widget() override;
    void init() override; // InitTracePage
    void showFirstTabs() override;
    bool hasStepWork() const override { return true; }
    void runStep(int16_t pageStep) override; // RunTracePage
    bool askWrite(int16_t step) override {
        writes_.ask(step);
        return true;
    }
    // No trace group of the meter before is held any more.
    void meterChanged() override;

    // --- step work ------------------------------------------------------------------------
    void ReadTraceSetup();
    void WriteTraceSetup();
    // True when the poll got a good reply.
    bool PollTraceStatus();
    void ResetTraceMemory();
    TraceLoadResult LoadTraceGroup(int group);

    // --- decoders -------------------------------------------------------------------------
    void ShowTraceSetup(const TraceSetup& setup);
    void ShowTraceStatus(const TraceHeader& status);
    void ShowTraceHeader(int group, const TraceHeader& header);
    void ShowTraceTriggerFrames();

    // --- handlers -------------------------------------------------------------------------
    void cmdTM_Click();  // "Setup"
    void cmdTMC_Click(); // "Reset Trigger Counter"
    void cmdTrace_Click(int group);
    void txtTrace_LostFocus(int index);
    void optCursor_Click(int index);
    void picTrace_MouseMove(double x, double y); // the left button alone is held
    void chkTM_Click();
    void hsbTrace_Change();
    void hsbTraceT_Change();
    void vsbTrace_Change();

    // --- state ----------------------------------------------------------------------------
    const TraceStore& store() const { return store_; }
    bool groupHeld(int group) const { return marks_[size_t(group)]; }
    int shownGroup() const { return shownGroup_; }
    const TraceCursors& cursors() const { return cursors_; }
    float xScale() const { return xScale_; }
    float yScale() const { return yScale_; }
    float samplePeriod() const { return samplePeriod_; }
    double voltageScale() const { return voltageScale_; }
    double currentScale() const { return currentScale_; }

    // --- controls -------------------------------------------------------------------------
    QTabWidget* sstTriggered() const { return sstTriggered_; }
    QTabWidget* sstTrace(int i) const { return i == 0 ? sstTrace0_ : sstTrace1_; }
    QComboBox* cbTrace(int i) const { return cbTrace_[size_t(i)]; }
    QLineEdit* txtTrace(int i) const { return txtTrace_[size_t(i)]; }
    QLabel* labTrace(int i) const { return labTrace_[size_t(i)]; }
    QLabel* labTraceC() const { return labTraceC_; }
    QPushButton* cmdTM() const { return cmdTM_; }
    QPushButton* cmdTMC() const { return cmdTMC_; }
    QLabel* labTraceW(int i) const { return labTraceW_[size_t(i)]; }
    QComboBox* cbTraceW(int g) const { return cbTraceW_[size_t(g)]; }
    QGroupBox* frmTM(int i) const { return frmTM_[size_t(i)]; }
    QPushButton* cmdTrace(int g) const { return cmdTrace_[size_t(g)]; }
    QCheckBox* chkTM(int i) const { return chkTM_[size_t(i)]; }
    QScrollBar* hsbTrace() const { return hsbTrace_; }
    QScrollBar* hsbTraceT() const { return hsbTraceT_; }
    QScrollBar* vsbTrace() const { return vsbTrace_; }
    QRadioButton* optCursor(int i) const { return optCursor_[size_t(i)]; }
    QLabel* labCursor(int i) const { return labCursor_[size_t(i)]; }
    TracePlotWidget* picTrace() const { return picTrace_; }
    QTableView* gridTrace(int i) const { return gridTrace_[size_t(i)]; }
    QLabel* loadingLabel() const { return label1_; }

private:
    void build();
    void buildControlTab(QWidget* tab);
    void buildTraceTab(QWidget* tab);
    void buildViewTab(QWidget* tab);
    void buildDataTab(QWidget* tab);

    TraceGeneration generation() const;
    int usage() const;
    // Sizes the store (and its grids) for the meter's generation.
    void syncStoreSize();
    void refreshGrids();
    void applyCounter(int counter);
    void clearMarks();
    // Reads the set-up into the controls; true when the meter answered.
    bool readSetupValues();
    // Clears the picture and draws every ticked channel.
    void redraw();
    void plotChannel(int channel);
    TraceCursorScales cursorScales() const;
    void showCursors();

    shell::PageContext& ctx_;
    QPointer<QGroupBox> frame_;
    // The set-up writes, each with the values shown when it was asked.
    pages::FormWrites writes_;
    QTabWidget* sstTriggered_ = nullptr;
    QTabWidget* sstTrace0_ = nullptr;
    QTabWidget* sstTrace1_ = nullptr;
    QLabel* label1_ = nullptr;
    std::array<QLabel*, 35> labTrace_{};
    std::array<QLineEdit*, 10> txtTrace_{};
    std::array<QComboBox*, 10> cbTrace_{};
    QPushButton* cmdTM_ = nullptr;
    QPushButton* cmdTMC_ = nullptr;
    QLabel* labTraceC_ = nullptr;
    std::array<QGroupBox*, 5> frmTM_{};
    std::array<QPushButton*, kTraceGroups> cmdTrace_{};
    std::array<QComboBox*, kTraceGroups> cbTraceW_{};
    std::array<QLabel*, 14> labTraceW_{};
    std::array<QCheckBox*, kTraceChannels> chkTM_{};
    QScrollBar* hsbTrace_ = nullptr;
    QScrollBar* hsbTraceT_ = nullptr;
    QScrollBar* vsbTrace_ = nullptr;
    std::array<QRadioButton*, 4> optCursor_{};
    std::array<QLabel*, 9> labCursor_{};
    TracePlotWidget* picTrace_ = nullptr;
    std::array<QTableView*, kTraceChannels> gridTrace_{};
    std::array<std::unique_ptr<TraceStoreModel>, kTraceChannels> models_;

    TraceStore store_;
    std::array<bool, kTraceGroups> marks_{}; // the group's samples are held (labTraceW(g + 2).Tag "Y")
    int shownGroup_ = -1;                    // the button whose Tag is "True"
    bool setupReadDue_ = false;              // a write's read-back waits behind a person's action
    TraceCursors cursors_;
    float xScale_ = 0, yScale_ = 0, samplePeriod_ = 0;
    double voltageScale_ = 0.942, currentScale_ = 0.009;
};

// Adopts page 13 and gives the scheduler its step work.
void installTracePage(shell::PageContext& ctx);

} // namespace records
