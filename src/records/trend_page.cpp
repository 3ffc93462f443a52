#include "records/trend_page.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "config/user_map.h"
#include "link/link_operations.h"
#include "link/modbus_master.h"
#include "monitor/live_widgets.h"
#include "records/context_meter_link.h"
#include "records/trend_file.h"
#include "records/trend_picture.h"
#include "shell/page_context.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>

namespace records {

namespace {

using monitor::px;
using monitor::placeTwips;

constexpr const char* kTag = "Tag"; // cmdTrend(1): "True" while the logger runs, "False" while stopped
const QString kSaveCaption = QStringLiteral("Save File");
const QString kOpenCaption = QStringLiteral("Open File");
// The captions labTrend(13), (14), (15), (16), (17) and (19).
constexpr int kCaptionIndex[6] = {13, 14, 15, 16, 17, 19};
const char* const kCaptionText[6] = {"Interval :", "Parameter :", "Start Trend Time : ", "Trend Length : ",
                                     "Mode :", "Configure :"};

QString fileFilter() { return common::fileFilter(QStringLiteral("Trend Log File"), QStringLiteral("CSV")); }

QComboBox* makeList(QWidget* parent, const QString& name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    return c;
}

} // namespace

TrendPage::TrendPage(shell::PageContext& ctx)
    : ctx_(ctx), writes_(pages::setupContext(ctx), frame_), dateFormat_(systemGeneralDateFormat()) {
    build();
}

TrendPage::~TrendPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

QWidget* TrendPage::widget() { return frame_; }

QLabel* TrendPage::labTrend(int i) const {
    if (i >= 0 && i < 3) return labTrend_[size_t(i)];
    for (int k = 0; k < 6; ++k)
        if (kCaptionIndex[k] == i) return captions_[size_t(k)];
    return nullptr;
}

// --- layout (twips) ---------------------------------------------------------------------

void TrendPage::build() {
    frame_ = new QGroupBox(QStringLiteral("Trend Log"));
    frame_->setObjectName(QStringLiteral("frmProgram_11"));
    frame_->hide();

    for (int k = 0; k < 6; ++k) {
        auto* l = new QLabel(QString::fromLatin1(kCaptionText[k]), frame_);
        l->setObjectName(QStringLiteral("labTrend_%1").arg(kCaptionIndex[k]));
        captions_[size_t(k)] = l;
    }
    for (int i = 0; i < 3; ++i) {
        cbTrend_[size_t(i)] = makeList(frame_, QStringLiteral("cbTrend_%1").arg(i));
        pages::watchPersonEdits(ctx_.page(), cbTrend_[size_t(i)], 0, false);
    }
    static const char* buttons[3] = {"Setup Trend", "Start Trend", "Open File"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(buttons[i]), frame_);
        b->setObjectName(QStringLiteral("cmdTrend_%1").arg(i));
        QObject::connect(b, &QPushButton::clicked, frame_, [this, i] { cmdTrend_Click(i); });
        cmdTrend_[size_t(i)] = b;
    }
    cmdTrend_[1]->setProperty(kTag, QString());
    for (int i = 0; i < 3; ++i) {
        QLabel* l = monitor::makeValueLabel(frame_);
        l->setObjectName(QStringLiteral("labTrend_%1").arg(i));
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        labTrend_[size_t(i)] = l;
    }

    // Set-up lists in the order interval, mode, parameter; then the buttons and the status.
    placeTwips(labTrend(13), 240, 360, 840, 255);
    placeTwips(cbTrend_[0], 1080, 300, 1500, 315);
    placeTwips(labTrend(17), 2760, 360, 660, 255);
    placeTwips(cbTrend_[2], 3420, 300, 1500, 315);
    placeTwips(labTrend(14), 5040, 360, 1110, 255);
    placeTwips(cbTrend_[1], 6180, 300, 1500, 315);
    for (int i = 0; i < 3; ++i) placeTwips(cmdTrend_[size_t(i)], 240 + 1620 * i, 720, 1500, 375);
    placeTwips(labTrend(19), 240, 1200, 1740, 255);
    placeTwips(labTrend_[0], 1980, 1170, 3240, 285);
    placeTwips(labTrend(16), 5280, 1200, 1380, 255);
    placeTwips(labTrend_[2], 6660, 1170, 1080, 285);
    placeTwips(labTrend(15), 240, 1500, 1740, 255);
    placeTwips(labTrend_[1], 1980, 1470, 3240, 285);

