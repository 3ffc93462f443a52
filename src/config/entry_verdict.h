#pragma once
// Entry checks as plain decisions: a field's text goes in, the verdict comes
// out (whether it passes, the box text, the text the field gets back, a beep).
// The page only shows the verdict, so every check can be tested without widgets.

#include "config/setup_framework.h"

#include <QString>
#include <optional>

class QLineEdit;

namespace config {

inline const QString DataKeyInError = QStringLiteral("Data Key In Error!");

struct EntryVerdict {
    bool accepted = true;
    double value = 0;                   // the leading number of the text (0 when it has none)
    QString message;                    // text of the "Error" box; empty when accepted
    std::optional<QString> replacement; // the text the field gets back, if any
    bool beep = false;
};

// A field with a low and a high limit (both allowed). Not a number: "Data Key
// In Error!" and notNumberText back. Below low (or at low with lowRefused):
// lowMessage and lowText back when given, else the entry stays; above high:
// highMessage and highText back when given.
struct FieldLimits {
    double low = 0;
    double high = 0;
    bool lowRefused = false;
    QString lowMessage, highMessage;
    QString notNumberText;
    std::optional<QString> lowText, highText;
};
EntryVerdict checkLimits(const QString& text, const FieldLimits& limits);
// Limits whose range messages leave the entry as typed.
FieldLimits fieldLimits(double low, double high, const QString& lowMessage, const QString& highMessage,
                        const QString& notNumberText);

// Shows a refusal: the beep, the "Error" box with the stop icon, the text put back.
void showVerdict(QLineEdit* field, const EntryVerdict& verdict);


} // namespace config
