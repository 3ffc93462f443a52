#pragma once
// Times one long operation of a page against the simulated meter (which answers at
// once) and splits it into the floor the link rules impose and the program's own
// time beyond it.
//
// The floor of one exchange is the request's and the reply's time on the wire at
// the line's rate (a pseudo-terminal sends every byte at once, so it is counted from
// the bytes: 10 bits a byte at 8N1) plus the frame gap the master waits after the
// reply, and the pauses the meter is given after two requests: 5 s after the
// save-config frame (function 0x71) to store its set-up, 2 s after a trace channel
// is selected (0x2203 written). On the pseudo-terminal only the waits are spent, so
// the program's own time is the operation's span less the waits; on a real line the
// operation would take that own time plus the whole floor.
//
// While the operation runs, a 1-pixel part of the main window is marked dirty every
// 20 ms (as an expose or a moving progress would), and the window's update requests
// are timed: the longest gap between two of them, from the first request on, is the
// longest the window stood still. With PCTOOL_BENCH_UNFORCED set nothing is marked
// dirty, and the gaps are those between the updates the operation itself makes.

#include "link/serial_settings.h"
#include "records/trace_setup.h"
#include "records/trace_store.h"
#include "sim_meter.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace bench {

// The bytes a simulated meter answers a request with (0 for a broadcast).
inline std::size_t replyBytes(const std::vector<uint8_t>& request) {
    if (request.size() < 2 || request[0] == 0) return 0;
    if (request[1] == 0x03 && request.size() >= 6) return 5 + 2 * std::size_t(request[5]);
    return 8; // echo of function, start and count (or coil and value)
}

inline constexpr double kSaveConfigPauseMs = 5000;

// The pause a request is followed by, beyond the frame gap.
inline double pauseAfterMs(const std::vector<uint8_t>& request) {
    if (request.size() > 1 && request[1] == 0x71) return kSaveConfigPauseMs;
    if (request.size() == 11 && request[1] == 0x10 && (request[2] << 8 | request[3]) == records::kTraceChannelRegister)
        return records::kTraceSelectWaitSeconds * 1000;
    return 0;
}

class OperationClock : public QObject {
public:
    using Clock = std::chrono::steady_clock;

    OperationClock(QWidget& window, sim::SimLine& line) : window_(window), line_(line) {
        window_.installEventFilter(this);
        dirty_.setTimerType(Qt::PreciseTimer);
        dirty_.setInterval(20);
        QObject::connect(&dirty_, &QTimer::timeout, [this] { window_.update(0, 0, 1, 1); });
    }
    ~OperationClock() override { window_.removeEventFilter(this); }

    // Clears the line's log, starts the clock, runs `trigger` and the event loop
    // until `done` holds (checked every millisecond, also inside the operation's own
    // waits). False on time-out.
    bool run(const std::function<void()>& trigger, const std::function<bool()>& done, int timeoutMs = 120000) {
        line_.clearLog();
        requests_.clear();
        repaints_.clear();
        finished_ = false;
        if (!qEnvironmentVariableIsSet("PCTOOL_BENCH_UNFORCED")) dirty_.start();
        start_ = Clock::now();
        repaints_.push_back(start_);
        trigger();
        QEventLoop loop;
        QTimer check;
        check.setTimerType(Qt::PreciseTimer);
        QElapsedTimer waited;
        waited.start();
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (!finished_ && done()) {
                end_ = Clock::now();
                finished_ = true;
            }
            if (finished_ || waited.elapsed() > timeoutMs) loop.quit();
        });
        check.start(1);
        if (!finished_) loop.exec();
        dirty_.stop();
        if (!finished_) return false;
        // Requests after the end belong to the page's next work.
        for (const sim::Request& r : line_.requests())
            if (r.time <= end_) requests_.push_back(r);
        if (qEnvironmentVariableIsSet("PCTOOL_BENCH_TRACE"))
            for (const sim::Request& r : requests_)
                std::fprintf(stderr, "%9.1f ms  fc %02x  %zu bytes\n", ms(start_, r.time), r.bytes[1], r.bytes.size());
        return !requests_.empty();
    }

    int exchanges() const { return int(requests_.size()); }
    // From the first request's first byte to the end of the operation.
    double spanMs() const { return ms(requests_.front().time, end_); }
    // From the trigger to the first request (the scheduler's next tick).
    double startLatencyMs() const { return ms(start_, requests_.front().time); }
    // The waits the link rules impose: frame gaps and the meter's pauses.
    double gapsMs() const {
        double sum = 0;
        for (const sim::Request& r : requests_) sum += rtu::computeFrameGapMs(r.baud) + pauseAfterMs(r.bytes);
        return sum;
    }
    double wireMs() const {
        double sum = 0;
        for (const sim::Request& r : requests_)
            if (r.baud > 0) sum += double(r.bytes.size() + replyBytes(r.bytes)) * 10.0 * 1000.0 / r.baud;
        return sum;
    }
    double floorMs() const { return gapsMs() + wireMs(); }
    double ownMs() const { return std::max(0.0, spanMs() - gapsMs()); }
    // The program's own time as a share of the operation on a real line.
    double ownShare() const { return ownMs() / (ownMs() + floorMs()); }
    // The longest the window went without an update request from the first request
    // to the end of the operation.
    double longestStillMs() const {
        const Clock::time_point first = requests_.front().time;
        double longest = 0;
        Clock::time_point last = first;
        for (Clock::time_point t : repaints_) {
            if (t > end_) break;
            if (t < first) continue;
            longest = std::max(longest, ms(last, t));
            last = t;
        }
        return std::max(longest, ms(last, end_));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && !finished_ && event->type() == QEvent::UpdateRequest)
            repaints_.push_back(Clock::now());
        return false;
    }

private:
    static double ms(Clock::time_point a, Clock::time_point b) {
        return std::chrono::duration<double, std::milli>(b - a).count();
    }

    QWidget& window_;
    sim::SimLine& line_;
    QTimer dirty_;
    Clock::time_point start_, end_;
    bool finished_ = false;
    std::vector<Clock::time_point> repaints_;
    std::vector<sim::Request> requests_;
};

} // namespace bench
