#pragma once
// A page with a frame of its own (a QGroupBox captioned with the page's title, named
// "frmProgram_<index>", hidden until its page is chosen) that carries out its steps
// itself, and the context through which it reads and writes. Every page family's
// pages stand on it.

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

protected:
    FramedPage(shell::PageContext& app, int16_t index, const QString& title);

    shell::PageContext& app_;
    SetupContext ctx_;
    // Deleted with the page when no window took it.
    QPointer<QGroupBox> frame_;

private:
    int16_t index_;
};

} // namespace pages
