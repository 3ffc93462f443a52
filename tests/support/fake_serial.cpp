#include "support/fake_serial.h"

#include <algorithm>

using namespace platform;

int FakeSerialDevice::failOn(std::string call, int code, int lastErrCode) {
    failures[std::move(call)] = {code, lastErrCode};
    return code;
}

void FakeSerialDevice::feed(const std::vector<uint8_t>& bytes) { rx.insert(rx.end(), bytes.begin(), bytes.end()); }

std::optional<int> FakeSerialDevice::enter(const std::string& call) {
    calls.push_back(call);
    auto it = failures.find(call);
    if (it == failures.end()) return std::nullopt;
    lastErr = it->second.second;
    return it->second.first;
}

int FakeSerialDevice::open(int port) {
    if (auto f = enter("open")) return *f;
    if (port < 1 || openPorts.count(port)) return SIO_OPENFAIL;
    openPorts.insert(port);
    return SIO_OK;
}

int FakeSerialDevice::ioctl(int port, int baudCode, int lineCode) {
    if (auto f = enter("ioctl")) return *f;
    if (!isOpen(port)) return SIO_BADPORT;
    if (baudCode < 0 || baudCode >= 20) return SIO_BADPARM;
    lastIoctl = {baudCode, lineCode};
    if (!baudOverridden) baud = baudRateForCode(baudCode);
    return SIO_OK;
}

int FakeSerialDevice::flowCtrl(int port, int mode) {
    if (auto f = enter("flowctrl")) return *f;
    if (!isOpen(port)) return SIO_BADPORT;
    lastFlowMode = mode;
    return SIO_OK;
}

int FakeSerialDevice::setDtr(int port, int state) {
    if (auto f = enter("dtr")) return *f;
    if (!isOpen(port)) return SIO_BADPORT;
    lastDtr = state;
    return SIO_OK;
}

int FakeSerialDevice::setRts(int port, int state) {
    if (auto f = enter("rts")) return *f;
    if (!isOpen(port)) return SIO_BADPORT;
    if (lastFlowMode >= 0 && (lastFlowMode & FLOW_HW)) return SIO_RTS_BY_HW;
    lastRts = state;
    return SIO_OK;
}

int FakeSerialDevice::getBaud(int port) {
    if (auto f = enter("getbaud")) return *f;
    if (!isOpen(port)) return SIO_BADPORT;
    return baud;
}

int FakeSerialDevice::read(int port, uint8_t* buf, int len) {
    if (auto f = enter("read")) return *f;
    if (!isOpen(port)) return SIO_BADPORT;
    if (len <= 0 || !buf) return 0;
    int n = std::min<int>(len, static_cast<int>(rx.size()));
    std::copy_n(rx.begin(), n, buf);
    rx.erase(rx.begin(), rx.begin() + n);
    return n;
}

int FakeSerialDevice::write(int port, const uint8_t* buf, int len, int) {
    if (auto f = enter("write")) return *f;
    if (!isOpen(port)) return SIO_BADPORT;
    if (len < 0 || (len > 0 && !buf)) return SIO_BADPARM;
    std::vector<uint8_t> frame(buf, buf + len);
    written.push_back(frame);
    if (onWrite) onWrite(frame); // a copy: the hook may write again
    return len;
}

int FakeSerialDevice::dataStatus(int port) {
    if (auto f = enter("status")) return *f;
    if (!isOpen(port)) return SIO_BADPORT;
    int bits = pendingStatus;
    pendingStatus = 0;
    return bits;
}

int FakeSerialDevice::cntIrq(int port) {
    if (auto f = enter("cntirq")) return *f;
    return isOpen(port) ? SIO_OK : SIO_BADPORT;
}

int FakeSerialDevice::close(int port) {
    if (auto f = enter("close")) return *f;
    return openPorts.erase(port) ? SIO_OK : SIO_BADPORT;
}
