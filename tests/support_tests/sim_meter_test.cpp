// The simulated meter seen from the program's side of the pty.
#include "sim_meter.h"

#include <QTemporaryDir>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
using Kind = sim::Fault::Kind;

using sim::withCrc;

speed_t speedOf(int baud) {
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    default: return B9600;
    }
}

// The program's end of the line: the slave opened raw, 8N1.
class Port {
public:
    Port(const std::string& path, int baud) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ >= 0) setBaud(baud);
    }
    ~Port() { if (fd_ >= 0) ::close(fd_); }
    bool ok() const { return fd_ >= 0; }

    void setBaud(int baud) {
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        ::cfsetispeed(&t, speedOf(baud));
        ::cfsetospeed(&t, speedOf(baud));
        ::tcsetattr(fd_, TCSANOW, &t);
    }
    void send(const Bytes& b) { EXPECT_EQ(::write(fd_, b.data(), b.size()), ssize_t(b.size())); }
    // Reads until n bytes came or timeoutMs passed.
    Bytes read(std::size_t n, int timeoutMs = 1000) {
        Bytes out;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < n) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, int(left)) <= 0) continue;
            uint8_t buf[1024];
            const ssize_t got = ::read(fd_, buf, std::min(sizeof buf, n - out.size()));
            if (got > 0) out.insert(out.end(), buf, buf + got);
        }
        return out;
    }
    // Whatever is there or comes within ms (used after the log shows the request done).
    Bytes rest(int ms = 20) { return read(4096, ms); }

private:
    int fd_ = -1;
};

class SimMeter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(line.start()); }

    // Counts the frames the log must show once the simulator is done with them.
    void send(Port& port, const Bytes& bytes, std::size_t frames = 1) {
        sent_ += frames;
        port.send(bytes);
    }
    void settle() { ASSERT_TRUE(line.waitForRequests(sent_, 1000)); }
    void request(Port& port, const Bytes& frame) {
        send(port, frame);
        settle();
    }

    std::size_t sent_ = 0;

    sim::SimLine line;
    const Bytes read2 = {0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B};
    const Bytes reply2 = withCrc({0x01, 0x03, 0x04, 0x12, 0x34, 0xAB, 0xCD});
};

TEST_F(SimMeter, BaudRatesAddressesWildcardAndBroadcast) {
    line.addMeter(1, 9600);
    line.addMeter(2, 4800);
    Port port(line.slavePath(), 9600);

    request(port, withCrc({0x02, 0x03, 0x20, 0x00, 0x00, 0x01}));
    EXPECT_TRUE(port.rest().empty()) << "meter 2 runs at 4800";
    send(port, withCrc({0x01, 0x03, 0x20, 0x00, 0x00, 0x01}));
    EXPECT_EQ(port.read(7), withCrc({0x01, 0x03, 0x02, 0x00, 0x01}));

    port.setBaud(4800);
    EXPECT_EQ(line.lineBaud(), 4800);
    send(port, withCrc({0x02, 0x03, 0x20, 0x01, 0x00, 0x01}));
    EXPECT_EQ(port.read(7), withCrc({0x02, 0x03, 0x02, 0x00, 0x02}));
    send(port, {0xFF, 0x03, 0x20, 0x00, 0x00, 0x01, 0x9A, 0x14});
    EXPECT_EQ(port.read(7), withCrc({0x02, 0x03, 0x02, 0x00, 0x02}));
    settle();
    EXPECT_EQ(line.requests().back().baud, 4800);

    request(port, withCrc({0x00, 0x10, 0x00, 0x10, 0x00, 0x01, 0x02, 0x12, 0x34}));
    EXPECT_TRUE(port.rest().empty()) << "a broadcast is never answered";
    EXPECT_EQ(line.registerValue(2, 0x0010), 0x1234);
    EXPECT_EQ(line.registerValue(1, 0x0010), 0) << "meter 1 is at another rate";

    // The pty outlives the program's port: reopen it at another rate.
    Port again(line.slavePath(), 9600);
    send(again, withCrc({0xFF, 0x03, 0x20, 0x00, 0x00, 0x01}));
    EXPECT_EQ(again.read(7), withCrc({0x01, 0x03, 0x02, 0x00, 0x01}));
}

