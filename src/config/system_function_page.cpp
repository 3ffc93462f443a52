#include "config/system_function_page.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "config/page_family.h"
#include "config/essential_property_page.h"
#include "config/register_files.h"
#include "link/meter_scan.h"
#include "link/modbus_master.h"
#include "monitor/live_widgets.h"
#include "shell/page_context.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace config {

namespace {

using monitor::placeTwips;

constexpr int kRowHeightTwips = 255;
constexpr int kLabelColumnTwips = 540, kValueColumnTwips = 435;
// Sixteen four-digit cells side by side need a small face.
constexpr int kGridPointSize = 7, kButtonPointSize = 8;

// A colour of the form 0x00BBGGRR.
QColor cellColour(uint32_t bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

// Hides a widget for the length of a step, whatever ends it.
struct HiddenWhile {
    QWidget* w;
    explicit HiddenWhile(QWidget* widget) : w(widget) { w->hide(); }
    ~HiddenWhile() { w->show(); }
};

} // namespace

SystemFunctionPage::SystemFunctionPage(shell::PageContext& app) : app_(app), ctx_(setupContext(app)) { build(); }

SystemFunctionPage::~SystemFunctionPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

QWidget* SystemFunctionPage::widget() { return frame_; }

QPushButton* SystemFunctionPage::cmdSF(int index) const {
    return (index >= 0 && index < 3) ? cmdSF_[size_t(index)] : nullptr;
}

void SystemFunctionPage::build() {
    frame_ = new QGroupBox(QStringLiteral("System Function"));
    frame_->setObjectName(QStringLiteral("frmProgram_22"));
    frame_->hide();

    grid_ = monitor::makeGrid(frame_, table_.layout.gridRows, SFColumns, 1, 1);
    grid_->setObjectName(QStringLiteral("gridSF"));
    QFont small = grid_->font();
    small.setPointSize(kGridPointSize);
    grid_->setFont(small);
    grid_->setTextElideMode(Qt::ElideNone);
    grid_->setStyleSheet(QStringLiteral("QTableView::item { padding: 0px; }"));
    grid_->verticalHeader()->setDefaultSectionSize(monitor::px(kRowHeightTwips));
    grid_->setColumnWidth(0, monitor::px(kLabelColumnTwips));
    for (int c = 1; c < SFColumns; ++c) grid_->setColumnWidth(c, monitor::px(kValueColumnTwips));
    placeTwips(grid_, 90, 360, 7800, 6540);

    const QStringList captions = sfButtonCaptions();
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(captions.value(i), frame_);
        b->setObjectName(QStringLiteral("cmdSF_%1").arg(i));
        QFont face = b->font();
        face.setPointSize(kButtonPointSize);
        b->setFont(face);
        placeTwips(b, 45 + i * 2625, 7050, 2610, 435);
        QObject::connect(b, &QPushButton::clicked, frame_, [this, i] { cmdSF_Click(i); });
        cmdSF_[size_t(i)] = b;
    }
}

void SystemFunctionPage::init() { InitSFGrid(); }

void SystemFunctionPage::InitSFGrid() {
    table_.reshape(sfLayoutFor(0));
    for (int c = 0; c < SFColumns; ++c) {
        QTableWidgetItem* head = monitor::gridCell(grid_, 0, c);
        head->setText(c == 0 ? QString() : hexPlain(uint32_t(c - 1)));
        head->setTextAlignment(Qt::AlignCenter);
    }
    showTable();
}

void SystemFunctionPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdSFBlock, [this] { ShowSFBlock(); });
    master.registerDecoder(CmdSFTail, [this] { ShowSFTail(); });
}

// --- the table on screen -----------------------------------------------------------------------

void SystemFunctionPage::showTable() {
    const SFLayout& l = table_.layout;
    const QBrush fixed = monitor::gridCell(grid_, 0, 0)->background();
    grid_->setRowCount(l.gridRows);
    for (int r = 1; r < l.gridRows; ++r) {
        QTableWidgetItem* label = monitor::gridCell(grid_, r, 0);
        // Each row holds the 16 registers whose address begins with its label's three digits.
        label->setText(hex4(sfRegisterOfLine(l, (r - 1) * 16).value_or(0)).left(3) + QLatin1Char('*'));
        label->setTextAlignment(Qt::AlignCenter);
        label->setBackground(fixed);
    }
    showLines(0, l.valueCells);
}

void SystemFunctionPage::showLines(int first, int count) {
    for (int line = first; line < first + count && line < table_.cells.size(); ++line) {
        const SFCell at = sfCellOfLine(line);
        if (QTableWidgetItem* item = monitor::gridCell(grid_, at.row, at.column)) {
            item->setText(table_.cell(line));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignTop);
            item->setBackground(cellColour(table_.colours[size_t(line)]));
        }
    }
}

