#include "common/prompter.h"

#include "common/shared_routines.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace common {
namespace {

QMessageBox::Icon toQtIcon(Icon icon) {
    switch (icon) {
    case Icon::Stop: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQtButtons(Buttons buttons) {
    switch (buttons) {
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::Ok: break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton firstButton(Buttons buttons) {
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? QMessageBox::Yes
                                                                          : QMessageBox::Ok;
}

QMessageBox::StandardButton toQtButton(int answer) {
    switch (answer) {
    case AnswerOk: return QMessageBox::Ok;
    case AnswerCancel: return QMessageBox::Cancel;
    case AnswerYes: return QMessageBox::Yes;
    case AnswerNo: return QMessageBox::No;
    default: return QMessageBox::NoButton;
    }
}

int toAnswer(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok: return AnswerOk;
    case QMessageBox::Cancel: return AnswerCancel;
    case QMessageBox::Yes: return AnswerYes;
    case QMessageBox::No: return AnswerNo;
    default: return 0;
    }
}

// The answer a box gives when it is closed without a button (Escape, close box).
int escapeAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::OkCancel:
    case Buttons::YesNoCancel: return AnswerCancel;
    case Buttons::YesNo: return AnswerNo;
    case Buttons::Ok: break;
    }
    return AnswerOk;
}

// A save box whose typed names without an extension get the chosen filter's, so
// that the program's own open boxes, which list by extension, find the file.
QString askSaveName(const QString& title, const QString& filter, const QString& dir, bool confirmReplace) {
    const EventWait waiting;
    QFileDialog box(QApplication::activeWindow(), title, dir, filter);
    box.setAcceptMode(QFileDialog::AcceptSave);
    box.setFileMode(QFileDialog::AnyFile);
    if (!confirmReplace) box.setOption(QFileDialog::DontConfirmOverwrite);
    box.setDefaultSuffix(filterExtension(box.selectedNameFilter()));
    QObject::connect(&box, &QFileDialog::filterSelected, &box,
                     [&box](const QString& chosen) { box.setDefaultSuffix(filterExtension(chosen)); });
    if (box.exec() != QDialog::Accepted) return QString();
    return box.selectedFiles().value(0);
}

class QtPrompter final : public Prompter {
public:
    int message(const QString& title, const QString& text, Icon icon, Buttons buttons,
                int defaultAnswer) override {
        QMessageBox box(toQtIcon(icon), title, text, toQtButtons(buttons), QApplication::activeWindow());
        QMessageBox::StandardButton def = toQtButton(defaultAnswer);
        if (def == QMessageBox::NoButton || !(toQtButtons(buttons) & def)) def = firstButton(buttons);
        box.setDefaultButton(def);
        const EventWait waiting; // a modal loop is a wait like any other
        box.exec();
        const int answer = toAnswer(box.standardButton(box.clickedButton()));
        return answer != 0 ? answer : escapeAnswer(buttons);
    }

    void beep() override { QApplication::beep(); }

    QString openFileName(const QString& title, const QString& filter, const QString& dir) override {
        const EventWait waiting;
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, dir, filter);
    }

    QString saveFileName(const QString& title, const QString& filter, const QString& dir) override {
        return askSaveName(title, filter, dir, true);
    }

    QString appendFileName(const QString& title, const QString& filter, const QString& dir) override {
        return askSaveName(title, filter, dir, false);
    }

    std::optional<QColor> pickColor(const QColor& initial, const QString& title) override {
        const EventWait waiting;
        const QColor chosen = QColorDialog::getColor(initial, QApplication::activeWindow(), title);
        if (!chosen.isValid()) return std::nullopt; // the user cancelled
        return chosen;
    }
};

QtPrompter& qtPrompter() {
    static QtPrompter instance;
    return instance;
}

Prompter* installed = nullptr;

} // namespace

Prompter& prompter() { return installed != nullptr ? *installed : qtPrompter(); }

void setPrompter(Prompter* p) { installed = p; }

int confirmAction(const QString& action) {
    return prompter().message(QStringLiteral("ReCheck !"),
                              QStringLiteral("Do you want to ") + action + QStringLiteral(" ?"),
                              Icon::Question, Buttons::YesNo, AnswerNo);
}

QString fileFilter(const QString& description, const QString& extension) {
    QStringList patterns;
    for (const QString& e : {extension, extension.toUpper(), extension.toLower()}) {
        const QString pattern = QStringLiteral("*.") + e;
        if (!patterns.contains(pattern)) patterns << pattern;
    }
    return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QString filterExtension(const QString& filter) {
    const QString first = filter.section(QStringLiteral(";;"), 0, 0);
    const qsizetype open = first.lastIndexOf(QLatin1Char('('));
    const qsizetype close = first.lastIndexOf(QLatin1Char(')'));
    const QString patterns = open >= 0 && close > open ? first.mid(open + 1, close - open - 1) : first;
    const QString pattern = patterns.simplified().section(QLatin1Char(' '), 0, 0);
    if (!pattern.startsWith(QStringLiteral("*."))) return QString();
    const QString extension = pattern.mid(2);
    if (extension.isEmpty() || extension.contains(QLatin1Char('*')) || extension.contains(QLatin1Char('?')))
        return QString();
    return extension;
}

} // namespace common
