#include "config/user_map_page.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "config/page_family.h"
#include "config/register_files.h"
#include "link/modbus_master.h"
#include "monitor/live_widgets.h"
#include "shell/page_context.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>

namespace config {

namespace {

using monitor::gridText;
using monitor::placeTwips;
using monitor::setGridText;

constexpr int kRowHeightTwips = 255, kGridPointSize = 8, kHeadingPointSize = 7;
const QColor kValueColumnColour(0xE0, 0xE0, 0xE0);

// A widget stays disabled while a map file action runs, whatever ends it.
class DisabledWhile {
public:
    explicit DisabledWhile(QWidget* widget) : widget_(widget) {
        if (widget_) widget_->setEnabled(false);
    }
    ~DisabledWhile() {
        if (widget_) widget_->setEnabled(true);
    }
    DisabledWhile(const DisabledWhile&) = delete;
    DisabledWhile& operator=(const DisabledWhile&) = delete;

private:
    QPointer<QWidget> widget_;
};

} // namespace

// --- SetMapForm --------------------------------------------------------------------------------

SetMapForm::SetMapForm(MappingRequestMachine& machine, QWidget* parent) : QDialog(parent), machine_(machine) {
    setObjectName(QStringLiteral("SetMapForm"));
    setWindowTitle(MapFormCaption);
    setModal(true);
    const MapFormTexts t;
    // Form_Load: the two texts that depend on the slot.
    const QString texts[6] = {mapFormPrompt(machine.editAddress()), t.oldValueCaption, t.rangeCaption,
                              t.range, mapFormOldValue(machine.editValue()), t.entryCaption};
    for (int i = 0; i < 6; ++i) {
        label1_[size_t(i)] = new QLabel(texts[i], this);
        label1_[size_t(i)]->setObjectName(QStringLiteral("Label1_%1").arg(i));
    }
    text1_ = new QLineEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setMaxLength(t.entryMaxLength);
    const QString captions[2] = {t.ok, t.cancel};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(captions[i], this);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        b->setAutoDefault(false); // Enter belongs to the entry box
        connect(b, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        command1_[size_t(i)] = b;
    }
    connect(text1_, &QLineEdit::returnPressed, this, [this] { Text1_Enter(); });

    placeTwips(label1_[0], 240, 240, 3720, 255);
    placeTwips(label1_[1], 240, 600, 1200, 255);
    placeTwips(label1_[4], 1560, 600, 1200, 255);
    placeTwips(label1_[2], 240, 900, 1200, 255);
    placeTwips(label1_[3], 1560, 900, 2160, 255);
    placeTwips(label1_[5], 240, 1290, 2280, 255);
    placeTwips(text1_, 2640, 1230, 1080, 315);
    placeTwips(command1_[0], 600, 1800, 1200, 375);
    placeTwips(command1_[1], 2280, 1800, 1200, 375);
    setFixedSize(monitor::px(4080), monitor::px(2460));
    text1_->setFocus();
}

QLabel* SetMapForm::Label1(int index) const { return (index >= 0 && index < 6) ? label1_[size_t(index)] : nullptr; }

QPushButton* SetMapForm::Command1(int index) const {
    return (index >= 0 && index < 2) ? command1_[size_t(index)] : nullptr;
}

void SetMapForm::closeWith(MappingRequestMachine::OkResult result) {
    if (result == MappingRequestMachine::OkResult::Refused) {
        // Only 1 to 4 hexadecimal digits name a register; the window stays for another try.
        showErrorBox(MapEntryRefusal);
        text1_->selectAll();
        text1_->setFocus();
        return;
    }
    QDialog::accept();
}

void SetMapForm::Command1_Click(int index) {
    if (index == 0) closeWith(machine_.ok(text1_->text()));
    else if (index == 1) reject();
}

void SetMapForm::Text1_Enter() {
    if (text1_->text().isEmpty()) {
        reject();
        return;
    }
    closeWith(machine_.enter(text1_->text()));
}

void SetMapForm::reject() {
    machine_.cancel();
    QDialog::reject();
}

// --- the page ----------------------------------------------------------------------------------

UserMapPage::UserMapPage(shell::PageContext& app) : ctx_(setupContext(app)), machine_(app.page()) {
    build();
}

UserMapPage::~UserMapPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

QWidget* UserMapPage::widget() { return frame_; }

QPushButton* UserMapPage::cmdMapping(int index) const {
    return (index >= 0 && index < 2) ? cmdMapping_[size_t(index)] : nullptr;
}

void UserMapPage::build() {
    frame_ = new QGroupBox(QStringLiteral("User Map"));
    frame_->setObjectName(QStringLiteral("frmProgram_16"));
    frame_->hide();

    grid_ = monitor::makeGrid(frame_, MapGridRows, MapGridColumns, 1, 1);
    grid_->setObjectName(QStringLiteral("gridMapping"));
    grid_->setFocusPolicy(Qt::StrongFocus);
    QFont small = grid_->font();
    small.setPointSize(kGridPointSize);
    grid_->setFont(small);
    grid_->verticalHeader()->setDefaultSectionSize(monitor::px(kRowHeightTwips));
    placeTwips(grid_, 240, 360, 7470, 6540);
    // A press marks the column pressed; the release (click) opens the entry window.
    QObject::connect(grid_, &QTableWidget::cellPressed, frame_, [this](int, int column) { SelectMappingColumn(column); });
    QObject::connect(grid_, &QTableWidget::cellClicked, frame_,
                     [this](int row, int column) { EditMappingValue(row, column); });
    QObject::connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, frame_,
                     [this] { InvokeMappingGridAction(); });

