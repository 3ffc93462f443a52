#include "pages/entry_checks.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "pages/confirmed_write.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>
#include <cmath>

namespace pages {

namespace {

class FieldWatcher : public QObject {
public:
    FieldWatcher(QLineEdit* field, std::function<void()> check) : QObject(field), field_(field), check_(std::move(check)) {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != field_) return false;
        if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) return false;
        // Another program or the field's menu coming to the front neither enters nor leaves it.
        if (!common::focusMovedByPerson(static_cast<QFocusEvent*>(event)->reason())) return false;
        if (event->type() == QEvent::FocusIn) {
            // After the click that gave the focus has placed the cursor.
            QTimer::singleShot(0, field_, [f = field_] { f->selectAll(); });
        } else if (check_) {
            check_();
        }
        return false;
    }

private:
    QLineEdit* field_;
    std::function<void()> check_;
};

class FocusInWatcher : public QObject {
public:
    FocusInWatcher(QWidget* w, std::function<void()> fn) : QObject(w), fn_(std::move(fn)) { w->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusIn && fn_) fn_();
        return false;
    }

private:
    std::function<void()> fn_;
};

// The first step of both checks: a text that is no number is refused and
// replaced by the default.
bool refusedAsNotNumeric(QLineEdit* field, const QString& defaultText) {
    if (isNumericEntry(field->text())) return false;
    showErrorBox(DataKeyInError);
    field->setText(defaultText);
    return true;
}

} // namespace

void watchField(QLineEdit* field, std::function<void()> check) {
    if (field) new FieldWatcher(field, std::move(check));
}

void onFocusIn(QWidget* w, std::function<void()> fn) {
    if (w) new FocusInWatcher(w, std::move(fn));
}

bool isNumericEntry(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    bool ok = false;
    const double v = t.toDouble(&ok); // C locale: "." is the decimal separator
    return ok && std::isfinite(v);
}

EntryResult checkEntry(QLineEdit* field, const CombinedCheck& check) {
    if (!field) return EntryResult::Ok;
    if (refusedAsNotNumeric(field, check.defaultText)) return EntryResult::NotNumeric;
    const double v = common::leadingNumber(field->text());
    if (v < check.low || v > check.high) {
        showErrorBox(check.rangeMessage);
        field->setText(check.defaultText);
        return EntryResult::OutOfRange;
    }
    return EntryResult::Ok;
}

EntryResult checkEntry(QLineEdit* field, const SeparateCheck& check) {
    if (!field) return EntryResult::Ok;
    if (refusedAsNotNumeric(field, check.defaultText)) return EntryResult::NotNumeric;
    const double v = common::leadingNumber(field->text());
    if (v < check.low) {
        common::beep();
        showErrorBox(QStringLiteral("< (Low Limit)"));
        return EntryResult::OutOfRange;
    }
    if (v > check.high) {
        common::beep();
        showErrorBox(QStringLiteral("> (High Limit)"));
        return EntryResult::OutOfRange;
    }
    return EntryResult::Ok;
}

EntryVerdict checkLimits(const QString& text, const FieldLimits& limits) {
    EntryVerdict v;
    if (!isNumericEntry(text)) {
        v.accepted = false;
        v.message = DataKeyInError;
        v.replacement = limits.notNumberText;
        return v;
    }
    v.value = common::leadingNumber(text);
    if (v.value < limits.low || (limits.lowRefused && v.value == limits.low)) {
        v.accepted = false;
        v.message = limits.lowMessage;
        v.replacement = limits.lowText;
    } else if (v.value > limits.high) {
        v.accepted = false;
        v.message = limits.highMessage;
        v.replacement = limits.highText;
    }
    return v;
}

FieldLimits fieldLimits(double low, double high, const QString& lowMessage, const QString& highMessage,
                        const QString& notNumberText) {
    FieldLimits l;
    l.low = low;
    l.high = high;
    l.lowMessage = lowMessage;
    l.highMessage = highMessage;
    l.notNumberText = notNumberText;
    return l;
}

void showVerdict(QLineEdit* field, const EntryVerdict& verdict) {
    if (verdict.accepted) return;
    if (verdict.beep) common::beep();
    showErrorBox(verdict.message);
    if (field && verdict.replacement) field->setText(*verdict.replacement);
}

} // namespace pages
