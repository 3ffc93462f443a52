#include "shell/main_form.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "link/modbus_master.h"
#include "link/serial_settings.h"
#include "platform/taskbar.h"
#include "shell/page.h"
#include "shell/page_select.h"
#include "shell/status_panels.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <exception>
#include <vector>

namespace shell {

namespace {

constexpr int T = MainForm::TwipsPerPixel;

// Design positions and sizes in twips.
constexpr int kGroupTop = 120, kAddressTop = 2160, kProgramLeft = 840, kPageLeft = 3000, kPageTop = 120;
constexpr int kLeftWidth = 840, kProgramWidth = 2100, kPageWidth = 7950, kPanelBottom = 7800;
constexpr int kFunctionLeft = 11040, kFunctionTop = 240, kFunctionPitch = 600;
constexpr int kFunctionWidth = 780, kFunctionHeight = 495;
constexpr int kScrollBarTwips = 255;
constexpr int kStatusBarTwips = 255;
constexpr int kOptionTop = 240, kOptionPitch = 315, kOptionHeight = 300;
constexpr int kProgramBottom = 7960, kAddressBoxTop = 7500; // the address box row under the page menu

const QColor kSelectedColour(255, 255, 0); // yellow marks the shown page

void setTopTwips(QWidget* w, int top) { w->move(w->x(), px(top)); }
void setLeftTwips(QWidget* w, int left) { w->move(px(left), w->y()); }

// Runs one statement of a handler whose statements stand alone: a failure skips it.
template <typename F>
void statement(F&& f) {
    try {
        f();
    } catch (...) {
    }
}

bool callProc(const Proc& p) {
    if (!p) return false;
    p();
    return true;
}

} // namespace

const std::array<QString, 27>& MainForm::pageCaptions() {
    static const std::array<QString, 27> captions{
        "Instant measurement", "Max./Min. Log", "Essential Property", "Setpoint Parameter", "Analog Input",
        "Analog Output", "Digital Input", "Pulse Output", "Time Of Use", "Demand", "Clock", "Trend Log",
        "Event Log", "Triggered To Memory", "Waveform Capture", "Control Relay", "User Map", "Preset and Reset",
        "", "Pulse LED", "Display Scan", "Harmonic", "System Function", "", "", "Time Of Use", "Simulation"};
    return captions;
}

const std::array<int16_t, 23>& MainForm::menuOrder() {
    static const std::array<int16_t, 23> order{0, 1, 9, 2, 10, 12, 11, 14, 21, 8, 16, 17,
                                               19, 20, 26, 5, 7, 15, 3, 6, 4, 13, 22};
    return order;
}

MainForm::ScrollRanges MainForm::scrollRanges(int innerWidthTwips, int innerHeightTwips, int twipsPerPixelX,
                                              int twipsPerPixelY) {
    ScrollRanges r;
    if (twipsPerPixelX > 0)
        r.vertical = qRound(double(DesignHeightTwips - (innerHeightTwips - kScrollBarTwips)) / twipsPerPixelX);
    if (twipsPerPixelY > 0)
        r.horizontal = qRound(double(DesignWidthTwips - (innerWidthTwips - kScrollBarTwips)) / twipsPerPixelY);
    r.vertical = std::max(r.vertical, 0);
    r.horizontal = std::max(r.horizontal, 0);
    return r;
}

QPoint MainForm::contentsPosition(QSize screen, int availableTop, int frameTop) {
    const int left = (screen.width() * T - DesignWidthTwips) / 2 / T;
    return QPoint(left, std::max(px(-20), availableTop + frameTop));
}

MainForm::MainForm(rtu::LinkState& link, common::MeterState& meter, common::PageState& page,
                   common::DataLogSet& logs, rtu::ModbusMaster& master, PageServices& services,
                   MainFormOptions options, QWidget* parent)
    : QMainWindow(parent), link_(link), meter_(meter), page_(page), logs_(logs), master_(master), svc_(services),
      options_(options), scheduler_(link, meter, page, logs, master, services) {
    setWindowTitle(MainCaption);
    buildControls();

    auto& host = scheduler_.host();
    host.setCaption = [this](const QString& caption) { setWindowTitle(caption); };
    host.openCommSettings = [this] { openCommSettings(); };
    host.afterHousekeeping = [this] { serveCommRequest(); };
    host.pageShown = [this] { return pageShown_; };
    host.choosePage = [this](int16_t index) {
        selectOption(index, true);
        optProgram_Click(index);
    };
    scheduler_.setPickers(dtpDate_, dtpTime_);
    // "Comm" waits for the link: it is served as soon as the last operation has ended.
    connect(&master_.ops(), &rtu::LinkOperations::idle, this, [this] { serveCommRequest(); }, Qt::QueuedConnection);
}

MainForm::~MainForm() {
    disconnect(focusWatch_);
    if (parked_) parked_->removeEventFilter(this);
    scheduler_.shutdown();
    // The window's own teardown still sends focus and close events: helpers that
    // watch its controls let go now, before the window is half destroyed.
    emit tearingDown();
}

rtu::StatusSink& MainForm::status() { return master_.status(); }

void MainForm::buildControls() {
    central_ = new QWidget(this);
    setCentralWidget(central_);
    resize(px(DesignWidthTwips), px(DesignHeightTwips));

    if (auto* panels = dynamic_cast<StatusPanels*>(&master_.status())) panels->attach(statusBar());
    statusBar()->setFixedHeight(px(kStatusBarTwips) + 4);

    const char* frameCaptions[3] = {"Group", "Address", "Program"};
    for (int i = 0; i < 3; ++i) {
        frame1_[size_t(i)] = new QGroupBox(frameCaptions[i], central_);
        frame1_[size_t(i)]->setObjectName(QStringLiteral("Frame1_%1").arg(i));
    }
    placeTwips(frame1_[0], 0, kGroupTop, kLeftWidth, kAddressTop - kGroupTop - 60);
    placeTwips(frame1_[1], 0, kAddressTop, kLeftWidth, kPanelBottom - kAddressTop);
    // The page menu's frame reaches below the others: the address box sits under the menu.
    placeTwips(frame1_[2], kProgramLeft, kGroupTop, kProgramWidth, kProgramBottom - kGroupTop);
    frame1_[2]->setProperty("tag", QStringLiteral("0"));

    // The meter address box: three digits.
    txtAddress_ = new QLineEdit(frame1_[2]);
    txtAddress_->setObjectName(QStringLiteral("txtAddress"));
    txtAddress_->setMaxLength(3);
    placeTwips(txtAddress_, 90, kAddressBoxTop, 600, 300);

    for (int i = 0; i < 27; ++i) {
        auto* frame = new QGroupBox(pageCaptions()[size_t(i)], central_);
        frame->setObjectName(QStringLiteral("frmProgram_%1").arg(i));
        placeTwips(frame, kPageLeft, kPageTop, kPageWidth, kPanelBottom - kPageTop);
        frame->hide();
        frmProgram_[size_t(i)] = frame;

        auto* opt = new QPushButton(pageCaptions()[size_t(i)], frame1_[2]);
        opt->setObjectName(QStringLiteral("optProgram_%1").arg(i));
        opt->setCheckable(true);
        opt->hide(); // only the menu's options are shown, below
        connect(opt, &QPushButton::clicked, this, [this, i] { optionClicked(i); });
        optProgram_[size_t(i)] = opt;
    }
    for (size_t k = 0; k < menuOrder().size(); ++k) {
        QPushButton* opt = optProgram_[size_t(menuOrder()[k])];
        placeTwips(opt, 45, kOptionTop + int(k) * kOptionPitch, kProgramWidth - 90, kOptionHeight);
        opt->show();
    }

    frmSetup_ = new QGroupBox(QStringLiteral("Setup"), central_);
    frmSetup_->setObjectName(QStringLiteral("frmSetup"));
    placeTwips(frmSetup_, kPageLeft, kPageTop, kPageWidth, kPanelBottom - kPageTop);
    frmSetup_->hide();
    cbBaudRate_ = new QComboBox(frmSetup_);
    cbBaudRate_->setObjectName(QStringLiteral("cbBaudRate"));
    placeTwips(cbBaudRate_, 240, 600, 1200, 315);

    const char* functionCaptions[3] = {"Exit", "Comm", "Off Line"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(functionCaptions[i], central_);
        b->setObjectName(QStringLiteral("cmdFunction_%1").arg(i));
        placeTwips(b, kFunctionLeft, kFunctionTop + kFunctionPitch * i, kFunctionWidth, kFunctionHeight);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdFunction_Click(i); });
        cmdFunction_[size_t(i)] = b;
    }
    cmdFunction_[2]->hide(); // shown once a meter is selected

    // Out of sight but able to hold the focus: the focus of a control that an
    // operation disables or hides waits here (see focusNextPrevChild).
    cmdSetFocus_ = new QPushButton(QStringLiteral("SetFocus"), central_);
    cmdSetFocus_->setObjectName(QStringLiteral("cmdSetFocus"));
    placeTwips(cmdSetFocus_, 0, 9000, 780, 300);
    cmdSetFocus_->setFocusPolicy(Qt::ClickFocus); // no stop of Tab's
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this,
                          [this](QWidget* old, QWidget* now) { focusMoved(old, now); });

    // The clock pickers belong to the clock page; the housekeeping tick keeps them
    // on the PC time from the start.
    auto picker = [this](const char* name, const QString& format) {
        auto* p = new QDateTimeEdit(central_);
        p->setObjectName(QString::fromLatin1(name));
        p->setDisplayFormat(format);
        p->hide();
        return p;
    };
    dtpDate_ = picker("dtpDate", QStringLiteral("yyyy/MM/dd"));
    dtpTime_ = picker("dtpTime", QStringLiteral("HH:mm:ss"));
    dtpBattery_ = picker("dtpBattery", QStringLiteral("yyyy/MM/dd"));

    vScroll_ = new QScrollBar(Qt::Vertical, central_);
    vScroll_->setObjectName(QStringLiteral("VScroll1"));
    hScroll_ = new QScrollBar(Qt::Horizontal, central_);
    hScroll_->setObjectName(QStringLiteral("HScroll1"));
    vScroll_->hide();
    hScroll_->hide();
    // Dragging moves the content continuously; the final change moves it once more.
    connect(vScroll_, &QScrollBar::valueChanged, this, [this] { ScrollFramesVertical(); });
    connect(vScroll_, &QScrollBar::sliderMoved, this, [this] { ScrollFramesVertical(); });
    connect(hScroll_, &QScrollBar::valueChanged, this, [this] { ScrollFramesHorizontal(); });
    connect(hScroll_, &QScrollBar::sliderMoved, this, [this] { ScrollFramesHorizontal(); });
}

