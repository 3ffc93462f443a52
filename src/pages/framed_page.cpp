#include "pages/framed_page.h"

#include "pages/controls.h"

namespace pages {

FramedPage::FramedPage(shell::PageContext& app, int16_t index, const QString& title)
    : app_(app), ctx_(setupContext(app)), frame_(controls::pageFrame(index, title)), writes_(ctx_, frame_),
      index_(index) {}

FramedPage::~FramedPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

} // namespace pages