    sstTrend_ = new QTabWidget(frame_);
    sstTrend_->setObjectName(QStringLiteral("sstTrend"));
    placeTwips(sstTrend_, 120, 1800, 7710, 5820);
    auto* trendTab = new QWidget;
    auto* dataTab = new QWidget;
    sstTrend_->addTab(trendTab, QStringLiteral("Trend"));
    sstTrend_->addTab(dataTab, QStringLiteral("Data"));
    buildTrendTab(trendTab);
    buildDataTab(dataTab);
}

void TrendPage::buildTrendTab(QWidget* tab) {
    for (int i = 0; i < 2; ++i) {
        auto* o = new QRadioButton(QStringLiteral("Cursor_Value %1").arg(i + 1), tab);
        o->setObjectName(QStringLiteral("optTrend_%1").arg(i));
        placeTwips(o, 480, 40 + 250 * i, 1740, 255);
        QObject::connect(o, &QRadioButton::clicked, tab, [this, i] { optTrend_Click(i); });
        optTrend_[size_t(i)] = o;
    }
    optTrend_[0]->setChecked(true);
    for (int i = 0; i < 4; ++i) {
        QLabel* l = monitor::makeValueLabel(tab);
        l->setObjectName(QStringLiteral("labTrendD_%1").arg(i));
        const bool time = i >= 2;
        placeTwips(l, time ? 3900 : 2220, 40 + 250 * (i % 2), time ? 2295 : 1575, 240);
        labTrendD_[size_t(i)] = l;
    }
    auto bar = [tab](const char* name, int top, int max, int small, int large) {
        auto* s = new QScrollBar(Qt::Horizontal, tab);
        s->setObjectName(QString::fromLatin1(name));
        s->setRange(0, max);
        s->setSingleStep(small);
        s->setPageStep(large);
        placeTwips(s, 360, top, TrendPicture::kDesignWidth, 255);
        return s;
    };
    hsbTrendT_ = bar("hsbTrendT", 560, kTrendSkipMax, 1, 90);
    picTrend_ = new TrendPicture(tab);
    placeTwips(picTrend_, 360, 830, TrendPicture::kDesignWidth, TrendPicture::kDesignHeight);
    hsbTrendD_ = bar("hsbTrendD", 830 + TrendPicture::kDesignHeight + 15, kTrendStretchMax, 2, 10);
    // A change and a drag of the thumb alike.
    for (QScrollBar* s : {hsbTrendT_, hsbTrendD_})
        QObject::connect(s, &QScrollBar::valueChanged, tab, [this] { scrolled(); });
    QObject::connect(picTrend_, &TrendPicture::mouseAt, tab,
                     [this](double x, bool leftOnly) { picTrend_Mouse(x, leftOnly); });
}

void TrendPage::buildDataTab(QWidget* tab) {
    gridTrend_ = monitor::makeGrid(tab, kTrendRecords + 1, 2, 1, 1);
    gridTrend_->setObjectName(QStringLiteral("gridTrend"));
    gridTrendData_ = monitor::makeGrid(tab, kTrendRecords + 1, 2, 1, 1);
    gridTrendData_->setObjectName(QStringLiteral("gridTrendData"));
    placeTwips(gridTrend_, 240, 120, 3480, 5160);
    placeTwips(gridTrendData_, 3960, 120, 3480, 5160);
    for (QTableWidget* g : {gridTrend_, gridTrendData_}) {
        g->setColumnWidth(0, px(900));
        g->setColumnWidth(1, px(2000));
        for (int r = 0; r <= kTrendRecords; ++r) g->setRowHeight(r, px(255));
    }
}

