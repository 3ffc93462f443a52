// The termios serial layer against a real pseudo-terminal: the test holds the
// master side and plays the meter; the layer opens the slave path.

#include "platform/serial_port.h"
#include "support/fake_serial.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace platform;

namespace {
std::atomic<int> errorCounterQueries{0};
} // namespace

// Every ioctl of this test program passes through here and on to the C library;
// the queries for line-error counters are counted.
extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (request == TIOCGICOUNT) ++errorCounterQueries;
    using Ioctl = int (*)(int, unsigned long, ...);
    static const auto next = reinterpret_cast<Ioctl>(::dlsym(RTLD_NEXT, "ioctl"));
    return next(fd, request, arg);
}

namespace {

struct Pty {
    int master = -1;
    int slave = -1; // our own handle on the slave, to read its settings back
    std::string slavePath;

    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        char name[128];
        if (::ptsname_r(master, name, sizeof name) != 0) return;
        slavePath = name;
        slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~Pty() {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
    }
    bool ok() const { return slave >= 0; }

    std::vector<uint8_t> readMaster(size_t want, int timeoutMs = 1000) {
        std::vector<uint8_t> got;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < want && std::chrono::steady_clock::now() < end) {
            pollfd pfd{master, POLLIN, 0};
            if (::poll(&pfd, 1, 20) <= 0) continue;
            uint8_t buf[256];
            ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) got.insert(got.end(), buf, buf + n);
        }
        return got;
    }

    termios slaveSettings() const {
        termios t{};
        ::tcgetattr(slave, &t);
        return t;
    }
};

// Reads from the layer until `want` bytes arrived or a second passed.
std::vector<uint8_t> readDevice(SerialDevice& dev, int port, size_t want) {
    std::vector<uint8_t> got;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (got.size() < want && std::chrono::steady_clock::now() < end) {
        uint8_t buf[64];
        int n = dev.read(port, buf, sizeof buf);
        if (n < 0) break;
        if (n == 0) ::usleep(2000);
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

std::unique_ptr<SerialDevice> deviceFor(const std::string& path) {
    return makePosixSerialDevice([path](int port) { return port == 1 ? path : std::string(); });
}

} // namespace

TEST(SerialPort, OpenAndCloseReturnCodes) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    auto dev = deviceFor(pty.slavePath);
    uint8_t b = 0;

    EXPECT_EQ(dev->open(2), SIO_OPENFAIL); // resolver knows no such port
    EXPECT_EQ(deviceFor("/nonexistent/com1")->open(1), SIO_OPENFAIL);

    // A port that is not open: the master's closed-port path depends on these codes.
    EXPECT_EQ(dev->read(1, &b, 1), SIO_BADPORT);
    EXPECT_EQ(dev->write(1, &b, 1, 100), SIO_BADPORT);
    EXPECT_EQ(dev->dataStatus(1), SIO_BADPORT);

    EXPECT_EQ(dev->open(1), SIO_OK);
    EXPECT_EQ(dev->open(1), SIO_OPENFAIL); // already ours
    EXPECT_EQ(dev->close(1), SIO_OK);
    EXPECT_EQ(dev->close(1), SIO_BADPORT);
    EXPECT_EQ(dev->open(1), SIO_OK); // can be opened again after closing

    // An existing path that is no terminal is no port.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::string file = dir.filePath("plain").toStdString();
    ::close(::open(file.c_str(), O_CREAT | O_WRONLY, 0600));
    EXPECT_EQ(deviceFor(file)->open(1), SIO_OPENFAIL);
}

