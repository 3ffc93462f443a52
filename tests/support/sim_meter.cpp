#include "sim_meter.h"

#include "link/crc16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;
using Lock = std::lock_guard<std::recursive_mutex>;

// A request is complete after this much silence, unless its length and CRC
// already told us so.
constexpr auto kFrameGap = std::chrono::milliseconds(5);
// Longer than any request we understand (0x10 with 123 registers is 255 bytes):
// beyond this the bytes are noise and are dropped as one bad frame.
constexpr std::size_t kMaxFrame = 512;

// How long a count waits for the worker to catch up with the line: far beyond any
// starvation, yet a line that never goes quiet cannot hang a test.
constexpr auto kSettleLimit = std::chrono::seconds(5);

// The line whose worker runs on this thread: a count asked for by a hook must not
// wait for itself.
thread_local const SimLine* tWorkerOf = nullptr;

constexpr uint8_t kWildcard = 255;
constexpr uint8_t kBroadcast = 0;

uint16_t word(const std::vector<uint8_t>& f, std::size_t at) { return uint16_t(f[at] << 8 | f[at + 1]); }

// Length of the request at the front of buf judged by its function code, or 0
// when that can't be told (yet, or ever: then the silence ends the frame).
std::size_t expectedLength(const std::vector<uint8_t>& buf) {
    if (buf.size() < 2) return 0;
    switch (buf[1]) {
    case 0x01: case 0x02: case 0x03: case 0x04: case 0x05: case 0x06: case 0x71:
        return 8;
    case 0x10: case 0x70:
        return buf.size() < 7 ? 0 : 9 + std::size_t(buf[6]);
    default:
        return 0;
    }
}

int speedToBaud(speed_t s) {
    switch (s) {
    case B50: return 50;       case B75: return 75;         case B110: return 110;
    case B134: return 134;     case B150: return 150;       case B200: return 200;
    case B300: return 300;     case B600: return 600;       case B1200: return 1200;
    case B1800: return 1800;   case B2400: return 2400;     case B4800: return 4800;
    case B9600: return 9600;   case B19200: return 19200;   case B38400: return 38400;
    case B57600: return 57600; case B115200: return 115200; case B230400: return 230400;
    case B460800: return 460800; case B921600: return 921600;
    default: return 0;
    }
}

void setCloexec(int fd) { ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC); }

std::vector<uint8_t> exceptionReply(uint8_t address, uint8_t fc, uint8_t code) {
    return {address, uint8_t(fc | 0x80), code};
}

} // namespace

uint16_t crc16(const uint8_t* data, std::size_t len) { return rtu::crc16(data, len); }

void appendCrc(std::vector<uint8_t>& frame) {
    const uint16_t crc = rtu::crc16(frame.data(), frame.size());
    frame.push_back(uint8_t(crc & 0xFF));
    frame.push_back(uint8_t(crc >> 8));
}

bool crcIntact(const std::vector<uint8_t>& frame) {
    return frame.size() >= 4 && rtu::crc16(frame.data(), frame.size()) == 0;
}

int baudIndex(int baud) {
    for (std::size_t i = 0; i < kBaudRates.size(); ++i)
        if (kBaudRates[i] == baud) return int(i);
    return -1;
}

// ---------------------------------------------------------------- Meter

Meter::Meter(std::recursive_mutex& mutex, uint8_t address, int baud)
    : mutex_(mutex), address_(address), baud_(baud), regs_(kRegisterCount, 0) {
    regs_[kAddressRegister] = address;
    regs_[kBaudRegister] = uint16_t(baudIndex(baud));
}

uint8_t Meter::address() const { Lock l(mutex_); return address_; }
int Meter::baud() const { Lock l(mutex_); return baud_; }

bool Meter::setAddress(uint8_t address) {
    if (address == kBroadcast || address == kWildcard) return false;
    Lock l(mutex_);
    address_ = address;
    regs_[kAddressRegister] = address;
    return true;
}

