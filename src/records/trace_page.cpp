#include "records/trace_page.h"

#include "common/prompter.h"
#include "pages/confirmed_write.h"
#include "pages/controls.h"
#include "pages/entry_checks.h"
#include "link/modbus_master.h"
#include "records/context_meter_link.h"
#include "records/trace_plot_widget.h"
#include "shell/page_context.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>

namespace records {

// One store channel as its grid shows it: the sample numbers down the side and
// the samples, unsigned as the meter sent them, in the one column.
class TraceStoreModel : public QAbstractTableModel {
public:
    TraceStoreModel(const TraceStore& store, int channel) : store_(store), channel_(channel) {}
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : store_.samples(); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return store_.text(channel_, index.row() + 1);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) return {};
        return orientation == Qt::Vertical ? QVariant(section + 1) : QVariant(QString());
    }
    void refresh() {
        beginResetModel();
        endResetModel();
    }

private:
    const TraceStore& store_;
    int channel_;
};

namespace {

const char* const kChannelCaptions[kTraceChannels] = {"Ia", "Ib", "Ic", "V1", "V2", "V3"};
const char* const kCursorCaptions[4] = {"Cursor_VA1", "Cursor_VA2", "Cursor_ms1", "Cursor_ms2"};
const QString kLoadingText = QStringLiteral("Load Triggered To Memory Data ......");

void showError(const QString& text) {
    common::prompter().message(QStringLiteral("Error"), text, common::Icon::Stop, common::Buttons::Ok);
}

void setForeColour(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::ButtonText, c);
    w->setPalette(pal);
}

// A cursor's value as the hidden read-out labels hold it.
QString heldText(double v) { return QString::number(v, 'g', 15); }

} // namespace

TracePage::TracePage(shell::PageContext& ctx) : ctx_(ctx), writes_(pages::setupContext(ctx), frame_) { build(); }

TracePage::~TracePage() {
    // The main window deletes the frame it took in; a page never taken in owns it.
    delete frame_.data();
}

QWidget* TracePage::widget() { return frame_.data(); }

// --- controls ------------------------------------------------------------------------------------

void TracePage::build() {
    frame_ = new QGroupBox(QStringLiteral("Triggered To Memory"));
    frame_->setObjectName(QStringLiteral("frmProgram_13"));
    frame_->resize(530, 512);
    frame_->hide();

    sstTriggered_ = new QTabWidget(frame_);
    sstTriggered_->setObjectName(QStringLiteral("sstTriggered"));
    sstTriggered_->setGeometry(4, 18, 522, 490);
    auto* control = new QWidget;
    auto* trace = new QWidget;
    sstTriggered_->addTab(control, QStringLiteral("Control mode"));
    sstTriggered_->addTab(trace, QStringLiteral("Trace Memory"));
    buildControlTab(control);
    buildTraceTab(trace);
}

