#pragma once
// Acting in the window while the program waits for a reply, as a person does on a real
// line: the simulated meter holds the reply to a chosen request, the action runs from the
// event loop the program waits in, then the meter answers.

#include "program_rig.h"

#include <QTimer>
#include <functional>
#include <vector>

namespace held {

using Bytes = std::vector<uint8_t>;

// Requests by their function code and first register (a read's or a write's).
inline std::function<bool(const Bytes&)> request(uint8_t function, uint16_t first) {
    return [function, first](const Bytes& q) {
        return q.size() >= 6 && q[1] == function && (q[2] << 8 | q[3]) == first;
    };
}

// Holds the reply to the next request `which` accepts; once the program waits for it,
// runs act (a click, keys) from that wait and lets the meter answer. The rig's reply
// time-out must be longer than the hold. False when no such request came within ms.
// start, when given, runs once the hold is set: what makes the program send the request.
inline bool duringReply(ProgramRig& r, std::function<bool(const Bytes&)> which, const std::function<void()>& act,
                        int ms = 5000, const std::function<void()>& start = {}) {
    bool done = false;
    r.line.holdRepliesTo(std::move(which));
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done || r.line.heldRequest().empty()) return;
        done = true;
        poll.stop();
        act();
        r.line.holdReplies(false);
    });
    poll.start();
    if (start) start();
    const bool seen = r.waitFor([&] { return done; }, ms);
    r.line.holdReplies(false);
    return seen;
}

} // namespace held
