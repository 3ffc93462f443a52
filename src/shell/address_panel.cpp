#include "shell/address_panel.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "shell/app_state.h"
#include "shell/application.h"
#include "shell/comm_form.h"
#include "shell/main_form.h"
#include "shell/meter_setup.h"
#include "shell/page_services.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>
#include <cmath>

namespace shell {

namespace {


const QString kNoMeterCaption = QStringLiteral("xxx");
constexpr int kRetryMs = 20;
const QString kCyanStyle = QStringLiteral("background-color: #00ffff;");

QString threeDigits(int v) { return QStringLiteral("%1").arg(v, 3, 10, QLatin1Char('0')); }
int captionValue(const QString& text) { return int(common::leadingNumber(text)); }

struct Flag {
    bool& flag;
    explicit Flag(bool& f) : flag(f) { flag = true; }
    ~Flag() { flag = false; }
};

// A button whose caption wraps at its blanks: the tall, narrow stop button shows
// "Stop   Scan   Meter" as three lines, where one line would be cut to "Scan".
class WrappingButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString caption = option.text;
        option.text.clear();
        p.drawControl(QStyle::CE_PushButton, option);
        const QRect inside = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        p.drawItemText(inside, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(), caption,
                       QPalette::ButtonText);
    }
};

} // namespace

AddressPanel::AddressPanel(Application& program, MainForm& form)
    : QObject(&form), program_(program), form_(form), app_(program.app()), page_(program.page()),
      master_(program.master()), svc_(program.services()) {
    setObjectName(QStringLiteral("addressPanel"));
    buildControls();
    // The focus before the present one, for the address box to tell where its focus came from.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusBefore_ = now; });
    connect(&form_, &MainForm::tearingDown, this, [this] {
        for (QObject* watched : watched_)
            if (watched) watched->removeEventFilter(this);
        watched_.clear();
        checkPending_ = false;
        if (releaseWatch_) qApp->removeEventFilter(releaseWatch_);
    });
}

void AddressPanel::watch(QObject* object) {
    object->installEventFilter(this);
    watched_.push_back(object);
}

