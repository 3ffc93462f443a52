#pragma once
// What a page's write sends: the values its controls showed when the person asked for
// the write, whatever the page shows by the time the write's turn comes.

#include "common/app_state.h"
#include "pages/setup_context.h"

#include <QPointer>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

class QAbstractButton;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QObject;
class QWidget;

namespace common {
struct PageState;
}

namespace pages {

class FormValues {
public:
    // Every entry, list, check or option, and option group's code, inside frame as shown
    // now, with what the fields stand for (PageState::FormSerial) and whether they were
    // read from the meter for it.
    static FormValues take(const QWidget* frame, const common::PageState& page);

    // The values taken; a control that was not taken answers as it is now.
    QString text(const QLineEdit* entry) const;
    QString displayText(const QLineEdit* entry) const; // with an input mask's blanks
    int index(const QComboBox* list) const;
    QString currentText(const QComboBox* list) const; // the item at index()
    bool checked(const QAbstractButton* option) const;
    QString tag(const QWidget* group) const; // an option group's code

    uint32_t serial() const { return serial_; }
    // Taken before the page's values were read for what the fields stand for: the
    // write reads them first (takeRead), since a value neither read nor typed is no
    // value of the meter's.
    bool needsRead() const { return needsRead_; }
    // A value the read gave a control; kept only where the person had not typed.
    void takeRead(const void* control, const QVariant& value);
    void readDone() { needsRead_ = false; }

private:
    struct Value {
        QVariant value;
        QString display; // an entry's text as shown
        bool typed = false; // typed (chosen, clicked) by the person for what the fields stand for
    };
    static const Value* find(const std::unordered_map<const void*, Value>& in, const void* control);

    std::unordered_map<const void*, Value> values_; // entries, lists, checks and options
    std::unordered_map<const void*, Value> tags_;   // option groups' codes
    uint32_t serial_ = 0;
    bool needsRead_ = false;
};

// The writes of one page's values, asked by the person and served in turn.
class FormWrites {
public:
    // frame: the page's frame, which the page may make after this.
    FormWrites(const SetupContext& ctx, const QPointer<QGroupBox>& frame) : ctx_(ctx), frame_(frame) {}

    // The person asks for the write of step: the page's values as shown now go with it.
    // setUp and origin as for PageState::askStep.
    void ask(int16_t step, common::PageState::AskSetUp setUp = {}, const void* origin = nullptr);

    // The page's read of its values for what the fields stand for now: true when the
    // meter answered. A reply that comes once they stand for something else shows nothing.
    using Read = std::function<bool(const FormValues& form)>;
    bool readShown(const std::function<bool()>& read);

    // At the write's turn: what it sends, as taken when it was asked (as shown now for a
    // write step reached without an ask). Taken before the page's values were read, read
    // runs first for what the form stood for: it fills what the person had not typed.
    // nullptr, with a box that says why and the page moved to unreadStep, when that read
    // failed: nothing may be sent.
    std::shared_ptr<const FormValues> take(int16_t unreadStep, const Read& read);
    // The same, for a write that reads what it lacks itself: the values as taken, never read here.
    std::shared_ptr<const FormValues> takeAsAsked();

private:
    SetupContext ctx_;
    const QPointer<QGroupBox>& frame_;
};

// A person's edit of the control, for what the page's fields stand for now: a write
// asked before the page's values were read keeps it over what the read gives.
void markTyped(const common::PageState& page, QObject* control);
// Whether the person edited the control for what the fields stood for at serial.
bool typedFor(const QObject* control, uint32_t serial);

} // namespace pages
