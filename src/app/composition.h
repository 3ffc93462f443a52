#pragma once
// The whole program put together: every built page and service installed into
// the application, in the order in which they depend on each other.

namespace shell {
class Application;
}

namespace app {

void installAllPages(shell::Application& program);

} // namespace app