// --- pages ----------------------------------------------------------------------------------

void MainForm::registerPage(Page& page) {
    const int i = page.index();
    if (i < 0 || i >= 27) return;
    pages_[size_t(i)] = &page;
    scheduler_.registerPage(page);
    if (QWidget* w = page.widget(); w && w != frmProgram_[size_t(i)]) {
        QWidget* placeholder = frmProgram_[size_t(i)];
        w->setParent(central_);
        w->setGeometry(placeholder->geometry());
        w->setVisible(!placeholder->isHidden());
        frmProgram_[size_t(i)] = w;
        placeholder->deleteLater();
        vScroll_->raise();
        hScroll_->raise();
    }
    page.registerDecoders(master_);
    if (loaded_) {
        const bool refreshing = page_.Refreshing;
        page_.Refreshing = true;
        page.init();
        page.showFirstTabs();
        page.drawPlotGrids();
        page_.Refreshing = refreshing;
    }
}

void MainForm::InitGridsAndTabs() {
    // The initialisers fill lists and grids; their change handlers must not take
    // that for the user's edits.
    page_.Refreshing = true;
    static const int16_t initOrder[] = {0, 1, 9, 2, 12, 11, 14, 8, 16, 5, 15, 13, 3, 22, 20, 21, 26};
    static const int16_t plotOrder[] = {14, 11, 13, 21};
    auto inOrder = [](const auto& order) {
        std::vector<int> all(std::begin(order), std::end(order));
        for (int i = 0; i < 27; ++i)
            if (std::find(all.begin(), all.end(), i) == all.end()) all.push_back(i);
        return all;
    };
    for (int i : inOrder(initOrder))
        if (Page* p = pages_[size_t(i)]) statement([&] { p->init(); });
    for (int i : inOrder(initOrder))
        if (Page* p = pages_[size_t(i)]) statement([&] { p->showFirstTabs(); });
    // A tab strip too narrow for its tabs scrolls them on every desktop; some desktops'
    // styles would shorten their names ("Lab...") or cut the last ones off instead.
    for (QTabWidget* tabs : findChildren<QTabWidget*>()) {
        tabs->setElideMode(Qt::ElideNone);
        tabs->setUsesScrollButtons(true);
    }
    for (int i : inOrder(plotOrder))
        if (Page* p = pages_[size_t(i)]) statement([&] { p->drawPlotGrids(); });
    page_.Refreshing = false;
    page_.SetupModified = false;
    page_.EditedGroup = 0;
}