// --- start-up ----------------------------------------------------------------------------

void TrendPage::InitTrendControls() {
    const float version = ctx_.app().meter.MeterVersion;
    const QStringList items[3] = {trendIntervalItems(version), trendChannelItems(version), trendModeItems()};
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker block(cbTrend_[size_t(i)]);
        cbTrend_[size_t(i)]->clear();
        cbTrend_[size_t(i)]->addItems(items[i]);
        cbTrend_[size_t(i)]->setCurrentIndex(0);
    }
    for (QTableWidget* g : {gridTrend_, gridTrendData_}) {
        monitor::setGridText(g, 0, 0, QStringLiteral("Index"));
        monitor::setGridText(g, 0, 1, QStringLiteral("Trend Logger Data"));
        for (int r = 1; r <= kTrendRecords; ++r) monitor::setGridText(g, r, 0, QString::number(r));
    }
    cursorIndex_ = 0;
    cursorX_ = {0, 0};
    const QSignalBlocker block(optTrend_[0]);
    optTrend_[0]->setChecked(true); // the button shows the cursor the mouse moves
}

void TrendPage::showFirstTabs() { sstTrend_->setCurrentIndex(0); }

void TrendPage::drawPlotGrids() { picTrend_->drawGrid(); }

// --- the steps ----------------------------------------------------------------------------

void TrendPage::runStep(int16_t step) {
    auto& ticks = ctx_.page().Ticks;
    switch (step) {
    case TrendReadAll:
        ReadTrendSetup();
        ReadTrendAndAnalogInput();
        ticks.MinuteTicks = common::TickCounters::MinuteCap; // the first step-1 tick reads again
        break;
    case TrendReadStatus:
        if (ticks.MinuteTicks >= common::TickCounters::MinuteCap) {
            ReadTrendAndAnalogInput();
            ticks.MinuteTicks = 0;
        }
        break;
    case TrendStart:
    case TrendStop: startOrStop(step == TrendStart); break;
    case TrendDownload: LoadTrendLog(); break;
    case TrendSetupWrite: {
        // The download runs whether the write was done, declined or failed.
        const bool written = SetupTrend();
        ContextMeterLink(ctx_).wait(kTrendSetupWaitSeconds); // the meter restarts its logger
        LoadTrendLog(written);
        break;
    }
    case TrendSaveFile: SaveTLFile(); break;
    default: break;
    }
}

bool TrendPage::readSetupValues() {
    ContextMeterLink link(ctx_);
    const auto words = link.read(CmdTrendSetup, kTrendSetupRegister, 3);
    if (!words || words->size() < 3) return false;
    // A list item the person picked while the read waited stands; the others show the meter's.
    const TrendSetup s = decodeTrendSetup(*words, ctx_.app().meter.MeterVersion);
    setLists(s.interval, s.channel, s.mode, true);
    return true;
}

void TrendPage::ReadTrendSetup() {
    writes_.readShown([this] { return readSetupValues(); });
    ctx_.page().moveStep(TrendReadStatus);
}

void TrendPage::ReadTrendAndAnalogInput() {
    ContextMeterLink link(ctx_);
    // Both reads go out whatever the first one's outcome.
    if (const auto words = link.read(CmdTrendStatus, kTrendStatusRegister, kTrendStatusCount))
        if (const auto status = decodeTrendStatus(*words)) showStatus(*status);
    if (!trendHasAnalogInputs(ctx_.app().meter.MeterVersion)) return;
    const auto inputs = link.read(CmdTrendAnalogInput, kAnalogInputRegister, kAnalogInputCount);
    if (inputs && inputs->size() >= kAnalogInputCount) analogRanges_ = analogInputRanges(*inputs);
}