void AddressPanel::buildControls() {
    QGroupBox* group = form_.Frame1(0);
    QGroupBox* found = form_.Frame1(1);
    QGroupBox* program = form_.Frame1(2);
    QWidget* central = group->parentWidget();

    for (int i = 0; i < 2; ++i) {
        auto* box = new QLineEdit(i == 0 ? QStringLiteral("001") : QStringLiteral("254"), group);
        box->setObjectName(QStringLiteral("txtGroup_%1").arg(i));
        box->setMaxLength(3);
        placeTwips(box, 90, i == 0 ? 270 : 870, 660, 300);
        watch(box);
        txtGroup_[size_t(i)] = box;
    }
    auto* to = new QLabel(QStringLiteral("TO"), group);
    to->setAlignment(Qt::AlignCenter);
    placeTwips(to, 90, 600, 660, 255);

    cmdGroup_ = new QPushButton(QStringLiteral("Scan"), group);
    cmdGroup_->setObjectName(QStringLiteral("cmdGroup"));
    placeTwips(cmdGroup_, 90, 1260, 660, 390);
    connect(cmdGroup_, &QPushButton::clicked, this, [this] { cmdGroup_Click(); });

    // Outside the left frames: they are disabled while the scan runs, the stop is not.
    cmdScan_ = new WrappingButton(QStringLiteral("Stop   Scan   Meter"), central);
    cmdScan_->setObjectName(QStringLiteral("cmdScan"));
    placeTwips(cmdScan_, 30, 360, 780, 1500);
    cmdScan_->hide();
    connect(cmdScan_, &QPushButton::clicked, this, [this] { cmdScan_Click(); });

    for (int i = 0; i < FoundButtons; ++i) {
        auto* b = new QRadioButton(kNoMeterCaption, found);
        b->setObjectName(QStringLiteral("optAddress_%1").arg(i));
        b->setAutoExclusive(false); // the program unselects them all at times
        b->setEnabled(false);
        placeTwips(b, 60, 240 + i * 240, 720, 240);
        connect(b, &QRadioButton::clicked, this, [this, i] {
            for (int j = 0; j < FoundButtons; ++j) optAddress_[size_t(j)]->setChecked(j == i);
            optAddress_Click(i);
        });
        optAddress_[size_t(i)] = b;
    }
    const char* paging[2] = {"<", ">"};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(paging[i]), found);
        b->setObjectName(QStringLiteral("cmdAddress_%1").arg(i));
        placeTwips(b, i == 0 ? 60 : 450, 5160, 330, 330);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdAddress_Click(i); });
        cmdAddress_[size_t(i)] = b;
    }
    watch(group);
    watch(found);

    QLineEdit* address = form_.txtAddress();
    watch(address);
    connect(address, &QLineEdit::textChanged, this, [this] { page_.AddressEdited = true; });
    cmdReadAddress_ = new QPushButton(QStringLiteral("Read Address"), program);
    cmdReadAddress_->setObjectName(QStringLiteral("cmdReadAddress"));
    placeTwips(cmdReadAddress_, 750, 7485, 1260, 330);
    connect(cmdReadAddress_, &QPushButton::clicked, this, [this] { cmdReadAddress_Click(); });

    QGroupBox* setup = form_.frmSetup();
    auto* l0 = new QLabel(QStringLiteral("Address : "), setup);
    l0->setObjectName(QStringLiteral("Label2_0"));
    placeTwips(l0, 240, 300, 1140, 255);
    txtSetAddress_ = new QLineEdit(setup);
    txtSetAddress_->setObjectName(QStringLiteral("txtSetAddress"));
    txtSetAddress_->setMaxLength(3);
    placeTwips(txtSetAddress_, 1380, 270, 1200, 315);
    auto* l1 = new QLabel(QStringLiteral("Baud Rate : "), setup);
    l1->setObjectName(QStringLiteral("Label2_1"));
    placeTwips(l1, 240, 720, 1140, 255);
    placeTwips(form_.cbBaudRate(), 1380, 690, 1200, 315);
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(QStringLiteral("Setup"), setup);
        b->setObjectName(QStringLiteral("cmdSetup_%1").arg(i));
        placeTwips(b, 2640, i == 0 ? 240 : 660, 900, 375);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdSetup_Click(i); });
        cmdSetup_[size_t(i)] = b;
    }
    setup->show(); // the window starts without a meter
}

// --- controls -----------------------------------------------------------------------------

QLineEdit* AddressPanel::txtGroup(int index) const {
    return (index >= 0 && index < 2) ? txtGroup_[size_t(index)] : nullptr;
}
QRadioButton* AddressPanel::optAddress(int index) const {
    return (index >= 0 && index < FoundButtons) ? optAddress_[size_t(index)] : nullptr;
}
QPushButton* AddressPanel::cmdAddress(int index) const {
    return (index >= 0 && index < 2) ? cmdAddress_[size_t(index)] : nullptr;
}
QPushButton* AddressPanel::cmdSetup(int index) const {
    return (index >= 0 && index < 2) ? cmdSetup_[size_t(index)] : nullptr;
}
bool AddressPanel::optAddressHighlighted(int index) const {
    return index >= 0 && index < FoundButtons && cyan_[size_t(index)];
}

void AddressPanel::setHighlight(int index, bool on) {
    if (index < 0 || index >= FoundButtons) return;
    cyan_[size_t(index)] = on;
    optAddress_[size_t(index)]->setStyleSheet(on ? kCyanStyle : QString());
}

void AddressPanel::resetFoundButton(int index) {
    setHighlight(index, false);
    QRadioButton* b = optAddress_[size_t(index)];
    b->setText(kNoMeterCaption);
    b->setChecked(false);
    b->setEnabled(false);
}

