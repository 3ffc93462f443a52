#pragma once
// A prompter for tests: records every box and dialog, counts beeps and answers
// from queues the test fills beforehand.

#include "common/prompter.h"

#include <QColor>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class ScriptedPrompter : public common::Prompter {
public:
    struct Box {
        QString title;
        QString text;
        common::Icon icon = common::Icon::None;
        common::Buttons buttons = common::Buttons::Ok;
        int defaultAnswer = 0;
    };
    enum class DialogKind { Open, Save, Color };
    struct Dialog {
        DialogKind kind = DialogKind::Open;
        QString title;
        QString filter; // empty for the colour dialog
        QString dir;    // empty for the colour dialog
    };

    // Queues the answer to the next box (AnswerOk, AnswerYes, ...).
    void answerNext(int answer) { answers_.push_back(answer); }
    // Queues the path the next file dialog returns ("" = cancelled).
    void fileNext(const QString& path) { files_.push_back(path); }
    // Queues the colour dialog's next result (nullopt = cancelled).
    void colorNext(std::optional<QColor> color) { colors_.push_back(color); }

    // Called while a box is "open", before the queue is looked at, so a test can
    // run events or check state at that moment. A non-zero result is the answer;
    // 0 falls back to the queue, then to the box's default button.
    std::function<int(const Box&)> onMessage;

    std::vector<Box> boxes;
    std::vector<Dialog> dialogs;
    int beeps = 0;

    // Whether any box text seen so far contains text.
    bool sawText(const QString& text) const;
    // How many boxes had exactly this title.
    int count(const QString& title) const;
    // Answers still queued (a test can check its script was used up).
    int pendingAnswers() const { return int(answers_.size()); }

    int message(const QString& title, const QString& text, common::Icon icon, common::Buttons buttons,
                int defaultAnswer = 0) override;
    void beep() override { ++beeps; }
    QString openFileName(const QString& title, const QString& filter, const QString& dir) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& dir) override;
    std::optional<QColor> pickColor(const QColor& initial, const QString& title) override;

private:
    QString nextFile();

    std::deque<int> answers_;
    std::deque<QString> files_;
    std::deque<std::optional<QColor>> colors_;
};

// Installs a prompter for the lifetime of this object and then puts back the
// one that was in use before.
class ScopedPrompter {
public:
    explicit ScopedPrompter(common::Prompter& p);
    explicit ScopedPrompter(common::Prompter* p) : ScopedPrompter(*p) {}
    ~ScopedPrompter();
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

private:
    common::Prompter* previous_;
};