bool Meter::setBaud(int baud) {
    const int index = baudIndex(baud);
    if (index < 0) return false;
    Lock l(mutex_);
    baud_ = baud;
    regs_[kBaudRegister] = uint16_t(index);
    return true;
}

uint16_t Meter::registerValue(uint16_t reg) const {
    Lock l(mutex_);
    return reg < kRegisterCount ? regs_[reg] : 0;
}

void Meter::setRegister(uint16_t reg, uint16_t value) {
    Lock l(mutex_);
    if (reg == kAddressRegister) {
        if (value <= 0xFF) setAddress(uint8_t(value));
    } else if (reg == kBaudRegister) {
        if (value < kBaudRates.size()) setBaud(kBaudRates[value]);
    } else if (reg < kRegisterCount) {
        regs_[reg] = value;
    }
}

void Meter::setRegisters(uint16_t start, const std::vector<uint16_t>& values) {
    Lock l(mutex_);
    for (std::size_t i = 0; i < values.size() && start + i < kRegisterCount; ++i)
        setRegister(uint16_t(start + i), values[i]);
}

std::vector<uint16_t> Meter::registers(uint16_t start, uint16_t count) const {
    Lock l(mutex_);
    std::vector<uint16_t> out;
    for (std::size_t r = start; r < std::size_t(start) + count; ++r) out.push_back(r < kRegisterCount ? regs_[r] : 0);
    return out;
}

bool Meter::coilOn(uint16_t coil) const { Lock l(mutex_); return coils_.count(coil) != 0; }
std::set<uint16_t> Meter::coils() const { Lock l(mutex_); return coils_; }
std::vector<uint16_t> Meter::coilLog() const { Lock l(mutex_); return coilLog_; }
void Meter::clearCoils() { Lock l(mutex_); coils_.clear(); coilLog_.clear(); }
int Meter::saveCount() const { Lock l(mutex_); return saves_; }

// ---------------------------------------------------------------- SimLine

// What the worker sends for one request once it has let go of the lock, and
// what it changes after sending.
struct SimLine::Plan {
    std::vector<uint8_t> echo;
    std::vector<uint8_t> reply;
    int delayMs = 0;
    std::size_t chunk = 0; // 0 = all at once
    int chunkPauseMs = 0;
    bool held = false; // the reply waits for holdReplies(false)
    std::optional<Fault::Kind> fault;
    std::vector<std::function<void()>> after;
};

SimLine::SimLine() {
    if (const char* ms = std::getenv("SIM_LOG_HOLD_MS")) setLogHoldMs(std::atoi(ms));
}

SimLine::~SimLine() { stop(); }

bool SimLine::start() {
    Lock l(mutex_);
    if (running_) return true;
    auto fail = [this] {
        for (int* fd : {&master_, &slave_, &wake_[0], &wake_[1]})
            if (*fd >= 0) { ::close(*fd); *fd = -1; }
        slavePath_.clear();
        return false;
    };
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return fail();
    char name[128] = {};
    if (::ptsname_r(master_, name, sizeof name) != 0) return fail();
    slavePath_ = name;
    // Our own slave descriptor keeps the pty alive while the program closes and
    // reopens the port, and lets us read the rate it set.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave_ < 0) return fail();
    // Raw before any byte passes, or the line discipline echoes and rewrites them.
    termios t{};
    if (::tcgetattr(slave_, &t) != 0) return fail();
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    if (::tcsetattr(slave_, TCSANOW, &t) != 0) return fail();
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (::pipe(wake_) != 0) return fail();
    for (int fd : {master_, slave_, wake_[0], wake_[1]}) setCloexec(fd);
    ::fcntl(wake_[1], F_SETFL, ::fcntl(wake_[1], F_GETFL) | O_NONBLOCK);
    stopping_ = false;
    idle_ = true; // a frame cut short by stop() is gone with the old worker
    running_ = true;
    worker_ = std::thread(&SimLine::run, this);
    return true;
}

