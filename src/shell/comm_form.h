#pragma once
// The communication settings window: port, baud rate, stop bits, line type,
// reply time-out and repeat count, kept in Comm.Dat.
//
// Shown modeless at start-up ("Ok" then opens the main window) and modal from
// the main window. Every way of closing it but "Exit" applies the choices to
// the link; only "Ok" writes Comm.Dat.

#include "shell/comm_dat.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QGroupBox;

namespace shell {

struct AppState;

// "Setting Communication - PC Tool Ver : 1.0.0.<product>", from the build's version.
QString commFormCaption();

class CommForm : public QDialog {
    Q_OBJECT
public:
    // Loads the window: fills the lists, sets the defaults and reads Comm.Dat.
    explicit CommForm(AppState& app, QWidget* parent = nullptr);
    ~CommForm() override;

    CommChoices choices() const;
    void setChoices(const CommChoices& c);

    void LoadCommSettings();
    // Writes Comm.Dat; a failure shows a "Warning" box. Returns whether it was written.
    bool SaveCommSettings();
    void ApplyCommSettings();

    void okClick();          // "Ok"
    void setPasswordClick(); // "Set Password"
    void exitClick();        // "Exit"

    QComboBox* portBox() const { return cbPort_; }
    QComboBox* baudBox() const { return cbBaudRate_; }
    QComboBox* stopBitsBox() const { return cbStopBits_; }
    QComboBox* lineBox() const { return combo1_; }
    QLineEdit* timeoutBox() const { return txtTime_[1]; }
    QLineEdit* repeatBox() const { return txtTime_[0]; }
    QLineEdit* loadingBox() const { return txtTime_[2]; }
    QPushButton* okButton() const { return command1_; }
    QPushButton* setPasswordButton() const { return command2_; }
    QPushButton* exitButton() const { return command3_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override; // Escape: the same as the close box
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Applies the choices and takes the window away (the old "unload").
    void unload();

    AppState& app_;
    bool unloaded_ = false;
    QGroupBox* frame1_ = nullptr;
    QComboBox* cbPort_ = nullptr;
    QComboBox* cbBaudRate_ = nullptr;
    QComboBox* cbStopBits_ = nullptr;
    QComboBox* combo1_ = nullptr;
    QLineEdit* txtTime_[3] = {};
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QPushButton* command3_ = nullptr;
};

// The settings window if loaded, else a new one loaded hidden.
CommForm* ensureCommForm(AppState& app);
// Start-up: shows the window modeless.
void showCommForm(AppState& app);
// From the main window: shows it modally; returns when it has gone.
void execCommForm(AppState& app);

// The main window's rewrite of Comm.Dat after the meter's baud rate changed:
// line 2 is the main window's baud position, line 4 the line type as chosen,
// the rest what the settings window holds (loaded hidden when it is not).
bool MainFormSaveCommSettings(AppState& app, int mainBaudPosition);

} // namespace shell
