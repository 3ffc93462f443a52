#pragma once
// Our own serial layer: the handful of port operations the link needs, with the
// return-code convention of the serial library the program was designed around
// (0 = success, negative = error code). One object stands for the machine's ports;
// every call takes the COM number first.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace platform {

enum SioCode : int {
    SIO_OK = 0,
    SIO_BADPORT = -1,           // port number invalid or port not open
    SIO_OUTCONTROL = -2,        // the device does not support this function
    SIO_NODATA = -4,            // no data to read
    SIO_OPENFAIL = -5,          // no such port, or port occupied
    SIO_RTS_BY_HW = -6,         // RTS can't be set under hardware flow control
    SIO_BADPARM = -7,           // bad parameter
    SIO_WIN32FAIL = -8,         // a system call failed: see lastError()
    SIO_BOARDNOTSUPPORT = -9,   // the device does not support this function
    SIO_ABORTWRITE = -11,       // write blocked and aborted
    SIO_WRITETIMEOUT = -12,     // write time-out
};

// Line-error bits returned by dataStatus().
enum LineError : int { LINE_PARITY = 1, LINE_FRAMING = 2, LINE_OVERRUN = 4, LINE_OVERFLOW = 8 };

// Flow-control mode bits for flowCtrl().
enum FlowMode : int { FLOW_HW = 3, FLOW_SW = 12 };

class SerialDevice {
public:
    virtual ~SerialDevice() = default;
    virtual int open(int port) = 0;
    // baudCode: index into the 20-entry baud table; lineCode = stop | data | parity codes.
    virtual int ioctl(int port, int baudCode, int lineCode) = 0;
    virtual int flowCtrl(int port, int mode) = 0;
    virtual int setDtr(int port, int state) = 0;
    virtual int setRts(int port, int state) = 0;
    // The port's baud rate in bit/s, or a negative code.
    virtual int getBaud(int port) = 0;
    // Bytes read (0 when none waiting), or a negative code. Never blocks.
    virtual int read(int port, uint8_t* buf, int len) = 0;
    // Bytes written, or a negative code; gives up after timeoutMs.
    virtual int write(int port, const uint8_t* buf, int len, int timeoutMs) = 0;
    // Line-error bits since the last call (0 when clean), or a negative code when not open.
    virtual int dataStatus(int port) = 0;
    // Removes any receive-count notification; kept for the close sequence.
    virtual int cntIrq(int port) = 0;
    virtual int close(int port) = 0;
    // The OS error (errno) behind the last SIO_WIN32FAIL.
    virtual int lastError() const = 0;
    // A descriptor that becomes readable when bytes arrive on an open port, so the
    // link can take a reply the moment it comes; -1 when the device has none.
    virtual int readHandle(int port) const {
        (void)port;
        return -1;
    }
};

// Maps a COM number to a device path.
using PortResolver = std::function<std::string(int port)>;

// The default mapping: a symbolic link "comN" in `folder` when it exists,
// otherwise /dev/ttyS<N-1>.
std::string resolvePortInFolder(const std::string& folder, int port);

// The real ports, over POSIX termios.
std::unique_ptr<SerialDevice> makePosixSerialDevice(PortResolver resolver);

// Baud rate in bit/s for a baud code 0..19 (0 for an unknown code).
int baudRateForCode(int baudCode);

} // namespace platform
