#pragma once
// The meter-selection panel of the main window: the scan over a range of
// addresses ("Group" frame), the found meters with paging ("Address" frame),
// the address box and "Read Address" ("Program" frame), and the "Setup" frame
// that gives a meter a new address or baud rate.
//
// A meter becomes the selected meter only through the address check of the
// address box; the scan, the found list, "Read Address" and the address change
// all end there. Every direct exchange here holds the link, so the poll
// scheduler does not tick into it and "Comm" waits for its end.

#include "link/meter_scan.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <vector>
#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace common {
struct PageState;
struct DataLogSet;
} // namespace common

namespace shell {

class Application;
class MainForm;
struct AppState;
struct PageServices;

// Tells of every event of one type that the application delivers, without taking it.
class EventWatch : public QObject {
    Q_OBJECT
public:
    EventWatch(QEvent::Type type, QObject* parent) : QObject(parent), type_(type) {}
signals:
    void seen();

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == type_) emit seen();
        return false;
    }

private:
    QEvent::Type type_;
};

class AddressPanel : public QObject {
    Q_OBJECT
public:
    static constexpr int FoundButtons = 20;

    // Builds the panel's controls into the main window's frames.
    AddressPanel(Application& program, MainForm& form);

    // --- handlers ---------------------------------------------------------------------
    void cmdGroup_Click();          // "Scan"
    void cmdScan_Click();           // "Stop   Scan   Meter"
    void cmdAddress_Click(int index); // 0 "<", 1 ">"
    void optAddress_Click(int index); // a found meter picked (or marked by the program)
    void Frame1_Click(int index);   // back to no meter: 0 also empties the found list
    void txtGroup_GotFocus(int index);
    void txtGroup_LostFocus(int index);
    void txtAddress_GotFocus();
    void txtAddress_LostFocus();    // the address check and selection
    void cmdReadAddress_Click();    // "Read Address"
    void cmdSetup_Click(int index); // 0 address, 1 baud rate

    // --- controls and state -------------------------------------------------------------
    QLineEdit* txtGroup(int index) const;
    QPushButton* cmdGroup() const { return cmdGroup_; }
    QPushButton* cmdScan() const { return cmdScan_; }
    QRadioButton* optAddress(int index) const;
    QPushButton* cmdAddress(int index) const;
    QPushButton* cmdReadAddress() const { return cmdReadAddress_; }
    QLineEdit* txtSetAddress() const { return txtSetAddress_; }
    QPushButton* cmdSetup(int index) const;
    // The found-meter button that carries the cyan highlight.
    bool optAddressHighlighted(int index) const;
    // Frame1(1).Tag: the button highlighted last.
    int highlightedButton() const { return highlighted_; }
    const rtu::AddressFlags& AddressFound() const { return addressFound_; }
    rtu::AddressFlags& AddressFound() { return addressFound_; }
    bool scanRunning() const { return scanning_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Installs this panel as the object's event filter, to be removed when the window goes.
    void watch(QObject* object);
    std::vector<QPointer<QObject>> watched_;
    QPointer<QWidget> focusBefore_;
    void buildControls();
    void offerSaveConfig();
    void resetFoundButton(int index);
    void setHighlight(int index, bool on);
    void markFoundButton(int index);
    void putAddressAndCheck(const QString& text);
    // The box was left by a mouse press: its check runs once that press has reached
    // the control it was meant for.
    void checkAfterPress();
    void stopDataLogs();
    // Started inside another exchange's wait, a direct operation runs a little later.
    // Runs work as an operation that owns the link: now, or once the running
    // operation has ended when the caller came in during one of its waits. A meter
    // change ends the running operation first (it was for the meter that was).
    void asOperation(const QString& name, std::function<void()> work, bool meterChange = false);
    void runScan();
    void runAddressCheck();
    void runReadAddress();
    void runSetup(int index);
    void runFrame1(int index);
    void runOptAddress(int index);

    Application& program_;
    MainForm& form_;
    AppState& app_;
    common::PageState& page_;
    rtu::ModbusMaster& master_;
    PageServices& svc_;

    std::array<QLineEdit*, 2> txtGroup_{};
    QPushButton* cmdGroup_ = nullptr;
    QPushButton* cmdScan_ = nullptr;
    std::array<QRadioButton*, FoundButtons> optAddress_{};
    std::array<bool, FoundButtons> cyan_{};
    std::array<QPushButton*, 2> cmdAddress_{};
    QPushButton* cmdReadAddress_ = nullptr;
    QLineEdit* txtSetAddress_ = nullptr;
    std::array<QPushButton*, 2> cmdSetup_{};

    rtu::AddressFlags addressFound_{};
    int highlighted_ = 0;      // Frame1(1).Tag
    bool stopRequested_ = false; // cmdScan.Tag
    bool scanning_ = false;
    bool checking_ = false;    // the address check is running: focus changes inside it do nothing
    bool checkPending_ = false; // the box was left by a mouse press whose click is not over yet
    EventWatch* releaseWatch_ = nullptr;
};

// The panel of a main window, or nullptr when meter selection is not installed.
AddressPanel* addressPanel(MainForm& form);

// Builds the meter-selection panel into the program's main window, registers the
// address-reply decoder and fills the PageServices hooks txtAddress_LostFocus,
// SetupMeterAddress and SetupMeterBaudRate.
void installMeterSelection(Application& program);

} // namespace shell