    const QStringList captions = mapButtonCaptions();
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(captions.value(i), frame_);
        b->setObjectName(QStringLiteral("cmdMapping_%1").arg(i));
        placeTwips(b, 240 + i * 2640, 7050, 2400, 435);
        QObject::connect(b, &QPushButton::clicked, frame_, [this, i] { cmdMapping_Click(i); });
        cmdMapping_[size_t(i)] = b;
    }
}

void UserMapPage::init() { InitMappingGrid(); }

void UserMapPage::InitMappingGrid() {
    const QStringList headings = mapGridHeadings();
    const std::vector<int> widths = mapGridWidthsTwips();
    const QBrush buttonFace = monitor::gridCell(grid_, 0, 0)->background();
    for (int c = 0; c < MapGridColumns; ++c) {
        grid_->setColumnWidth(c, std::max(1, monitor::px(widths[size_t(c)])));
        QTableWidgetItem* head = monitor::gridCell(grid_, 0, c);
        head->setText(headings.value(c));
        head->setTextAlignment(Qt::AlignCenter);
        QFont face = grid_->font();
        face.setPointSize(kHeadingPointSize); // the long headings fit their columns
        head->setFont(face);
        for (int r = 1; r < MapGridRows; ++r)
            monitor::gridCell(grid_, r, c)->setTextAlignment(c == 4 ? Qt::AlignRight | Qt::AlignTop : Qt::AlignCenter);
    }
    for (int r = 1; r < MapGridRows; ++r) {
        setGridText(grid_, r, 1, mapSlotIndexText(r - 1));
        setGridText(grid_, r, 3, mapValueIndexText(r - 1));
        monitor::gridCell(grid_, r, 1)->setBackground(buttonFace);
        monitor::gridCell(grid_, r, 3)->setBackground(buttonFace);
        monitor::gridCell(grid_, r, 4)->setBackground(kValueColumnColour);
    }
}

void UserMapPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdMapAddresses, [this] { ShowMapAddresses(); });
    master.registerDecoder(CmdMapValues, [this] { ShowMapValues(); });
}

void UserMapPage::showGridState() { grid_->setEnabled(machine_.gridEnabled()); }

// --- the scheduler's work ----------------------------------------------------------------------

void UserMapPage::runStep(int16_t pageStep) {
    (void)pageStep;
    common::PageState& page = ctx_.page;
    switch (page.MappingRequest) {
    case MapPollValues:
        if (page.Ticks.MapTicks >= common::TickCounters::MapCap) {
            ReadMappedValues();
            page.Ticks.MapTicks = 0;
        }
        break;
    case MapReadSlots:
        machine_.enableGrid();
        showGridState();
        ReadMappingTable();
        break;
    case MapWriteEntry: WriteMappingEntry(page.GridEditRow - 1, true); break;
    case MapDownloadFile: {
        // Only the page: "Off Line" and "Exit" stay within reach and end the download at its next exchange.
        DisabledWhile off(frame_);
        SetupMappingFile();
        break;
    }
    case MapSaveFile: {
        DisabledWhile off(frame_ ? frame_->window() : nullptr);
        UploadMappingFile();
        break;
    }
    default: break; // the hold: nothing is polled
    }
}

