#include "link/link_operations.h"

#include "common/shared_routines.h"

#include <QTimer>

namespace rtu {

LinkOperations::LinkOperations(QObject* parent) : QObject(parent) {}

bool LinkOperations::foreignCaller() const { return running_ && common::eventWaitDepth() > baseDepth_; }

bool LinkOperations::runOrQueue(const QString& name, Work work) {
    if (!work) return false;
    if (!running_ || !foreignCaller()) {
        if (running_) work(); // the running operation's own step
        else run(name, work);
        return true;
    }
    queue_.push_back({name, std::move(work)});
    return false;
}

bool LinkOperations::tryRun(const QString& name, Work work) {
    if (!work) return false;
    if (running_ && foreignCaller()) return false;
    if (running_) work();
    else run(name, work);
    return true;
}

void LinkOperations::run(const QString& name, const Work& work) {
    running_ = true;
    cancelled_ = false;
    baseDepth_ = common::eventWaitDepth();
    current_ = name;
    struct End {
        LinkOperations& ops;
        ~End() {
            ops.running_ = false;
            ops.cancelled_ = false;
            ops.current_.clear();
            ops.scheduleNext();
        }
    } end{*this};
    work();
}

void LinkOperations::cancel() {
    if (running_) cancelled_ = true;
    queue_.clear();
}

bool LinkOperations::beginImplicit() {
    if (running_) return false;
    running_ = true;
    cancelled_ = false;
    baseDepth_ = common::eventWaitDepth();
    current_ = QStringLiteral("exchange");
    return true;
}

void LinkOperations::endImplicit() {
    running_ = false;
    cancelled_ = false;
    current_.clear();
    scheduleNext();
}

void LinkOperations::scheduleNext() {
    if (queue_.empty()) {
        emit idle();
        return;
    }
    // Started from the event loop, not from the end of the operation before it, so that
    // operation's caller finishes first; and only after a pause as long as the one
    // between two polls, so that what the operation before said in the status bar (a
    // write's " Ok!") is in view before the next one may replace it.
    if (nextScheduled_) return;
    nextScheduled_ = true;
    QTimer::singleShot(queuedStartMs_, this, [this] { runNext(); });
}

void LinkOperations::runNext() {
    nextScheduled_ = false;
    if (running_ || queue_.empty()) return; // the end of that operation schedules again
    Pending next = std::move(queue_.front());
    queue_.pop_front();
    run(next.name, next.work);
}

} // namespace rtu
