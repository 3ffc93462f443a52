#pragma once
// A page with a frame of its own (a QGroupBox captioned with the page's title, named
// "frmProgram_<index>", hidden until its page is chosen) that carries out its steps
// itself, and the context through which it reads and writes. Every page family's
// pages stand on it.

#include "pages/form_values.h"
#include "pages/setup_context.h"
#include "shell/page.h"

#include <QGroupBox>
#include <QPointer>
#include <QString>

namespace shell {
class PageContext;
}

namespace pages {

class FramedPage : public shell::Page {
public:
    ~FramedPage() override;

    int16_t index() const override { return index_; }
    QWidget* widget() override { return frame_; }
    bool hasStepWork() const override { return true; }
    bool askWrite(int16_t step) override {
        writes_.ask(step);
        return true;
    }

protected:
    FramedPage(shell::PageContext& app, int16_t index, const QString& title);

    shell::PageContext& app_;
    SetupContext ctx_;
    // Deleted with the page when no window took it.
    QPointer<QGroupBox> frame_;
    // The writes of the values the frame shows, asked by the person.
    FormWrites writes_;

private:
    int16_t index_;
};

} // namespace pages