void UserMapPage::meterChanged() {
    // The slots and values shown were the other meter's; the new one's are read first.
    for (int r = 1; r < MapGridRows; ++r) {
        setGridText(grid_, r, 2, QString());
        setGridText(grid_, r, 4, QString());
    }
    machine_.enterPage();
}

void UserMapPage::ReadMappingTable() {
    ctx_.master.SendReadHoldingRegisters(CmdMapAddresses, MapSlotStart, MapSlotCount);
    machine_.afterTableRead();
}

void UserMapPage::ReadMappedValues() {
    ctx_.master.SendReadHoldingRegisters(CmdMapValues, MapValueStart, MapSlotCount);
}

void UserMapPage::fillColumn(int column, bool addresses) {
    machine_.decoding(true);
    showGridState();
    const std::vector<uint16_t> regs = replyWords(ctx_.link(), MapSlotCount);
    const SetCell set = [this, column](int row, const QString& text) { setGridText(grid_, row, column, text); };
    const CurrentRequest request = [this] { return ctx_.page.MappingRequest; };
    // The slots read are shown whole: a button or a press during the read's wait comes
    // before the reply is decoded, and a save or the entry window takes the column as
    // it stands, which must not be part this read and part the one before.
    if (addresses) showMapAddresses(regs, set, {});
    else showMapValues(regs, set, request);
    machine_.decoding(false);
    showGridState();
}

void UserMapPage::ShowMapAddresses() { fillColumn(2, true); }
void UserMapPage::ShowMapValues() { fillColumn(4, false); }

bool UserMapPage::WriteMappingEntry(int slot, bool fromScheduler) {
    bool ok = false;
    if (slot >= 0 && slot < MapSlotCount)
        if (const std::optional<uint16_t> value = mapSlotValue(machine_.editValue()))
            ok = sendWriteFrame(ctx_, fromScheduler ? FnWriteRegisters : FnVendorWrite, uint16_t(MapSlotStart + slot),
                                {*value});
    if (ok) ctx_.master.status().setPanelText(1, mapEntryOkText(slot, machine_.editValue()));
    else if (!ctx_.master.ops().cancelled()) showErrorBox(mapEntryErrorText(ctx_.link().MeterAddress));
    machine_.afterEntryWrite();
    return ok;
}

// --- map files -------------------------------------------------------------------------------------

void UserMapPage::SetupMappingFile() {
    struct AfterFileAction {
        MappingRequestMachine& m;
        ~AfterFileAction() { m.afterFileAction(); }
    } after{machine_};
    if (confirmAndLogIn(ctx_, MapDownloadQuestion)) return;
    const QString path = common::prompter().openFileName(MapOpenTitle, MapFileFilter, lastFile_);
    if (path.isEmpty()) return;
    lastFile_ = path;

    const LineRead file = readLineFile(path, MapSlotCount);
    if (file.error) {
        common::ReportError(QStringLiteral("SetupMappingFile"), file.error->number, file.error->message);
        return;
    }
    const std::vector<MapFileSlot> fileSlots = mapFileSlots(file.lines);
    bool anyFailed = false, slotRefused = false;
    for (size_t k = 0; k < fileSlots.size(); ++k) {
        if (ctx_.master.ops().cancelled()) {
            anyFailed = true; // "Off Line", another meter or "Exit": the rest is not written
            break;
        }
        const MapFileSlot& s = fileSlots[k];
        if (s.kind == MapFileSlot::Kind::Skip) continue;
        if (s.kind == MapFileSlot::Kind::Bad) {
            showErrorBox(mapFileBadLineText(int(k) + 1, s.text));
            anyFailed = true;
            continue;
        }
        // The first slot the meter does not take ends the download, which then says so
        // once: a meter that stopped answering would cost every further slot its
        // time-outs and a box of its own.
        if (!writeFileSlot(int(k), s)) {
            anyFailed = slotRefused = true;
            break;
        }
    }
    // The slots written are kept by the meter only after a save-config.
    if (!slotRefused && !ctx_.master.ops().cancelled() && saveConfigAfterDownload(ctx_.app.meter.MeterVersion))
        anyFailed = !sendSaveConfigFrame(ctx_) || anyFailed;
    if (ctx_.master.ops().cancelled()) anyFailed = true;

    const MapDownloadResult result = mapDownloadResult(ctx_.link().MeterAddress, anyFailed);
    if (result.error) showFailureBox(ctx_, result.text);
    else ctx_.master.status().setPanelText(1, result.text);
}

