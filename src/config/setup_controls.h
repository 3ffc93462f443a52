#pragma once
// The controls of the set-up pages, made at their design places (twips) and
// named as the page's control arrays are ("cbDemand_1", "obPO_8"), so that the
// meter identification and the tests find them; and the frame Tag in which an
// option group keeps its code.

#include "shell/page.h"

#include <QString>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace config::controls {

using shell::placeTwips;

// A page's own frame, "frmProgram_<index>", hidden until its page is chosen.
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

// An option group's code as its frame keeps it, decimal text ("" when none).
QString tag(const QWidget* frame);
void setTag(QWidget* frame, const QString& tag);

// The user may type at most maxTyped characters; a longer text read from the
// meter (showReadText) is still shown whole, so that nothing of it is lost, and
// the limit holds again once the user has shortened it.
void limitTyping(QLineEdit* entry, int maxTyped);
void showReadText(QLineEdit* entry, const QString& text);

} // namespace config::controls