void TracePage::buildControlTab(QWidget* tab) {
    auto label = [&](int i, const QString& text, QWidget* parent, int x, int y, int w) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(QStringLiteral("labTrace_%1").arg(i));
        l->setGeometry(x, y, w, 20);
        labTrace_[size_t(i)] = l;
        return l;
    };
    auto combo = [&](int i, QWidget* parent, int x, int y, int w) {
        auto* c = new QComboBox(parent);
        c->setObjectName(QStringLiteral("cbTrace_%1").arg(i));
        c->setGeometry(x, y - 1, w, 22);
        cbTrace_[size_t(i)] = c;
        // A choice by the user marks the page modified; the memory usage also
        // shows its group frames, however it changes.
        pages::watchPersonEdits(ctx_.page(), c);
        if (i == 1)
            QObject::connect(c, &QComboBox::currentIndexChanged, frame_, [this] {
                syncStoreSize();
                ShowTraceTriggerFrames();
            });
        return c;
    };
    constexpr int kRow = 24, kLevelRow = 22;
    int y = 6;
    label(9, QStringLiteral("Trace Memory Mode : "), tab, 6, y, 140);
    combo(0, tab, 146, y, 110);
    label(10, QStringLiteral("Trace Memory Usage : "), tab, 262, y, 140);
    combo(1, tab, 402, y, 110);
    y += kRow;
    label(31, QStringLiteral("Waveform Selection : "), tab, 6, y, 140);
    combo(9, tab, 146, y, 130);
    label(32, QStringLiteral("Trigger Counter : "), tab, 300, y, 110);
    labTraceC_ = new QLabel(QStringLiteral("0"), tab);
    labTraceC_->setObjectName(QStringLiteral("labTraceC"));
    labTraceC_->setGeometry(410, y, 60, 20);
    y += kRow + 4;

    for (int i = 0; i <= 9; ++i) {
        label(i < 9 ? i : 18, traceFieldCaption(i), tab, 6, y, 214);
        auto* e = new QLineEdit(QStringLiteral("0"), tab);
        e->setObjectName(QStringLiteral("txtTrace_%1").arg(i));
        e->setGeometry(222, y, 56, 21);
        txtTrace_[size_t(i)] = e;
        pages::watchPersonEdits(ctx_.page(), e);
        pages::watchField(e, [this, i] { txtTrace_LostFocus(i); });
        const int hint = i < 9 ? 20 + i : 19;
        const QString hintText = i < 3 ? QStringLiteral("100% = 5A  (0=Off)")
                                 : i < 9 ? QStringLiteral("100% = 500V  (0=Off)")
                                         : QStringLiteral("0 - 30 Cycles");
        label(hint, hintText, tab, 286, y, 150);
        y += kLevelRow;
    }

    // The digital-input triggers, three to a row, each caption above its list.
    auto* inputs = new QGroupBox(tab);
    inputs->setObjectName(QStringLiteral("frmTM_4"));
    inputs->setGeometry(4, y + 2, 508, 134);
    frmTM_[4] = inputs;
    for (int j = 0; j < 7; ++j) {
        const int x = 6 + (j % 3) * 168, yy = 4 + (j / 3) * 42;
        label(11 + j, QStringLiteral("Digital Input %1 Trigger : ").arg(j + 1), inputs, x, yy, 160);
        combo(2 + j, inputs, x, yy + 20, 150);
    }
    y += 140;

    cmdTM_ = new QPushButton(QStringLiteral("Setup"), tab);
    cmdTM_->setObjectName(QStringLiteral("cmdTM"));
    cmdTM_->setGeometry(6, y, 110, 26);
    QObject::connect(cmdTM_, &QPushButton::clicked, frame_, [this] { cmdTM_Click(); });
    cmdTMC_ = new QPushButton(QStringLiteral("Reset Trigger Counter"), tab);
    cmdTMC_->setObjectName(QStringLiteral("cmdTMC"));
    cmdTMC_->setGeometry(124, y, 180, 26);
    QObject::connect(cmdTMC_, &QPushButton::clicked, frame_, [this] { cmdTMC_Click(); });
}

void TracePage::buildTraceTab(QWidget* tab) {
    for (int g = 0; g < kTraceGroups; ++g) {
        auto* f = new QGroupBox(tab);
        f->setObjectName(QStringLiteral("frmTM_%1").arg(g));
        f->setGeometry(1 + g * 129, 0, 128, 118); // the tab's whole width in quarters
        frmTM_[size_t(g)] = f;
        auto* b = new QPushButton(traceGroupCaption(g, false), f);
        b->setObjectName(QStringLiteral("cmdTrace_%1").arg(g));
        b->setGeometry(3, 4, 120, 23);
        QObject::connect(b, &QPushButton::clicked, frame_, [this, g] { cmdTrace_Click(g); });
        cmdTrace_[size_t(g)] = b;
        auto* causes = new QComboBox(f);
        causes->setObjectName(QStringLiteral("cbTraceW_%1").arg(g));
        causes->setGeometry(3, 28, 120, 21);
        cbTraceW_[size_t(g)] = causes;
        // The trigger time and date on one line, a point smaller so that it fits the
        // group's quarter of the page; then the value and the frequency.
        static const int tops[3] = {52, 72, 90};
        for (int k = 0; k < 3; ++k) {
            const int i = g + 2 + 4 * k;
            auto* l = new QLabel(f);
            l->setObjectName(QStringLiteral("labTraceW_%1").arg(i));
            l->setGeometry(1, tops[k], 126, 18);
            l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            if (k == 0) {
                QFont small = l->font();
                small.setPointSizeF(small.pointSizeF() - 1);
                l->setFont(small);
            }
            labTraceW_[size_t(i)] = l;
        }
    }

    sstTrace0_ = new QTabWidget(tab);
    sstTrace0_->setObjectName(QStringLiteral("sstTrace_0"));
    sstTrace0_->setGeometry(0, 120, 516, 342);
    auto* view = new QWidget;
    auto* data = new QWidget;
    sstTrace0_->addTab(view, QStringLiteral("Trace"));
    sstTrace0_->addTab(data, QStringLiteral("Data"));
    buildViewTab(view);
    buildDataTab(data);

    label1_ = new QLabel(kLoadingText, tab);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(sstTrace0_->geometry());
    label1_->setAlignment(Qt::AlignCenter);
    label1_->hide();
}