void SimLine::stop() {
    {
        Lock l(mutex_);
        if (!running_) return;
        stopping_ = true;
        const char x = 'x';
        [[maybe_unused]] auto n = ::write(wake_[1], &x, 1);
    }
    if (worker_.joinable()) worker_.join();
    Lock l(mutex_);
    // Only links that still lead to our slave: someone may have re-pointed one.
    for (const auto& path : links_) {
        char target[256] = {};
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n > 0 && slavePath_ == std::string(target, std::size_t(n))) ::unlink(path.c_str());
    }
    links_.clear();
    for (int* fd : {&master_, &slave_, &wake_[0], &wake_[1]})
        if (*fd >= 0) { ::close(*fd); *fd = -1; }
    slavePath_.clear();
    running_ = false;
}

bool SimLine::running() const { Lock l(mutex_); return running_; }
std::string SimLine::slavePath() const { Lock l(mutex_); return slavePath_; }

bool SimLine::linkAs(const std::string& path) {
    Lock l(mutex_);
    if (slavePath_.empty() || path.empty()) return false;
    struct stat st{};
    if (::lstat(path.c_str(), &st) == 0) {
        // Replace an old link, never a real file.
        if (!S_ISLNK(st.st_mode) || ::unlink(path.c_str()) != 0) return false;
    }
    if (::symlink(slavePath_.c_str(), path.c_str()) != 0) return false;
    if (std::find(links_.begin(), links_.end(), path) == links_.end()) links_.push_back(path);
    return true;
}

int SimLine::lineBaud() const { Lock l(mutex_); return readBaud(); }

int SimLine::readBaud() const {
    termios t{};
    if (slave_ < 0 || ::tcgetattr(slave_, &t) != 0) return 0;
    return speedToBaud(::cfgetospeed(&t));
}

Meter& SimLine::addMeter(uint8_t address, int baud) {
    if (address == kBroadcast || address == kWildcard)
        throw std::invalid_argument("meter address must be 1..254");
    if (baudIndex(baud) < 0) throw std::invalid_argument("meter baud rate must be 1200, 2400, 4800, 9600 or 19200");
    Lock l(mutex_);
    meters_.push_back(std::unique_ptr<Meter>(new Meter(mutex_, address, baud)));
    return *meters_.back();
}

Meter* SimLine::meter(uint8_t address) {
    Lock l(mutex_);
    for (auto& m : meters_)
        if (m->address_ == address) return m.get();
    return nullptr;
}

std::size_t SimLine::meterCount() const { Lock l(mutex_); return meters_.size(); }

void SimLine::setRegister(uint8_t address, uint16_t reg, uint16_t value) {
    Lock l(mutex_);
    if (Meter* m = meter(address)) m->setRegister(reg, value);
}

uint16_t SimLine::registerValue(uint8_t address, uint16_t reg) const {
    Lock l(mutex_);
    for (auto& m : meters_)
        if (m->address_ == address) return m->registerValue(reg);
    return 0;
}

void SimLine::setRegisters(uint8_t address, uint16_t start, const std::vector<uint16_t>& values) {
    Lock l(mutex_);
    if (Meter* m = meter(address)) m->setRegisters(start, values);
}

std::vector<Request> SimLine::requests() const {
    std::unique_lock<std::recursive_mutex> l(mutex_);
    settle(l);
    return log_;
}

void SimLine::clearLog() {
    std::unique_lock<std::recursive_mutex> l(mutex_);
    settle(l);
    log_.clear();
}

void SimLine::setLogHoldMs(int ms) { logHoldMs_ = std::max(0, ms); }