void SystemFunctionPage::followMeterVersion() {
    const SFLayout wanted = sfLayoutFor(ctx_.app.meter.MeterVersion);
    if (wanted.valueCells == table_.layout.valueCells) return;
    table_.reshape(wanted);
    showTable();
}

void SystemFunctionPage::meterChanged() {
    // Nothing of the meter before may be shown or saved as the new one's.
    table_.reshape(sfLayoutFor(ctx_.app.meter.MeterVersion));
    showTable();
}

void SystemFunctionPage::setButtonsEnabled(bool on) {
    for (QPushButton* b : cmdSF_) b->setEnabled(on);
}

void SystemFunctionPage::cmdSF_Click(int index) {
    if (index >= 0 && index < 3) ctx_.page.askStep(int16_t(index + 1));
}

// --- the scheduler's work ----------------------------------------------------------------------

void SystemFunctionPage::runStep(int16_t step) {
    followMeterVersion();
    if (step >= SFLoadStep && step < SFIdleStep) {
        HiddenWhile hidden(grid_);
        switch (step) {
        case SFLoadStep: LoadSystemFunction(); break;
        case SFSaveStep: SaveSFFile(); break;
        case SFDownloadStep: DownloadSFFile(); break;
        case SFCheckStep: CheckSFFile(); break;
        }
    }
    ctx_.page.moveStep(SFIdleStep);
}

// --- the load ----------------------------------------------------------------------------------

bool SystemFunctionPage::LoadSystemFunction() {
    HiddenWhile hidden(grid_);
    setButtonsEnabled(false);
    const bool complete = runLoad();
    setButtonsEnabled(true);
    return complete;
}

bool SystemFunctionPage::runLoad() {
    rtu::ModbusMaster& master = ctx_.master;
    const rtu::LinkState& link = ctx_.link();
    SFLoad load(table_, link.MeterAddress);
    showTable(); // emptied: rows that are not read show nothing of before
    QString error;
    while (const std::optional<SFRead> read = load.next()) {
        if (master.ops().cancelled() || !link.meterSelected()) {
            load.stop();
            break;
        }
        readingBlock_ = read->block;
        master.SendReadHoldingRegisters(read->code, read->start, read->count);
        const QString text = load.done(!link.LinkFailed);
        if (load.gaveUp()) error = text;
        else if (!text.isEmpty()) master.status().setPanelText(1, text);
    }
    if (!error.isEmpty()) showErrorBox(error);
    return load.complete();
}

void SystemFunctionPage::ShowSFBlock() {
    const SFLayout& l = table_.layout;
    showSFBlock(table_, readingBlock_, replyWords(ctx_.link(), l.blockSize));
    showLines(readingBlock_ * l.blockSize, l.blockSize);
}

void SystemFunctionPage::ShowSFTail() {
    showSFTail(table_, replyWords(ctx_.link(), SFMapRegisters));
    showLines(table_.layout.setupRegisters, SFMapRegisters);
}

// --- save and check ----------------------------------------------------------------------------

void SystemFunctionPage::SaveSFFile() {
    const QString path = common::prompter().saveFileName(SFSaveTitle, SFFileFilter, QString());
    if (path.isEmpty()) return;
    lastFile_ = path;
    setButtonsEnabled(false);
    if (const std::optional<FileError> error = saveLineFile(path, sfFileLines(table_)))
        common::ReportError(QStringLiteral("SaveSFFile"), error->number, error->message);
    else
        ctx_.master.status().setPanelText(1, sfSaveOkText(ctx_.link().MeterAddress, path));
    setButtonsEnabled(true);
}

void SystemFunctionPage::CheckSFFile() {
    const QString path = common::prompter().openFileName(SFCheckTitle, SFFileFilter, lastFile_);
    if (path.isEmpty()) return;
    lastFile_ = path;
    setButtonsEnabled(false);
    CheckSFData(path);
    setButtonsEnabled(true);
}

bool SystemFunctionPage::CheckSFData(const QString& path) {
    const QString procName = QStringLiteral("CheckSFData");
    const LineRead file = readLineFile(path, table_.layout.valueCells);
    if (file.error) {
        common::ReportError(procName, file.error->number, file.error->message);
        return false;
    }
    rtu::StatusSink& status = ctx_.master.status();
    const SFCheckResult r = checkSFData(table_, file.lines, file.more, ctx_.link().MeterAddress,
                                        [&status](const QString& text) { status.setPanelText(1, text); });
    showLines(0, table_.layout.valueCells);
    switch (r.end) {
    case SFCheckResult::End::Checked: status.setPanelText(1, r.text); return true;
    case SFCheckResult::End::Longer:
        common::prompter().message(QStringLiteral("Warning"), r.text, common::Icon::Exclamation, common::Buttons::Ok);
        return false;
    case SFCheckResult::End::Empty:
        common::ReportError(procName, 62, r.text); // input past end of file
        return false;
    }
    return false;
}