// --- load, activation, unload -------------------------------------------------------------------

void MainForm::Form_Load() {
    if (loaded_) return;
    loaded_ = true;

    QSize screen = options_.screenSize.value_or(QSize(1024, 768));
    if (!options_.screenSize) {
        if (QScreen* s = QGuiApplication::primaryScreen()) screen = s->size();
    }
    statement([&] {
        if (screen.width() < 800 && screen.height() < 600) {
            platform::taskBar().hide();
            move(0, 0);
            resize(screen);
            setUpScrollBars();
        } else {
            // Centred horizontally, top just above the screen edge as designed, as far
            // as the title bar stays on the screen.
            keepTitleBar_ = true;
            setGeometry(QRect(contentsPosition(screen, availableTop(), frameTop()), size()));
            vScroll_->hide();
            hScroll_->hide();
        }
    });
    statement([&] { setTopTwips(cmdSetFocus_, 9000); });
    statement([&] {
        for (int i = 0; i < 27; ++i) {
            setOptionColour(i, QColor());
            optProgram_[size_t(i)]->setChecked(false);
        }
    });
    statement([&] {
        cbBaudRate_->clear();
        cbBaudRate_->addItems({"1200", "2400", "4800", "9600", "19200"});
    });

    // Initial values.
    link_.MeterAddress = QStringLiteral("xxx");
    link_.CommSetupPending = true; // the first activation opens the port
    page_.PendingAddressAction = 0;
    page_.DateEdited = false;
    page_.TimeEdited = false;
    page_.resetMapping(0);
    TraceVoltageScale = 0.942;
    TraceCurrentScale = 0.009;
    common::DataLogState* logs[] = {&logs_.BasicLog, &logs_.HarmonicLog, &logs_.WaveformLog};
    for (int i = 0; i < 3; ++i) {
        logs[i]->Elapsed = 0;
        const QString minutes = svc_.DataLogIntervalText ? svc_.DataLogIntervalText(i) : QString();
        logs[i]->Interval = common::leadingNumber(minutes) * 60;
        logs[i]->FileName.clear();
    }
    page_.Ticks.setToCaps(); // every gated read runs on the first tick
    page_.resetStep(0);
    meter_.MeterVersion = 0;
    meter_.FirmwareChanged = false;

    statement([&] { InitGridsAndTabs(); });
    scheduler_.TScannerTime().start();
}

