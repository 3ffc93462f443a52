#include "records/maxmin_page.h"

#include "common/prompter.h"
#include "pages/confirmed_write.h"
#include "pages/controls.h"
#include "pages/entry_checks.h"
#include "pages/values.h"
#include "link/modbus_master.h"
#include "monitor/live_widgets.h"
#include "records/context_meter_link.h"
#include "records/record_pages.h"
#include "shell/page_context.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace records {

namespace {

using monitor::placeTwips;

constexpr int kColumnWidths[kLogColumns] = {3150, 1600, 1050, 1250};
constexpr int kRowHeight = 250;
constexpr int kFixedRows = 2;

const char* const kDemandLabels[3] = {"labDemandDM_%1", "labDemandDT_%1", "labDemandDD_%1"};

} // namespace

MaxMinPage::MaxMinPage(shell::PageContext& ctx) : ctx_(ctx), writes_(pages::setupContext(ctx), frame_) { build(); }

MaxMinPage::~MaxMinPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

QWidget* MaxMinPage::widget() { return frame_; }

QPushButton* MaxMinPage::cmdMaxMin(int index) const {
    return (index >= 0 && index < 2) ? cmdMaxMin_[size_t(index)] : nullptr;
}

void MaxMinPage::build() {
    frame_ = new QGroupBox(QStringLiteral("Max./Min. Log"));
    frame_->setObjectName(QStringLiteral("frmProgram_1"));
    frame_->hide();

    labMaxMin_ = new QLabel(QStringLiteral("Clear Max./Min. Log Time :"), frame_);
    labMaxMin_->setObjectName(QStringLiteral("labMaxMin"));
    placeTwips(labMaxMin_, 240, 420, 2400, 255);
    txtMaxMin_ = new QLineEdit(QStringLiteral("0"), frame_);
    txtMaxMin_->setObjectName(QStringLiteral("txtMaxMin"));
    // Four characters can be typed; a longer time read from the meter is still shown whole.
    pages::controls::limitTyping(txtMaxMin_, 4);
    placeTwips(txtMaxMin_, 2640, 360, 900, 315);
    const char* captions[2] = {"Clear Max./Min. Log", "Save Max./Min. Log"};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(captions[i]), frame_);
        b->setObjectName(QStringLiteral("cmdMaxMin_%1").arg(i));
        placeTwips(b, 3840 + 2040 * i, 300, 1920, 435);
        QObject::connect(b, &QPushButton::clicked, frame_, [this, i] { cmdMaxMin_Click(i); });
        cmdMaxMin_[size_t(i)] = b;
    }

    sstab_ = new QTabWidget(frame_);
    sstab_->setObjectName(QStringLiteral("SSTab3"));
    placeTwips(sstab_, 120, 900, 7710, 6660);
    auto tab = [this](QTableWidget*& grid, int rows, const char* name, const char* caption) {
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(4, 4, 4, 4);
        grid = monitor::makeGrid(page, rows, kLogColumns, kFixedRows, 1);
        grid->setObjectName(QString::fromLatin1(name));
        layout->addWidget(grid);
        sstab_->addTab(page, QString::fromLatin1(caption));
    };
    tab(gridMax_, kMaxGridRows, "gridMax", "Maximum");
    tab(gridMin_, kMinGridRows, "gridMin", "Minimum");

    // Only a clear time the user typed, or one read from this meter, is written back.
    QObject::connect(txtMaxMin_, &QLineEdit::textEdited, frame_, [this] { origin_ = ClearTimeOrigin::User; });
    pages::watchPersonEdits(ctx_.page(), txtMaxMin_, 0, false);
    pages::watchField(txtMaxMin_, [this] { txtMaxMin_LostFocus(); });
}

void MaxMinPage::initGrid(QTableWidget* grid, const std::vector<LogRow>& rows) {
    for (int c = 0; c < kLogColumns; ++c) grid->setColumnWidth(c, monitor::px(kColumnWidths[c]));
    for (int r = 0; r < int(rows.size()); ++r) {
        grid->setRowHeight(r, monitor::px(kRowHeight));
        showGridRow(grid, r, rows[size_t(r)]);
        for (int c = 0; c < kLogColumns; ++c) {
            const bool fixed = r < kFixedRows || c == 0;
            monitor::gridCell(grid, r, c)->setTextAlignment(monitor::gridAlignment(fixed ? 4 : 6));
        }
    }
    // One "Maximum" ("Minimum") heading over the three columns; the blank corner over two rows.
    grid->setSpan(0, 1, 1, kLogColumns - 1);
    grid->setSpan(0, 0, kFixedRows, 1);
}

void MaxMinPage::init() {
    initGrid(gridMax_, log_.maxRows());
    initGrid(gridMin_, log_.minRows());
}

void MaxMinPage::showFirstTabs() { sstab_->setCurrentIndex(0); }

void MaxMinPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdClearTime, [this] { OnMaxMinSettingReply(); });
    for (const LogBlock& block : maxMinBlocks()) {
        const int16_t code = block.code;
        master.registerDecoder(code, [this, code] { showLogReply(code); });
    }
}

// --- decoders ------------------------------------------------------------------------------

void MaxMinPage::OnMaxMinSettingReply() {
    const auto words = pages::replyWords(ctx_.app().link, 1);
    if (words.empty()) return;
    // What the person typed while the read waited stands.
    if (pages::controls::showRead(ctx_.page(), txtMaxMin_, QString::number(words[0])))
        origin_ = ClearTimeOrigin::Meter;
}