// The program selects a found-meter button: its click only moves the highlight.
void AddressPanel::markFoundButton(int index) {
    page_.AddressMarking = true;
    for (int j = 0; j < FoundButtons; ++j) optAddress_[size_t(j)]->setChecked(j == index);
    optAddress_Click(index);
    page_.AddressMarking = false;
}

void AddressPanel::asOperation(const QString& name, std::function<void()> work, bool meterChange) {
    rtu::LinkOperations& ops = master_.ops();
    if (meterChange && ops.foreignCaller()) {
        // What runs and what waits was meant for the meter being left. The exchange
        // under way ends as it would (its reply is still that meter's); nothing follows it.
        ops.cancel();
        page_.PendingAddressAction = 0;
    }
    ops.runOrQueue(name, std::move(work));
}

void AddressPanel::offerSaveConfig() {
    rtu::LinkState& link = app_.link;
    if (!link.meterSelected() || !link.ConfigModified) return;
    // The meter stays selected when the program marks its button or the address box
    // is left unchanged; any other caller goes on to leave it.
    const bool staying =
        page_.AddressMarking || (checking_ && !page_.AddressEdited && !form_.txtAddress()->text().isEmpty());
    form_.setEnabled(false);
    if (svc_.SaveMeterConfig) svc_.SaveMeterConfig(); // a failed save keeps ConfigModified
    form_.setEnabled(true);
    // A meter that stays keeps the reminder of a failed save; leaving the meter ends
    // it, so the rest of the way out offers nothing more.
    if (!staying) link.ConfigModified = false;
}

// --- events -------------------------------------------------------------------------------

bool AddressPanel::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == form_.txtAddress()) {
        if (type == QEvent::FocusIn) {
            // New counts start when the user goes into the box: not when the window comes
            // back to the front, nor when the focus passes on from a control that a running
            // operation disabled or hid (the counts of that operation are still wanted).
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            const QWidget* before = focusBefore_;
            const bool passedOn = before && before != form_.txtAddress() && (!before->isEnabled() || !before->isVisible());
            if (common::focusMovedByPerson(reason) && !passedOn)
                txtAddress_GotFocus();
        } else if (type == QEvent::FocusOut) {
            // Switching to another program is not leaving the box.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (!common::focusMovedByPerson(reason)) return false;
            // A mouse press takes the focus before the pressed control gets the press: a
            // check that waited for the meter here would hold the press back and let its
            // release go by unseen (the control would stay down and never act).
            if (reason == Qt::MouseFocusReason) checkAfterPress();
            else txtAddress_LostFocus();
        } else if (type == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                // Enter leaves the box, which runs the check once.
                if (form_.txtAddress()->hasFocus()) form_.txtAddress()->clearFocus();
                else txtAddress_LostFocus();
                return true;
            }
        }
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        if (watched != txtGroup_[size_t(i)]) continue;
        if (type == QEvent::FocusIn) txtGroup_GotFocus(i);
        else if (type == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (common::focusMovedByPerson(reason)) txtGroup_LostFocus(i);
        }
        return false;
    }
    if (type == QEvent::MouseButtonPress) {
        if (watched == form_.Frame1(0)) Frame1_Click(0);
        else if (watched == form_.Frame1(1)) Frame1_Click(1);
    }
    return false;
}

// --- the range boxes ----------------------------------------------------------------------

void AddressPanel::txtGroup_GotFocus(int index) {
    QLineEdit* box = txtGroup(index);
    if (!box) return;
    // After the click that gave the focus has placed the cursor.
    QTimer::singleShot(0, box, [box] { box->selectAll(); });
}

void AddressPanel::txtGroup_LostFocus(int index) {
    QLineEdit* box = txtGroup(index);
    if (!box) return;
    double v = common::leadingNumber(box->text());
    if (!std::isfinite(v) || v < 1 || v > 254) {
        common::prompter().message(QStringLiteral("Error"), QStringLiteral("Address > (254) or Address < (001)"),
                                   common::Icon::Stop, common::Buttons::Ok);
        v = 1;
    }
    box->setText(threeDigits(int(std::lround(v))));
}

