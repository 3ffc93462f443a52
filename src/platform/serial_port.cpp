#include "platform/serial_port.h"

#include "platform/serial_custom_baud.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/serial.h>
#include <sys/sysmacros.h>
#endif

namespace platform {

namespace {

struct BaudEntry {
    int rate;
    speed_t speed; // 0 when <termios.h> has no constant for the rate
};

// Indexed by baud code.
constexpr BaudEntry kBauds[20] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},     {2400, B2400},
    {4800, B4800},
#ifdef B7200
    {7200, B7200},
#else
    {7200, 0},
#endif
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400},
#ifdef B460800
    {460800, B460800},
#else
    {460800, 0},
#endif
#ifdef B921600
    {921600, B921600},
#else
    {921600, 0},
#endif
};

// speed_t values are opaque codes on most systems: map them back to bit/s.
int rateForSpeed(speed_t s) {
    if (s == B0) return 0;
    for (const BaudEntry& e : kBauds)
        if (e.speed != 0 && e.speed == s) return e.rate;
    return -1;
}

bool isPtySlave(int fd) {
#if defined(__linux__)
    // Unix98 pty slaves use the character majors 136..143.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned maj = major(st.st_rdev);
    return maj >= 136 && maj <= 143;
#else
    (void)fd;
    return false;
#endif
}

class PosixSerialDevice final : public SerialDevice {
public:
    explicit PosixSerialDevice(PortResolver resolver) : resolver_(std::move(resolver)) {}
    ~PosixSerialDevice() override {
        for (auto& [port, p] : ports_) release(p.fd);
    }

    int open(int port) override {
        if (ports_.count(port)) return SIO_OPENFAIL;
        const std::string path = resolver_ ? resolver_(port) : resolvePortInFolder("", port);
        struct stat st {};
        if (path.empty() || ::stat(path.c_str(), &st) != 0) return SIO_OPENFAIL;

        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) {
            const int err = errno;
            // Busy (another program's exclusive lock) or no device behind the node:
            // "no such port or occupied" says it best. Anything else, notably
            // missing rights, is worth the system's own wording.
            if (err == EBUSY || err == ENOENT || err == ENXIO || err == ENODEV) return SIO_OPENFAIL;
            return fail(err);
        }

        struct termios tio {};
        if (::tcgetattr(fd, &tio) != 0) {
            const int err = errno;
            ::close(fd);
            // An existing path that is not a terminal is not a serial port.
            return err == ENOTTY ? SIO_OPENFAIL : fail(err);
        }
#ifdef TIOCEXCL
        // Keep other programs off the port while we hold it. Best effort: root is
        // not held back, and a device without the ioctl goes without.
        ::ioctl(fd, TIOCEXCL);
#endif
        // Raw bytes, no echo, no line editing, no modem-line waits; reads return
        // at once with whatever has arrived.
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
            const int err = errno;
            ::close(fd);
            return fail(err);
        }
        // Bytes left over from before the port was ours would be taken for a reply.
        ::tcflush(fd, TCIFLUSH);
        ports_[port] = Port{fd};
        return SIO_OK;
    }

    int ioctl(int port, int baudCode, int lineCode) override {
        Port* p = find(port);
        if (!p) return SIO_BADPORT;
        if (baudCode < 0 || baudCode >= 20 || (lineCode & ~0x3F) != 0) return SIO_BADPARM;

        struct termios tio {};
        if (::tcgetattr(p->fd, &tio) != 0) return fail(errno);

        static const tcflag_t sizes[4] = {CS5, CS6, CS7, CS8};
        tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD);
#ifdef CMSPAR
        tio.c_cflag &= ~tcflag_t(CMSPAR);