// The program that wrote to the line has its reply once the reply is written, but
// the worker logs the request only afterwards: wait for it, never for a fixed time.
void SimLine::settle(std::unique_lock<std::recursive_mutex>& lock) const {
    if (tWorkerOf == this || !running_) return;
    const auto until = Clock::now() + kSettleLimit;
    while (!settled() && Clock::now() < until) logChanged_.wait_for(lock, std::chrono::milliseconds(5));
    // A count taken now may miss frames still on their way: the test that counts fails
    // here rather than on a wrong number somewhere else.
    if (!settled())
        ADD_FAILURE() << "the simulated line did not settle within " << kSettleLimit.count()
                      << " s: the request log may be stale";
}

bool SimLine::settled() const {
    // A held reply waits for the test, which is the one asking.
    if (!held_.empty()) return true;
    if (!idle_) return false;
    // The worker reads under the lock, so bytes are either still in the pty or in its
    // hands. poll also pushes on bytes the pty has taken but not passed on yet.
    pollfd p{master_, POLLIN, 0};
    return ::poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN);
}

bool SimLine::waitForRequests(std::size_t n, int timeoutMs) const {
    std::unique_lock<std::recursive_mutex> l(mutex_);
    return logChanged_.wait_for(l, std::chrono::milliseconds(timeoutMs), [&] { return log_.size() >= n; });
}

void SimLine::injectFault(Fault fault) { Lock l(mutex_); faults_.push_back(fault); }
std::size_t SimLine::faultsPending() const { Lock l(mutex_); return faults_.size(); }
void SimLine::clearFaults() { Lock l(mutex_); faults_.clear(); }

void SimLine::setRandomFaults(uint32_t seed, double probability, std::vector<Fault::Kind> kinds) {
    Lock l(mutex_);
    rng_.seed(seed);
    randomProbability_ = std::clamp(probability, 0.0, 1.0);
    randomKinds_ = std::move(kinds);
}

int SimLine::faultsInjected(Fault::Kind kind) const { Lock l(mutex_); return injected_[std::size_t(kind)]; }

void SimLine::setEcho(bool on) { Lock l(mutex_); echo_ = on; }
void SimLine::setReplyDelayMs(int ms) { Lock l(mutex_); replyDelayMs_ = std::max(0, ms); }

// A held reply goes out within 5 ms of the release (the worker looks every 5 ms).
void SimLine::holdReplies(bool on) {
    if (!on) {
        Lock l(mutex_);
        holdWhich_ = nullptr;
    }
    hold_ = on;
}

void SimLine::holdRepliesTo(std::function<bool(const std::vector<uint8_t>&)> which) {
    {
        Lock l(mutex_);
        holdWhich_ = std::move(which);
    }
    hold_ = true;
}

bool SimLine::replyHeld() const { Lock l(mutex_); return !held_.empty(); }

std::vector<uint8_t> SimLine::heldRequest() const {
    Lock l(mutex_);
    return held_;
}

bool SimLine::waitForHeldRequest(int timeoutMs) const {
    std::unique_lock<std::recursive_mutex> l(mutex_);
    return logChanged_.wait_for(l, std::chrono::milliseconds(timeoutMs), [this] { return !held_.empty(); });
}
void SimLine::setSplitPauseMs(int ms) { Lock l(mutex_); splitPauseMs_ = std::max(0, ms); }
void SimLine::setTraffic(int periodMs) { trafficMs_ = std::max(0, periodMs); }

void SimLine::setFaultChooser(FaultChooser chooser) { Lock l(mutex_); chooser_ = std::move(chooser); }

bool SimLine::nextFault(const std::vector<uint8_t>& request, Fault& fault) {
    std::optional<Fault> chosen = chooser_ ? chooser_(request) : std::nullopt;
    if (chosen) {
        fault = *chosen;
    } else if (!faults_.empty()) {
        fault = faults_.front();
        faults_.pop_front();
    } else if (randomProbability_ > 0 && !randomKinds_.empty() &&
               std::uniform_real_distribution<double>(0, 1)(rng_) < randomProbability_) {
        fault = Fault{randomKinds_[std::uniform_int_distribution<std::size_t>(0, randomKinds_.size() - 1)(rng_)], 0};
    } else {
        return false;
    }
    ++injected_[std::size_t(fault.kind)];
    return true;
}