TEST_F(SimMeter, AddressAndBaudChangeAfterTheReply) {
    line.addMeter(1, 9600);
    Port port(line.slavePath(), 9600);

    // Answered under the old address, then the meter moves.
    send(port, withCrc({0x01, 0x10, 0x20, 0x00, 0x00, 0x01, 0x02, 0x00, 0x05}));
    EXPECT_EQ(port.read(8), withCrc({0x01, 0x10, 0x20, 0x00, 0x00, 0x01}));
    settle();
    EXPECT_EQ(line.meter(1), nullptr);
    ASSERT_NE(line.meter(5), nullptr);
    EXPECT_EQ(line.registerValue(5, sim::kAddressRegister), 5);
    request(port, read2);
    EXPECT_TRUE(port.rest().empty());

    // Out-of-range values are refused and change nothing.
    send(port, withCrc({0xFF, 0x10, 0x20, 0x00, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x09}));
    EXPECT_EQ(port.read(5), withCrc({0xFF, 0x90, 0x03}));
    EXPECT_EQ(line.meter(5)->baud(), 9600);

    // The wildcard write is answered as 0xFF, at the old rate.
    send(port, withCrc({0xFF, 0x10, 0x20, 0x01, 0x00, 0x01, 0x02, 0x00, 0x04}));
    EXPECT_EQ(port.read(8), withCrc({0xFF, 0x10, 0x20, 0x01, 0x00, 0x01}));
    settle();
    EXPECT_EQ(line.meter(5)->baud(), 19200);
    EXPECT_EQ(line.registerValue(5, sim::kBaudRegister), 4);
    request(port, withCrc({0x05, 0x03, 0x20, 0x00, 0x00, 0x01}));
    EXPECT_TRUE(port.rest().empty());
    port.setBaud(19200);
    send(port, withCrc({0x05, 0x03, 0x20, 0x00, 0x00, 0x02}));
    EXPECT_EQ(port.read(9), withCrc({0x05, 0x03, 0x04, 0x00, 0x05, 0x00, 0x04}));
}

TEST_F(SimMeter, EachFaultShowsOnTheLine) {
    line.addMeter(1);
    line.setRegisters(1, 0x0000, {0x1234, 0xABCD});
    Port port(line.slavePath(), 9600);

    // Only requests a meter answers take a fault.
    line.injectFault({Kind::Silence, 0});
    request(port, withCrc({0x09, 0x03, 0x00, 0x00, 0x00, 0x02}));
    EXPECT_EQ(line.faultsPending(), 1u);
    request(port, read2);
    EXPECT_TRUE(port.rest().empty());
    EXPECT_EQ(line.faultsPending(), 0u);

    line.injectFault({Kind::BadCrc, 0});
    line.injectFault({Kind::Exception, 0});
    line.injectFault({Kind::WrongAddress, 0});
    line.injectFault({Kind::ShortReply, 0});
    line.injectFault({Kind::Noise, 100});
    line.injectFault({Kind::Echo, 0});

    send(port, read2);
    Bytes bad = reply2;
    bad.back() ^= 0xFF;
    EXPECT_EQ(port.read(9), bad);
    send(port, read2);
    EXPECT_EQ(port.read(5), withCrc({0x01, 0x83, 0x04}));
    send(port, read2);
    EXPECT_EQ(port.read(9), withCrc({0x02, 0x03, 0x04, 0x12, 0x34, 0xAB, 0xCD}));
    request(port, read2);
    EXPECT_EQ(port.rest(), (Bytes{0x01, 0x03}));
    send(port, read2);
    EXPECT_EQ(port.read(100).size(), 100u);
    Bytes echoed = read2;
    echoed.insert(echoed.end(), reply2.begin(), reply2.end());
    send(port, read2);
    EXPECT_EQ(port.read(17), echoed);

    for (const auto& [kind, param, minMs] : {std::tuple{Kind::Split, 4, 50}, std::tuple{Kind::SlowBytes, 5, 35}}) {
        line.injectFault({kind, param});
        send(port, read2);
        Bytes got = port.read(1);
        const auto t0 = Clock::now();
        const Bytes more = port.read(8);
        got.insert(got.end(), more.begin(), more.end());
        EXPECT_EQ(got, reply2);
        EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(minMs));
    }
    EXPECT_EQ(line.faultsInjected(Kind::Split), 1);
    EXPECT_EQ(line.faultsInjected(Kind::Silence), 1);

    line.setEcho(true);
    line.setReplyDelayMs(40);
    const auto t0 = Clock::now();
    send(port, read2);
    EXPECT_EQ(port.read(8), read2);
    EXPECT_EQ(port.read(9), reply2);
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(35));
    line.setEcho(false);
    line.setReplyDelayMs(0);

    line.setRandomFaults(7, 1.0, {Kind::BadCrc});
    for (int i = 0; i < 3; ++i) {
        send(port, read2);
        EXPECT_EQ(port.read(9), bad);
    }
    EXPECT_EQ(line.faultsInjected(Kind::BadCrc), 4);
    line.setRandomFaults(7, 0, {});
    send(port, read2);
    EXPECT_EQ(port.read(9), reply2);
}