bool UserMapPage::writeFileSlot(int slot, const MapFileSlot& line) {
    machine_.setEditValue(line.text);
    if (!sendWriteFrame(ctx_, FnVendorWrite, uint16_t(MapSlotStart + slot), {line.value})) return false;
    ctx_.master.status().setPanelText(1, mapEntryOkText(slot, line.text));
    return true;
}

void UserMapPage::UploadMappingFile() {
    const QString path = common::prompter().saveFileName(MapSaveTitle, MapFileFilter, QString());
    if (!path.isEmpty()) {
        lastFile_ = path;
        QStringList slotTexts;
        for (int r = 1; r < MapGridRows; ++r) slotTexts << gridText(grid_, r, 2);
        if (const std::optional<FileError> error = saveLineFile(path, mapFileLines(slotTexts)))
            common::ReportError(QStringLiteral("UploadMappingFile"), error->number, error->message);
        else
            ctx_.master.status().setPanelText(1, mapSaveOkText(ctx_.link().MeterAddress));
    }
    if (frame_) frame_->window()->setWindowTitle(mapWindowCaption(ctx_.app.meter.MeterModelText, path));
    machine_.afterFileAction();
}

// --- the controls' events ----------------------------------------------------------------------------

void UserMapPage::cmdMapping_Click(int index) { machine_.buttonPressed(index); }

void UserMapPage::SelectMappingColumn(int column) { machine_.press(column); }

void UserMapPage::EditMappingValue(int row, int column) {
    if (!machine_.release(row, column, gridText(grid_, row, 1), gridText(grid_, row, 2))) return;
    showGridState();
    // The entry window waits for the person in a loop of its own. Opened inside an
    // exchange's wait it would hold that exchange, its page work and the link until it
    // closed: a release during an exchange opens it once the link is free.
    if (ctx_.master.ops().busy()) {
        openEntryWhenLinkFree();
        return;
    }
    runEntryWindow();
}

void UserMapPage::openEntryWhenLinkFree() {
    if (entryWaiting_) return; // a later release during the same wait has moved the row
    entryWaiting_ = true;
    rtu::LinkOperations& ops = ctx_.master.ops();
    QObject::connect(
        &ops, &rtu::LinkOperations::idle, frame_,
        [this] {
            // From the event loop: the operation that ended is still winding down here.
            QTimer::singleShot(0, frame_, [this] {
                entryWaiting_ = false;
                if (ctx_.page.PageIndex != UserMapPageIndex) return; // the person went to another page
                const int row = ctx_.page.GridEditRow;
                // The slot as the read that was waited for left it.
                if (!machine_.release(row, 2, gridText(grid_, row, 1), gridText(grid_, row, 2))) return;
                showGridState();
                if (ctx_.master.ops().busy()) openEntryWhenLinkFree();
                else runEntryWindow();
            });
        },
        Qt::SingleShotConnection);
}

void UserMapPage::runEntryWindow() {
    {
        SetMapForm form(machine_, frame_ ? frame_->window() : nullptr);
        const common::EventWait waiting; // a modal loop is a wait like the link's
        form.exec();
    }
    if (ctx_.page.MappingRequest == MapWriteEntry) setGridText(grid_, ctx_.page.GridEditRow, 2, machine_.editValue());
    showGridState();
}

void UserMapPage::InvokeMappingGridAction() { grid_->setFocus(); }

// --- installer -------------------------------------------------------------------------------------

void installUserMapPage(shell::PageContext& app) {
    if (app.page(UserMapPageIndex)) return; // installed once per program
    app.adoptPage(std::make_unique<UserMapPage>(app));
}

} // namespace config