#endif
        tio.c_cflag |= sizes[lineCode & 0x03];
        if (lineCode & 0x04) tio.c_cflag |= CSTOPB;
        switch (lineCode & 0x38) {
        case 0x00: break;
        case 0x08: tio.c_cflag |= PARENB | PARODD; break;
        case 0x18: tio.c_cflag |= PARENB; break;
#ifdef CMSPAR
        case 0x28: tio.c_cflag |= PARENB | CMSPAR | PARODD; break; // mark: stick parity 1
        case 0x38: tio.c_cflag |= PARENB | CMSPAR; break;          // space: stick parity 0
#else
        case 0x28:
        case 0x38: return SIO_BOARDNOTSUPPORT;
#endif
        default: return SIO_BADPARM;
        }

        const BaudEntry& baud = kBauds[baudCode];
        if (baud.speed != 0) {
            ::cfsetispeed(&tio, baud.speed);
            ::cfsetospeed(&tio, baud.speed);
        }
        if (::tcsetattr(p->fd, TCSANOW, &tio) != 0) {
            const int err = errno;
            // A pty has no parity and answers EINVAL when parity was the only
            // change. The rest of the setting is still wanted: apply it without
            // parity; EINVAL again then means "nothing left to change".
            if (err != EINVAL || !(tio.c_cflag & PARENB) || !isPtySlave(p->fd)) return fail(err);
            tio.c_cflag &= ~(PARENB | PARODD);
#ifdef CMSPAR
            tio.c_cflag &= ~tcflag_t(CMSPAR);
#endif
            if (::tcsetattr(p->fd, TCSANOW, &tio) != 0 && errno != EINVAL) return fail(errno);
        }
        // A rate without a B-constant (7200) goes through the kernel's free-rate interface.
        if (baud.speed == 0 && detail::setCustomBaud(p->fd, baud.rate) != 0) return fail(errno);
        return SIO_OK;
    }

    int flowCtrl(int port, int mode) override {
        Port* p = find(port);
        if (!p) return SIO_BADPORT;
        if (mode & ~(FLOW_HW | FLOW_SW)) return SIO_BADPARM;
        struct termios tio {};
        if (::tcgetattr(p->fd, &tio) != 0) return fail(errno);
        const bool hw = (mode & FLOW_HW) != 0;
        tio.c_cflag &= ~tcflag_t(CRTSCTS);
        if (hw) tio.c_cflag |= CRTSCTS;
        tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
        if (mode & FLOW_SW) tio.c_iflag |= IXON | IXOFF;
        if (::tcsetattr(p->fd, TCSANOW, &tio) != 0) return fail(errno);
        p->hwFlow = hw;
        return SIO_OK;
    }

    int setDtr(int port, int state) override {
        Port* p = find(port);
        if (!p) return SIO_BADPORT;
        return setModemLine(p->fd, TIOCM_DTR, state);
    }

    int setRts(int port, int state) override {
        Port* p = find(port);
        if (!p) return SIO_BADPORT;
        if (p->hwFlow) return SIO_RTS_BY_HW; // the driver owns RTS then
        return setModemLine(p->fd, TIOCM_RTS, state);
    }

    int getBaud(int port) override {
        Port* p = find(port);
        if (!p) return SIO_BADPORT;
        struct termios tio {};
        if (::tcgetattr(p->fd, &tio) != 0) return fail(errno);
        int rate = rateForSpeed(::cfgetospeed(&tio));
        if (rate >= 0) return rate;
        rate = detail::readCustomBaud(p->fd); // a free rate such as 7200
        return rate >= 0 ? rate : SIO_BOARDNOTSUPPORT;
    }

    int read(int port, uint8_t* buf, int len) override {
        Port* p = find(port);
        if (!p) return SIO_BADPORT;
        if (len < 0 || (len > 0 && !buf)) return SIO_BADPARM;
        if (len == 0) return 0;
        const ssize_t n = ::read(p->fd, buf, static_cast<size_t>(len));
        if (n >= 0) return static_cast<int>(n);
        // EIO: the other end went away (a pty whose master closed, a USB adapter
        // pulled). There is simply nothing to read; the link notices the silence.
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == EIO) return 0;
        return fail(errno);
    }

    int write(int port, const uint8_t* buf, int len, int timeoutMs) override {
        Port* p = find(port);
        if (!p) return SIO_BADPORT;
        if (len < 0 || (len > 0 && !buf)) return SIO_BADPARM;
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
        int done = 0;
        while (done < len) {
            const ssize_t n = ::write(p->fd, buf + done, static_cast<size_t>(len - done));
            if (n > 0) {
                done += static_cast<int>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return fail(errno);
            // The driver's buffer is full: wait for room, but not past the deadline.
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return SIO_WRITETIMEOUT;
            struct pollfd pfd {p->fd, POLLOUT, 0};
            ::poll(&pfd, 1, static_cast<int>(left)); // a failure shows up in the next write
        }
        return len;
    }

    int dataStatus(int port) override {
        Port* p = find(port);
        if (!p) return SIO_BADPORT;
#if defined(__linux__) && defined(TIOCGICOUNT)
        // Ptys and some USB adapters keep no error counters: a line we can't
        // watch counts as clean. The link looks often; asked once is enough.
        if (p->noCounts) return 0;
        struct serial_icounter_struct now {};
        if (::ioctl(p->fd, TIOCGICOUNT, &now) != 0) {
            if (errno == ENOTTY || errno == EINVAL) p->noCounts = true;
            return 0;
        }
        int bits = 0;
        if (p->haveCounts) {
            // The counters only grow; any change since the last look is a new error.
            if (now.parity != p->last.parity) bits |= LINE_PARITY;
            if (now.frame != p->last.frame) bits |= LINE_FRAMING;
            if (now.overrun != p->last.overrun) bits |= LINE_OVERRUN;
            if (now.buf_overrun != p->last.buf_overrun) bits |= LINE_OVERFLOW;
        }
        p->last = now;
        p->haveCounts = true;
        return bits;
#else
        return 0;
#endif
    }

    int cntIrq(int port) override { return find(port) ? SIO_OK : SIO_BADPORT; }

    int close(int port) override {
        auto it = ports_.find(port);
        if (it == ports_.end()) return SIO_BADPORT;
        release(it->second.fd);
        ports_.erase(it);
        return SIO_OK;
    }

    int lastError() const override { return lastError_; }

    int readHandle(int port) const override {
        auto it = ports_.find(port);
        return it == ports_.end() ? -1 : it->second.fd;
    }

private:
    struct Port {
        int fd = -1;
        bool hwFlow = false;
        bool haveCounts = false; // the first status call after open only records the counters
        bool noCounts = false;   // the device keeps no error counters
#if defined(__linux__) && defined(TIOCGICOUNT)
        struct serial_icounter_struct last {};
#endif
    };

    Port* find(int port) {
        auto it = ports_.find(port);
        return it == ports_.end() ? nullptr : &it->second;
    }

    // The exclusive flag belongs to the tty, not to our descriptor: it would keep
    // the port locked (even against us) while any other process still holds it.
    static void release(int fd) {
#ifdef TIOCNXCL
        ::ioctl(fd, TIOCNXCL);
#endif
        ::close(fd);
    }

    int fail(int err) {
        lastError_ = err;
        return SIO_WIN32FAIL;
    }

    // A pty has no modem lines: nothing to drive, nothing wrong.
    int setModemLine(int fd, int line, int state) {
        if (::ioctl(fd, state ? TIOCMBIS : TIOCMBIC, &line) == 0) return SIO_OK;
        if (errno == ENOTTY || errno == EINVAL) return SIO_OK;
        return fail(errno);
    }

    PortResolver resolver_;
    std::map<int, Port> ports_;
    int lastError_ = 0;
};

} // namespace

std::string resolvePortInFolder(const std::string& folder, int port) {
    if (port < 1) return {};
    if (!folder.empty()) {
        std::string link = folder;
        if (link.back() != '/') link += '/';
        link += "com" + std::to_string(port);
        // lstat, not stat: a link to an adapter that is unplugged still names the
        // user's port, and opening it reports "no such port" instead of quietly
        // falling back to a different one.
        struct stat st {};
        if (::lstat(link.c_str(), &st) == 0) return link;
    }
    return "/dev/ttyS" + std::to_string(port - 1);
}

std::unique_ptr<SerialDevice> makePosixSerialDevice(PortResolver resolver) {
    return std::make_unique<PosixSerialDevice>(std::move(resolver));
}

int baudRateForCode(int baudCode) {
    return (baudCode >= 0 && baudCode < 20) ? kBauds[baudCode].rate : 0;
}

} // namespace platform
