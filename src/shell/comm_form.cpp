#include "shell/comm_form.h"

#include "common/shared_routines.h"

#include "common/prompter.h"
#include "link/serial_settings.h"
#include "shell/app_state.h"
#include "shell/password_forms.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>

namespace shell {

namespace {

const QString kProductName = QStringLiteral("KD4170 PC Tool");

// The window was laid out in twips; 15 twips make a pixel at the usual 96 dpi.
QRect twips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

QLabel* label(const QString& text, QWidget* parent, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    return l;
}

QComboBox* listOnly(QWidget* parent, const QStringList& items, int selected, QRect geometry) {
    auto* c = new QComboBox(parent);
    c->setEditable(false); // pick-only: a typed text would leave no valid choice
    c->addItems(items);
    c->setCurrentIndex(selected);
    c->setGeometry(geometry);
    return c;
}

QPushButton* button(const QString& text, QWidget* parent, QRect geometry) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setGeometry(geometry);
    return b;
}

} // namespace

QString commFormCaption() {
    return QStringLiteral("Setting Communication - PC Tool Ver : %1.%2.%3.")
               .arg(PCTOOL_VERSION_MAJOR)
               .arg(PCTOOL_VERSION_MINOR)
               .arg(PCTOOL_VERSION_PATCH) +
           kProductName;
}

CommForm::CommForm(AppState& app, QWidget* parent) : QDialog(parent), app_(app) {
    setObjectName(QStringLiteral("CommForm"));
    setAttribute(Qt::WA_DeleteOnClose);

    // Compact layout: the frame, the three buttons below it.
    setFixedSize(561, 222);
    frame1_ = new QGroupBox(QStringLiteral("Computer Setting"), this);
    frame1_->setGeometry(twips(120, 240, 8175, 2175));

    // Captions as tall as their fields: the centred texts stand level.
    label(QStringLiteral("Communication Port : "), frame1_, twips(360, 360, 2415, 360));
    QStringList ports;
    for (int i = 1; i <= kPortCount; ++i) ports << QStringLiteral("COM%1").arg(i);
    cbPort_ = listOnly(frame1_, ports, 0, twips(2760, 360, 1215, 360));
    cbPort_->setObjectName(QStringLiteral("cbPort"));

    label(QStringLiteral("Baud Rate : "), frame1_, twips(360, 960, 2415, 360));
    cbBaudRate_ = listOnly(frame1_, {"1200", "2400", "4800", "9600", "19200"}, 3, twips(2760, 960, 1215, 360));
    cbBaudRate_->setObjectName(QStringLiteral("cbBaudRate"));

    label(QStringLiteral("Stop Bit : "), frame1_, twips(360, 1560, 2415, 360));
    cbStopBits_ = listOnly(frame1_, {"1", "2"}, 0, twips(2760, 1560, 1215, 360));
    cbStopBits_->setObjectName(QStringLiteral("cbStopBits"));

    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    auto box = [&](int index, const QString& text, int maxLength, QRect geometry) {
        auto* e = new QLineEdit(text, frame1_);
        e->setObjectName(QStringLiteral("txtTime_%1").arg(index));
        e->setMaxLength(maxLength);
        e->setValidator(digits);
        e->setGeometry(geometry);
        e->installEventFilter(this);
        txtTime_[index] = e;
    };
    label(QStringLiteral("Time Out Time : "), frame1_, twips(4440, 360, 1815, 375));
    box(1, kDefaultTimeout, 4, twips(6240, 360, 1215, 375));
    label(QStringLiteral("ms"), frame1_, twips(7560, 360, 495, 375));

    label(QStringLiteral("Repeat Test Count : "), frame1_, twips(4440, 960, 2175, 375));
    box(0, kDefaultRepeat, 3, twips(6720, 960, 735, 375));

    combo1_ = listOnly(frame1_, {"2W Half Duplex", "4W Half Duplex"}, 0, twips(4440, 1560, 3375, 360));
    combo1_->setObjectName(QStringLiteral("Combo1"));

    // The loading time only travels between Comm.Dat and LoadingTime.
    label(QStringLiteral("Loading Time : "), frame1_, twips(4440, 1560, 1815, 255))->hide();
    box(2, kDefaultLoading, 3, twips(6240, 1560, 1215, 375));
    txtTime_[2]->hide();
    label(QStringLiteral("ms"), frame1_, twips(7560, 1680, 495, 255))->hide();

    command1_ = button(QStringLiteral("Ok"), this, twips(120, 2640, 1695, 495));
    command2_ = button(QStringLiteral("Set Password"), this, twips(2280, 2640, 1695, 495));
    command3_ = button(QStringLiteral("Exit"), this, twips(6600, 2640, 1695, 495));
    command1_->setObjectName(QStringLiteral("Command1"));
    command2_->setObjectName(QStringLiteral("Command2"));
    command3_->setObjectName(QStringLiteral("Command3"));
    connect(command1_, &QPushButton::clicked, this, &CommForm::okClick);
    connect(command2_, &QPushButton::clicked, this, &CommForm::setPasswordClick);
    connect(command3_, &QPushButton::clicked, this, &CommForm::exitClick);

    LoadCommSettings();
    setWindowTitle(commFormCaption());
}