// --- the scan -----------------------------------------------------------------------------

void AddressPanel::cmdGroup_Click() {
    if (scanning_) return;
    asOperation(QStringLiteral("scan"), [this] { runScan(); });
}

void AddressPanel::runScan() {
    if (scanning_) return;
    offerSaveConfig();
    // From here on: locking the frames takes the focus from the address box, and
    // its check must not run inside the scan.
    Flag running(scanning_);
    form_.setWindowTitle(MainCaption);
    form_.cmdFunction(2)->setEnabled(false);
    form_.txtAddress()->clear();
    form_.scheduler().disable();
    cmdGroup_->setEnabled(false);
    cmdScan_->show();
    cmdScan_->raise();
    form_.frmSetup()->hide();
    for (int i = 0; i < FoundButtons; ++i) resetFoundButton(i);
    form_.clearPageSelection();
    form_.LockFrames();

    const rtu::ScanBounds bounds = rtu::scanBounds(common::leadingNumber(txtGroup_[0]->text()),
                                                   common::leadingNumber(txtGroup_[1]->text()));
    stopRequested_ = false;
    page_.PendingAddressAction = 0;
    {
        int n = 0;
        rtu::ScanAddresses(
            master_, bounds, addressFound_,
            [&](int address) {
                // Beyond the twentieth only the flags record it: paging reaches it.
                if (n >= FoundButtons) return;
                optAddress_[size_t(n)]->setText(threeDigits(address));
                optAddress_[size_t(n)]->setEnabled(true);
                ++n;
            },
            [&] {
                if (!stopRequested_) return false;
                stopRequested_ = false;
                return true;
            });
    }

    form_.UnlockFrames();
    master_.status().setPanelText(1, QString());
    app_.link.MeterAddress = kNoMeterCaption;
    cmdGroup_->setEnabled(true);
    cmdScan_->hide();
    form_.frmSetup()->show();
    form_.cmdFunction(2)->setEnabled(true);
}

void AddressPanel::cmdScan_Click() {
    // The exchange layer stops repeating at once; the scan sees the request after
    // the current address.
    if (scanning_ && master_.ops().busy()) master_.ops().stopCurrent();
    stopRequested_ = true;
}

// --- the found list -----------------------------------------------------------------------

void AddressPanel::cmdAddress_Click(int index) {
    const int boxValue = captionValue(form_.txtAddress()->text());
    if (index == 1) {
        if (!optAddress_[FoundButtons - 1]->isEnabled()) return;
        const int last = captionValue(optAddress_[FoundButtons - 1]->text());
        bool any = false;
        for (int x = last + 1; x <= rtu::kMaxMeterAddress && !any; ++x) any = x >= 1 && addressFound_[size_t(x)];
        if (!any) return;
        for (int i = 0; i < FoundButtons; ++i) resetFoundButton(i);
        int k = 0;
        for (int x = std::max(last + 1, 1); x <= rtu::kMaxMeterAddress && k < FoundButtons; ++x) {
            if (!addressFound_[size_t(x)]) continue;
            optAddress_[size_t(k)]->setText(threeDigits(x));
            optAddress_[size_t(k)]->setEnabled(true);
            if (x == boxValue) markFoundButton(k);
            ++k;
        }
    } else if (index == 0) {
        const int first = captionValue(optAddress_[0]->text());
        if (first <= 1) return;
        bool any = false;
        for (int x = 1; x < first && x <= rtu::kMaxMeterAddress && !any; ++x) any = addressFound_[size_t(x)];
        if (!any) return;
        for (int i = 0; i < FoundButtons; ++i) resetFoundButton(i);
        int k = FoundButtons - 1;
        for (int x = std::min(first - 1, rtu::kMaxMeterAddress); x >= 1 && k >= 0; --x) {
            if (!addressFound_[size_t(x)]) continue;
            optAddress_[size_t(k)]->setText(threeDigits(x));
            optAddress_[size_t(k)]->setEnabled(true);
            if (x == boxValue) markFoundButton(k);
            --k;
        }
    }
}

