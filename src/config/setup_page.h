#pragma once
// What every set-up page class holds: its index, its frame "frmProgram_<index>"
// (deleted with the page when no window took it) and the set-up context through
// which it reads and writes; and its own step work.

#include "config/setup_framework.h"
#include "shell/page.h"

#include <QPointer>

class QGroupBox;

namespace config {

class SetupPage : public shell::Page {
public:
    ~SetupPage() override;

    int16_t index() const override { return index_; }
    QWidget* widget() override;
    bool hasStepWork() const override { return true; }

protected:
    SetupPage(shell::PageContext& app, int16_t index, const QString& caption);

    SetupContext ctx_;
    QPointer<QGroupBox> frame_;

private:
    int16_t index_;
};

} // namespace config