void MaxMinPage::showLogReply(int16_t code) {
    const LogBlock* block = maxMinBlock(code);
    if (!block) return;
    const auto words = pages::replyWords(ctx_.app().link, block->count);
    const std::vector<int> rows = log_.apply(code, words, ctx_.app().meter, dateStyle(ctx_.app()));
    showRows(block->minimum, rows);
    if (code == CmdMaxDemand) showDemandLabels(rows);
}

void MaxMinPage::showRows(bool minimum, const std::vector<int>& rows) {
    const std::vector<LogRow>& texts = minimum ? log_.minRows() : log_.maxRows();
    QTableWidget* grid = minimum ? gridMin_ : gridMax_;
    for (int r : rows) showGridRow(grid, r, texts[size_t(r)]);
}

void MaxMinPage::showDemandLabels(const std::vector<int>& rows) {
    // The Demand page shows the same four records beside its present demands.
    shell::Page* demand = ctx_.page(DemandPageIndex);
    QWidget* frame = demand ? demand->widget() : nullptr;
    if (!frame) return;
    for (int r : rows) {
        const int i = r - (kMaxGridRows - 4);
        if (i < 0 || i > 3) continue;
        for (int c = 0; c < 3; ++c)
            if (auto* l = frame->findChild<QLabel*>(QString::fromLatin1(kDemandLabels[c]).arg(i)))
                l->setText(log_.maxRows()[size_t(r)][size_t(c + 1)]);
    }
}

void MaxMinPage::meterChanged() {
    log_.clearValues();
    origin_ = ClearTimeOrigin::None;
    for (bool minimum : {false, true}) {
        const int rows = minimum ? kMinGridRows : kMaxGridRows;
        std::vector<int> all;
        for (int r = kFixedRows; r < rows; ++r) all.push_back(r);
        showRows(minimum, all);
        // The Demand page shows the maximum demands of the same rows.
        if (!minimum) showDemandLabels(all);
    }
}

// --- steps ---------------------------------------------------------------------------------

void MaxMinPage::runStep(int16_t step) {
    switch (step) {
    case MaxMinReadSetting: RequestMaxMinSetting(); break;
    case MaxMinReadLog: {
        auto& ticks = ctx_.page().Ticks;
        if (ticks.RecordTicks < kMaxMinLogTicks) break;
        RequestMaxMinLog();
        // Only the last read (the demands) decides; a failed refresh is tried on the next tick.
        if (!ctx_.app().link.LinkFailed) ticks.RecordTicks = 0;
        break;
    }
    case MaxMinClear: clearStep(); break;
    case MaxMinSave: SaveMaxMinLog(); break;
    default: break;
    }
}

void MaxMinPage::RequestMaxMinSetting() {
    ctx_.page().moveStep(MaxMinReadLog);
    ctx_.master().SendReadHoldingRegisters(CmdClearTime, kClearTimeRegister, 1);
}

void MaxMinPage::RequestMaxMinLog() {
    for (const LogBlock& block : maxMinBlocks())
        ctx_.master().SendReadHoldingRegisters(block.code, block.start, block.count);
}

void MaxMinPage::clearStep() {
    // A clear time never read from the meter is read by the clear itself (origin None).
    const auto v = writes_.takeAsAsked();
    ClearTimeOrigin origin = std::exchange(askedOrigin_, std::nullopt).value_or(origin_);
    ctx_.page().moveStep(MaxMinReadLog); // the log goes on being read while the question is open
    shell::AppState& app = ctx_.app();
    app.ConfirmAnswer = 0;
    app.ConfirmAnswer = int16_t(common::confirmAction(kClearMaxMinWords));
    if (app.ConfirmAnswer != common::AnswerYes) return;
    const bool loggedIn = ctx_.services().Login ? ctx_.services().Login() : false;
    if (!loggedIn || !app.LoginOk) return;

    ContextMeterLink link(ctx_);
    QString box = v->text(txtMaxMin_);
    const pages::PersonEditWatch edits(ctx_.page());
    const bool ok = clearMaxMinLog(link, box, origin);
    // What the person typed while the clear went out, or since asking for it, stands.
    if (!edits.edited() && box != txtMaxMin_->text() && origin_ != ClearTimeOrigin::User)
        pages::controls::showReadText(txtMaxMin_, box);
    if (origin_ == ClearTimeOrigin::None) origin_ = origin;
    if (ok)
        ctx_.status().setPanelText(1, meterMessage(app.link.MeterAddress, kClearMaxMinWords + QStringLiteral(" Ok!")));
    else
        pages::showWriteError(pages::setupContext(ctx_), kClearMaxMinWords);
}

void MaxMinPage::SaveMaxMinLog() {
    saveRecordTable(ctx_, frame_, QStringLiteral("Max./Min. Log"), log_.csvLines(), kSaveMaxMinProc,
                    kSaveMaxMinOkWords);
    ctx_.page().moveStep(MaxMinReadSetting);
}

// --- controls ------------------------------------------------------------------------------

void MaxMinPage::txtMaxMin_LostFocus() {
    pages::checkEntry(txtMaxMin_, clearTimeCheck());
    // The whole part may be longer than what was typed ("1e4"): shown whole, as it is written.
    pages::controls::showReadText(txtMaxMin_, wholePartText(txtMaxMin_->text()));
}

void MaxMinPage::cmdMaxMin_Click(int index) {
    if (index == 0)
        writes_.ask(MaxMinClear, [this, origin = origin_] { askedOrigin_ = origin; });
    else if (index == 1)
        ctx_.page().askStep(MaxMinSave);
}

// --- installer -----------------------------------------------------------------------------

void installMaxMinPage(shell::PageContext& ctx) {
    if (ctx.page(MaxMinPageIndex)) return; // installed once per program
    ctx.adoptPage(std::make_unique<MaxMinPage>(ctx));
}

} // namespace records
