#include "tou/tou_entry.h"

#include "pages/confirmed_write.h"
#include "tou/tou_editors.h"

#include <QLineEdit>
#include <QValidator>
#include <optional>
#include <utility>

namespace tou {

namespace {

// Takes the line breaks out; an unsavable character makes the edit invalid, so
// the entry undoes it, and the character is kept for the box.
class FileTextValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& text, int& pos) const override {
        if (const std::optional<char32_t> c = firstUnsavableCharacter(withoutLineBreaks(text))) {
            refused_ = *c;
            return Invalid;
        }
        const QString kept = withoutLineBreaks(text);
        if (kept != text) {
            // The cursor stays behind what was typed before it.
            pos = int(withoutLineBreaks(text.left(pos)).size());
            text = kept;
        }
        return Acceptable;
    }
    std::optional<char32_t> takeRefused() const { return std::exchange(refused_, std::nullopt); }

private:
    mutable std::optional<char32_t> refused_;
};

} // namespace

void guardFileEntry(QLineEdit* entry) {
    if (!entry) return;
    auto* validator = new FileTextValidator(entry);
    entry->setValidator(validator);
    // A text the program puts in is no refused entry.
    QObject::connect(entry, &QLineEdit::textChanged, validator, [validator] { validator->takeRefused(); });
    QObject::connect(entry, &QLineEdit::inputRejected, entry, [validator] {
        // Also emitted for a text longer than the entry takes: only a refused character is reported.
        if (const std::optional<char32_t> c = validator->takeRefused())
            pages::showErrorBox(unsavableCharacterMessage(*c));
    });
}

} // namespace tou