void TracePage::buildViewTab(QWidget* tab) {
    hsbTraceT_ = new QScrollBar(Qt::Horizontal, tab);
    hsbTraceT_->setObjectName(QStringLiteral("hsbTraceT"));
    picTrace_ = new TracePlotWidget(tab);
    picTrace_->move(4, 20);
    hsbTraceT_->setGeometry(4, 3, picTrace_->width(), 15);
    vsbTrace_ = new QScrollBar(Qt::Vertical, tab);
    vsbTrace_->setObjectName(QStringLiteral("vsbTrace"));
    vsbTrace_->setGeometry(picTrace_->geometry().right() + 2, 20, 15, picTrace_->height());
    hsbTrace_ = new QScrollBar(Qt::Horizontal, tab);
    hsbTrace_->setObjectName(QStringLiteral("hsbTrace"));
    hsbTrace_->setGeometry(4, picTrace_->geometry().bottom() + 3, picTrace_->width(), 15);
    // Each acts when its value has changed, not while its thumb is dragged.
    auto setUp = [](QScrollBar* s, int max, int value) {
        s->setTracking(false);
        s->setRange(0, max);
        s->setSingleStep(1);
        s->setPageStep(10);
        s->setValue(value);
    };
    setUp(hsbTrace_, 300, 0);
    setUp(hsbTraceT_, 300, 0);
    setUp(vsbTrace_, 400, 200);
    QObject::connect(hsbTrace_, &QScrollBar::valueChanged, frame_, [this] { hsbTrace_Change(); });
    QObject::connect(hsbTraceT_, &QScrollBar::valueChanged, frame_, [this] { hsbTraceT_Change(); });
    QObject::connect(vsbTrace_, &QScrollBar::valueChanged, frame_, [this] { vsbTrace_Change(); });
    QObject::connect(picTrace_, &TracePlotWidget::dragged, frame_,
                     [this](double x, double y) { picTrace_MouseMove(x, y); });

    const int right = vsbTrace_->geometry().right() + 6;
    const QColor buttonText = QApplication::palette().color(QPalette::ButtonText);
    for (int ch = 0; ch < kTraceChannels; ++ch) {
        auto* box = new QCheckBox(QString::fromLatin1(kChannelCaptions[ch]), tab);
        box->setObjectName(QStringLiteral("chkTM_%1").arg(ch));
        box->setGeometry(right + (ch / 3) * 50, 20 + (ch % 3) * 20, 48, 20);
        setForeColour(box, traceChannelColor(ch, buttonText));
        QObject::connect(box, &QCheckBox::clicked, frame_, [this] { chkTM_Click(); });
        chkTM_[size_t(ch)] = box;
    }
    for (int i = 0; i < 4; ++i) {
        auto* opt = new QRadioButton(QString::fromLatin1(kCursorCaptions[i]), tab);
        opt->setObjectName(QStringLiteral("optCursor_%1").arg(i));
        opt->setGeometry(right, 90 + i * 20, 104, 20);
        QObject::connect(opt, &QRadioButton::clicked, frame_, [this, i] { optCursor_Click(i); });
        optCursor_[size_t(i)] = opt;
    }
    optCursor_[0]->setChecked(true);
    for (int i = 0; i < 9; ++i) {
        auto* l = new QLabel(QStringLiteral("0"), tab);
        l->setObjectName(QStringLiteral("labCursor_%1").arg(i));
        labCursor_[size_t(i)] = l;
        if (i < 6) {
            l->hide(); // each cursor's own value, read back by the differences
            continue;
        }
        l->setGeometry(right, 178 + (i - 6) * 24, 106, 22);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setAlignment(Qt::AlignCenter);
    }
    showCursors();
    for (int i = 33; i <= 34; ++i) {
        auto* l = new QLabel(tab);
        l->setObjectName(QStringLiteral("labTrace_%1").arg(i));
        l->setGeometry(right, 256 + (i - 33) * 20, 106, 20);
        labTrace_[size_t(i)] = l;
    }
}