TEST_F(SimMeter, ChosenFaultLandsOnTheRequestItWasChosenForBeforeTheQueue) {
    line.addMeter(1);
    line.setRegisters(1, 0x0000, {0x1234, 0xABCD});
    Port port(line.slavePath(), 9600);
    const Bytes read1 = withCrc({0x01, 0x03, 0x00, 0x01, 0x00, 0x01});
    line.setFaultChooser([&](const Bytes& request) -> std::optional<sim::Fault> {
        if (request == read1) return sim::Fault{Kind::Exception, 2};
        return std::nullopt;
    });
    line.injectFault({Kind::Silence, 0});
    send(port, read1);
    EXPECT_EQ(port.read(5), withCrc({0x01, 0x83, 0x02}));
    EXPECT_EQ(line.faultsPending(), 1u); // the queued fault waits for a request the chooser leaves
    request(port, read2);
    EXPECT_TRUE(port.rest().empty());
    EXPECT_EQ(line.faultsInjected(Kind::Exception), 1);
    EXPECT_EQ(line.faultsInjected(Kind::Silence), 1);
    line.setFaultChooser({});
    send(port, read1);
    EXPECT_EQ(port.read(7), withCrc({0x01, 0x03, 0x02, 0xAB, 0xCD}));
}

TEST_F(SimMeter, LinkNeverReplacesARealFile) {
    QTemporaryDir dir;
    const std::string com1 = dir.filePath("com1").toStdString();
    const std::string file = dir.filePath("com2").toStdString();
    ASSERT_TRUE(line.linkAs(com1));
    ASSERT_TRUE(line.linkAs(com1)) << "an old link is replaced";
    ::close(::open(file.c_str(), O_CREAT | O_WRONLY, 0600));
    EXPECT_FALSE(line.linkAs(file)) << "a real file is never replaced";

    const auto t0 = Clock::now();
    line.stop();
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(300));
    struct stat st{};
    EXPECT_NE(::lstat(com1.c_str(), &st), 0);
    EXPECT_EQ(::lstat(file.c_str(), &st), 0);
}

} // namespace

TEST_F(SimMeter, HeldRepliesWaitForTheRelease) {
    line.addMeter(1);
    line.setRegisters(1, 0x0000, {0x1234, 0xABCD});
    Port port(line.slavePath(), 9600);
    line.holdReplies(true);
    port.send(read2);
    ASSERT_TRUE(line.waitForHeldRequest(1000));
    EXPECT_EQ(line.heldRequest(), read2);
    EXPECT_TRUE(port.rest(100).empty()); // nothing while held
    line.holdReplies(false);
    EXPECT_EQ(port.read(9), reply2);
    ASSERT_TRUE(line.waitForRequests(1, 1000));
    EXPECT_TRUE(line.heldRequest().empty());
    // A request no meter answers is not held.
    line.holdReplies(true);
    port.send(withCrc({0x09, 0x03, 0x00, 0x00, 0x00, 0x02}));
    EXPECT_TRUE(line.waitForRequests(2, 1000));
    EXPECT_FALSE(line.waitForHeldRequest(50));
    line.holdReplies(false);
}

// A count taken as soon as the program has its reply includes the request, however
// late the simulator logs it, and a clear leaves nothing of the frames before it.
TEST_F(SimMeter, CountsWaitUntilEveryFrameWrittenIsLogged) {
    line.addMeter(1);
    line.setRegisters(1, 0x0000, {0x1234, 0xABCD});
    line.setLogHoldMs(50);
    Port port(line.slavePath(), 9600);
    port.send(read2);
    ASSERT_EQ(port.read(9), reply2);
    EXPECT_EQ(line.requests().size(), 1u);
    port.send(read2);
    ASSERT_EQ(port.read(9), reply2);
    line.clearLog();
    // A frame whose length only the silence after it tells, just written.
    port.send({0x01, 0x2B, 0x0E, 0x01});
    const auto log = line.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].bytes, (Bytes{0x01, 0x2B, 0x0E, 0x01}));

    // A worker still busy when the wait gives up fails the test that counts, rather than
    // handing it a log that may be stale.
    line.setLogHoldMs(5500);
    port.send(read2);
    ASSERT_EQ(port.read(9), reply2);
    static sim::SimLine* counted;
    counted = &line;
    EXPECT_NONFATAL_FAILURE(counted->requests(), "did not settle within 5 s");
}