void MainForm::Form_Activate() {
    if (link_.CommSetupPending) {
        try {
            link_.CommSetupPending = false;
            static const std::pair<int16_t, int> baudItems[] = {{7, 0}, {9, 1}, {10, 2}, {12, 3}, {13, 4}};
            for (const auto& [baudIndex, item] : baudItems)
                if (link_.Serial.BaudIndex == baudIndex) cbBaudRate_->setCurrentIndex(item);
            master_.OpenCommPort(); // reports its own failures
            cmdFunction_[1]->setText(QStringLiteral("Comm"));
            master_.applyTimerIntervals();
        } catch (const std::exception& e) {
            common::ReportError(QStringLiteral("Form_Activate"), 0, QString::fromLocal8Bit(e.what()));
        }
    }
    resetCountsAndPanels();

    if (txtAddress_->text().isEmpty() && link_.meterSelected() && !link_.MeterAddress.isEmpty()) {
        // The meter stays selected across a settings visit: check it again.
        page_.AddressEdited = true;
        txtAddress_->setText(link_.MeterAddress);
        callProc(svc_.txtAddress_LostFocus);
    }
}

void MainForm::resetCountsAndPanels() {
    // UnitTable is a constant table: nothing to fill.
    link_.CrcErrorCount = 0;
    link_.TimeoutCount = 0;
    const auto& tables = rtu::serialTables();
    status().setPanelText(1, QString());
    status().setPanelText(2, "COM " + QString::number(link_.Serial.Port) + " ");
    status().setPanelText(3, rtu::lineDescription(link_.Serial, tables) + " ");
    status().setPanelText(4, QStringLiteral("CRC : 0"));
    status().setPanelText(5, QStringLiteral("TO : 0"));
}