void TracePage::buildDataTab(QWidget* tab) {
    auto label = [&](const QString& name, const QString& text, int x, int w) {
        auto* l = new QLabel(text, tab);
        l->setObjectName(name);
        l->setGeometry(x, 4, w, 20);
        return l;
    };
    labTrace_[29] = label(QStringLiteral("labTrace_29"), QStringLiteral("Select Parameter : "), 6, 120);
    labTraceW_[0] = label(QStringLiteral("labTraceW_0"), QString(), 126, 130);
    labTrace_[30] = label(QStringLiteral("labTrace_30"), QStringLiteral("Scale Gain : "), 270, 90);
    labTraceW_[1] = label(QStringLiteral("labTraceW_1"), QString(), 360, 100);

    sstTrace1_ = new QTabWidget(tab);
    sstTrace1_->setObjectName(QStringLiteral("sstTrace_1"));
    sstTrace1_->setGeometry(2, 28, 506, 292);
    for (int ch = 0; ch < kTraceChannels; ++ch) {
        auto* grid = new QTableView;
        grid->setObjectName(QStringLiteral("gridTrace_%1").arg(ch));
        models_[size_t(ch)] = std::make_unique<TraceStoreModel>(store_, ch);
        grid->setModel(models_[size_t(ch)].get());
        grid->verticalHeader()->setDefaultSectionSize(18);
        grid->verticalHeader()->setMinimumWidth(48);
        grid->horizontalHeader()->setStretchLastSection(true);
        grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        sstTrace1_->addTab(grid, QString::fromLatin1(kChannelCaptions[ch]));
        gridTrace_[size_t(ch)] = grid;
    }
}

// --- initialiser -----------------------------------------------------------------------------------

void TracePage::init() {
    cursors_.selected = 0;
    auto fill = [](QComboBox* c, const QStringList& items, int index) {
        c->clear();
        c->addItems(items);
        c->setCurrentIndex(index);
    };
    fill(cbTrace_[0], traceModeItems(), 0);
    fill(cbTrace_[1], traceUsageItems(TraceGeneration::First), 2);
    for (int j = 2; j <= 8; ++j) fill(cbTrace_[size_t(j)], traceInputItems(), 0);
    fill(cbTrace_[9], traceSelectionItems(), 0);
    store_.resize(traceStoreSamples(TraceGeneration::First));
    refreshGrids();
}

void TracePage::showFirstTabs() {
    sstTriggered_->setCurrentIndex(0);
    sstTrace0_->setCurrentIndex(0);
    sstTrace1_->setCurrentIndex(0);
}

TraceGeneration TracePage::generation() const { return traceGeneration(ctx_.app().meter.MeterVersion); }

int TracePage::usage() const { return cbTrace_[1]->currentIndex(); }

void TracePage::syncStoreSize() {
    const int samples = traceStoreSamples(generation());
    if (store_.samples() == samples) return;
    store_.resize(samples);
    refreshGrids();
}

void TracePage::refreshGrids() {
    for (auto& m : models_)
        if (m) m->refresh();
}

void TracePage::meterChanged() {
    clearMarks();
    setupReadDue_ = false;
}

void TracePage::clearMarks() { marks_.fill(false); }

// --- step machine ------------------------------------------------------------------------------------

void TracePage::runStep(int16_t step) {
    switch (step) {
    case TraceReadSetup: ReadTraceSetup(); break;
    case TraceWriteSetup: WriteTraceSetup(); break;
    case TraceLoadGroup0:
    case TraceLoadGroup0 + 1:
    case TraceLoadGroup0 + 2:
    case TraceLoadGroup0 + 3: LoadTraceGroup(step - TraceLoadGroup0); break;
    case TraceReset: ResetTraceMemory(); break;
    case TracePoll: {
        if (setupReadDue_) {
            ReadTraceSetup();
            break;
        }
        auto& ticks = ctx_.page().Ticks;
        if (ticks.TraceTicks >= common::TickCounters::TraceCap && PollTraceStatus()) ticks.TraceTicks = 0;
        break;
    }
    default: break;
    }
}