void TrendPage::showStatus(const TrendStatus& status) {
    // A person's click during the read comes first: this reply decides nothing
    // (no download, no caption) over it, and the next status read is shown instead.
    if (ctx_.page().askStanding()) return;
    const DateStyle style{ctx_.app().LocaleDateFormat, ctx_.app().LocaleDateSeparator};
    const TrendLog::StatusOutcome out = log_.onStatus(status, style, dateFormat_);
    cmdTrend_[1]->setText(trendRunCaption(status.running));
    cmdTrend_[1]->setProperty(kTag, status.running ? QStringLiteral("True") : QStringLiteral("False"));
    if (out.download) ctx_.page().moveStep(TrendDownload);
    if (out.empty) {
        ctx_.page().moveStep(TrendReadStatus);
        emptyChart();
    }
    showLabels();
}

void TrendPage::LoadTrendLog(bool afterSetupWrite) {
    common::PageState& page = ctx_.page();
    frame_->setEnabled(false);
    if (page.PageStep != TrendReadAll) page.moveStep(TrendDownloading);
    downloadRuns_ = true;
    // Right after a new set-up the status read before it no longer names the records' channel.
    const std::optional<TrendStatus> status = afterSetupWrite ? std::nullopt : log_.lastStatus();
    ContextMeterLink link(ctx_);
    log_.download(link, recordingFor(status, listChoices(), ctx_.app().meter.MeterVersion), ctx_.app().meter);
    downloadRuns_ = false;
    showRecords();
    DrawTrendChart();
    MoveTrendCursor();
    if (page.PageStep == TrendDownloading) page.moveStep(TrendReadStatus);
    frame_->setEnabled(true);
}

bool TrendPage::SetupTrend() {
    const auto v = writes_.take(TrendReadStatus, [this](const pages::FormValues&) { return readSetupValues(); });
    ctx_.page().moveStep(TrendReadStatus);
    if (!v) return false;
    auto& app = ctx_.app();
    app.ConfirmAnswer = 0;
    app.ConfirmAnswer = int16_t(common::confirmAction(kSetupTrendWords));
    if (app.ConfirmAnswer != common::AnswerYes) return false;
    auto& svc = ctx_.services();
    if (!(svc.Login && svc.Login()) || !app.LoginOk) return false;
    ContextMeterLink link(ctx_);
    const pages::PersonEditWatch edits(ctx_.page());
    const TrendSetup asked{std::max(0, v->index(cbTrend_[0])), std::max(0, v->index(cbTrend_[1])),
                           std::max(0, v->index(cbTrend_[2]))};
    if (!link.send(trendSetupFrame(link.address(), asked))) {
        pages::showWriteError(pages::setupContext(ctx_), kSetupTrendWords);
        return false;
    }
    ctx_.status().setPanelText(1, meterMessage(app.link.MeterAddress, kSetupTrendWords + QStringLiteral(" Ok!")));
    // A list picked while the frame went out is not read over.
    if (!edits.edited()) ctx_.page().moveStep(TrendReadAll);
    return true;
}

void TrendPage::startOrStop(bool start) {
    // The question names the coil the click chose: a status read that changed the
    // button's caption since must not make it ask for one command and send the other.
    const QString caption = trendRunCaption(!start);
    const uint16_t coil = start ? kTrendStartCoil : kTrendStopCoil;
    // Declined, refused, failed or done: the next tick reads set-up and status again,
    // unless a list was picked while the question or the coil waited.
    const pages::PersonEditWatch edits(ctx_.page());
    const bool done = pages::runConfirmedCoilCommand(pages::setupContext(ctx_), int16_t(coil), caption);
    if (edits.edited()) ctx_.page().moveStep(TrendReadStatus);
    if (!done) return;
    cmdTrend_[1]->setText(trendRunCaption(start));
    if (start) {
        log_.clearRecords(); // a started logger begins a new log
        showRecords();
    }
}

