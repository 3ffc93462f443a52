#pragma once
// Rates that have no B-constant in <termios.h> (7200 bit/s on Linux). The kernel's
// termios2 interface takes any rate, but its header clashes with <termios.h>, so it
// lives in a translation unit of its own.

namespace platform::detail {

// Sets input and output rate of the open tty `fd` to `rate` bit/s, leaving every
// other setting as it is. Returns 0, or -1 with errno set.
int setCustomBaud(int fd, int rate);

// The output rate of `fd` in bit/s as the kernel holds it, or -1 with errno set.
int readCustomBaud(int fd);

} // namespace platform::detail
