#include "pages/controls.h"

#include "pages/setup_context.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVariant>
#include <algorithm>

namespace pages {

namespace {

constexpr int kRowHeight = 315; // the set-up pages' lists, entries, labels and options
constexpr int kButtonHeight = 375;
const char* const kMaxTypedProperty = "maxTyped";

template <class W>
W* made(W* w, const QString& name, int left, int top, int width, int height) {
    w->setObjectName(name);
    placeTwips(w, left, top, width, height);
    return w;
}

} // namespace

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top, int width,
                  int height) {
    return made(new QLabel(text, parent), name, left, top, width, height);
}

QLineEdit* makeEntry(QWidget* parent, const QString& name, const QString& text, int maxLength, int left, int top,
                     int width) {
    auto* e = made(new QLineEdit(text, parent), name, left, top, width, kRowHeight);
    if (maxLength > 0) controls::limitTyping(e, maxLength);
    return e;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                        int height) {
    return made(new QPushButton(caption, parent), name, left, top, width, height);
}

QComboBox* makeList(QWidget* parent, const QString& name, int left, int top, int width) {
    return made(new QComboBox(parent), name, left, top, width, kRowHeight);
}

QGroupBox* makeGroup(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                     int height) {
    return made(new QGroupBox(caption, parent), name, left, top, width, height);
}

QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width) {
    return made(new QRadioButton(caption, parent), name, left, top, width, 255);
}

QCheckBox* makeCheck(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width) {
    return made(new QCheckBox(caption, parent), name, left, top, width, 255);
}

namespace controls {

QGroupBox* pageFrame(int index, const QString& caption) {
    auto* f = new QGroupBox(caption);
    f->setObjectName(QStringLiteral("frmProgram_%1").arg(index));
    f->hide();
    return f;
}

QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                 int height) {
    return makeGroup(parent, name, caption, left, top, width, height);
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, int left, int top, int width) {
    return makeLabel(parent, name, text, left, top, width, kRowHeight);
}

QLineEdit* entry(QWidget* parent, const QString& name, const QString& text, int left, int top, int width) {
    return makeEntry(parent, name, text, 0, left, top, width);
}

QComboBox* list(QWidget* parent, const QString& name, int left, int top, int width) {
    return makeList(parent, name, left, top, width);
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width) {
    return makeButton(parent, name, caption, left, top, width, kButtonHeight);
}

QRadioButton* option(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width) {
    return made(new QRadioButton(caption, parent), name, left, top, width, kRowHeight);
}

void fill(QComboBox* list, const QStringList& items, int selected) {
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(selected);
}

QString tag(const QWidget* frame) { return frame ? frame->property(TagProperty).toString() : QString(); }

void setTag(QWidget* frame, const QString& tag) {
    if (frame) frame->setProperty(TagProperty, tag);
}

void limitTyping(QLineEdit* entry, int maxTyped) {
    entry->setProperty(kMaxTypedProperty, maxTyped);
    entry->setMaxLength(maxTyped);
    QObject::connect(entry, &QLineEdit::textEdited, entry, [entry, maxTyped](const QString& text) {
        if (text.size() <= maxTyped) entry->setMaxLength(maxTyped);
    });
}

void showReadText(QLineEdit* entry, const QString& text) {
    // Setting a text longer than the limit would cut it: widen the limit first.
    const int maxTyped = entry->property(kMaxTypedProperty).toInt();
    if (maxTyped > 0) entry->setMaxLength(std::max(maxTyped, int(text.size())));
    entry->setText(text);
}

bool showRead(const common::PageState& page, QLineEdit* entry, const QString& text) {
    if (page.ReadTap) page.ReadTap(entry, text);
    if (!readMayFill(page, entry)) return false;
    showReadText(entry, text);
    return true;
}

bool showRead(const common::PageState& page, QComboBox* list, int index) {
    if (page.ReadTap) page.ReadTap(list, index);
    if (!readMayFill(page, list)) return false;
    list->setCurrentIndex(index);
    return true;
}

bool showRead(const common::PageState& page, QAbstractButton* option, bool checked) {
    if (page.ReadTap) page.ReadTap(option, checked);
    if (!readMayFill(page, option)) return false;
    option->setChecked(checked);
    return true;
}

} // namespace controls

} // namespace pages
