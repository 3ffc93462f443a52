#include "support/scripted_prompter.h"

using common::Buttons;

namespace {

// What a box answers when the script has nothing queued: its default button.
int defaultButtonAnswer(Buttons buttons, int defaultAnswer) {
    if (defaultAnswer != 0) return defaultAnswer;
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? common::AnswerYes
                                                                          : common::AnswerOk;
}

} // namespace

bool ScriptedPrompter::sawText(const QString& text) const {
    for (const Box& b : boxes)
        if (b.text.contains(text)) return true;
    return false;
}

int ScriptedPrompter::count(const QString& title) const {
    int n = 0;
    for (const Box& b : boxes)
        if (b.title == title) ++n;
    return n;
}

int ScriptedPrompter::message(const QString& title, const QString& text, common::Icon icon, Buttons buttons,
                              int defaultAnswer) {
    boxes.push_back(Box{title, text, icon, buttons, defaultAnswer});
    if (onMessage) {
        // Copy: the hook may cause further boxes, which can reallocate the vector.
        const Box box = boxes.back();
        if (const int answer = onMessage(box); answer != 0) return answer;
    }
    if (!answers_.empty()) {
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    return defaultButtonAnswer(buttons, defaultAnswer);
}

QString ScriptedPrompter::nextFile() {
    if (files_.empty()) return QString();
    QString path = files_.front();
    files_.pop_front();
    return path;
}

QString ScriptedPrompter::openFileName(const QString& title, const QString& filter, const QString& dir) {
    dialogs.push_back(Dialog{DialogKind::Open, title, filter, dir});
    return nextFile();
}

QString ScriptedPrompter::saveFileName(const QString& title, const QString& filter, const QString& dir) {
    dialogs.push_back(Dialog{DialogKind::Save, title, filter, dir});
    return nextFile();
}

std::optional<QColor> ScriptedPrompter::pickColor(const QColor&, const QString& title) {
    dialogs.push_back(Dialog{DialogKind::Color, title, QString(), QString()});
    if (colors_.empty()) return std::nullopt;
    std::optional<QColor> color = colors_.front();
    colors_.pop_front();
    return color;
}

ScopedPrompter::ScopedPrompter(common::Prompter& p) : previous_(&common::prompter()) {
    common::setPrompter(&p);
}

ScopedPrompter::~ScopedPrompter() { common::setPrompter(previous_); }