// --- the download ------------------------------------------------------------------------------

void SystemFunctionPage::DownloadSFFile() {
    if (confirmAndLogIn(ctx_, SFDownloadQuestion)) return;
    const QString path = common::prompter().openFileName(SFDownloadTitle, SFFileFilter, QString());
    if (path.isEmpty()) return;
    lastFile_ = path;
    setButtonsEnabled(false);
    struct Enable {
        SystemFunctionPage* p;
        ~Enable() { p->setButtonsEnabled(true); }
    } enable{this};

    // The whole file is checked before the table, the lists or the meter change.
    const LineRead file = readLineFile(path, table_.layout.valueCells);
    if (file.error) {
        common::ReportError(QStringLiteral("DownloadSFFile"), file.error->number, file.error->message);
        return;
    }
    const SFDownloadCheck check = checkSFDownloadFile(table_.layout, file.lines, file.more);
    if (check.error) {
        showErrorBox(*check.error);
        return;
    }
    applySFFileToTable(table_, file.lines);
    showLines(0, table_.layout.valueCells);
    {
        // The program's own fill: no page is marked modified by it.
        common::PageState& page = ctx_.page;
        const bool refreshing = page.Refreshing;
        page.Refreshing = true;
        if (auto* list = frame_ ? frame_->window()->findChild<QComboBox*>(QStringLiteral("cbBaudRate")) : nullptr)
            list->setCurrentIndex(check.file.baudIndex);
        if (auto* essential = dynamic_cast<EssentialPropertyPage*>(app_.page(EssentialPropertyPageIndex)))
            essential->txtTDT()->setText(QString::number(check.file.transferDelay));
        page.Refreshing = refreshing;
    }
    const std::optional<std::vector<SFWrite>> writes = sfDownloadWrites(table_, check.file);
    rtu::ModbusMaster& master = ctx_.master;
    bool anyFailed = !writes || !runDownloadWrites(*writes, check.file.baudIndex, file.lines.last().trimmed());
    if (writes && !master.ops().cancelled()) {
        // Read back at the new rate and compared with the file.
        anyFailed = !runLoad() || anyFailed;
        CheckSFData(path);
        if (!master.ops().cancelled() && saveConfigAfterDownload(ctx_.app.meter.MeterVersion))
            anyFailed = !sendSaveConfigFrame(ctx_) || anyFailed;
    }
    if (master.ops().cancelled()) anyFailed = true;
    const SFDownloadResult result = sfDownloadResult(ctx_.link().MeterAddress, path, anyFailed);
    if (result.error) showFailureBox(ctx_, result.text);
    else master.status().setPanelText(1, result.text);
}

bool SystemFunctionPage::runDownloadWrites(const std::vector<SFWrite>& writes, int baudIndex, const QString& lastLine) {
    rtu::ModbusMaster& master = ctx_.master;
    rtu::LinkState& link = ctx_.link();
    rtu::StatusSink& status = master.status();
    bool allOk = true;
    for (const SFWrite& w : writes) {
        // A failed write does not stop the others; the link taken away does.
        if (master.ops().cancelled()) return false;
        const bool ok = sendWriteFrame(ctx_, FnVendorWrite, w.start, w.values);
        allOk = allOk && ok;
        switch (w.kind) {
        case SFWrite::Kind::Block:
            if (ok) status.setPanelText(1, sfBlockOkText(w.start, lastLine));
            break;
        case SFWrite::Kind::TransferDelay:
            if (ok) status.setPanelText(1, sfTransferDelayText(link.MeterAddress, true));
            else if (!master.ops().cancelled()) showErrorBox(sfTransferDelayText(link.MeterAddress, false));
            break;
        case SFWrite::Kind::BaudRate: {
            const int16_t serialIndex = rtu::kTrialBaudIndices[size_t(std::clamp(baudIndex, 0, 4))];
            status.setPanelText(1, sfBaudRateText(rtu::serialTables().BaudNames[size_t(serialIndex)], ok));
            if (ok) {
                // The meter answers at the new rate from now on; the settings file keeps the old one.
                allOk = rtu::switchPortBaud(master, baudIndex) && allOk;
                status.setPanelText(3, rtu::linePanelText(link));
            }
            link.CrcErrorCount = 0;
            link.TimeoutCount = 0;
            status.setPanelText(4, QStringLiteral("CRC : 0"));
            status.setPanelText(5, QStringLiteral("TO : 0"));
            break;
        }
        }
    }
    return allOk;
}

// --- installer -------------------------------------------------------------------------------------

void installSystemFunctionPage(shell::PageContext& app) {
    if (app.page(SystemFunctionPageIndex)) return; // installed once per program
    app.adoptPage(std::make_unique<SystemFunctionPage>(app));
}

} // namespace config
