#include "config/digital_input_page.h"

#include "config/option_groups.h"
#include "config/page_family.h"
#include "link/modbus_master.h"
#include "monitor/energy_demand.h"
#include "monitor/instant_page.h"
#include "monitor/live_widgets.h"
#include "shell/page_context.h"
#include "shell/page_work.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace config {

namespace {

// The heading frames at the left, the eight input frames beside them (twips).
constexpr int kTitleLeft = 120, kTitleWidth = 3120, kInputLeft = 3240, kInputPitch = 580, kInputWidth = 560;
constexpr int kFunctionTop = 360, kFunctionHeight = 1200, kTriggerTop = 1680, kTriggerHeight = 1560;
constexpr int kOptionTop = 360, kOptionPitch = 360;

} // namespace

DigitalInputPage::DigitalInputPage(shell::PageContext& app, QTableWidget* gridDI)
    : FramedPage(app, DigitalInputPageIndex, QStringLiteral("Digital Input")), gridDI_(gridDI) {
    build();
}

QGroupBox* DigitalInputPage::frmDI1(int input) const {
    return (input >= 0 && input < 8) ? frmDI1_[size_t(input)] : nullptr;
}
QGroupBox* DigitalInputPage::frmDI2(int input) const {
    return (input >= 0 && input < 8) ? frmDI2_[size_t(input)] : nullptr;
}
QRadioButton* DigitalInputPage::obDI1(int index) const {
    return (index >= 0 && index < 16) ? obDI1_[size_t(index)] : nullptr;
}
QRadioButton* DigitalInputPage::obDI2(int index) const {
    return (index >= 0 && index < 24) ? obDI2_[size_t(index)] : nullptr;
}

void DigitalInputPage::build() {
    using namespace controls;
    QGroupBox* f = frame_;

    // One matrix: a heading frame with the row captions, then one frame per input.
    auto matrix = [&](const QString& titleName, const QString& title, const QStringList& rows,
                      const std::array<int, 3>& rowLabels, const QString& framePrefix, const QString& optionPrefix,
                      int top, int height, std::array<QGroupBox*, 8>& frames, QRadioButton** options,
                      void (DigitalInputPage::*click)(int)) {
        QGroupBox* t = frame(f, titleName, title, kTitleLeft, top, kTitleWidth, height);
        for (int r = 0; r < rows.size(); ++r)
            label(t, QStringLiteral("labDI_%1").arg(rowLabels[size_t(r)]), rows[r], 120, kOptionTop + kOptionPitch * r,
                  kTitleWidth - 180);
        for (int i = 0; i < DigitalInputCount; ++i) {
            QGroupBox* box = frame(f, framePrefix.arg(i), digitalInputFrameCaption(i), kInputLeft + kInputPitch * i,
                                   top, kInputWidth, height);
            setTag(box, QStringLiteral("0"));
            frames[size_t(i)] = box;
            for (int r = 0; r < rows.size(); ++r) {
                const int index = int(rows.size()) * i + r;
                QRadioButton* o = option(box, optionPrefix.arg(index), QString(), 180, kOptionTop + kOptionPitch * r,
                                         300);
                o->setChecked(r == 0);
                QObject::connect(o, &QRadioButton::clicked, f, [this, click, index] { (this->*click)(index); });
                options[index] = o;
            }
        }
    };
    matrix(QStringLiteral("frmDITitle_0"), DigitalInputFunctionTitle, digitalInputFunctionCaptions(), {5, 1, 0},
           QStringLiteral("frmDI1_%1"), QStringLiteral("obDI1_%1"), kFunctionTop, kFunctionHeight, frmDI1_,
           obDI1_.data(), &DigitalInputPage::obDI1_Click);
    matrix(QStringLiteral("frmDITitle_1"), DigitalInputTriggerTitle, digitalInputTriggerCaptions(), {2, 3, 4},
           QStringLiteral("frmDI2_%1"), QStringLiteral("obDI2_%1"), kTriggerTop, kTriggerHeight, frmDI2_,
           obDI2_.data(), &DigitalInputPage::obDI2_Click);

    QGroupBox* grid = frame(f, QStringLiteral("frmDI"), DigitalInputGridFrameCaption, kTitleLeft, 3480, 7680, 1380);
    if (gridDI_) {
        gridDI_->setParent(grid);
        placeTwips(gridDI_, 150, 300, 7380, 960);
        // Seven-digit counts fit the narrow input columns a point smaller.
        QFont font = gridDI_->font();
        if (font.pointSizeF() > 8) font.setPointSizeF(font.pointSizeF() - 1);
        gridDI_->setFont(font);
        gridDI_->show();
    }
    cmdDI_ = button(f, QStringLiteral("cmdDI"), DigitalInputButtonCaption, 5160, 5160, 2640);
    QObject::connect(cmdDI_, &QPushButton::clicked, f, [this] { cmdDI_Click(); });
}

void DigitalInputPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdDigitalInputSetup, [this] { ShowDigitalInputSetup(); });
    master.registerDecoder(CmdDigitalInputStatus, [this] { ShowDIStatus(); });
    master.registerDecoder(CmdDigitalInputCounters, [this] { ShowDICounters(); });
}

void DigitalInputPage::runStep(int16_t pageStep) {
    switch (pageStep) {
    case DigitalInputReadStep: ReadDigitalInputSetup(); break;
    case DigitalInputLiveStep:
        shell::runGatedLiveRead(ctx_.page, ctx_.link(), [this] { ReadDigitalInputStatus(); }, false);
        break;
    case DigitalInputWriteStep: WriteDigitalInputSetup(); break;
    default: break;
    }
}

bool DigitalInputPage::readValues() {
    const BlockRead& b = DigitalInputSetupRead;
    return readSetupBlock(ctx_, b.code, b.start, b.count);
}

void DigitalInputPage::ReadDigitalInputSetup() {
    writes_.readShown([this] { return readValues(); });
    ctx_.page.moveStep(DigitalInputLiveStep); // also after a failed read
}

void DigitalInputPage::ReadDigitalInputStatus() {
    // The counters are read also when the states failed; LinkFailed tells of the counters.
    for (const BlockRead& b : digitalInputStatusReads()) ctx_.master.SendReadHoldingRegisters(b.code, b.start, b.count);
}

void DigitalInputPage::ShowDigitalInputSetup() {
    const auto inputs = decodeDigitalInputSetup(replyWords(ctx_.link(), DigitalInputSetupCount));
    if (!inputs) return;
    std::array<OptionChoice, 8> triggers;
    for (int i = 0; i < DigitalInputCount; ++i) {
        const DigitalInputSetting& s = (*inputs)[size_t(i)];
        showReadChoice(ctx_.page, frmDI1_[size_t(i)], obDI1_[size_t(DigitalInputFunctionOptions * i + s.function.option)],
                       s.function.tag);
        showReadChoice(ctx_.page, frmDI2_[size_t(i)], obDI2_[size_t(DigitalInputTriggerOptions * i + s.trigger.option)],
                       s.trigger.tag);
        triggers[size_t(i)] = s.trigger;
    }
    if (mirror_) mirror_(triggers);
}

void DigitalInputPage::ShowDIStatus() {
    const auto states = decodeDigitalInputStates(replyWords(ctx_.link(), 1));
    if (!states || !gridDI_) return;
    for (int k = 0; k < DigitalInputCount; ++k) monitor::setGridText(gridDI_, 1, k + 1, (*states)[size_t(k)]);
}

void DigitalInputPage::ShowDICounters() {
    const auto counts = decodeDigitalInputCounters(replyWords(ctx_.link(), DigitalInputCounterCount));
    if (!counts || !gridDI_) return;
    for (int k = 0; k < DigitalInputCount; ++k) monitor::setGridText(gridDI_, 2, k + 1, (*counts)[size_t(k)]);
}

WriteOutcome DigitalInputPage::WriteDigitalInputSetup() {
    const auto v = writes_.take(DigitalInputLiveStep, [this](const FormValues&) { return readValues(); });
    if (!v) return WriteOutcome::Failed;
    std::array<QString, 8> functions, triggers;
    for (int i = 0; i < DigitalInputCount; ++i) {
        functions[size_t(i)] = v->tag(frmDI1_[size_t(i)]);
        triggers[size_t(i)] = v->tag(frmDI2_[size_t(i)]);
    }
    return runConfirmedWrite(ctx_, digitalInputWrite(functions, triggers));
}

void DigitalInputPage::obDI1_Click(int index) {
    const OptionClick c = digitalInputFunctionClick(index);
    choiceClicked(ctx_.page, frmDI1(c.group), c.tag);
    cmdDI_->setFocus();
}

void DigitalInputPage::obDI2_Click(int index) {
    const OptionClick c = digitalInputTriggerClick(index);
    choiceClicked(ctx_.page, frmDI2(c.group), c.tag);
    cmdDI_->setFocus();
}

void DigitalInputPage::cmdDI_Click() { writes_.ask(DigitalInputWriteStep); }

void installDigitalInputPage(shell::PageContext& app) {
    if (app.page(DigitalInputPageIndex)) return;
    QTableWidget* grid = nullptr;
    if (auto* instant = dynamic_cast<monitor::InstantPage*>(app.page(0))) grid = instant->energyDemand().gridDI();
    app.adoptPage(std::make_unique<DigitalInputPage>(app, grid));
}

} // namespace config
