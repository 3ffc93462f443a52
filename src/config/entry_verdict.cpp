#include "config/entry_verdict.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "config/setup_framework.h"

#include <QLineEdit>

namespace config {

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

} // namespace config
