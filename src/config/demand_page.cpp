#include "config/demand_page.h"

#include "config/page_family.h"
#include "link/modbus_master.h"
#include "monitor/energy_demand.h"
#include "monitor/instant_page.h"
#include "shell/page_context.h"
#include "shell/page_work.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace config {

namespace {

const char* const kDemandCaptions[4] = {"Total Current Demand", "3 Phase Real Power Demand",
                                        "3 Phase Reactive Power Demand", "3 Phase Apparent Power Demand"};

// Columns and rows in twips.
constexpr int kCaptionLeft = 480, kCaptionWidth = 2160, kEntryLeft = 2760;
constexpr int kValueCaptionWidth = 3600, kValueLeft = 4200, kValueWidth = 2880;
constexpr int kMaxCaptionWidth = 4020, kMaxValueLeft = 4520;

} // namespace

DemandPage::DemandPage(shell::PageContext& app, const std::array<QLabel*, 4>& demandValues)
    : FramedPage(app, DemandPageIndex, QStringLiteral("Demand")) {
    build(demandValues);
}

QComboBox* DemandPage::cbDemand(int index) const {
    return (index == 0 || index == 1) ? cbDemand_[size_t(index)] : nullptr;
}

void DemandPage::build(const std::array<QLabel*, 4>& demandValues) {
    using namespace controls;
    QGroupBox* f = frame_;

    label(f, QStringLiteral("labDemand_5"), DemandPeriodCaption, kCaptionLeft, 600, kCaptionWidth);
    txtDemand_ = entry(f, QStringLiteral("txtDemand"), DemandPeriodDefault, kEntryLeft, 600, 960);
    label(f, QStringLiteral("labDemand_6"), DemandPeriodHint, kEntryLeft + 1080, 600, 1800);
    label(f, QStringLiteral("labDemand_7"), DemandTypeCaption, kCaptionLeft, 1080, kCaptionWidth);
    cbDemand_[0] = list(f, QStringLiteral("cbDemand_0"), kEntryLeft, 1080, 2280);
    label(f, QStringLiteral("labDemand_4"), DemandSyncCaption, kCaptionLeft, 1560, kCaptionWidth);
    cbDemand_[1] = list(f, QStringLiteral("cbDemand_1"), kEntryLeft, 1560, 2280);
    cmdDemand_ = button(f, QStringLiteral("cmdDemand"), DemandButtonCaption, 5400, 1530, 2040);

    auto* line = new QFrame(f);
    line->setObjectName(QStringLiteral("linDemand"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    placeTwips(line, 240, 2400, 7440, 30);

    for (int k = 0; k < 4; ++k) {
        const int top = 2760 + 480 * k;
        label(f, QStringLiteral("labDemand_%1").arg(k), QString::fromLatin1(kDemandCaptions[k]), kCaptionLeft, top,
              kValueCaptionWidth);
        if (QLabel* value = demandValues[size_t(k)]) {
            value->setParent(f);
            placeTwips(value, kValueLeft, top - 30, kValueWidth, 315);
            value->show();
        }
    }
    // The four maximum demands with their time and date; the max./min. log's decoder fills them.
    for (int k = 0; k < 4; ++k) {
        const int top = 4800 + 480 * k;
        label(f, QStringLiteral("labDemand_%1").arg(8 + k), QString::fromLatin1(kDemandCaptions[k]) + " Maximum",
              kCaptionLeft, top, kMaxCaptionWidth);
        label(f, QStringLiteral("labDemandDM_%1").arg(k), QString(), kMaxValueLeft, top, 1300);
        label(f, QStringLiteral("labDemandDT_%1").arg(k), QString(), kMaxValueLeft + 1360, top, 900);
        label(f, QStringLiteral("labDemandDD_%1").arg(k), QString(), kMaxValueLeft + 2320, top, 1100);
    }

    common::PageState& page = ctx_.page;
    watchPersonEdits(page, txtDemand_);
    for (QComboBox* c : cbDemand_) watchPersonEdits(page, c);
    QObject::connect(cmdDemand_, &QPushButton::clicked, f, [this] { cmdDemand_Click(); });
    watchField(txtDemand_, [this] { txtDemand_LostFocus(); });
}

void DemandPage::InitDemandControls() {
    controls::fill(cbDemand_[0], demandTypeItems());
    controls::fill(cbDemand_[1], demandSyncItems());
}

void DemandPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdDemandSetup, [this] { ShowDemandSetup(); });
}

void DemandPage::runStep(int16_t pageStep) {
    switch (pageStep) {
    case DemandReadStep: ReadDemandSetup(); break;
    case DemandLiveStep:
        // The present demand once a second; the maximum demands come with it.
        shell::runGatedLiveRead(ctx_.page, ctx_.link(), ctx_.services.ReadDemandValues, true);
        break;
    case DemandWriteStep: WriteDemandSetup(); break;
    default: break;
    }
}

bool DemandPage::readValues() { return readSetupBlock(ctx_, CmdDemandSetup, DemandSetupStart, DemandSetupCount); }

void DemandPage::ReadDemandSetup() {
    writes_.readShown([this] { return readValues(); });
    ctx_.page.moveStep(DemandLiveStep); // also after a failed read
}

void DemandPage::ShowDemandSetup() {
    const auto s = decodeDemandSetup(replyWords(ctx_.link(), DemandSetupCount));
    if (!s) return;
    const common::PageState& page = ctx_.page;
    controls::showRead(page, txtDemand_, s->periodText);
    controls::showRead(page, cbDemand_[0], s->typeIndex);
    controls::showRead(page, cbDemand_[1], s->syncIndex);
}

WriteOutcome DemandPage::WriteDemandSetup() {
    const auto v = writes_.take(DemandLiveStep, [this](const FormValues&) { return readValues(); });
    if (!v) return WriteOutcome::Failed;
    return runConfirmedWrite(ctx_, demandWrite(v->text(txtDemand_), v->index(cbDemand_[0]), v->index(cbDemand_[1])));
}

void DemandPage::txtDemand_LostFocus() { checkEntry(txtDemand_, demandPeriodCheck()); }

void DemandPage::cmdDemand_Click() { writes_.ask(DemandWriteStep); }

void installDemandPage(shell::PageContext& app) {
    if (app.page(DemandPageIndex)) return;
    std::array<QLabel*, 4> values{};
    if (auto* instant = dynamic_cast<monitor::InstantPage*>(app.page(0)))
        for (int k = 0; k < 4; ++k) values[size_t(k)] = instant->labDemandD(k + 4);
    app.adoptPage(std::make_unique<DemandPage>(app, values));
}

} // namespace config
