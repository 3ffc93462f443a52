#pragma once
// The controls of the pages, made at their design places (twips) and named as the
// page's control arrays are ("cbDemand_1", "obPO_8"), so that the meter identification
// and the tests find them; the frame Tag in which an option group keeps its code; and
// the typing limit that never cuts a value the program shows.

#include "shell/page.h"

#include <QString>
#include <QStringList>
#include <array>

namespace common {
struct PageState;
}

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace pages {

using shell::placeTwips;

// Control makers: each names the control (the object name is the control's name,
// "cmdReset_3" for a member of an array) and places it in its parent.
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top, int width,
                  int height = 255);
// maxLength limits what the person types (limitTyping); 0: no limit.
QLineEdit* makeEntry(QWidget* parent, const QString& name, const QString& text, int maxLength, int left, int top,
                     int width);
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                        int height = 375);
QComboBox* makeList(QWidget* parent, const QString& name, int left, int top, int width);
QGroupBox* makeGroup(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                     int height);
QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width);
QCheckBox* makeCheck(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width);

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

namespace controls {

// The set-up pages' makers: one row height for lists, entries, labels and options.
QGroupBox* pageFrame(int index, const QString& caption);
QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                 int height);
QLabel* label(QWidget* parent, const QString& name, const QString& text, int left, int top, int width);
QLineEdit* entry(QWidget* parent, const QString& name, const QString& text, int left, int top, int width);
QComboBox* list(QWidget* parent, const QString& name, int left, int top, int width);
QPushButton* button(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width);
QRadioButton* option(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width);

// Clears the list and fills it with items, index 0 (or `selected`) chosen.
void fill(QComboBox* list, const QStringList& items, int selected = 0);

// The property in which an option group's frame keeps its code.
inline constexpr const char* TagProperty = "Tag";
// An option group's code as its frame keeps it, decimal text ("" when none).
QString tag(const QWidget* frame);
void setTag(QWidget* frame, const QString& tag);

// The user may type at most maxTyped characters; a longer text read from the
// meter (showReadText) is still shown whole, so that nothing of it is lost, and
// the limit holds again once the user has shortened it.
void limitTyping(QLineEdit* entry, int maxTyped);
void showReadText(QLineEdit* entry, const QString& text);

// A decoder showing what it read, unless the person is typing in the control or
// edited it during the page work under way (readMayFill): what the person did stays.
// True when the control now shows the value.
bool showRead(const common::PageState& page, QLineEdit* entry, const QString& text);
bool showRead(const common::PageState& page, QComboBox* list, int index);
bool showRead(const common::PageState& page, QAbstractButton* option, bool checked);

} // namespace controls

} // namespace pages
