#pragma once
// One operation owns the link from its first exchange to its last: a scheduler
// tick with its waits, a direct operation (address check, scan, Read Address,
// address or baud change, save-config) or a page's multi-frame write, upload or
// read-out.
//
// Every exchange waits by running the event loop, so clicks and timers are
// handled while an operation runs. Such a handler must not start exchanges of
// its own in the middle of another operation: it asks for the link here and its
// work is queued (a click is never lost) or refused (a poll tick just re-arms).
// The running operation's own code asks too and simply goes on, as it already
// owns the link.

#include <QObject>
#include <QString>
#include <cstddef>
#include <deque>
#include <functional>

namespace rtu {

class LinkOperations : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void()>;
    // A queued operation starts this long after the one before it ended (the pause
    // between two polls; a test rig that polls faster shortens both).
    void setQueuedStartMs(int ms) { queuedStartMs_ = ms; }

    explicit LinkOperations(QObject* parent = nullptr);

    // Runs work now when the link is free or when called by the running
    // operation's own code; otherwise queues it to run, in order, once the
    // running operation has ended. Returns true when it ran now.
    bool runOrQueue(const QString& name, Work work);
    // Runs work now when runOrQueue would; otherwise does nothing and returns false.
    bool tryRun(const QString& name, Work work);

    // An operation is running.
    bool busy() const { return running_; }
    // The name of the running operation, empty when none runs.
    const QString& current() const { return current_; }
    // True when the caller is a handler that came in during a wait of the
    // running operation, not that operation's own code.
    bool foreignCaller() const;

    // "Exit", "Off Line" or a change of meter: the running operation is to end at
    // its next exchange boundary (its further requests are refused without being
    // sent), and the queued operations, meant for the meter that was, are dropped.
    void cancel();
    // The running operation was told to end.
    bool cancelled() const { return running_ && cancelled_; }
    // "Exit" answered Yes, or the window closed: cancel(), for good. An operation cut
    // short by it reports no failure of its own: nobody is left to read a box that
    // would only keep the program from ending.
    void endProgram() {
        ending_ = true;
        cancel();
    }
    bool ending() const { return ending_; }
    // Ends the running operation early without dropping what is queued (the scan's stop).
    void stopCurrent() { if (running_) cancelled_ = true; }
    void dropQueued() { queue_.clear(); }
    std::size_t queued() const { return queue_.size(); }

    // Marks the link taken for one exchange sent outside any operation, so that
    // handlers during its wait queue their work. Ended by endImplicit.
    bool beginImplicit();
    void endImplicit();

signals:
    // The link has become free and nothing is queued.
    void idle();

private:
    struct Pending {
        QString name;
        Work work;
    };
    void run(const QString& name, const Work& work);
    void scheduleNext();
    void runNext();

    bool running_ = false;
    bool cancelled_ = false;
    bool ending_ = false;
    int baseDepth_ = 0;
    QString current_;
    std::deque<Pending> queue_;
    bool nextScheduled_ = false;
    int queuedStartMs_ = 300;
};

} // namespace rtu