bool TracePage::readSetupValues() {
    common::PageState& page = ctx_.page();
    ContextMeterLink link(ctx_);
    // An edit the person makes while the read waits marks the page modified and
    // stands: the reply fills every other control and leaves that one.
    const auto words = link.read(CmdTraceSetup, kTraceSetupRegister, kTraceSetupCount);
    const auto setup = words ? decodeTraceSetup(*words) : std::nullopt;
    if (!setup) return false;
    page.Refreshing = true;
    ShowTraceSetup(*setup);
    page.Refreshing = false;
    return true;
}

void TracePage::ReadTraceSetup() {
    setupReadDue_ = false;
    common::PageState& page = ctx_.page();
    page.SetupModified = false;
    writes_.readShown([this] { return readSetupValues(); });
    page.moveStep(TracePoll);
}

void TracePage::ShowTraceSetup(const TraceSetup& s) {
    const common::PageState& page = ctx_.page();
    using pages::controls::showRead;
    showRead(page, cbTrace_[0], s.mode);
    showRead(page, cbTrace_[1], s.usage);
    ShowTraceTriggerFrames();
    for (size_t i = 0; i < kTraceLevels; ++i) showRead(page, txtTrace_[i], s.levels[i]);
    for (size_t j = 0; j < 7; ++j) showRead(page, cbTrace_[j + 2], s.inputs[j]);
    showRead(page, cbTrace_[9], s.selection);
    labTraceW_[0]->setText(cbTrace_[9]->currentText());
}

void TracePage::ShowTraceTriggerFrames() {
    const int u = usage();
    if (const auto shown = traceGroupFrames(u))
        for (size_t g = 0; g < kTraceGroups; ++g) frmTM_[g]->setVisible((*shown)[g]);
    if (const auto max = traceTimeScrollMax(generation(), u)) hsbTraceT_->setMaximum(*max);
}

void TracePage::WriteTraceSetup() {
    common::PageState& page = ctx_.page();
    shell::AppState& app = ctx_.app();
    const auto v = writes_.take(TracePoll, [this](const pages::FormValues&) { return readSetupValues(); });
    page.moveStep(TracePoll);
    if (!v) return;
    // The levels are checked before anything is asked, so nothing is asked that could not be sent.
    std::array<QString, kTraceLevels> texts;
    for (size_t i = 0; i < kTraceLevels; ++i) texts[i] = v->text(txtTrace_[i]);
    const TraceLevelWords levels = encodeTraceLevels(texts);
    if (!levels.words) {
        showError(levels.refusal);
        return;
    }
    app.ConfirmAnswer = 0;
    app.ConfirmAnswer = int16_t(common::confirmAction(QStringLiteral("Setting Triggered To Memory")));
    if (app.ConfirmAnswer != common::AnswerYes) {
        page.moveStep(TraceReadSetup); // read again: the edits are dropped
        return;
    }
    const bool loggedIn = ctx_.services().Login ? ctx_.services().Login() : false;
    if (!loggedIn || !app.LoginOk) return;

    const pages::SetupContext setup = pages::setupContext(ctx_);
    const pages::PersonEditWatch edits(page);
    ContextMeterLink link(ctx_);
    if (!link.send(traceSetupFrame1(link.address(), std::max(0, v->index(cbTrace_[0])),
                                    std::max(0, v->index(cbTrace_[1])), *levels.words))) {
        pages::showWriteError(setup, kTraceSetupWords + QStringLiteral(" (1)"));
        return;
    }
    std::array<int, 7> inputs{};
    for (size_t j = 0; j < 7; ++j) inputs[j] = std::max(0, v->index(cbTrace_[j + 2]));
    if (!link.send(traceSetupFrame2(link.address(), inputs))) {
        pages::showWriteError(setup, kTraceSetupWords + QStringLiteral(" (2)"));
        return;
    }
    ctx_.status().setPanelText(1, meterMessage(app.link.MeterAddress, kTraceSetupWords + QStringLiteral(" Ok!")));
    // An edit made while the frames went out is not read over: it stays, marked, for a
    // write of its own.
    if (edits.edited()) return;
    // A group button pressed during the write goes first; the read-back follows it.
    if (!page.moveStep(TraceReadSetup)) setupReadDue_ = true;
}

