#include "platform/serial_custom_baud.h"

#include <cerrno>

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace platform::detail {

#if defined(__linux__) && defined(TCGETS2) && defined(BOTHER)

int setCustomBaud(int fd, int rate) {
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0) return -1;
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = static_cast<speed_t>(rate);
    tio.c_ospeed = static_cast<speed_t>(rate);
    return ::ioctl(fd, TCSETS2, &tio) == 0 ? 0 : -1;
}

int readCustomBaud(int fd) {
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0) return -1;
    return static_cast<int>(tio.c_ospeed);
}

#else

int setCustomBaud(int, int) {
    errno = EINVAL;
    return -1;
}

int readCustomBaud(int) {
    errno = EINVAL;
    return -1;
}

#endif

} // namespace platform::detail
