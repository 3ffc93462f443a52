#pragma once
// Every message box, question, file dialog, colour dialog and beep of the program
// goes through this one interface, so tests can answer them by script.

#include <QColor>
#include <QString>
#include <optional>

namespace common {

enum class Icon { None, Stop, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
// Answers use the classic message-box result numbers (6 = Yes), which the
// program keeps in ConfirmAnswer.
enum Answer : int { AnswerOk = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7 };

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows a box and returns the answer. defaultAnswer picks the default button (0 = the first).
    virtual int message(const QString& title, const QString& text, Icon icon, Buttons buttons,
                        int defaultAnswer = 0) = 0;
    virtual void beep() = 0;
    // "" when the user cancels. filter uses Qt's form, e.g. "Data Log (*.CSV)". A name
    // typed without an extension into a save box gets the chosen filter's.
    virtual QString openFileName(const QString& title, const QString& filter, const QString& dir) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter, const QString& dir) = 0;
    // A save dialog for a file that is appended to: choosing an existing file is
    // not a replacement, so nothing asks about one.
    virtual QString appendFileName(const QString& title, const QString& filter, const QString& dir) {
        return saveFileName(title, filter, dir);
    }
    virtual std::optional<QColor> pickColor(const QColor& initial, const QString& title) = 0;
};

// The prompter in use: the Qt one unless a test installed another.
Prompter& prompter();
// Installs p (nullptr restores the Qt one). The caller keeps ownership.
void setPrompter(Prompter* p);

// Convenience forms used all over the program.
inline int showMessage(const QString& title, const QString& text, Icon icon = Icon::None) {
    return prompter().message(title, text, icon, Buttons::Ok);
}
inline void beep() { prompter().beep(); }

// "ReCheck !" question, Yes/No with No as default: "Do you want to <action> ?".
// Returns the answer (AnswerYes or AnswerNo).
int confirmAction(const QString& action);

// A file box's filter. File names are case-sensitive here, so the box lists the
// extension as written and in both cases: ("Data Log File", "CSV") gives
// "Data Log File (*.CSV *.csv)", and "Map" gives "(*.Map *.MAP *.map)".
QString fileFilter(const QString& description, const QString& extension);

// The extension a save box gives a name typed without one while this filter is
// chosen: its first pattern's, as written ("Map" for "Mapping File (*.Map *.map)");
// "" when that pattern takes any name ("All Files (*)"). Of a list of filters
// separated by ";;", the first.
QString filterExtension(const QString& filter);

} // namespace common