// --- files ----------------------------------------------------------------------------------

void TrendPage::SaveTLFile() {
    if (log_.downloadDue()) {
        // Records the count names are still to come from the meter: a file now
        // would keep them as empty lines.
        common::prompter().message(QStringLiteral("Warning"), kTrendSaveRefused, common::Icon::Exclamation,
                                   common::Buttons::Ok);
        ctx_.page().moveStep(TrendReadStatus);
        return;
    }
    const QString name = common::prompter().saveFileName(kSaveCaption, fileFilter(), QString());
    if (!name.isEmpty()) {
        picTrend_->setEnabled(false);
        cmdTrend_[2]->setEnabled(false);
        if (const auto error = common::saveLines(name, trendFileLines(log_, listChoices())))
            common::ReportError(kSaveTrendProc, error->number, error->message);
        else
            ctx_.status().setPanelText(1, meterMessage(ctx_.app().link.MeterAddress, kSaveTrendOkWords));
    }
    frame_->window()->setWindowTitle(config::mapWindowCaption(ctx_.app().meter.MeterModelText, name));
    picTrend_->setEnabled(true);
    cmdTrend_[2]->setEnabled(true);
    ctx_.page().moveStep(TrendReadStatus);
}

void TrendPage::OpenTrendFile() {
    const QString name = common::prompter().openFileName(kOpenCaption, fileFilter(), QString());
    if (name.isEmpty()) return;
    const TrendFileRead read =
        readTrendFile(name, cbTrend_[0]->count(), cbTrend_[1]->count(), cbTrend_[2]->count());
    if (read.status == TrendFileRead::Refused || read.status == TrendFileRead::Unreadable) {
        common::ReportError(kOpenTrendProc, read.error.number, read.error.message);
        return;
    }
    applyTrendFile(read, log_);
    if (read.headerRead) setLists(read.file.interval, read.file.channel, read.file.mode);
    showLabels();
    showRecords();
    if (read.status == TrendFileRead::Short) {
        common::beep();
        common::prompter().message(QStringLiteral("Warning"), kOpenTrendWarning, common::Icon::Stop,
                                   common::Buttons::Ok);
        return;
    }
    ctx_.status().setPanelText(1, QStringLiteral("Trend Log File : [") + name + QStringLiteral("]"));
    DrawTrendChart();
    MoveTrendCursor();
}

// --- buttons, chart and cursors ----------------------------------------------------------------

void TrendPage::cmdTrend_Click(int index) {
    common::PageState& page = ctx_.page();
    switch (index) {
    case 0: writes_.ask(TrendSetupWrite); break;
    case 1:
        // The command follows the caption the user read, which the question repeats.
        page.askStep(cmdTrend_[1]->text() == trendRunCaption(true) ? TrendStop : TrendStart);
        break;
    case 2:
        if (cmdTrend_[2]->text() == kSaveCaption) {
            page.askStep(TrendSaveFile);
            break;
        }
        // "Off Line" offers the file at once, while the meter is left only once the
        // exchange under way has ended: the file is opened after that, so that
        // leaving the meter cannot empty it again.
        ctx_.master().ops().runOrQueue(QStringLiteral("open trend file"), [this] {
            picTrend_->setEnabled(false);
            cmdTrend_[2]->setEnabled(false);
            OpenTrendFile();
            picTrend_->setEnabled(true);
            cmdTrend_[2]->setEnabled(true);
        });
        break;
    default: break;
    }
}

void TrendPage::optTrend_Click(int index) { cursorIndex_ = index & 1; }

bool TrendPage::downloading() const { return downloadRuns_ || ctx_.page().PageStep == TrendDownloading; }

void TrendPage::picTrend_Mouse(double x, bool leftButtonOnly) {
    const auto at = trendCursorClick(x, leftButtonOnly, downloading(), pointStep_, hsbTrendT_->value());
    if (!at) return;
    cursorX_[size_t(cursorIndex_)] = *at;
    MoveTrendCursor();
}

