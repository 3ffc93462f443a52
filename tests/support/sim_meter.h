#pragma once
// A simulated meter line for tests and for trying the program without hardware.
//
// SimLine owns one pseudo-terminal. The program opens the slave side like a
// serial port; a worker thread reads requests from the master side and answers
// them as the meters on the line would (Modbus RTU: functions 3, 5, 0x10 and the
// vendor functions 0x70 and 0x71). Each meter answers only while the line runs at
// its own baud rate, which the simulator reads back from the pty each time.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace sim {

// The link's CRC-16 (rtu::crc16) over a hand-built frame.
uint16_t crc16(const uint8_t* data, std::size_t len);
// Appends the CRC, low byte first.
void appendCrc(std::vector<uint8_t>& frame);
// The frame with its CRC appended.
inline std::vector<uint8_t> withCrc(std::vector<uint8_t> frame) {
    appendCrc(frame);
    return frame;
}
// True when the frame (at least 4 bytes) ends in its intact CRC.
bool crcIntact(const std::vector<uint8_t>& frame);

// The five rates a meter can run at; register 0x2001 holds the index into this list.
inline constexpr std::array<int, 5> kBaudRates{1200, 2400, 4800, 9600, 19200};
// Index of a rate in kBaudRates, or -1.
int baudIndex(int baud);

inline constexpr uint16_t kAddressRegister = 0x2000;
inline constexpr uint16_t kBaudRegister = 0x2001;
inline constexpr std::size_t kRegisterCount = 0x3000; // registers 0x0000..0x2FFF (TOU calendar up to 0x294E)

struct Fault {
    enum class Kind {
        Silence,      // no reply
        BadCrc,       // last byte of the reply flipped
        Exception,    // exception reply with code param (default 04) instead of the answer
        WrongAddress, // byte 0 + 1, CRC recomputed
        ShortReply,   // only the first param bytes (default 2)
        Split,        // chunks of param bytes (default 3) with a pause between them
        Noise,        // param random bytes (default 600) instead of the reply
        Echo,         // the request echoed before the reply
        SlowBytes,    // one byte at a time, param ms apart (default 10)
    };
    Kind kind = Kind::Silence;
    int param = 0; // 0 = the kind's default
};
inline constexpr int kFaultKindCount = 9;

// What setTraffic puts on the line: another master's read of meter 9.
inline const std::vector<uint8_t> kTrafficFrame{0x09, 0x03, 0x00, 0x00, 0x00, 0x01, 0x85, 0x42};

// One request frame as the simulator saw it.
struct Request {
    std::vector<uint8_t> bytes;
    std::chrono::steady_clock::time_point time; // arrival of its first byte
    int baud = 0;                               // the line's rate when it arrived
    bool crcOk = false;
    std::optional<Fault::Kind> fault;           // the fault its reply took
};

class SimLine;

// One meter on the line. Replies carry the meter's own address in byte 0, also
// when a read went to the wildcard address 255; only write replies (0x10, 0x70)
// to the wildcard address carry 0xFF, so a master that knows no address yet can
// still match them. Its methods are thread-safe (they share the line's lock).
// The hooks run on the line's worker thread with that lock held; set them before
// requests flow. They may call the meter's own methods.
class Meter {
public:
    uint8_t address() const;
    int baud() const;
    // Changes address (1..254) or baud rate (one of kBaudRates) and the matching
    // register; other values are ignored and false returned.
    bool setAddress(uint8_t address);
    bool setBaud(int baud);

    // Registers outside the image read as 0 and ignore writes. Writing 0x2000 or
    // 0x2001 goes through setAddress / setBaud.
    uint16_t registerValue(uint16_t reg) const;
    void setRegister(uint16_t reg, uint16_t value);
    void setRegisters(uint16_t start, const std::vector<uint16_t>& values);
    std::vector<uint16_t> registers(uint16_t start, uint16_t count) const;

    bool coilOn(uint16_t coil) const;
    std::set<uint16_t> coils() const;
    std::vector<uint16_t> coilLog() const; // every coil written on, in order
    void clearCoils();
    int saveCount() const; // save-config requests (0x71) carried out

    // A coil was written on (for instance a capture trigger).
    std::function<void(Meter&, uint16_t coil)> onCoil;
    // A read of count registers from start is about to be answered (live values).
    std::function<void(Meter&, uint16_t start, uint16_t count)> onRead;
    // A coil was written off (0x0000).
    std::function<void(Meter&, uint16_t coil)> onCoilOff;
    // Registers were written (0x10 or 0x70, also by a broadcast nobody answers).
    std::function<void(Meter&, uint16_t start, uint16_t count)> onWrite;

private:
    friend class SimLine;
    Meter(std::recursive_mutex& mutex, uint8_t address, int baud);

    std::recursive_mutex& mutex_;
    uint8_t address_;
    int baud_;
    std::vector<uint16_t> regs_;
    std::set<uint16_t> coils_;
    std::vector<uint16_t> coilLog_;
    int saves_ = 0;
};

class SimLine {
public:
    SimLine();
    ~SimLine(); // stops
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    // Opens the pty (raw, 9600 8N1) and starts the worker. False when the pty
    // can't be made; calling it again while running returns true.
    bool start();
    // Ends the worker promptly, closes the pty and removes links made by linkAs.
    void stop();
    bool running() const;
    std::string slavePath() const;
    // Creates or replaces the symbolic link `path` -> the slave (e.g. "<dir>/com1").
    bool linkAs(const std::string& path);
    // The rate the line runs at now (what the program set on its port), 0 if unknown.
    int lineBaud() const;