// ---------------------------------------------------------------- worker

void SimLine::run() {
    tWorkerOf = this;
    std::vector<uint8_t> buf;
    bool busy = false; // bytes taken in since the line was last quiet
    Clock::time_point first{}, last{}, nextTraffic{};
    auto msUntil = [](Clock::time_point t) {
        return int(std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(t - Clock::now()).count()));
    };
    while (!stopping_) {
        int timeoutMs = 200;
        if (!buf.empty()) timeoutMs = msUntil(last + kFrameGap);
        const int trafficMs = trafficMs_;
        if (trafficMs > 0) {
            if (Clock::now() >= nextTraffic) {
                writeOut(kTrafficFrame.data(), kTrafficFrame.size());
                nextTraffic = Clock::now() + std::chrono::milliseconds(trafficMs);
            }
            timeoutMs = std::min(timeoutMs, msUntil(nextTraffic));
        }
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        const int rc = ::poll(fds, 2, timeoutMs);
        if (stopping_) break;
        if (rc > 0 && (fds[0].revents & POLLIN)) {
            uint8_t tmp[512];
            Lock l(mutex_);
            const ssize_t n = ::read(master_, tmp, sizeof tmp);
            if (n > 0) {
                if (buf.empty()) first = Clock::now();
                buf.insert(buf.end(), tmp, tmp + n);
                last = Clock::now();
                idle_ = false;
                busy = true;
            }
        } else if (rc > 0 && (fds[0].revents & (POLLHUP | POLLERR))) {
            pause(10); // nobody on the slave side; don't spin
        }
        // Whole frames need no waiting for the silence.
        for (;;) {
            const std::size_t len = expectedLength(buf);
            if (len == 0 || buf.size() < len || crc16(buf.data(), len) != 0) break;
            std::vector<uint8_t> frame(buf.begin(), buf.begin() + std::ptrdiff_t(len));
            buf.erase(buf.begin(), buf.begin() + std::ptrdiff_t(len));
            handleFrame(std::move(frame), first);
            first = last;
        }
        if (!buf.empty() && (Clock::now() - last >= kFrameGap || buf.size() > kMaxFrame)) {
            handleFrame(std::move(buf), first);
            buf.clear();
        }
        if (busy && buf.empty()) {
            {
                Lock l(mutex_);
                idle_ = true;
            }
            busy = false;
            logChanged_.notify_all();
        }
    }
}

void SimLine::handleFrame(std::vector<uint8_t> frame, Clock::time_point t) {
    Plan plan;
    Request request;
    {
        Lock l(mutex_);
        request.baud = readBaud();
        request.time = t;
        request.crcOk = crcIntact(frame);
        if (echo_) plan.echo = frame;
        if (request.crcOk) answer(frame, request.baud, plan);
        plan.delayMs = replyDelayMs_;
        plan.held = hold_ && (!holdWhich_ || holdWhich_(frame));
    }
    bool ok = plan.echo.empty() || writeOut(plan.echo.data(), plan.echo.size());
    if (ok && !plan.reply.empty() && plan.held) {
        {
            Lock l(mutex_);
            held_ = frame;
        }
        logChanged_.notify_all();
        while (ok && hold_) ok = pause(5);
        Lock l(mutex_);
        held_.clear();
    }
    if (ok && !plan.reply.empty()) {
        if (plan.delayMs > 0) ok = pause(plan.delayMs);
        const std::size_t chunk = plan.chunk ? plan.chunk : plan.reply.size();
        for (std::size_t at = 0; ok && at < plan.reply.size(); at += chunk) {
            if (at > 0) ok = pause(plan.chunkPauseMs);
            if (ok) ok = writeOut(plan.reply.data() + at, std::min(chunk, plan.reply.size() - at));
        }
    }
    pause(logHoldMs_);
    {
        Lock l(mutex_);
        for (auto& f : plan.after) f();
        request.bytes = std::move(frame);
        request.fault = plan.fault;
        log_.push_back(std::move(request));
    }
    logChanged_.notify_all();
}

