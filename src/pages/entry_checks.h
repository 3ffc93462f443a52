#pragma once
// The entry checks of the pages' fields. A field's check runs when the person leaves
// it (a click elsewhere, Tab, Enter), not when another program or the field's own
// menu comes to the front. The checks are plain decisions (text in, verdict out), so
// every check is tested without widgets; the page only shows the verdict.

#include <QString>
#include <functional>
#include <optional>

class QLineEdit;
class QWidget;

namespace pages {

inline const QString DataKeyInError = QStringLiteral("Data Key In Error!");

// Selects the whole text when the person goes into the field and runs check when the
// person leaves it. The watcher belongs to the field.
void watchField(QLineEdit* field, std::function<void()> check);
// Runs fn when w gets the focus (after the field watcher's own work).
void onFocusIn(QWidget* w, std::function<void()> fn);

// Whether a text is a number as a user types one ("12", " 12.5", "-3", ".5").
bool isNumericEntry(const QString& text);

// One range message for both limits; the default comes back after either box.
struct CombinedCheck {
    double low = 0, high = 0;
    QString rangeMessage;
    QString defaultText;
};
// Separate limits: a beep and "< (Low Limit)" / "> (High Limit)", the typed text
// stays; only a non-numeric entry gets the default back.
struct SeparateCheck {
    double low = 0, high = 0;
    QString defaultText;
};
enum class EntryResult { Ok, NotNumeric, OutOfRange };
EntryResult checkEntry(QLineEdit* field, const CombinedCheck& check);
EntryResult checkEntry(QLineEdit* field, const SeparateCheck& check);

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

} // namespace pages
