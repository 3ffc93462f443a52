#pragma once
// What the relay, analog, clock, preset-and-reset and simulation pages share as
// page classes: a framed page that owns its step work, the makers of its
// controls placed in twips, the sending of an exchange to the selected meter,
// and the confirmed write that goes out one frame per channel.

#include "config/exchange_sequence.h"
#include "config/setup_framework.h"
#include "shell/page.h"

#include <QGroupBox>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QCheckBox;

namespace shell {
class PageContext;
}

namespace config {

// Places w in its parent at a design position in twips.
using shell::placeTwips;

// Control makers: each names the control (the object name is the control's name,
// "cmdReset_3" for a member of an array) and places it in its parent.
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top, int width,
                  int height = 255);
QLineEdit* makeEntry(QWidget* parent, const QString& name, const QString& text, int maxLength, int left, int top,
                     int width);
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                        int height = 375);
QComboBox* makeList(QWidget* parent, const QString& name, int left, int top, int width);
QGroupBox* makeGroup(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                     int height);
QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width);
QCheckBox* makeCheck(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width);

// Runs fn when w gets the focus (after the field watcher's own work).
void onFocusIn(QWidget* w, std::function<void()> fn);

// A control of the main window found by its name from a page's frame (the
// frame must have joined the window); nullptr when there is none.
template <typename T>
T* windowControl(QWidget* frame, const QString& name) {
    QWidget* top = frame ? frame->window() : nullptr;
    return top && top != frame ? top->findChild<T*>(name) : nullptr;
}

// A member of a control array; nullptr outside it.
template <typename T, size_t N>
T* member(const std::array<T*, N>& controls, int index) {
    return index >= 0 && size_t(index) < N ? controls[size_t(index)] : nullptr;
}

// A page with a frame of its own (a QGroupBox captioned with the page's title,
// named "frmProgram_<index>") that carries out its steps itself.
class FramedPage : public shell::Page {
public:
    FramedPage(shell::PageContext& app, int16_t index, const QString& title);
    ~FramedPage() override;

    int16_t index() const override { return index_; }
    QWidget* widget() override { return frame_; }
    bool hasStepWork() const override { return true; }

protected:
    shell::PageContext& app_;
    SetupContext ctx_;
    QPointer<QGroupBox> frame_;

private:
    int16_t index_;
};


// Sends one exchange to the selected meter with the write code. True when
// acknowledged; refused (LinkFailed, nothing sent) once the running operation
// was told to end or when no meter address can be sent.
bool sendExchange(const SetupContext& ctx, const Exchange& exchange);

// Sends the exchanges in order, stopping at the first that fails; each one
// acknowledged shows "Meter [<address>] <words> Ok!" in status panel 1 when
// address is given (the meter's address when the action began: "Off Line"
// may have cleared it since). Returns the index of the failed exchange, or -1.
int sendExchanges(const SetupContext& ctx, const std::vector<Exchange>& exchanges, const QString& address = {});

// A confirmed write of one frame per channel (relays, analog outputs and inputs):
// the checks of plan() before the question, "Do you want to <action> ?", the
// login, the frames in ascending order with one " Ok!" line each, and the first
// failed frame's " Error!" box. The page's step is idleStep while it runs and
// stepAfter(outcome) once it has ended.
struct ChannelWrite {
    int16_t idleStep = 0;
    QString action;
    std::function<WritePlan()> plan;
    std::function<int16_t(WriteOutcome)> stepAfter;
};
WriteOutcome runChannelWrite(const SetupContext& ctx, const ChannelWrite& write);

} // namespace config