// Works out the meters' answer to an intact request, under the lock.
void SimLine::answer(const std::vector<uint8_t>& f, int baud, Plan& plan) {
    const uint8_t address = f[0];
    const uint8_t fc = f[1];
    std::vector<Meter*> targets;
    for (auto& m : meters_)
        if (m->baud_ == baud && (address == kBroadcast || address == kWildcard || m->address_ == address))
            targets.push_back(m.get());
    if (targets.empty()) return;
    const bool isWrite = fc == 0x10 || fc == 0x70;
    // Everybody hears a broadcast or wildcard write; a read is answered by one.
    if (!((address == kBroadcast || address == kWildcard) && fc != 0x03)) targets.resize(1);
    const bool replies = address != kBroadcast;

    Fault fault;
    const bool faulty = replies && nextFault(f, fault);
    auto replyAddress = [&](const Meter& m) { return address == kWildcard && isWrite ? kWildcard : m.address_; };

    std::vector<uint8_t> reply;
    if (faulty && fault.kind == Fault::Kind::Exception) {
        // The meter refuses: nothing is carried out.
        reply = exceptionReply(replyAddress(*targets[0]), fc, uint8_t(fault.param ? fault.param : 4));
    } else {
        for (std::size_t i = 0; i < targets.size(); ++i) {
            Meter& m = *targets[i];
            const uint8_t ra = replyAddress(m);
            std::vector<uint8_t> r;
            switch (fc) {
            case 0x03: {
                if (f.size() != 8) { r = exceptionReply(ra, fc, 3); break; }
                const uint16_t start = word(f, 2), count = word(f, 4);
                if (count < 1 || count > 125 || std::size_t(start) + count > kRegisterCount) {
                    r = exceptionReply(ra, fc, 2);
                    break;
                }
                if (m.onRead) m.onRead(m, start, count);
                r = {ra, fc, uint8_t(2 * count)};
                for (std::size_t reg = start; reg < std::size_t(start) + count; ++reg) {
                    r.push_back(uint8_t(m.regs_[reg] >> 8));
                    r.push_back(uint8_t(m.regs_[reg] & 0xFF));
                }
                break;
            }
            case 0x05: {
                if (f.size() != 8) { r = exceptionReply(ra, fc, 3); break; }
                const uint16_t coil = word(f, 2), value = word(f, 4);
                if (value != 0xFF00 && value != 0x0000) { r = exceptionReply(ra, fc, 3); break; }
                if (value == 0xFF00) {
                    m.coils_.insert(coil);
                    m.coilLog_.push_back(coil);
                    if (m.onCoil) m.onCoil(m, coil);
                } else {
                    m.coils_.erase(coil);
                    if (m.onCoilOff) m.onCoilOff(m, coil);
                }
                r.assign(f.begin(), f.begin() + 6);
                r[0] = ra;
                break;
            }
            case 0x10:
            case 0x70: {
                if (f.size() < 9 || f.size() != 9 + std::size_t(f[6])) { r = exceptionReply(ra, fc, 3); break; }
                const uint16_t start = word(f, 2), count = word(f, 4);
                if (count < 1 || count > 123 || std::size_t(start) + count > kRegisterCount) {
                    r = exceptionReply(ra, fc, 2);
                    break;
                }
                if (f[6] != 2 * count) { r = exceptionReply(ra, fc, 3); break; }
                // Check the whole write before changing anything.
                bool valid = true;
                for (uint16_t k = 0; k < count; ++k) {
                    const uint16_t reg = uint16_t(start + k), v = word(f, 7 + 2 * k);
                    if (reg == kAddressRegister && (v == kBroadcast || v >= kWildcard)) valid = false;
                    if (reg == kBaudRegister && v >= kBaudRates.size()) valid = false;
                }
                if (!valid) { r = exceptionReply(ra, fc, 3); break; }
                for (uint16_t k = 0; k < count; ++k) {
                    const uint16_t reg = uint16_t(start + k), v = word(f, 7 + 2 * k);
                    // The new address and rate apply once the reply is on its way
                    // under the old ones.
                    if (reg == kAddressRegister)
                        plan.after.push_back([&m, v] { m.setAddress(uint8_t(v)); });
                    else if (reg == kBaudRegister)
                        plan.after.push_back([&m, v] { m.setBaud(kBaudRates[v]); });
                    else
                        m.regs_[reg] = v;
                }
                if (m.onWrite) m.onWrite(m, start, count);
                r.assign(f.begin(), f.begin() + 6);
                r[0] = ra;
                break;
            }
            case 0x71: {
                if (f.size() != 8 || f[2] != 0x89 || f[3] != 0x21 || f[4] != 0x00 || f[5] != 0x0F) {
                    r = exceptionReply(ra, fc, 3);
                    break;
                }
                ++m.saves_;
                r.assign(f.begin(), f.begin() + 6);
                r[0] = ra;
                break;
            }
            default:
                r = exceptionReply(ra, fc, 1);
            }
            if (i == 0) reply = std::move(r);
        }
    }
    if (!replies) return;
    appendCrc(reply);

    if (faulty) {
        switch (fault.kind) {
        case Fault::Kind::Silence: reply.clear(); break;
        case Fault::Kind::BadCrc: reply.back() ^= 0xFF; break;
        case Fault::Kind::Exception: break;
        case Fault::Kind::WrongAddress:
            reply.resize(reply.size() - 2);
            reply[0] = uint8_t(reply[0] + 1);
            appendCrc(reply);
            break;
        case Fault::Kind::ShortReply:
            reply.resize(std::min(reply.size(), std::size_t(fault.param > 0 ? fault.param : 2)));
            break;
        case Fault::Kind::Split:
            plan.chunk = std::size_t(fault.param > 0 ? fault.param : 3);
            plan.chunkPauseMs = splitPauseMs_;
            break;
        case Fault::Kind::Noise: {
            reply.resize(std::size_t(fault.param > 0 ? fault.param : 600));
            std::uniform_int_distribution<int> byte(0, 255);
            for (auto& b : reply) b = uint8_t(byte(rng_));
            break;
        }
        case Fault::Kind::Echo: plan.echo = f; break;
        case Fault::Kind::SlowBytes:
            plan.chunk = 1;
            plan.chunkPauseMs = fault.param > 0 ? fault.param : 10;
            break;
        }
    }
    if (faulty) plan.fault = fault.kind;
    plan.reply = std::move(reply);
}

bool SimLine::pause(int ms) {
    if (ms <= 0) return !stopping_;
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (!stopping_) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0) break;
        pollfd p{wake_[0], POLLIN, 0};
        ::poll(&p, 1, int(left));
    }
    return !stopping_;
}

bool SimLine::writeOut(const uint8_t* data, std::size_t len) {
    // The pty buffers a few kB; if nobody reads for long, give up rather than hang.
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    std::size_t done = 0;
    while (done < len && !stopping_) {
        const ssize_t n = ::write(master_, data + done, len - done);
        if (n > 0) {
            done += std::size_t(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            if (Clock::now() >= deadline) return false;
            pollfd fds[2] = {{master_, POLLOUT, 0}, {wake_[0], POLLIN, 0}};
            ::poll(fds, 2, 20);
        }
    }
    return done == len;
}

} // namespace sim