void AddressPanel::optAddress_Click(int index) {
    if (index < 0 || index >= FoundButtons) return;
    if (page_.AddressMarking) {
        runOptAddress(index); // the program moving the highlight inside its own operation
        return;
    }
    asOperation(QStringLiteral("meter selection"), [this, index] { runOptAddress(index); }, true);
}

void AddressPanel::runOptAddress(int index) {
    offerSaveConfig();
    setHighlight(highlighted_, false);
    highlighted_ = index;
    setHighlight(index, true);
    if (page_.AddressMarking) return;
    app_.link.MeterAddress = optAddress_[size_t(index)]->text();
    putAddressAndCheck(app_.link.MeterAddress);
}

// As if the user put the text into the box and left it.
void AddressPanel::putAddressAndCheck(const QString& text) {
    txtAddress_GotFocus();
    form_.txtAddress()->setText(text);
    txtAddress_LostFocus();
}

// --- back to no meter ---------------------------------------------------------------------

void AddressPanel::Frame1_Click(int index) {
    if (index != 0 && index != 1) return;
    asOperation(QStringLiteral("no meter"), [this, index] { runFrame1(index); }, true);
}

void AddressPanel::runFrame1(int index) {
    offerSaveConfig();
    page_.PendingAddressAction = 0; // a change queued for the meter being left
    const bool wasSelected = app_.link.meterSelected();
    app_.link.MeterAddress = kNoMeterCaption;
    for (int i = 0; i < FoundButtons; ++i) {
        QRadioButton* b = optAddress_[size_t(i)];
        if (index == 0) {
            b->setText(kNoMeterCaption);
            b->setEnabled(false);
        }
        setHighlight(i, false);
        b->setChecked(false);
    }
    form_.clearPageSelection();
    form_.frmSetup()->show();
    form_.scheduler().disable();
    if (wasSelected) form_.scheduler().meterChanged();
    form_.txtAddress()->clear();
    master_.status().setPanelText(1, QString());
    form_.setWindowTitle(MainCaption);
    stopDataLogs();
    page_.AddressEdited = false;
}

void AddressPanel::stopDataLogs() {
    // The logs' owner closes its own files; each log then starts afresh.
    if (svc_.StopDataLogs) svc_.StopDataLogs();
    common::DataLogSet& logs = program_.logs();
    common::DataLogState* all[] = {&logs.BasicLog, &logs.HarmonicLog, &logs.WaveformLog};
    for (int i = 0; i < 3; ++i) {
        all[i]->Elapsed = 0;
        const QString minutes = svc_.DataLogIntervalText ? svc_.DataLogIntervalText(i) : QString();
        all[i]->Interval = common::leadingNumber(minutes) * 60;
        all[i]->FileName.clear();
    }
}

// --- the address box ----------------------------------------------------------------------

void AddressPanel::txtAddress_GotFocus() {
    app_.link.CrcErrorCount = 0;
    app_.link.TimeoutCount = 0;
    master_.status().setPanelText(4, QStringLiteral("CRC : 0"));
    master_.status().setPanelText(5, QStringLiteral("TO : 0"));
}

void AddressPanel::checkAfterPress() {
    if (checkPending_) return;
    checkPending_ = true;
    // Whichever comes first: the events after the press, or the release of the button.
    // On the release the check runs before the release goes on to the control, so the
    // control's work asks for the link after the check.
    if (!releaseWatch_) {
        releaseWatch_ = new EventWatch(QEvent::MouseButtonRelease, this);
        connect(releaseWatch_, &EventWatch::seen, this, [this] {
            if (checkPending_) txtAddress_LostFocus();
        });
    }
    qApp->installEventFilter(releaseWatch_);
    QTimer::singleShot(0, this, [this] {
        if (checkPending_) txtAddress_LostFocus();
    });
}