void MainForm::ownWindowClosed() {
    if (closing_ || !isVisible()) return;
    resetCountsAndPanels();
}

void MainForm::Form_Unload(bool& cancel) {
    // Once the person has said Yes, nothing turns the exit into something else: a page
    // marked by the operation that the exit itself ended is no edit left to write.
    if (!exitConfirmed_) {
        // In the middle of another operation the page's edits may be the very ones being
        // written: the question comes first there, and Yes decides.
        if (page_.SetupModified && pageShown_ && !master_.ops().foreignCaller()) {
            // Queue the shown page's write and stay: the next tick asks for it.
            int16_t index = page_.PageIndex;
            optProgram_Click(index);
            cancel = true;
            return;
        }
        if (!askExit()) {
            cancel = true;
            return;
        }
    }
    shutdownProgram();
}

bool MainForm::askExit() {
    scheduler_.ConfirmAnswer = 0;
    scheduler_.ConfirmAnswer = common::confirmAction(QStringLiteral("Exit"));
    return scheduler_.ConfirmAnswer == common::AnswerYes;
}

void MainForm::finishExit() {
    callProc(svc_.UploadTOUCost);
    if (link_.meterSelected() && link_.ConfigModified) {
        // A failed save keeps ConfigModified: after "No" to the exit it is offered again.
        setEnabled(false);
        callProc(svc_.SaveMeterConfig);
        setEnabled(true);
    }
    close();
}

void MainForm::shutdownProgram() {
    if (closing_) return;
    closing_ = true;
    scheduler_.shutdown();
    // The running operation (a tick, a scan) ends at its next exchange, sending nothing more.
    master_.ops().endProgram();
    master_.abortExchange(); // a tick waiting for a reply must not wait on a closed port
    master_.CloseCommPort();
    platform::taskBar().show(); // also when the load did not hide it
    if (svc_.EndProgram) svc_.EndProgram();
    else QCoreApplication::quit();
}

void MainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (QWindow* handle = windowHandle()) handle->installEventFilter(this); // its keys, see eventFilter
    if (shownOnce_) return;
    shownOnce_ = true;
    Form_Load();
    // Once the desktop has had the window framed.
    QTimer::singleShot(0, this, [this] { keepTitleBarOnScreen(); });
    // The window is first shown when the settings window closes: that is an activation.
    Form_Activate();
}

// --- the focus of disabled and hidden controls ---------------------------------------------------

bool MainForm::focusNextPrevChild(bool next) {
    // A control losing the focus because it was disabled or hidden (an operation's
    // doing, not a Tab) would hand it on to the next control in the tab order, the
    // address box say, where the next digits typed would change the meter address.
    QWidget* current = focusWidget();
    if (current && current != cmdSetFocus_ && isAncestorOf(current) && (!current->isEnabled() || !current->isVisible()))
        return parkFocus(current);
    return QMainWindow::focusNextPrevChild(next);
}

bool MainForm::parkFocus(QWidget* from) {
    // The address box gets the focus back from the person only.
    parked_ = from == txtAddress_ ? nullptr : from;
    if (parked_) parked_->installEventFilter(this);
    if (!cmdSetFocus_->isEnabled() || !cmdSetFocus_->isVisible()) return false;
    cmdSetFocus_->setFocus(Qt::OtherFocusReason);
    return true;
}

void MainForm::focusMoved(QWidget* old, QWidget* now) {
    if (closing_ || !isVisible()) return;
    if (now && isAncestorOf(now)) lastFocus_ = now;
    // The person put the focus somewhere: nothing waits to get it back.
    if (now && now != cmdSetFocus_) {
        if (parked_) parked_->removeEventFilter(this);
        parked_ = nullptr;
        return;
    }
    // A control inside a frame that was disabled loses the focus to nothing.
    if (!now && old && isAncestorOf(old) && (!old->isEnabled() || !old->isVisible()) && isActiveWindow())
        parkFocus(old);
}

