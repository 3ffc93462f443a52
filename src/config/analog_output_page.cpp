#include "config/analog_output_page.h"

#include "config/page_family.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace config {

namespace {

// The LO / HI table, in twips.
constexpr int kTableTop = 4440, kTableHeight = 1440, kLoTop = 600, kHiTop = 1020;

} // namespace

AnalogOutputPage::AnalogOutputPage(shell::PageContext& app)
    : FramedPage(app, AnalogOutputPageIndex, AnalogOutputPageTitle) {
    build();
}

void AnalogOutputPage::build() {
    common::PageState& page = ctx_.page;
    auto lab = [this](int index, QWidget* parent, int left, int top, int width) {
        labAO_[size_t(index)] =
            makeLabel(parent, QStringLiteral("labAO_%1").arg(index), analogOutputLabel(index), left, top, width);
    };
    for (int i = 0; i < AnalogOutputCount; ++i) {
        lab(i, frame_, 240, 540 + 450 * i, 1740);
        cbAOParameter_[size_t(i)] = makeList(frame_, QStringLiteral("cbAOParameter_%1").arg(i), 2040, 480 + 450 * i, 4200);
        lab(4 + i, frame_, 240, 2460 + 450 * i, 1740);
        cbAOOutputType_[size_t(i)] = makeList(frame_, QStringLiteral("cbAOOutputType_%1").arg(i), 2040, 2400 + 450 * i, 1500);
        for (QComboBox* c : {cbAOParameter_[size_t(i)], cbAOOutputType_[size_t(i)]}) watchPersonEdits(page, c);
    }
    frmAO_[0] = makeGroup(frame_, QStringLiteral("frmAO_0"), QString(), 240, kTableTop, 1080, kTableHeight);
    lab(8, frmAO_[0], 120, 240, 840);
    lab(9, frmAO_[0], 60, kLoTop + 60, 900);
    lab(10, frmAO_[0], 60, kHiTop + 60, 900);
    for (int i = 0; i < AnalogOutputCount; ++i) {
        QGroupBox* f = makeGroup(frame_, QStringLiteral("frmAO_%1").arg(i + 1), analogOutputFrameCaption(i),
                                 1440 + 1200 * i, kTableTop, 1140, kTableHeight);
        frmAO_[size_t(i + 1)] = f;
        for (int k = 0; k < 2; ++k) {
            const int index = 2 * i + k;
            QLineEdit* e = makeEntry(f, QStringLiteral("txtAO_%1").arg(index), QStringLiteral("0"), 6, 120,
                                     k == 0 ? kLoTop : kHiTop, 900);
            watchPersonEdits(page, e);
            watchField(e, [this, index] { txtAO_LostFocus(index); });
            txtAO_[size_t(index)] = e;
        }
    }
    lab(11, frame_, 6300, kTableTop + kLoTop + 60, 1560);
    lab(12, frame_, 6300, kTableTop + kHiTop + 60, 1560);
    cmdAO_ = makeButton(frame_, QStringLiteral("cmdAO"), AnalogOutputButtonCaption, 5400, 6420, 2400);
    QObject::connect(cmdAO_, &QPushButton::clicked, frame_, [this] { writes_.ask(AnalogOutputWriteStep); });
}

void AnalogOutputPage::init() {
    for (int i = 0; i < AnalogOutputCount; ++i) {
        cbAOParameter_[size_t(i)]->clear();
        cbAOParameter_[size_t(i)]->addItems(analogOutputParameterTexts());
        cbAOParameter_[size_t(i)]->setCurrentIndex(0);
        cbAOOutputType_[size_t(i)]->clear();
        cbAOOutputType_[size_t(i)]->addItems(analogOutputTypeTexts());
        cbAOOutputType_[size_t(i)]->setCurrentIndex(1);
    }
}

void AnalogOutputPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdAnalogOutputSetup, [this] { ShowAnalogOutputSetup(); });
}

void AnalogOutputPage::runStep(int16_t step) {
    if (step == 0) ReadAnalogOutputSetup();
    else if (step == AnalogOutputWriteStep) SetupAnalogOutput();
}

bool AnalogOutputPage::readValues() {
    return readSetupBlock(ctx_, CmdAnalogOutputSetup, AnalogOutputStart, AnalogOutputReadCount);
}

void AnalogOutputPage::ReadAnalogOutputSetup() {
    writes_.readShown([this] { return readValues(); });
    ctx_.page.moveStep(AnalogOutputIdleStep);
}

void AnalogOutputPage::ShowAnalogOutputSetup() {
    const auto outputs = decodeAnalogOutputSetup(replyWords(ctx_.link(), AnalogOutputReadCount));
    if (!outputs) return;
    const common::PageState& page = ctx_.page;
    for (int i = 0; i < AnalogOutputCount; ++i) {
        const AnalogOutputSetup& o = (*outputs)[size_t(i)];
        controls::showRead(page, cbAOParameter_[size_t(i)], o.parameter);
        controls::showRead(page, txtAO_[size_t(2 * i)], o.lo);
        controls::showRead(page, txtAO_[size_t(2 * i + 1)], o.hi);
        controls::showRead(page, cbAOOutputType_[size_t(i)], o.outputType);
    }
}

WriteOutcome AnalogOutputPage::SetupAnalogOutput() {
    const auto v = writes_.take(AnalogOutputIdleStep, [this](const FormValues&) { return readValues(); });
    if (!v) return WriteOutcome::Failed;
    std::array<AnalogOutputEntry, AnalogOutputCount> entries;
    for (int i = 0; i < AnalogOutputCount; ++i)
        entries[size_t(i)] =
            AnalogOutputEntry{std::max(0, v->index(cbAOParameter_[size_t(i)])), v->text(txtAO_[size_t(2 * i)]),
                              v->text(txtAO_[size_t(2 * i + 1)]), std::max(0, v->index(cbAOOutputType_[size_t(i)]))};
    return runConfirmedWrite(ctx_, channelWrite(AnalogOutputAction, AnalogOutputIdleStep, analogOutputPlan(entries)));
}

void AnalogOutputPage::txtAO_LostFocus(int index) {
    if (QLineEdit* field = txtAO(index)) showVerdict(field, checkAnalogOutputPoint(field->text()));
}

void installAnalogOutputPage(shell::PageContext& app) {
    if (app.page(AnalogOutputPageIndex)) return; // installed once per program
    app.adoptPage(std::make_unique<AnalogOutputPage>(app));
}

} // namespace config
