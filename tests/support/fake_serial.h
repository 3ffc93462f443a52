#pragma once
// An in-memory serial port for tests of the link: records every call, hands back
// queued bytes, and fails any named call on request.

#include "platform/serial_port.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class FakeSerialDevice : public platform::SerialDevice {
public:
    // Makes `call` ("open", "ioctl", "flowctrl", "dtr", "rts", "getbaud", "read",
    // "write", "status", "cntirq", "close") return `code` from now on, with
    // lastError() = `lastErr`. Returns `code`.
    int failOn(std::string call, int code, int lastErr = 0);
    void clearFailures() { failures.clear(); }

    // Queues bytes for read(); one read returns everything queued (up to its len).
    void feed(const std::vector<uint8_t>& bytes);
    // The next dataStatus() returns `bits` once.
    void setLineStatus(int bits) { pendingStatus = bits; }
    bool isOpen(int port) const { return openPorts.count(port) != 0; }

    std::vector<std::string> calls;             // every call, in order
    std::pair<int, int> lastIoctl{-1, -1};      // baud code, line code
    int lastFlowMode = -1;
    int lastDtr = -1;
    int lastRts = -1;
    std::vector<std::vector<uint8_t>> written;  // one entry per write()
    int baud = 0;             // what getBaud() returns; ioctl() sets it from the baud code
    bool baudOverridden = false; // set true to keep `baud` across ioctl()
    std::vector<uint8_t> rx;  // bytes queued for read()
    // Called after each successful write with the frame: a test answers by feed().
    std::function<void(const std::vector<uint8_t>&)> onWrite;

    int open(int port) override;
    int ioctl(int port, int baudCode, int lineCode) override;
    int flowCtrl(int port, int mode) override;
    int setDtr(int port, int state) override;
    int setRts(int port, int state) override;
    int getBaud(int port) override;
    int read(int port, uint8_t* buf, int len) override;
    int write(int port, const uint8_t* buf, int len, int timeoutMs) override;
    int dataStatus(int port) override;
    int cntIrq(int port) override;
    int close(int port) override;
    int lastError() const override { return lastErr; }

private:
    // Logs the call; returns the forced failure code, if any.
    std::optional<int> enter(const std::string& call);

    std::map<std::string, std::pair<int, int>> failures; // call -> code, errno
    std::set<int> openPorts;
    int pendingStatus = 0;
    int lastErr = 0;
};
