#pragma once
// The Modbus RTU master: request framing, the exchange with time-out and
// repeats, reply reception and check, and dispatch of replies by command code.

#include "link/link_operations.h"
#include "link/link_state.h"
#include "link/status_sink.h"
#include "platform/serial_port.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <unordered_map>

class QSocketNotifier;

namespace rtu {

using Decoder = std::function<void()>;

class ModbusMaster : public QObject {
    Q_OBJECT
public:
    ModbusMaster(LinkState& state, platform::SerialDevice& device, StatusSink& status, QObject* parent = nullptr);
    ~ModbusMaster() override;

    LinkState& state() { return st_; }
    platform::SerialDevice& device() { return dev_; }
    StatusSink& status() { return status_; }

    // --- dispatch ---------------------------------------------------------
    // Each page registers the decoder of its command codes when it is built.
    // An empty decoder takes the code's decoder away.
    void registerDecoder(int16_t code, Decoder decoder);
    bool hasDecoder(int16_t code) const { return decoders_.count(code) != 0; }
    // The code's decoder, empty when it has none (to chain another in front of it for a while).
    Decoder decoder(int16_t code) const {
        auto it = decoders_.find(code);
        return it == decoders_.end() ? Decoder() : it->second;
    }
    void DispatchReply();

    // --- the port ---------------------------------------------------------
    bool OpenCommPort();
    bool ConfigCommPort();
    void CloseCommPort();
    // Frame-end interval = FrameGapMs, receive tick 10 ms, time-out ReplyTimeoutMs.
    void applyTimerIntervals();

    // --- sending ----------------------------------------------------------
    // Every request carries its own command code (which picks the reply's decoder)
    // and, for reads, its window; CommandCode and ReadWindow of the link state are
    // filled from them when the request goes out. A refused request changes none of
    // CommandCode, ReadWindow and (for reads, coils and SendFrame) TxFrame.
    //
    // Read of count registers from start at MeterAddress.
    void SendReadHoldingRegisters(int16_t code, int start, int count);
    // Appends the CRC after TxFrame[lastDataIndex] and runs the exchange with repeats.
    // Refused (LinkFailed set, nothing sent) while another exchange is outstanding,
    // when the caller came in during another operation's wait, or when the running
    // operation has been told to end.
    void SendRequest(int16_t code, int16_t lastDataIndex);
    // The request `frame` (address to last data byte, no CRC), sent as SendRequest does;
    // TxFrame is only replaced when the request is not refused.
    void SendFrame(int16_t code, const std::vector<uint8_t>& frame);
    // Writes coil `coil` on, then calls the after-coil hook (the page goes back to step 0).
    void SendCommandCoil(int16_t coil);
    void setAfterCoilCommand(std::function<void()> hook) { afterCoil_ = std::move(hook); }

    // The operations that take turns on the link.
    LinkOperations& ops() { return ops_; }
    const LinkOperations& ops() const { return ops_; }
    // True while an exchange is outstanding or an operation owns the link.
    bool busy() const { return busy_ || ops_.busy(); }
    // True from the start to the end of one request (with its repeats).
    bool exchangeOutstanding() const { return busy_; }
    // The command code of the exchange outstanding or last sent.
    int16_t exchangeCode() const { return code_; }

    // Ends an outstanding exchange as failed without counting it: the program is closing.
    void abortExchange();

    // --- reception (the timer handlers; public so tests can drive them) ----
    void TCommLoadData_Timer();
    void TCommLoad_Timer();
    void TCommOut_Timer();
    void ValidateReply();
    void ComputeReplyCRC();

    QTimer& loadDataTimer() { return tLoadData_; }
    QTimer& loadTimer() { return tLoad_; }
    QTimer& outTimer() { return tOut_; }
    // Ends an exchange whose reply has not come to an end by ReplyTimeoutMs plus the
    // wire time of the longest legal reply (a line that never goes quiet).
    QTimer& deadlineTimer() { return tDeadline_; }

    // Counts per outcome, for tests and benchmarks.
    struct Stats {
        long exchanges = 0, good = 0, crcFailed = 0, timedOut = 0, lineErrors = 0;
    };
    const Stats& stats() const { return stats_; }

signals:
    void exchangeFinished();

private:
    void SendComm();
    // Marks the current exchange finished before any decoder, beep or box runs,
    // so nothing inside them can end it a second time.
    // Returns whether an exchange was open (a reply between exchanges is no outcome).
    bool beginOutcome(bool failed);
    void endOutcome();
    void pauseReception();
    void resumeReception();
    // Runs the receive tick while something needs it, and only then.
    bool tickNeeded() const;
    void syncTick();
    void watchPort();
    void unwatchPort();
    void bytesWaiting();
    // One look at the line (the receive tick's work); the bytes read, 0 for none,
    // -1 when nothing was read (a line error, or an outcome being handled).
    int takeBytes();
    // The frame end; `usable` false rejects what was collected without checking it.
    void endFrame(bool usable);
    // Rejects the frame being collected at once and drops its rest until the line is quiet.
    void giveUpFrame();
    void replyOverdue();
    // Before a repeat: waits (bounded) until the line has been quiet for FrameGapMs.
    void waitForQuietLine();

    LinkState& st_;
    platform::SerialDevice& dev_;
    StatusSink& status_;
    QTimer tLoadData_, tLoad_, tOut_, tDeadline_;
    std::unordered_map<int16_t, Decoder> decoders_;
    std::function<void()> afterCoil_;
    bool refused() const;

    LinkOperations ops_;
    bool busy_ = false;
    int16_t code_ = 0; // the command code of the current / last exchange
    bool handling_ = false;  // a frame end / time-out / line error is being handled
    bool exchangeOpen_ = false;
    bool aborted_ = false;
    // The rest of a frame that was given up on (or of a failed reply before a repeat)
    // is being dropped until the line has been quiet for FrameGapMs.
    bool skipping_ = false;
    bool quietWait_ = false;
    int longestReplyMs_ = longestReplyWireMs(9600);
    std::unique_ptr<QSocketNotifier> notifier_; // readable-port notifier, when the device has one
    bool outcomeFailed_ = false;
    std::vector<uint8_t> sent_; // the frame of the current / last request as sent
    Stats stats_;
};

// Message boxes for failed serial calls.
QString serialErrorText(int code);
void ShowSerialError(const QString& callName, int code, int lastError);
void ShowSystemError(const QString& title, int errorCode);

} // namespace rtu