void MainForm::focusBackOnActivation() {
    // Only the active window's focus changes are reported. While another window was in
    // front (the login, a box), an operation may have disabled the control that held this
    // window's focus: it lost it unseen, and the activation would give it to the first
    // control of the window, the address box, where the next key changes the meter.
    if (closing_ || focusWidget() || !lastFocus_ || !isAncestorOf(lastFocus_)) return;
    QWidget* last = lastFocus_;
    if (last != txtAddress_ && last->isEnabled() && last->isVisible()) last->setFocus(Qt::OtherFocusReason);
    else parkFocus(last);
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // With no window manager, X gives this window the keys typed over it while it is not
    // active, after a box or the login window closed. Nothing shows where they go: a Tab
    // moves the focus unseen (to the address box when no control held it) and the
    // activation then leaves it there. Like a framed window, it takes keys only when active.
    if (watched == windowHandle() && !isActiveWindow() &&
        (type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride))
        return true;
    if (watched == parked_ && (type == QEvent::EnabledChange || type == QEvent::Show)) {
        // Back where the person had it once the operation gives the control back,
        // unless the focus was put elsewhere meanwhile.
        QWidget* control = parked_;
        QWidget* holder = focusWidget();
        if (control->isEnabled() && control->isVisible() && (!holder || holder == cmdSetFocus_)) {
            control->removeEventFilter(this);
            parked_ = nullptr;
            control->setFocus(Qt::OtherFocusReason);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    keepTitleBarOnScreen();
}

void MainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Desktops frame a window when they map it; it is active by then.
    if (event->type() == QEvent::ActivationChange) keepTitleBarOnScreen();
    // Sent before the activation gives the focus to a control.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) focusBackOnActivation();
}

int MainForm::frameTop() const { return geometry().top() - frameGeometry().top(); }

int MainForm::availableTop() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry().top() : 0;
}

void MainForm::keepTitleBarOnScreen() {
    if (!keepTitleBar_ || !isVisible() || isMaximized() || isFullScreen()) return;
    const int above = availableTop() - frameGeometry().top();
    if (above > 0) setGeometry(geometry().translated(0, above));
}

void MainForm::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel) event->ignore();
    else event->accept();
}

// --- function buttons -------------------------------------------------------------------------

void MainForm::cmdFunction_Click(int index) {
    switch (index) {
    case 0: {
        if (exitConfirmed_ || closing_) break; // already on the way out
        rtu::LinkOperations& ops = master_.ops();
        if (!ops.foreignCaller()) {
            // The link is free: the cost file, the save-config offer, then the unload's question.
            ops.runOrQueue(QStringLiteral("Exit"), [this] { finishExit(); });
            break;
        }
        // Pressed while another operation waits for the meter. The question is a wait of
        // its own inside that one, so the operation stays at the end of its exchange under
        // way until the answer: no frame goes to the meter while the person decides, and
        // "No" lets it go on as if nothing had been pressed, queued clicks and all.
        if (!askExit()) break;
        exitConfirmed_ = true;
        // Yes: the operation ends at its next exchange, without a box for what it could
        // not finish; what was queued was meant for a program that goes on. The exit then
        // owns the link for its save-config.
        ops.endProgram();
        ops.runOrQueue(QStringLiteral("Exit"), [this] { finishExit(); });
        break;
    }
    case 1:
        link_.CommSetupPending = true;
        commWanted_ = true;
        cmdFunction_[1]->setEnabled(false);
        serveCommRequest();
        break;
    case 2:
        // Leaving the meter is an empty address entry, checked at once.
        txtAddress_->clear();
        page_.AddressEdited = true;
        callProc(svc_.txtAddress_LostFocus);
        if (svc_.SetTrendFileCaption) svc_.SetTrendFileCaption(QStringLiteral("Open File"));
        cmdFunction_[2]->hide();
        break;
    default: break;
    }
}

