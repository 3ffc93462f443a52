#include "config/display_scan_page.h"

#include "config/page_family.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

namespace config {

namespace {

constexpr int kModeIndex = 19, kDigitIndex = 20;
// Two columns of caption and list, in twips.
constexpr int kColumnLeft[2] = {180, 4020};
constexpr int kCaptionWidth = 1650, kListWidth = 2070;
constexpr int kLoopTop = 1080, kRowPitch = 420;

} // namespace

DisplayScanPage::DisplayScanPage(shell::PageContext& app)
    : FramedPage(app, DisplayScanPageIndex, QStringLiteral("Display Scan")) {
    build();
}

QComboBox* DisplayScanPage::cbDisplay(int index) const {
    return (index >= 0 && index < int(cbDisplay_.size())) ? cbDisplay_[size_t(index)] : nullptr;
}

void DisplayScanPage::build() {
    using namespace controls;
    QGroupBox* f = frame_;
    auto row = [&](int index, const QString& caption, int column, int top) {
        const int left = kColumnLeft[column];
        label(f, QStringLiteral("labDisplay_%1").arg(index), caption, left, top + 30, kCaptionWidth);
        cbDisplay_[size_t(index)] = list(f, QStringLiteral("cbDisplay_%1").arg(index), left + kCaptionWidth, top,
                                         kListWidth);
    };
    row(kModeIndex, DisplayModeCaption, 0, 480);
    row(kDigitIndex, DisplayDigitCaption, 1, 480);
    for (int k = 0; k < DisplayLoopCount; ++k)
        row(k, displayLoopCaption(k), k < 10 ? 0 : 1, kLoopTop + kRowPitch * (k % 10));
    cmdDS_ = button(f, QStringLiteral("cmdDS"), DisplayScanButtonCaption, 5340, kLoopTop + kRowPitch * 10 + 240,
                    2400);

    common::PageState& page = ctx_.page;
    for (QComboBox* c : cbDisplay_) watchPersonEdits(page, c);
    QObject::connect(cmdDS_, &QPushButton::clicked, f, [this] { cmdDS_Click(); });
}

void DisplayScanPage::InitDisplayScanList() {
    for (int k = 0; k < DisplayLoopCount; ++k) controls::fill(cbDisplay_[size_t(k)], displayPageItems());
    controls::fill(cbDisplay_[kModeIndex], displayModeItems(), DisplayModeInitialIndex);
    controls::fill(cbDisplay_[kDigitIndex], displayDigitItems(), DisplayDigitInitialIndex);
}

void DisplayScanPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdDisplayFlags, [this] { ShowDisplayFlags(); });
    master.registerDecoder(CmdDisplayPages, [this] { ShowDisplayPages(); });
}

void DisplayScanPage::runStep(int16_t pageStep) {
    if (pageStep == DisplayScanReadStep) ReadDisplaySetup();
    else if (pageStep == DisplayScanWriteStep) SetupDisplayScan();
}

bool DisplayScanPage::readValues() { return readSetupBlocks(ctx_, displayScanReads()); }

void DisplayScanPage::ReadDisplaySetup() {
    writes_.readShown([this] { return readValues(); });
    ctx_.page.moveStep(DisplayScanIdleStep); // also after a failed read
}

void DisplayScanPage::ShowDisplayFlags() {
    const auto flags = decodeDisplayFlags(replyWords(ctx_.link(), DisplayFlagsCount));
    if (!flags) return;
    controls::showRead(ctx_.page, cbDisplay_[kModeIndex], flags->modeIndex);
    controls::showRead(ctx_.page, cbDisplay_[kDigitIndex], flags->digitIndex);
}

void DisplayScanPage::ShowDisplayPages() {
    const auto pages = decodeDisplayPages(replyWords(ctx_.link(), DisplayLoopCount));
    if (!pages) return;
    for (int k = 0; k < DisplayLoopCount; ++k) controls::showRead(ctx_.page, cbDisplay_[size_t(k)], (*pages)[size_t(k)]);
}

WriteOutcome DisplayScanPage::SetupDisplayScan() {
    const auto v = writes_.take(DisplayScanIdleStep, [this](const FormValues&) { return readValues(); });
    if (!v) return WriteOutcome::Failed;
    std::array<int, 19> loop{};
    for (int k = 0; k < DisplayLoopCount; ++k) loop[size_t(k)] = v->index(cbDisplay_[size_t(k)]);
    return runConfirmedWrite(
        ctx_, displayScanWrite(v->index(cbDisplay_[kModeIndex]), v->index(cbDisplay_[kDigitIndex]), loop));
}

void DisplayScanPage::cmdDS_Click() { writes_.ask(DisplayScanWriteStep); }

void installDisplayScanPage(shell::PageContext& app) {
    if (!app.page(DisplayScanPageIndex)) app.adoptPage(std::make_unique<DisplayScanPage>(app));
}

} // namespace config