void TracePage::ResetTraceMemory() {
    pages::runConfirmedCoilCommand(pages::setupContext(ctx_), kTraceResetCoil, kTraceResetWords);
    ctx_.page().moveStep(TracePoll);
}

bool TracePage::PollTraceStatus() {
    ContextMeterLink link(ctx_);
    const auto words = link.read(CmdTraceStatus, kTraceHeaderRegister, kTraceHeaderCount);
    const auto status = words ? decodeTraceHeader(*words) : std::nullopt;
    if (status) ShowTraceStatus(*status);
    return status.has_value();
}

void TracePage::applyCounter(int counter) {
    const TraceCounterUpdate u = traceCounterUpdate(counter, labTraceC_->text(), usage());
    if (!u.changed) return;
    for (size_t g = 0; g < kTraceGroups; ++g)
        if (u.clearMark[g]) marks_[g] = false;
    labTraceC_->setText(u.caption);
}

void TracePage::ShowTraceStatus(const TraceHeader& status) {
    applyCounter(status.counter);
    labTraceW_[1]->setText(traceGainText(status.gain));
}

void TracePage::ShowTraceHeader(int group, const TraceHeader& h) {
    applyCounter(h.counter);
    const size_t g = size_t(std::clamp(group, 0, kTraceGroups - 1));
    const TraceGroupRecord& r = h.groups[g];
    cbTraceW_[g]->clear();
    cbTraceW_[g]->addItems(traceCauseItems(r.causes));
    if (cbTraceW_[g]->count() > 0) cbTraceW_[g]->setCurrentIndex(0);
    const shell::AppState& app = ctx_.app();
    labTraceW_[g + 2]->setText(traceTriggerTimeText(r.stamp, DateStyle{app.LocaleDateFormat, app.LocaleDateSeparator}));
    labTraceW_[g + 6]->setText(QString::number(r.value));
    if (const auto period = traceSamplePeriod(r.frequencyRaw)) samplePeriod_ = *period;
    labTraceW_[g + 10]->setText(traceFrequencyText(r.frequencyRaw));
    if (const auto text = traceSelectionText(h.selection)) labTraceW_[0]->setText(*text);
    labTraceW_[1]->setText(traceGainText(h.gain));
}

TraceLoadResult TracePage::LoadTraceGroup(int group) {
    common::PageState& page = ctx_.page();
    // Back to polling afterwards; a button pressed during the load sets its own step.
    page.moveStep(TracePoll);
    if (group != shownGroup_) return TraceLoadResult::NotChosen;
    syncStoreSize();

    for (int g = 0; g < kTraceGroups; ++g) frmTM_[size_t(g)]->setEnabled(false);
    label1_->show();
    sstTrace0_->hide();
    picTrace_->clearTraces();

    ContextMeterLink link(ctx_);
    TraceLoadHooks hooks;
    hooks.header = [this, group](const TraceHeader& h) { ShowTraceHeader(group, h); };
    hooks.channelStored = [this](int channel) {
        if (chkTM_[size_t(channel)]->isChecked()) plotChannel(channel);
    };
    const TraceLoadResult result =
        loadTraceGroup(link, store_, generation(), usage(), group, shownGroup_, marks_, hooks);
    refreshGrids();
    // Told to end ("Off Line", another meter, "Exit"): nothing more to say to that meter.
    if (result == TraceLoadResult::Failed && link.carryOn())
        showError(traceLoadErrorText(ctx_.app().link.MeterAddress, group));

    vsbTrace_Change();
    sstTrace0_->show();
    label1_->hide();
    for (int g = 0; g < kTraceGroups; ++g) frmTM_[size_t(g)]->setEnabled(true);
    return result;
}

// --- buttons and entries -----------------------------------------------------------------------------

void TracePage::cmdTM_Click() {
    clearMarks();
    writes_.ask(TraceWriteSetup);
}

void TracePage::cmdTMC_Click() { ctx_.page().askStep(TraceReset); }

