#include "platform/taskbar.h"

namespace platform {
namespace {
TaskBar noBar;
TaskBar* current = &noBar;
} // namespace

TaskBar& taskBar() { return *current; }

void setTaskBar(TaskBar* bar) { current = bar ? bar : &noBar; }

} // namespace platform