// The settings window closes the port, so it opens only when nothing uses the
// link: at once when idle, else at the end of the running tick or operation.
void MainForm::serveCommRequest() {
    if (!commWanted_ || closing_) return;
    if (scheduler_.tickRunning() || master_.busy()) return;
    // A polling scheduler serves it after the page work of its next tick.
    if (link_.meterSelected() && page_.PageIndex != PresetResetPage && scheduler_.enabled()) return;
    openCommSettings();
}

void MainForm::openCommSettings() {
    commWanted_ = false;
    master_.CloseCommPort();
    callProc(svc_.ShowCommForm);
    cmdFunction_[1]->setEnabled(true);
    Form_Activate(); // reopens the port with the new settings
}

// --- page selection -------------------------------------------------------------------------

void MainForm::optionClicked(int index) {
    QPushButton* opt = optProgram_[size_t(index)];
    if (!opt->isChecked()) {
        // A selected option clicked again stays selected and reports nothing.
        opt->setChecked(true);
        return;
    }
    selectOption(index, true);
    int16_t i = int16_t(index);
    optProgram_Click(i);
}

void MainForm::selectOption(int index, bool selected) {
    for (int i = 0; i < 27; ++i) {
        if (i == index) optProgram_[size_t(i)]->setChecked(selected);
        else if (selected) optProgram_[size_t(i)]->setChecked(false);
    }
}

void MainForm::setOptionColour(int index, const QColor& colour) {
    optColour_[size_t(index)] = colour;
    optProgram_[size_t(index)]->setStyleSheet(
        colour.isValid() ? QStringLiteral("background-color: %1;").arg(colour.name()) : QString());
}

QColor MainForm::optProgramColour(int index) const {
    if (index < 0 || index >= 27) return QColor();
    const QColor c = optColour_[size_t(index)];
    return c.isValid() ? c : optProgram_[size_t(index)]->palette().color(QPalette::Button);
}

void MainForm::optProgram_Click(int16_t& index) {
    if (index < 0 || index >= 27) return;
    bool changed = true;
    if (!pageShown_) {
        // Edits left on a page that went off the screen (a scan, no meter) are no write
        // to queue, and no mark for the page chosen now.
        page_.SetupModified = false;
        page_.EditedGroup = 0;
    }
    if (page_.SetupModified) {
        // Unsaved edits: the page stays and its write is queued for the next tick.
        changed = false;
        Page* shown = page_.PageIndex >= 0 && page_.PageIndex < 27 ? pages_[size_t(page_.PageIndex)] : nullptr;
        const int16_t shownOption = page_.PageIndex == 25 ? 8 : page_.PageIndex;
        SelectProgramCommand(page_, [shown](int16_t step) { return shown && shown->askWrite(step); },
                             index == shownOption || index == page_.PageIndex ? int16_t(-1) : index);
        index = page_.PageIndex == 25 ? 8 : page_.PageIndex;
        selectOption(index, true);
    }
    // The check of the field being edited runs before the page changes.
    statement([&] { callProc(svc_.RunPendingEntryCheck); });
    if (page_.AddressEdited) {
        // An address being typed is checked first; the click does nothing else.
        selectOption(index, false);
        callProc(svc_.txtAddress_LostFocus);
        return;
    }
    statement([&] { frmSetup_->hide(); });
    statement([&] {
        if (index == PresetResetPage) scheduler_.disable();
        else scheduler_.enable();
    });
    statement([&] { setPickerDate(dtpBattery_, QDate::currentDate()); });
    // The version-2 time-of-use page replaces the old one on newer meters.
    page_.PageIndex = (index == 8 && meter_.MeterVersion >= 2.0f) ? int16_t(25) : index;
    statement([&] {
        bool ok = false;
        const int previous = frame1_[2]->property("tag").toString().toInt(&ok);
        if (!ok || previous < 0 || previous >= 27) return;
        setOptionColour(previous == 25 ? 8 : previous, QColor());
        frmProgram_[size_t(previous)]->hide();
    });
    frame1_[2]->setProperty("tag", QString::number(page_.PageIndex));
    setOptionColour(page_.PageIndex == 25 ? 8 : page_.PageIndex, kSelectedColour);
    statement([&] {
        // A newly shown page sits at its design place until the next scroll.
        QWidget* frame = frmProgram_[size_t(page_.PageIndex)];
        frame->move(px(kPageLeft), px(kPageTop));
        frame->show();
        vScroll_->raise();
        hScroll_->raise();
    });
    pageShown_ = true;
    // What was asked on the page before is not done on this one.
    if (changed) page_.dropAsks();
    if (index == 16) page_.askMappingRead(1); // the map table is read again first
    page_.PageChanged = changed;
}

