#pragma once
// A person's action while the program waits for a reply: the simulated meter
// holds its answer, the action runs from a timer inside the program's wait (as a
// click would), and then the meter answers.

#include "program_rig.h"
#include "sim_meter.h"

#include <QAbstractButton>
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