CommForm::~CommForm() {
    // After an unload the state may already be gone (the deletion is deferred).
    if (!unloaded_ && app_.commForm == this) app_.commForm = nullptr;
}

CommChoices CommForm::choices() const {
    CommChoices c;
    c.portIndex = cbPort_->currentIndex();
    c.baudIndex = cbBaudRate_->currentIndex();
    c.stopBitsIndex = cbStopBits_->currentIndex();
    c.lineIndex = combo1_->currentIndex();
    c.timeoutText = txtTime_[1]->text();
    c.loadingText = txtTime_[2]->text();
    c.repeatText = txtTime_[0]->text();
    return c;
}

void CommForm::setChoices(const CommChoices& c) {
    cbPort_->setCurrentIndex(c.portIndex);
    cbBaudRate_->setCurrentIndex(c.baudIndex);
    cbStopBits_->setCurrentIndex(c.stopBitsIndex);
    combo1_->setCurrentIndex(c.lineIndex);
    txtTime_[1]->setText(c.timeoutText);
    txtTime_[2]->setText(c.loadingText);
    txtTime_[0]->setText(c.repeatText);
}

void CommForm::LoadCommSettings() {
    CommChoices c = choices();
    loadCommDat(app_.AppFolder, c);
    setChoices(c);
}

bool CommForm::SaveCommSettings() {
    if (writeCommDat(app_.AppFolder, commDatText(choices()))) return true;
    common::showMessage(QStringLiteral("Warning"),
                        QStringLiteral("Comm.Dat Save Error! (") + commDatPath(app_.AppFolder) + QStringLiteral(")"),
                        common::Icon::Exclamation);
    return false;
}

void CommForm::ApplyCommSettings() { applyCommChoices(choices(), app_.link, rtu::serialTables()); }

void CommForm::unload() {
    if (unloaded_) return;
    unloaded_ = true;
    if (app_.commForm == this) app_.commForm = nullptr;
    ApplyCommSettings();
}

void CommForm::okClick() {
    SaveCommSettings();
    unload();
    // Shown before this window goes, so it is never the last window closing.
    if (app_.showMainWindow) app_.showMainWindow();
    QDialog::done(QDialog::Accepted);
}

void CommForm::setPasswordClick() {
    if (runLogin(app_, this)) runSetPassword(app_, this);
}

void CommForm::exitClick() {
    app_.ConfirmAnswer = 0;
    app_.ConfirmAnswer = int16_t(common::confirmAction(QStringLiteral("Exit")));
    if (app_.ConfirmAnswer == common::AnswerYes) endProgram(app_);
}

void CommForm::closeEvent(QCloseEvent* e) {
    unload();
    e->accept();
    // Ends a modal run; the window itself goes with WA_DeleteOnClose.
    QDialog::done(QDialog::Rejected);
}

void CommForm::reject() { close(); }

bool CommForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusIn) {
        for (QLineEdit* box : txtTime_)
            if (watched == box) QTimer::singleShot(0, box, [box] { box->selectAll(); });
    } else if (e->type() == QEvent::FocusOut && watched == txtTime_[1]) {
        const QString floored = timeoutFloor(txtTime_[1]->text());
        if (floored != txtTime_[1]->text()) txtTime_[1]->setText(floored);
    }
    return QDialog::eventFilter(watched, e);
}

CommForm* ensureCommForm(AppState& app) {
    if (!app.commForm) app.commForm = new CommForm(app);
    return app.commForm;
}

void showCommForm(AppState& app) {
    CommForm* f = ensureCommForm(app);
    f->show();
    f->raise();
    f->activateWindow();
}

void execCommForm(AppState& app) {
    CommForm* f = ensureCommForm(app);
    f->setWindowModality(Qt::ApplicationModal);
    const common::EventWait waiting;
    f->exec();
}

bool MainFormSaveCommSettings(AppState& app, int mainBaudPosition) {
    CommForm* f = ensureCommForm(app);
    const CommChoices c = f->choices();
    if (writeCommDat(app.AppFolder, commDatText(c, mainBaudPosition, c.lineIndex))) return true;
    common::showMessage(QStringLiteral("Warning"),
                        QStringLiteral("Comm.Dat Save Error! (") + commDatPath(app.AppFolder) + QStringLiteral(")"),
                        common::Icon::Exclamation);
    return false;
}

} // namespace shell
