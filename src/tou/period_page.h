#pragma once
// Page 8 "Time Of Use" for meters below version 2.0: eight tariff periods
// (start, stop, rate) read from and written to the meter, the meter's
// time-of-use status with the energy of each period, and the cost of each
// period from the unit costs typed on the page. The unit costs are kept in
// "TOUCOST.TOU" in the program folder: read at start-up, written at "Exit".
//
// Steps: 0 read the periods, 1 the status once a second, 2 "Setting Time Of
// Use" (checks, question, login, eight frames), 3 "Reset TOU Count" (coil 27).

#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "pages/form_values.h"
#include "shell/page.h"
#include "tou/tou_periods.h"

#include <QPointer>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace shell {
class PageContext;
}

namespace tou {

class PeriodPage : public shell::Page {
public:
    explicit PeriodPage(shell::PageContext& ctx);
    ~PeriodPage() override;

    int16_t index() const override { return kPeriodPage; }
    QWidget* widget() override;
    void init() override; // the unit costs saved at the last exit
    bool hasStepWork() const override { return true; }
    void runStep(int16_t pageStep) override;
    void registerDecoders(rtu::ModbusMaster& master) override;

    void ReadTOUSchedule(); // code 17, then step 1
    void ReadTOUData();     // code 18
    void ShowTOUSchedule();
    void ShowTOUStatus();
    // The checks, question, login and the eight frames; leaves the step.
    void SetupTimeOfUse();
    // UploadTOUCost: "TOUCOST.TOU" with the eight unit costs; a failure is reported.
    void UploadTOUCost();
    void cmdTOU_Click(int index);
    void txtTOU1_LostFocus(int index);
    void txtTOUC_LostFocus(int index);

    UnitCosts unitCosts() const;
    QLabel* labTOU(int index) const;
    QLabel* labTOUD(int index) const;
    QLineEdit* txtTOU1(int index) const;
    QLineEdit* txtTOUC(int index) const;
    QPushButton* cmdTOU(int index) const;

private:
    void build();
    bool readValues();

    shell::PageContext& ctx_;
    pages::SetupContext setup_;
    QPointer<QGroupBox> frame_;
    // The set-up writes, each with the periods shown when it was asked.
    pages::FormWrites writes_{setup_, frame_};
    std::array<QLabel*, 25> labTOU_{};
    std::array<QLabel*, 19> labTOUD_{};
    std::array<QLineEdit*, 4 * kPeriodCount> txtTOU1_{};
    std::array<QLineEdit*, kPeriodCount> txtTOUC_{};
    std::array<QPushButton*, 2> cmdTOU_{};
};

} // namespace tou
