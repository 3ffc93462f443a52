#pragma once
// Page 1 "Max./Min. Log": the clear time, the two log tables (maxima with the
// maximum demands, minima) read every 6 s, the confirmed clear and the CSV save.
// The maximum-demand decoder also fills the Demand page's four labels.

#include "pages/form_values.h"
#include "records/maxmin_log.h"
#include "shell/page.h"

#include <QPointer>
#include <array>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace shell {
class PageContext;
}

namespace records {

inline constexpr int16_t MaxMinPageIndex = 1;
inline constexpr int16_t DemandPageIndex = 9;

class MaxMinPage : public shell::Page {
public:
    explicit MaxMinPage(shell::PageContext& ctx);
    ~MaxMinPage() override;

    int16_t index() const override { return MaxMinPageIndex; }
    QWidget* widget() override;
    void init() override; // InitMaxGrid, InitMinGrid
    void showFirstTabs() override;
    bool hasStepWork() const override { return true; }
    void runStep(int16_t step) override;
    void meterChanged() override;
    void registerDecoders(rtu::ModbusMaster& master) override;

    // Step 0: reads the clear time and moves on to step 1 whatever the outcome.
    void RequestMaxMinSetting();
    // Step 1: the five reads when RecordTicks allows.
    void RequestMaxMinLog();
    // Step 2: question, login, then the clear.
    void clearStep();
    // Step 3.
    void SaveMaxMinLog();
    void txtMaxMin_LostFocus();
    void cmdMaxMin_Click(int index);

    const MaxMinLog& log() const { return log_; }
    ClearTimeOrigin clearTimeOrigin() const { return origin_; }
    QLineEdit* txtMaxMin() const { return txtMaxMin_; }
    QPushButton* cmdMaxMin(int index) const;
    QTabWidget* SSTab3() const { return sstab_; }
    QTableWidget* gridMax() const { return gridMax_; }
    QTableWidget* gridMin() const { return gridMin_; }

private:
    void build();
    void initGrid(QTableWidget* grid, const std::vector<LogRow>& rows);
    void showRows(bool minimum, const std::vector<int>& rows);
    void showLogReply(int16_t code);
    void showDemandLabels(const std::vector<int>& rows);
    void OnMaxMinSettingReply();

    shell::PageContext& ctx_;
    MaxMinLog log_;
    ClearTimeOrigin origin_ = ClearTimeOrigin::None;
    QPointer<QGroupBox> frame_;
    // The clears, each with the clear time shown, and where it came from, when it was asked.
    pages::FormWrites writes_;
    std::optional<ClearTimeOrigin> askedOrigin_;
    QLabel* labMaxMin_ = nullptr;
    QLineEdit* txtMaxMin_ = nullptr;
    std::array<QPushButton*, 2> cmdMaxMin_{};
    QTabWidget* sstab_ = nullptr;
    QTableWidget* gridMax_ = nullptr;
    QTableWidget* gridMin_ = nullptr;
};

void installMaxMinPage(shell::PageContext& ctx);

} // namespace records