// Root opens any port, locked or not: the check runs in a child that first becomes
// the unprivileged user nobody (as CI runs as root). The child owns the pty it makes
// and reports its results as its exit status, one bit per check that went wrong.
TEST(SerialPort, RightsAndExclusiveUse) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(0x80);
        int wrong = 0;
        {
            Pty pty;
            if (!pty.ok()) ::_exit(0x40);
            auto first = deviceFor(pty.slavePath);
            auto second = deviceFor(pty.slavePath);
            wrong |= (first->open(1) != SIO_OK) << 0;
            wrong |= (second->open(1) != SIO_OPENFAIL) << 1; // held by another program
            wrong |= (first->close(1) != SIO_OK) << 2;
            wrong |= (second->open(1) != SIO_OK) << 3; // closing gives the port free again
            second->close(1);
            ::chmod(pty.slavePath.c_str(), 0);
            wrong |= (first->open(1) != SIO_WIN32FAIL || first->lastError() != EACCES) << 4;
        }
        ::_exit(wrong);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SerialPort, BytesBothWays) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    auto dev = deviceFor(pty.slavePath);
    ASSERT_EQ(dev->open(1), SIO_OK);
    ASSERT_EQ(dev->ioctl(1, 12, 3), SIO_OK);

    uint8_t buf[16];
    EXPECT_EQ(dev->read(1, buf, sizeof buf), 0); // nothing waiting, no blocking

    // Raw line: LF, CR and 0xFF pass unchanged and nothing is echoed.
    const std::vector<uint8_t> request{0x01, 0x03, 0x0A, 0x0D, 0xFF, 0x00};
    EXPECT_EQ(dev->write(1, request.data(), int(request.size()), 500), int(request.size()));
    EXPECT_EQ(pty.readMaster(request.size()), request);

    const std::vector<uint8_t> reply{0x01, 0x03, 0x02, 0x0A, 0x0D, 0x11, 0x13};
    ASSERT_EQ(::write(pty.master, reply.data(), reply.size()), ssize_t(reply.size()));
    EXPECT_EQ(readDevice(*dev, 1, reply.size()), reply);
    EXPECT_EQ(dev->read(1, buf, sizeof buf), 0);

    // A read never goes past the length it is given.
    ASSERT_EQ(::write(pty.master, reply.data(), reply.size()), ssize_t(reply.size()));
    ::usleep(20000);
    uint8_t small[3] = {0, 0, 0};
    EXPECT_EQ(dev->read(1, small, 2), 2);
    EXPECT_EQ(small[2], 0);
    readDevice(*dev, 1, reply.size() - 2);

    // The other side going away reads as "nothing", not as an error.
    ::close(pty.master);
    pty.master = -1;
    EXPECT_EQ(dev->read(1, buf, sizeof buf), 0);
    EXPECT_EQ(dev->close(1), SIO_OK);
}

TEST(SerialPort, LineSettingsFlowAndModemLinesReachTheDriver) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    auto dev = deviceFor(pty.slavePath);
    ASSERT_EQ(dev->open(1), SIO_OK);

    EXPECT_EQ(dev->ioctl(1, 12, 3), SIO_OK); // 9600 8N1
    termios t = pty.slaveSettings();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));

    EXPECT_EQ(dev->ioctl(1, 16, 3 | 4), SIO_OK); // 115200 8N2
    t = pty.slaveSettings();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
    EXPECT_TRUE(t.c_cflag & CSTOPB);

    // Every code of the table is accepted and read back at its own rate,
    // including 7200, which has no termios constant.
    for (int code = 0; code < 20; ++code) {
        EXPECT_EQ(dev->ioctl(1, code, 3), SIO_OK) << code;
        EXPECT_EQ(dev->getBaud(1), baudRateForCode(code)) << code;
    }
    EXPECT_EQ(baudRateForCode(11), 7200);
    EXPECT_EQ(baudRateForCode(20), 0);
    EXPECT_EQ(baudRateForCode(-1), 0);

    // A pty has no parity: asking for it must not fail the configuration.
    EXPECT_EQ(dev->ioctl(1, 13, 3 | 0x08), SIO_OK);
    EXPECT_EQ(dev->ioctl(1, 13, 3 | 0x08), SIO_OK); // parity is the only change now
    EXPECT_EQ(dev->ioctl(1, 13, 3 | 0x38 | 4), SIO_OK); // space, 2 stop bits
    EXPECT_TRUE(pty.slaveSettings().c_cflag & CSTOPB);
    EXPECT_EQ(dev->getBaud(1), 19200);

    EXPECT_EQ(dev->ioctl(1, 20, 3), SIO_BADPARM);
    EXPECT_EQ(dev->ioctl(1, -1, 3), SIO_BADPARM);
    EXPECT_EQ(dev->ioctl(1, 12, 0x10), SIO_BADPARM); // no such parity code
    EXPECT_EQ(dev->ioctl(1, 12, 0x43), SIO_BADPARM);

    // No modem lines and no error counters on a pty: "not available", not a failure.
    EXPECT_EQ(dev->setDtr(1, 1), SIO_OK);
    EXPECT_EQ(dev->setRts(1, 1), SIO_OK);
    // The link asks for line errors whenever it looks at the line: a port without
    // counters is asked once.
    errorCounterQueries = 0;
    for (int i = 0; i < 50; ++i) EXPECT_EQ(dev->dataStatus(1), 0);
    EXPECT_EQ(errorCounterQueries, 1);

    EXPECT_EQ(dev->flowCtrl(1, FLOW_HW), SIO_OK);
    EXPECT_TRUE(pty.slaveSettings().c_cflag & CRTSCTS);
    EXPECT_EQ(dev->setRts(1, 1), SIO_RTS_BY_HW);
    EXPECT_EQ(dev->flowCtrl(1, FLOW_SW), SIO_OK);
    t = pty.slaveSettings();
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_EQ(dev->flowCtrl(1, 0), SIO_OK);
    EXPECT_FALSE(pty.slaveSettings().c_iflag & IXON);
    EXPECT_EQ(dev->setRts(1, 0), SIO_OK);
    EXPECT_EQ(dev->flowCtrl(1, 16), SIO_BADPARM);
}