void AddressPanel::txtAddress_LostFocus() {
    if (checkPending_) {
        checkPending_ = false;
        qApp->removeEventFilter(releaseWatch_);
    }
    if (master_.ops().foreignCaller()) {
        // Typed during another operation: checked once that one has ended; a new
        // address ends it first.
        asOperation(QStringLiteral("address check"), [this] { runAddressCheck(); }, page_.AddressEdited);
        return;
    }
    // Boxes and exchanges inside the check move the focus: that is no second check.
    if (checking_ || scanning_) return;
    asOperation(QStringLiteral("address check"), [this] { runAddressCheck(); });
}

void AddressPanel::runAddressCheck() {
    if (checking_ || scanning_) return;
    Flag running(checking_);
    rtu::LinkState& link = app_.link;
    QLineEdit* box = form_.txtAddress();

    offerSaveConfig();
    if (box->text().isEmpty()) {
        Frame1_Click(1);
        return;
    }
    if (!page_.AddressEdited) return;
    page_.AddressEdited = false;
    program_.app().meter.MeterVersion = 0;
    form_.cmdFunction(2)->hide();

    const int address = rtu::parseMeterAddress(box->text());
    if (address == 0) {
        common::beep();
        common::prompter().message(QStringLiteral("Error"), QStringLiteral("Meter Address Error(1 - 254) ?"),
                                   common::Icon::Stop, common::Buttons::Ok);
        Frame1_Click(1);
        return;
    }

    form_.scheduler().disable();
    page_.PendingAddressAction = 0; // a change queued for the meter before
    txtSetAddress_->clear();
    link.MeterAddress = box->text().trimmed();
    master_.status().setPanelText(1, "Meter Communication Address - [" + link.MeterAddress + "]");
    rtu::ProbeMeter(master_);
    if (link.LinkFailed) {
        Frame1_Click(1);
        return;
    }

    for (int k = 0; k < FoundButtons; ++k) {
        if (captionValue(optAddress_[size_t(k)]->text()) == address) {
            markFoundButton(k);
        } else {
            setHighlight(k, false);
            optAddress_[size_t(k)]->setChecked(false);
        }
    }
    page_.AddressMarking = false;
    txtSetAddress_->setText(link.MeterAddress);
    link.ConfigModified = false;
    if (svc_.ReadMeterInformation) svc_.ReadMeterInformation();
    // Values are scaled with the meter's own ratios and wiring from its first poll on.
    if (svc_.ReadEssentialProperty) {
        svc_.ReadEssentialProperty();
        page_.SetupModified = false;
        page_.EditedGroup = 0;
    }
    form_.scheduler().enable();
    if (svc_.DisableLiveLogViewers) svc_.DisableLiveLogViewers();
    page_.dropAsks(); // asked of the meter before; the pages ask anew for this one
    form_.scheduler().meterChanged();
    if (svc_.SetTrendFileCaption) svc_.SetTrendFileCaption(QStringLiteral("Save File"));
    form_.cmdFunction(2)->show();
    page_.PageChanged = true;
}

// --- Read Address -------------------------------------------------------------------------

void AddressPanel::cmdReadAddress_Click() {
    asOperation(QStringLiteral("Read Address"), [this] { runReadAddress(); });
}