// --- left panel ----------------------------------------------------------------------------------

QGroupBox* MainForm::Frame1(int index) const { return (index >= 0 && index < 3) ? frame1_[size_t(index)] : nullptr; }
QWidget* MainForm::frmProgram(int index) const {
    return (index >= 0 && index < 27) ? frmProgram_[size_t(index)] : nullptr;
}
QPushButton* MainForm::optProgram(int index) const {
    return (index >= 0 && index < 27) ? optProgram_[size_t(index)] : nullptr;
}
QPushButton* MainForm::cmdFunction(int index) const {
    return (index >= 0 && index < 3) ? cmdFunction_[size_t(index)] : nullptr;
}

void MainForm::LockFrames() {
    for (QGroupBox* f : frame1_) f->setEnabled(false);
}

void MainForm::UnlockFrames() {
    for (QGroupBox* f : frame1_) f->setEnabled(true);
}

void MainForm::clearPageSelection() {
    for (int i = 0; i < 27; ++i) {
        statement([&] {
            setOptionColour(i, QColor());
            optProgram_[size_t(i)]->setChecked(false);
            frmProgram_[size_t(i)]->hide();
        });
    }
    // No page is chosen now: none works until the person chooses one.
    pageShown_ = false;
}

void MainForm::selectMeterForTest(const QString& address) {
    link_.MeterAddress = address;
    {
        // Not a typed entry: the address check must not run for it.
        const QSignalBlocker block(txtAddress_);
        txtAddress_->setText(address);
    }
    page_.PageChanged = true;
    cmdFunction_[2]->show();
    scheduler_.enable();
}

// --- small screens -------------------------------------------------------------------------------

void MainForm::setUpScrollBars() {
    const int width = this->width() * T;   // the inner area in twips
    const int height = this->height() * T;
    const ScrollRanges r = scrollRanges(width, height, T, T);
    vScroll_->show();
    hScroll_->show();
    placeTwips(vScroll_, width - kScrollBarTwips, 0, kScrollBarTwips, height - kScrollBarTwips);
    vScroll_->setRange(0, r.vertical);
    vScroll_->setSingleStep(1);
    vScroll_->setPageStep(10);
    placeTwips(hScroll_, 0, height - 2 * kScrollBarTwips, width - kScrollBarTwips, kScrollBarTwips);
    hScroll_->setRange(0, r.horizontal);
    hScroll_->setSingleStep(1);
    hScroll_->setPageStep(10);
    vScroll_->raise();
    hScroll_->raise();
}

void MainForm::ScrollFramesVertical() {
    const int t = vScroll_->value() * T;
    setTopTwips(frame1_[0], kGroupTop - t);
    setTopTwips(frame1_[1], kAddressTop - t);
    frame1_[2]->move(frame1_[2]->x(), frame1_[0]->y());
    for (QWidget* page : frmProgram_)
        if (!page->isHidden()) page->move(page->x(), frame1_[0]->y());
    frmSetup_->move(frmSetup_->x(), frame1_[0]->y());
    for (int i = 0; i < 3; ++i) setTopTwips(cmdFunction_[size_t(i)], kFunctionTop + kFunctionPitch * i - t);
}

void MainForm::ScrollFramesHorizontal() {
    const int t = hScroll_->value() * T;
    setLeftTwips(frame1_[0], -t);
    frame1_[1]->move(frame1_[0]->x(), frame1_[1]->y());
    setLeftTwips(frame1_[2], kProgramLeft - t);
    for (QWidget* page : frmProgram_)
        if (!page->isHidden()) setLeftTwips(page, kPageLeft - t);
    setLeftTwips(frmSetup_, kPageLeft - t);
    for (QPushButton* b : cmdFunction_) setLeftTwips(b, kFunctionLeft - t);
}

} // namespace shell