TEST(SerialPort, WriteGivesUpWhenThePeerNeverReads) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    auto dev = deviceFor(pty.slavePath);
    ASSERT_EQ(dev->open(1), SIO_OK);

    std::vector<uint8_t> big(1 << 20, 0x55); // far more than the pty buffers
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dev->write(1, big.data(), int(big.size()), 200), SIO_WRITETIMEOUT);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_GE(ms.count(), 190);
    EXPECT_LT(ms.count(), 1500);

    // Once the peer reads again the port works as before.
    pty.readMaster(SIZE_MAX, 200);
    ::tcflush(pty.slave, TCOFLUSH);
    uint8_t one = 0x42;
    EXPECT_EQ(dev->write(1, &one, 1, 500), 1);
}

TEST(SerialPort, PortNumbersResolveThroughLinks) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();

    EXPECT_EQ(resolvePortInFolder(folder, 1), "/dev/ttyS0");
    EXPECT_EQ(resolvePortInFolder(folder, 0), "");

    Pty pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(::symlink(pty.slavePath.c_str(), (folder + "/com2").c_str()), 0);
    EXPECT_EQ(resolvePortInFolder(folder, 2), folder + "/com2");
    EXPECT_EQ(resolvePortInFolder(folder + "/", 2), folder + "/com2");
    EXPECT_EQ(resolvePortInFolder(folder, 3), "/dev/ttyS2");

    auto dev = makePosixSerialDevice([folder](int port) { return resolvePortInFolder(folder, port); });
    EXPECT_EQ(dev->open(0), SIO_OPENFAIL);
    ASSERT_EQ(dev->open(2), SIO_OK);
    uint8_t byte = 0x7E;
    EXPECT_EQ(dev->write(2, &byte, 1, 500), 1);
    EXPECT_EQ(pty.readMaster(1), std::vector<uint8_t>{0x7E});

    // A link whose device is gone must not fall back to some other port.
    ASSERT_EQ(::symlink("/nonexistent/ttyUSB9", (folder + "/com4").c_str()), 0);
    EXPECT_EQ(resolvePortInFolder(folder, 4), folder + "/com4");
    EXPECT_EQ(dev->open(4), SIO_OPENFAIL);
}

TEST(FakeSerial, ReadNeverPassesTheCallersLength) {
    // The one property of the fake no exchange test would notice if it broke.
    FakeSerialDevice fake;
    ASSERT_EQ(fake.open(1), SIO_OK);
    fake.feed({1, 2, 3, 4});
    uint8_t buf[3];
    EXPECT_EQ(fake.read(1, buf, 3), 3);
    EXPECT_EQ(fake.read(1, buf, 3), 1);
}
