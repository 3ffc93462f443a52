#pragma once
// Acting in the window while the program waits for a reply, as a person does on a real
// line: the simulated meter holds the reply to a chosen request, the action runs from the
// event loop the program waits in, then the meter answers.

#include "program_rig.h"

#include <QAbstractButton>
#include <QCoreApplication>
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

// Holds the line's replies from now on; once a request waits for its reply, runs
// act (from a timer inside the program's wait, as a click would come) and lets the
// meter answer it.
inline void actWhileReplyHeld(sim::SimLine& line, std::function<void()> act) {
    line.holdReplies(true);
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, poll, [&line, poll, act = std::move(act)] {
        if (!line.replyHeld()) return;
        poll->stop();
        act();
        line.holdReplies(false);
        poll->deleteLater();
    });
    poll->start(2);
}

// Leaves for page `away`, then chooses `page` again with its selector button, as a
// person does: the next request on the line is `page`'s entry read.
inline void chooseAgain(ProgramRig& rig, int away, int page) {
    auto choose = [&](int index) {
        auto* button = rig.mainForm().findChild<QAbstractButton*>(QStringLiteral("optProgram_%1").arg(index));
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, 8));
    };
    choose(away);
    QTest::qWait(500);
    rig.page().Ticks.KeyLockTicks = 0; // no keyboard-lock read comes first
    choose(page);
}
