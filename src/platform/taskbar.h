#pragma once
// The desktop's task bar, which the main window hides on small screens and shows
// again at exit. Linux desktops have no bar the program may move, so the layer
// does nothing unless a test or a port installs a bar of its own.

namespace platform {

class TaskBar {
public:
    virtual ~TaskBar() = default;
    virtual void hide() {}
    virtual void show() {}
};

// The bar in use (a do-nothing bar unless another was installed).
TaskBar& taskBar();
// Installs bar (nullptr restores the do-nothing bar). The caller keeps ownership.
void setTaskBar(TaskBar* bar);

} // namespace platform
