#include "config/setup_page.h"

#include "config/setup_controls.h"

#include <QGroupBox>

namespace config {

SetupPage::SetupPage(shell::PageContext& app, int16_t index, const QString& caption)
    : ctx_(setupContext(app)), frame_(controls::pageFrame(index, caption)), index_(index) {}

SetupPage::~SetupPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

QWidget* SetupPage::widget() { return frame_; }

} // namespace config
