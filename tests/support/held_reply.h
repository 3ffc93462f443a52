#pragma once
// A person's action while the program waits for a reply: the simulated meter
// holds its answer, the action runs from a timer inside the program's wait (as a
// click would), and then the meter answers.

#include "sim_meter.h"

#include <QCoreApplication>
#include <QTimer>
#include <functional>

// Holds the line's replies from now on; once a request waits for its reply, runs
// act and lets the meter answer it.
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