void TrendPage::scrolled() {
    if (downloading()) return;
    DrawTrendChart();
    MoveTrendCursor();
}

TrendView TrendPage::view() const {
    return {picTrend_->scaleWidth(), picTrend_->scaleHeight(), hsbTrendT_->value(), hsbTrendD_->value()};
}

void TrendPage::DrawTrendChart() {
    const TrendChart chart = trendChart(log_, view(), analogRanges_);
    if (!chart.drawn) return; // no records: the last curve stays
    pointStep_ = chart.pointStep;
    picTrend_->drawCurve(chart.lines);
}

void TrendPage::MoveTrendCursor() {
    const auto cursors = trendCursors(cursorX_, pointStep_, hsbTrendT_->value(), log_, dateFormat_);
    if (!cursors) return;
    for (int c = 0; c < 2; ++c) {
        const TrendCursorReadout& r = (*cursors)[size_t(c)];
        if (!r.moved) continue;
        picTrend_->setCursorX(c, r.lineX);
        labTrendD_[size_t(c)]->setText(r.value);
        labTrendD_[size_t(c + 2)]->setText(r.time);
    }
}

void TrendPage::emptyChart() {
    cursorX_ = {0, 0};
    for (int c = 0; c < 2; ++c) picTrend_->setCursorX(c, 0);
    for (QLabel* l : labTrendD_) l->clear();
    picTrend_->clearLayer();
}

// --- what the page shows of the store -------------------------------------------------------------

void TrendPage::showLabels() {
    labTrend_[0]->setText(log_.configText);
    labTrend_[1]->setText(log_.startText);
    labTrend_[2]->setText(log_.lengthText);
}

void TrendPage::showRecords() {
    for (QTableWidget* g : {gridTrend_, gridTrendData_}) g->setUpdatesEnabled(false);
    for (int r = 1; r <= kTrendRecords; ++r) {
        monitor::setGridText(gridTrend_, r, 1, log_.raw(r));
        monitor::setGridText(gridTrendData_, r, 1, log_.text(r));
    }
    for (QTableWidget* g : {gridTrend_, gridTrendData_}) g->setUpdatesEnabled(true);
}

void TrendPage::setLists(int interval, int channel, int mode, bool fromMeter) {
    common::PageState& page = ctx_.page();
    const bool refreshing = page.Refreshing;
    page.Refreshing = true;
    const int values[3] = {interval, channel, mode};
    for (int i = 0; i < 3; ++i) {
        QComboBox* c = cbTrend_[size_t(i)];
        if (fromMeter && page.ReadTap) page.ReadTap(c, values[i]);
        if (fromMeter && !pages::readMayFill(page, c)) continue;
        const QSignalBlocker block(c);
        c->setCurrentIndex(values[i] >= 0 && values[i] < c->count() ? values[i] : 0);
    }
    page.Refreshing = refreshing;
}

TrendSetup TrendPage::listChoices() const {
    return {std::max(0, cbTrend_[0]->currentIndex()), std::max(0, cbTrend_[1]->currentIndex()),
            std::max(0, cbTrend_[2]->currentIndex())};
}

void TrendPage::meterChanged() {
    // Nothing the page shows of the previous meter may pass for the new one's.
    log_.forget();
    showLabels();
    showRecords();
    emptyChart();
}

// --- installation ----------------------------------------------------------------------------------

void installTrendPage(shell::PageContext& ctx) {
    auto& page = static_cast<TrendPage&>(ctx.adoptPage(std::make_unique<TrendPage>(ctx)));
    shell::PageServices& svc = ctx.services();
    svc.InitTrendControls = [&page] { page.InitTrendControls(); };
    svc.SetTrendFileCaption = [&page](const QString& caption) { page.cmdTrend(2)->setText(caption); };
}

} // namespace records
