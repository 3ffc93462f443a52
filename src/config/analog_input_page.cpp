#include "config/analog_input_page.h"

#include "config/option_groups.h"
#include "config/page_family.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"
#include "shell/page_work.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVariant>

namespace config {

namespace {

// Rows of the page, in twips from the top of the frames.
constexpr int kFrameTop = 240, kFrameHeight = 5640, kRangeTop = 480, kRangePitch = 480;
constexpr int kScaleTop = 3960, kHintTop = 4380, kDataTop = 5040;

} // namespace

AnalogInputPage::AnalogInputPage(shell::PageContext& app) : FramedPage(app, AnalogInputPageIndex, AnalogInputPageTitle) {
    build();
}

void AnalogInputPage::build() {
    common::PageState& page = ctx_.page;
    QGroupBox* headings = makeGroup(frame_, QStringLiteral("frmAI_0"), AnalogInputRangeFrameCaption, 240, kFrameTop,
                                    2640, kFrameHeight);
    frmAI_[0] = headings;
    const QStringList ranges = analogInputRangeTexts();
    for (int j = 0; j < AnalogInputRangeCount; ++j)
        labAI_[size_t(j)] = makeLabel(headings, QStringLiteral("labAI_%1").arg(j), ranges[j], 120,
                                      kRangeTop + kRangePitch * j, 2400);
    labAI_[11] = makeLabel(headings, QStringLiteral("labAI_11"), AnalogInputScaleCaption, 120, kScaleTop, 2400);
    labAI_[10] = makeLabel(headings, QStringLiteral("labAI_10"), AnalogInputDataCaption, 120, kDataTop, 2400);

    for (int i = 0; i < AnalogInputCount; ++i) {
        QGroupBox* f = makeGroup(frame_, QStringLiteral("frmAI_%1").arg(i + 1), analogInputFrameCaption(i),
                                 3000 + 1560 * i, kFrameTop, 1440, kFrameHeight);
        controls::setTag(f, QStringLiteral("0"));
        frmAI_[size_t(i + 1)] = f;
        for (int j = 0; j < AnalogInputRangeCount; ++j) {
            const int index = AnalogInputRangeCount * i + j;
            QRadioButton* o = makeOption(f, QStringLiteral("obAI_%1").arg(index), QString(), 600,
                                         kRangeTop + kRangePitch * j, 360);
            QObject::connect(o, &QRadioButton::clicked, frame_, [this, index] { obAI_Click(index); });
            obAI_[size_t(index)] = o;
        }
        obAI_[size_t(AnalogInputRangeCount * i + 1)]->setChecked(true);
        QLineEdit* e = makeEntry(f, QStringLiteral("txtAI_%1").arg(i), AnalogInputScaleDefault, 5, 180, kScaleTop - 60, 1080);
        watchPersonEdits(page, e);
        watchField(e, [this, i] { txtAI_LostFocus(i); });
        txtAI_[size_t(i)] = e;
        labAI_[size_t(7 + i)] = makeLabel(f, QStringLiteral("labAI_%1").arg(7 + i), AnalogInputScaleHint, 120, kHintTop, 1260);
        labAIData_[size_t(i)] = makeLabel(f, QStringLiteral("labAIData_%1").arg(i), QString(), 120, kDataTop, 1260);
    }
    cmdAI_ = makeButton(frame_, QStringLiteral("cmdAI"), AnalogInputButtonCaption, 5160, 6240, 2400);
    QObject::connect(cmdAI_, &QPushButton::clicked, frame_, [this] { writes_.ask(AnalogInputWriteStep); });
}

void AnalogInputPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdAnalogInputSetup, [this] { ShowAISetup(CmdAnalogInputSetup); });
    master.registerDecoder(CmdAnalogInputTrendScales, [this] { ShowAISetup(CmdAnalogInputTrendScales); });
    master.registerDecoder(CmdAnalogInputData, [this] { ShowAIData(); });
}