void AddressPanel::runReadAddress() {
    rtu::LinkState& link = app_.link;
    offerSaveConfig();
    form_.LockFrames();
    Frame1_Click(1);
    {
        master_.status().setPanelText(1, QStringLiteral("Read meter address !"));
        rtu::QueryMeterAddress(master_);
        if (link.LinkFailed) {
            const int position = rtu::TryBaudRates(master_);
            if (position >= 0) {
                form_.cbBaudRate()->setCurrentIndex(position);
                master_.status().setPanelText(3, rtu::linePanelText(link));
                CommForm* settings = ensureCommForm(app_);
                QComboBox* list = settings ? settings->baudBox() : nullptr;
                if (list && list->currentIndex() != form_.cbBaudRate()->currentIndex()) {
                    // The port stays at the meter's rate; Comm.Dat keeps the chosen one.
                    common::prompter().message(QStringLiteral("Warning"),
                                               "PCTool  Baud Rate = " + list->currentText() + "\r\n" +
                                                   "Meter  Baud Rate = " + form_.cbBaudRate()->currentText(),
                                               common::Icon::Exclamation, common::Buttons::Ok);
                }
            }
        }
        form_.UnlockFrames();
        if (link.LinkFailed) {
            link.MeterAddress = kNoMeterCaption;
            common::prompter().message(QStringLiteral("Warning"), QStringLiteral("No Meter Address !"),
                                       common::Icon::Stop, common::Buttons::Ok);
            rtu::switchPortBaud(master_, rtu::baudPositionOfIndex(12));
            master_.status().setPanelText(3, rtu::linePanelText(link));
            return;
        }
    }
    // A value beyond three digits would be cut to another address by the box: "0"
    // is refused by the check like any address outside 1..254.
    bool ok = false;
    const int value = link.MeterAddress.toInt(&ok);
    const QString text = (ok && value >= 0 && value <= 999) ? threeDigits(value) : QStringLiteral("0");
    putAddressAndCheck(text);
}

// --- the "Setup" frame --------------------------------------------------------------------

void AddressPanel::cmdSetup_Click(int index) {
    if (index != 0 && index != 1) return;
    asOperation(index == 0 ? QStringLiteral("Setup Address") : QStringLiteral("Setup Baud Rate"),
                [this, index] { runSetup(index); });
}

void AddressPanel::runSetup(int index) {
    app_.ConfirmAnswer = 0;
    app_.ConfirmAnswer = int16_t(common::confirmAction(index == 0 ? QStringLiteral("Setup Address")
                                                                  : QStringLiteral("Setup Baud Rate")));
    if (app_.ConfirmAnswer != common::AnswerYes) return;
    const bool loggedIn = svc_.Login && svc_.Login();
    app_.link.ConfigModified = false;
    if (!loggedIn) return;

    form_.LockFrames();
    form_.frmSetup()->setEnabled(false);
    // Polling carries the change out after the page work of its next tick; with no
    // polling (no meter, or the preset-and-reset page) nothing would: act at once.
    const bool polling = app_.link.meterSelected() && form_.scheduler().enabled();
    if (form_.txtAddress()->text().isEmpty() || !polling) {
        page_.PendingAddressAction = 0;
        form_.frmSetup()->setTitle(index == 0 ? QStringLiteral("Setup - Setup Address ......")
                                              : QStringLiteral("Setup - Setup BaudRate ......"));
        const Proc& change = index == 0 ? svc_.SetupMeterAddress : svc_.SetupMeterBaudRate;
        if (change) change();
    } else {
        // The scheduler carries it out after the page work of its next tick.
        page_.PendingAddressAction = int16_t(index + 1);
    }
    form_.UnlockFrames();
    form_.frmSetup()->setTitle(QStringLiteral("Setup"));
    form_.frmSetup()->setEnabled(true);
}

// --- installation -------------------------------------------------------------------------

AddressPanel* addressPanel(MainForm& form) {
    return form.findChild<AddressPanel*>(QStringLiteral("addressPanel"), Qt::FindDirectChildrenOnly);
}

void installMeterSelection(Application& program) {
    MainForm& form = program.mainForm();
    if (addressPanel(form)) return;
    auto* panel = new AddressPanel(program, form);
    rtu::registerMeterAddressDecoder(program.master());

    PageServices& svc = program.services();
    svc.txtAddress_LostFocus = [panel] { panel->txtAddress_LostFocus(); };
    auto context = [&program, &form, panel] {
        return MeterSetupContext{program.app(),           program.master(),   program.page(), program.services(),
                                 panel->txtSetAddress(), form.txtAddress(), form.cbBaudRate()};
    };
    svc.SetupMeterAddress = [context] {
        MeterSetupContext c = context();
        SetupMeterAddress(c);
    };
    svc.SetupMeterBaudRate = [context] {
        MeterSetupContext c = context();
        SetupMeterBaudRate(c);
    };
}

} // namespace shell