    // Address 1..254, baud one of kBaudRates; throws std::invalid_argument else.
    Meter& addMeter(uint8_t address, int baud = 9600);
    // The first meter with that address, or nullptr.
    Meter* meter(uint8_t address);
    std::size_t meterCount() const;

    // Shorthands on the meter with that address (ignored / 0 when there is none).
    void setRegister(uint8_t address, uint16_t reg, uint16_t value);
    uint16_t registerValue(uint8_t address, uint16_t reg) const;
    void setRegisters(uint8_t address, uint16_t start, const std::vector<uint16_t>& values);

    // Every frame seen. A request enters the log once the simulator is done with
    // it: its reply, if any, has been written and address / baud changes made.
    // requests() and clearLog() first wait until the simulator has taken in and
    // handled every byte written to the line so far (a reply held by holdReplies
    // aside), so a count taken as soon as the program has its reply includes the
    // request that caused it. The wait is bounded (a few seconds) and skipped on the
    // worker thread, where the hooks run.
    std::vector<Request> requests() const;
    void clearLog();
    bool waitForRequests(std::size_t n, int timeoutMs) const;
    // Holds the simulator this long after each reply before it logs the request, as
    // a busy machine may pause its thread there: a count that does not wait for the
    // log shows up. The environment variable SIM_LOG_HOLD_MS sets it for every line.
    void setLogHoldMs(int ms);

    // Faults, first in first out, each for the next request a meter would answer.
    void injectFault(Fault fault);
    std::size_t faultsPending() const;
    void clearFaults();
    // With probability (0..1) a request without a queued fault gets a random one of
    // kinds (default parameters); probability 0 turns it off.
    void setRandomFaults(uint32_t seed, double probability, std::vector<Fault::Kind> kinds);
    // Picks the fault for each request a meter would answer, before the queue and
    // the random faults are asked (on the worker thread, under the line's lock);
    // nullopt leaves the request to them. An empty function turns it off.
    using FaultChooser = std::function<std::optional<Fault>(const std::vector<uint8_t>& request)>;
    void setFaultChooser(FaultChooser chooser);
    // Faults actually applied, chosen, queued or random.
    int faultsInjected(Fault::Kind kind) const;

    // Holds every reply back while on: a request the meters answer waits, unanswered,
    // until holding is turned off (then it is answered as usual). For tests that act in
    // the window while the program waits for a reply; the program's reply time-out must
    // be longer than the hold.
    void holdReplies(bool on);
    // Holds back only the replies to requests `which` accepts (the request's bytes, CRC
    // included); the others are answered as usual. Ends with holdReplies(false).
    void holdRepliesTo(std::function<bool(const std::vector<uint8_t>&)> which);
    // The request whose reply is being held now (empty when none), and waiting for one.
    std::vector<uint8_t> heldRequest() const;
    bool replyHeld() const;
    bool waitForHeldRequest(int timeoutMs) const;

    void setEcho(bool on);          // echo every request first, like a four-wire line
    void setReplyDelayMs(int ms);   // wait before answering
    void setSplitPauseMs(int ms);   // pause between the chunks of a Split reply (default 30)
    // Other traffic on the line (another master polling meter 9, or a floating line):
    // kTrafficFrame every periodMs, whatever the meters do; 0 stops it.
    void setTraffic(int periodMs);

private:
    struct Plan;
    void run();
    void handleFrame(std::vector<uint8_t> frame, std::chrono::steady_clock::time_point t);
    void answer(const std::vector<uint8_t>& frame, int baud, Plan& plan);
    bool writeOut(const uint8_t* data, std::size_t len);
    bool pause(int ms); // false when stopping
    int readBaud() const;
    void settle(std::unique_lock<std::recursive_mutex>& lock) const;
    bool settled() const; // under mutex_
    bool nextFault(const std::vector<uint8_t>& request, Fault& fault);

    mutable std::recursive_mutex mutex_;
    mutable std::condition_variable_any logChanged_;
    std::vector<std::unique_ptr<Meter>> meters_;
    std::vector<Request> log_;
    std::deque<Fault> faults_;
    std::array<int, kFaultKindCount> injected_{};
    FaultChooser chooser_;
    std::vector<Fault::Kind> randomKinds_;
    double randomProbability_ = 0;
    std::mt19937 rng_{1};
    bool echo_ = false;
    int replyDelayMs_ = 0;
    int splitPauseMs_ = 30;
    std::atomic<int> trafficMs_{0};
    std::atomic<int> logHoldMs_{0};
    bool idle_ = true; // under mutex_: no frame begun, none being handled
    std::atomic<bool> hold_{false};
    std::vector<uint8_t> held_; // under mutex_
    std::function<bool(const std::vector<uint8_t>&)> holdWhich_; // under mutex_

    int master_ = -1;
    int slave_ = -1;
    int wake_[2] = {-1, -1};
    std::string slavePath_;
    std::vector<std::string> links_;
    std::thread worker_;
    bool running_ = false;
    std::atomic<bool> stopping_{false};
};

} // namespace sim