void AnalogInputPage::runStep(int16_t step) {
    switch (analogInputWork(step, ctx_.page.Ticks.RefreshTicks)) {
    case AnalogInputWork::ReadSetup: ReadAISetup(); break;
    case AnalogInputWork::ReadData:
        shell::runGatedLiveRead(ctx_.page, ctx_.link(), [this] { ReadAIData(); }, false);
        break;
    case AnalogInputWork::Write: WriteAISetup(); break;
    case AnalogInputWork::None: break;
    }
}

int AnalogInputPage::rangeCode(int i) const {
    const QGroupBox* f = frmAI(i + 1);
    return f && i >= 0 ? int(tagCode(controls::tag(f))) : 0;
}

// --- reading -------------------------------------------------------------------------------

bool AnalogInputPage::readValues() {
    return readSetupBlock(ctx_, CmdAnalogInputSetup, AnalogInputStart, AnalogInputReadCount);
}

void AnalogInputPage::ReadAISetup() {
    writes_.readShown([this] { return readValues(); });
    ctx_.page.moveStep(AnalogInputPollStep); // the values are polled whatever the outcome
}

void AnalogInputPage::ReadAIData() {
    ctx_.master.SendReadHoldingRegisters(CmdAnalogInputData, AnalogInputDataStart, AnalogInputDataCount);
}

void AnalogInputPage::ShowAISetup(int16_t code) {
    const auto inputs = decodeAnalogInputSetup(replyWords(ctx_.link(), AnalogInputReadCount), code);
    if (!inputs) return;
    const common::PageState& page = ctx_.page;
    for (int i = 0; i < AnalogInputCount; ++i) {
        const AnalogInputSetup& in = (*inputs)[size_t(i)];
        if (in.range)
            showReadChoice(page, frmAI_[size_t(i + 1)], obAI_[size_t(AnalogInputRangeCount * i + *in.range)],
                           QString::number(*in.range));
        controls::showRead(page, txtAI_[size_t(i)], in.scale);
    }
}

void AnalogInputPage::ShowAIData() {
    const std::vector<uint16_t> counts = replyWords(ctx_.link(), AnalogInputDataCount);
    for (int i = 0; i < AnalogInputCount && size_t(i) < counts.size(); ++i) {
        // A scale of 0 or no number (the user is typing) keeps what the label shows.
        if (auto text = analogInputSignalText(rangeCode(i), txtAI_[size_t(i)]->text(), counts[size_t(i)]))
            labAIData_[size_t(i)]->setText(*text);
    }
}

// --- edits and writing ---------------------------------------------------------------------

void AnalogInputPage::obAI_Click(int index) {
    if (index < 0 || size_t(index) >= obAI_.size()) return;
    const OptionClick click = optionClick(index, AnalogInputRangeCount);
    choiceClicked(ctx_.page, frmAI_[size_t(click.group + 1)], click.tag);
    cmdAI_->setFocus();
}

WriteOutcome AnalogInputPage::WriteAISetup() {
    const auto v = writes_.take(AnalogInputPollStep, [this](const FormValues&) { return readValues(); });
    if (!v) return WriteOutcome::Failed;
    std::array<AnalogInputEntry, AnalogInputCount> entries;
    for (int i = 0; i < AnalogInputCount; ++i)
        entries[size_t(i)] =
            AnalogInputEntry{int(tagCode(v->tag(frmAI_[size_t(i + 1)]))), v->text(txtAI_[size_t(i)])};
    return runConfirmedWrite(ctx_, channelWrite(AnalogInputAction, AnalogInputPollStep, analogInputPlan(entries)));
}

void AnalogInputPage::txtAI_LostFocus(int index) {
    if (QLineEdit* field = txtAI(index)) showVerdict(field, checkAnalogInputScale(field->text()));
}

void installAnalogInputPage(shell::PageContext& app) {
    if (app.page(AnalogInputPageIndex)) return; // installed once per program
    app.adoptPage(std::make_unique<AnalogInputPage>(app));
}

} // namespace config