void TracePage::txtTrace_LostFocus(int index) {
    QLineEdit* field = txtTrace_[size_t(index)];
    if (const auto refusal = checkTraceEntry(index, field->text())) {
        showError(refusal->message);
        if (refusal->resetToZero) field->setText(QStringLiteral("0"));
    }
}

void TracePage::cmdTrace_Click(int n) {
    if (n < 0 || n >= kTraceGroups) return;
    if (QWidget* sink = frame_->window()->findChild<QWidget*>(QStringLiteral("cmdSetFocus"))) sink->setFocus();
    ctx_.status().setPanelText(1, QString());
    picTrace_->clearTraces();
    for (int i = 0; i < kTraceGroups; ++i) cmdTrace_[size_t(i)]->setText(traceGroupCaption(i, i == n));
    shownGroup_ = n;
    if (marks_[size_t(n)]) {
        for (int ch = 0; ch < kTraceChannels; ++ch)
            if (chkTM_[size_t(ch)]->isChecked()) plotChannel(ch);
        return;
    }
    // The group's mark is set when its load starts at the next tick.
    const common::MeterState& meter = ctx_.app().meter;
    voltageScale_ = traceVoltageScale(meter.PtRatio);
    currentScale_ = traceCurrentScale(meter.CtRatio);
    labTrace_[33]->setText(traceRatioText(QStringLiteral("PT : "), meter.PtRatio));
    labTrace_[34]->setText(traceRatioText(QStringLiteral("CT : "), meter.CtRatio));
    ctx_.page().askStep(int16_t(TraceLoadGroup0 + n));
}

// --- the view ----------------------------------------------------------------------------------------

void TracePage::redraw() {
    picTrace_->clearTraces();
    for (int ch = 0; ch < kTraceChannels; ++ch)
        if (chkTM_[size_t(ch)]->isChecked()) plotChannel(ch);
}

void TracePage::plotChannel(int channel) {
    const TraceGeneration gen = generation();
    const int u = usage();
    if (const auto xs = traceXScale(gen, u, TracePlotWidget::kScaleWidth, hsbTrace_->value())) xScale_ = *xs;
    yScale_ = traceYScale(vsbTrace_->value());
    TracePlotInput in;
    in.gen = gen;
    in.usage = u;
    for (int g = 0; g < kTraceGroups; ++g) in.groupShown[size_t(g)] = g == shownGroup_ && !frmTM_[size_t(g)]->isHidden();
    in.timeOffset = hsbTraceT_->value();
    in.xScale = xScale_;
    in.yScale = yScale_;
    picTrace_->addTrace(tracePlotLines(store_, channel, in),
                        chkTM_[size_t(channel)]->palette().color(QPalette::WindowText));
}

void TracePage::chkTM_Click() { redraw(); }

void TracePage::hsbTraceT_Change() { redraw(); }

void TracePage::hsbTrace_Change() {
    redraw();
    cursors_.rereadTime(cursorScales());
    showCursors();
}

void TracePage::vsbTrace_Change() {
    redraw();
    cursors_.rereadValues(cursorScales());
    showCursors();
}

// --- cursors -----------------------------------------------------------------------------------------

TraceCursorScales TracePage::cursorScales() const {
    TraceCursorScales s;
    s.xScale = xScale_;
    s.yScale = yScale_;
    s.samplePeriod = samplePeriod_;
    s.voltageScale = voltageScale_;
    s.currentScale = currentScale_;
    s.timeOffset = hsbTraceT_->value();
    return s;
}

void TracePage::optCursor_Click(int index) { cursors_.selected = index; }

void TracePage::picTrace_MouseMove(double x, double y) {
    cursors_.drag(x, y, cursorScales());
    showCursors();
}

void TracePage::showCursors() {
    picTrace_->setCursorLines(cursors_.position);
    for (size_t i = 0; i < 6; ++i) labCursor_[i]->setText(heldText(cursors_.held[i]));
    labCursor_[6]->setText(cursors_.currentText);
    labCursor_[7]->setText(cursors_.voltageText);
    labCursor_[8]->setText(cursors_.timeText);
}

// --- installer ---------------------------------------------------------------------------------------

void installTracePage(shell::PageContext& ctx) {
    if (ctx.page(TracePageIndex)) return; // installed once per program
    ctx.adoptPage(std::make_unique<TracePage>(ctx));
}

} // namespace records
