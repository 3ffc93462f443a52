#include "config/pulse_page.h"

#include "config/option_groups.h"
#include "config/page_family.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace config {

namespace {

constexpr int kGroupTop = 480, kGroupWidth = 3240, kOptionPitch = 390;

} // namespace

PulsePage::PulsePage(shell::PageContext& app, Kind kind)
    : FramedPage(app, kind == Kind::Led ? PulseLedPageIndex : PulseOutputPageIndex,
                kind == Kind::Led ? QStringLiteral("Pulse LED") : QStringLiteral("Pulse Output")),
      kind_(kind) {
    build();
}

QGroupBox* PulsePage::frmPO(int index) const {
    if (led()) return index == 0 ? groups_[0] : nullptr;
    return (index == 1 || index == 2) ? groups_[size_t(index - 1)] : nullptr;
}

QRadioButton* PulsePage::option(int index) const {
    return (index >= 0 && index < int(options_.size())) ? options_[size_t(index)] : nullptr;
}

void PulsePage::build() {
    const QStringList captions = pulseSourceCaptions(led());
    const int groups = led() ? 1 : 2;
    const int perGroup = led() ? PulseLedOptions : PulseOutputOptions;
    for (int g = 0; g < groups; ++g) {
        const int n = led() ? 0 : g + 1; // frmPO(n)
        const QString caption = led() ? PulseLedFrameCaption : n == 1 ? PulseOutput1FrameCaption
                                                                      : PulseOutput2FrameCaption;
        QGroupBox* box = controls::frame(frame_, QStringLiteral("frmPO_%1").arg(n), caption, 480 + 3720 * g, kGroupTop,
                               kGroupWidth, 480 + kOptionPitch * perGroup);
        controls::setTag(box, QStringLiteral("0"));
        groups_.push_back(box);
        for (int k = 0; k < perGroup; ++k) {
            const int i = g * perGroup + k;
            const QString name = (led() ? QStringLiteral("obLP_%1") : QStringLiteral("obPO_%1")).arg(i);
            QRadioButton* o = controls::option(box, name, captions[k], 360, 360 + kOptionPitch * k, kGroupWidth - 480);
            QObject::connect(o, &QRadioButton::clicked, frame_, [this, i] { option_Click(i); });
            options_.push_back(o);
        }
        options_[size_t(g * perGroup)]->setChecked(true);
    }
    const int buttonTop = kGroupTop + 480 + kOptionPitch * perGroup + 360;
    button_ = controls::button(frame_, led() ? QStringLiteral("cmdPL") : QStringLiteral("cmdPO"),
                     led() ? PulseLedButtonCaption : PulseOutputButtonCaption, 480, buttonTop, 2520);
    QObject::connect(button_, &QPushButton::clicked, frame_, [this] { button_Click(); });
}

void PulsePage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(led() ? CmdPulseLedSetup : CmdPulseOutputSetup, [this] { ShowSetup(); });
}

void PulsePage::runStep(int16_t pageStep) {
    if (pageStep == PulseReadStep) ReadSetup();
    else if (pageStep == PulseWriteStep) WriteSetup();
}

bool PulsePage::readValues() {
    if (led()) return readSetupBlock(ctx_, CmdPulseLedSetup, PulseLedRegister, 1);
    return readSetupBlock(ctx_, CmdPulseOutputSetup, PulseOutputStart, PulseOutputCount);
}

void PulsePage::ReadSetup() {
    writes_.readShown([this] { return readValues(); });
    ctx_.page.moveStep(PulseIdleStep); // also after a failed read
}

void PulsePage::ShowSetup() {
    // The program selects: no click, so nothing is marked.
    if (led()) {
        const auto c = decodePulseLedSetup(replyWords(ctx_.link(), 1));
        if (!c) return;
        showReadChoice(ctx_.page, groups_[0], options_[size_t(c->option)], c->tag);
        return;
    }
    const auto c = decodePulseOutputSetup(replyWords(ctx_.link(), PulseOutputCount));
    if (!c) return;
    for (int g = 0; g < 2; ++g) {
        const OptionChoice& read = (*c)[size_t(g)];
        showReadChoice(ctx_.page, groups_[size_t(g)], options_[size_t(PulseOutputOptions * g + read.option)], read.tag);
    }
}

WriteOutcome PulsePage::WriteSetup() {
    const auto v = writes_.take(PulseIdleStep, [this](const FormValues&) { return readValues(); });
    if (!v) return WriteOutcome::Failed;
    return runConfirmedWrite(ctx_, led() ? pulseLedWrite(v->tag(groups_[0]))
                                         : pulseOutputWrite(v->tag(groups_[0]), v->tag(groups_[1])));
}

void PulsePage::option_Click(int index) {
    const OptionClick c = led() ? pulseLedClick(index) : pulseOutputClick(index);
    if (c.group >= 0 && c.group < int(groups_.size())) choiceClicked(ctx_.page, groups_[size_t(c.group)], c.tag);
    button_->setFocus();
}

void PulsePage::button_Click() { writes_.ask(PulseWriteStep); }

void installPulseOutputPage(shell::PageContext& app) {
    if (!app.page(PulseOutputPageIndex)) app.adoptPage(std::make_unique<PulsePage>(app, PulsePage::Kind::Output));
}

void installPulseLedPage(shell::PageContext& app) {
    if (!app.page(PulseLedPageIndex)) app.adoptPage(std::make_unique<PulsePage>(app, PulsePage::Kind::Led));
}

} // namespace config
