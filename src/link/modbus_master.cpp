#include "link/modbus_master.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "link/crc16.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <exception>

namespace rtu {

namespace {
constexpr int kReceiveTickMs = 10;
constexpr int kWriteTimeoutMs = 1000;
// The serial input is emptied before each transmission; bounded so a port that
// never stops delivering cannot hold the program here.
constexpr int kMaxFlushReads = 64;

// The numeric value of a decimal address text, or -1 when it is not a number 0..255.
int addressValue(const QString& text) {
    bool ok = false;
    int v = text.trimmed().toInt(&ok);
    return (ok && v >= 0 && v <= 255) ? v : -1;
}
} // namespace

ModbusMaster::ModbusMaster(LinkState& state, platform::SerialDevice& device, StatusSink& status, QObject* parent)
    : QObject(parent), st_(state), dev_(device), status_(status) {
    for (QTimer* t : {&tLoadData_, &tLoad_, &tOut_, &tDeadline_}) t->setTimerType(Qt::PreciseTimer);
    tLoad_.setSingleShot(true);
    tOut_.setSingleShot(true);
    tDeadline_.setSingleShot(true);
    tLoadData_.setInterval(kReceiveTickMs);
    connect(&tLoadData_, &QTimer::timeout, this, &ModbusMaster::TCommLoadData_Timer);
    connect(&tLoad_, &QTimer::timeout, this, &ModbusMaster::TCommLoad_Timer);
    connect(&tOut_, &QTimer::timeout, this, &ModbusMaster::TCommOut_Timer);
    connect(&tDeadline_, &QTimer::timeout, this, &ModbusMaster::replyOverdue);
    applyTimerIntervals();
}

ModbusMaster::~ModbusMaster() { abortExchange(); }

void ModbusMaster::registerDecoder(int16_t code, Decoder decoder) {
    if (decoder)
        decoders_[code] = std::move(decoder);
    else
        decoders_.erase(code);
}

void ModbusMaster::DispatchReply() {
    // The exchange's own code: nothing that ran during its wait can redirect its reply.
    auto it = decoders_.find(code_);
    if (it == decoders_.end() || !it->second) return;
    // A decoder that fails is cut short; the exchange still counts as a success.
    try {
        it->second();
    } catch (const std::exception&) {
    }
}

// --- the port ---------------------------------------------------------------

bool ModbusMaster::OpenCommPort() {
    const int port = st_.Serial.Port;
    int r = dev_.open(port);
    if (r != platform::SIO_OK) {
        int lastError = dev_.lastError();
        ShowSerialError("sio_open", r, lastError);
        dev_.close(port);
        return false;
    }
    if (!ConfigCommPort()) {
        dev_.close(port);
        return false;
    }
    st_.PortOpen = true;
    watchPort();
    syncTick();
    return true;
}

bool ModbusMaster::ConfigCommPort() {
    const SerialSettings& s = st_.Serial;
    auto failed = [this](const char* call, int r) {
        ShowSerialError(call, r, dev_.lastError());
        return false;
    };
    int r = dev_.ioctl(s.Port, s.BaudCode, s.StopBitsCode | s.DataBitsCode | s.ParityCode);
    if (r != 0) return failed("sio_ioctl", r);
    int mode = (s.HwFlow == 1 ? platform::FLOW_HW : 0) | (s.SwFlow == 1 ? platform::FLOW_SW : 0);
    r = dev_.flowCtrl(s.Port, mode);
    if (r != 0) return failed("sio_flowctrl", r);
    r = dev_.setDtr(s.Port, s.Dtr);
    if (r != 0) return failed("sio_DTR", r);
    if (s.HwFlow == 0) {
        r = dev_.setRts(s.Port, s.Rts);
        if (r != 0) return failed("sio_RTS", r);
    }
    const int baud = dev_.getBaud(s.Port);
    st_.FrameGapMs = computeFrameGapMs(baud);
    longestReplyMs_ = longestReplyWireMs(baud);
    return true;
}

void ModbusMaster::CloseCommPort() {
    unwatchPort();
    dev_.cntIrq(st_.Serial.Port);
    dev_.close(st_.Serial.Port);
    tLoadData_.stop();
    st_.PortOpen = false;
}

void ModbusMaster::applyTimerIntervals() {
    tLoad_.setInterval(st_.FrameGapMs);
    tLoadData_.setInterval(kReceiveTickMs);
    tOut_.setInterval(st_.ReplyTimeoutMs);
}

// --- sending ----------------------------------------------------------------

bool ModbusMaster::refused() const {
    // Every wait runs the event loop, so a second request can be started while one
    // is outstanding or from a handler inside another operation's wait; it must not
    // transmit into the running exchange or operation.
    return busy_ || ops_.cancelled() || ops_.foreignCaller();
}

void ModbusMaster::SendReadHoldingRegisters(int16_t code, int start, int count) {
    const int address = addressValue(st_.MeterAddress);
    // "xxx" would go out as 0, a broadcast that every meter on the line obeys.
    if (refused() || address < 0) {
        st_.LinkFailed = true;
        return;
    }
    st_.setReadWindow(start, count);
    st_.TxFrame.assign(8, 0);
    st_.TxFrame[0] = uint8_t(address);
    st_.TxFrame[1] = 0x03;
    for (int i = 0; i < 4; ++i) st_.TxFrame[2 + i] = uint8_t(st_.ReadWindow[i] & 0xFF);
    SendRequest(code, 5);
}

void ModbusMaster::SendFrame(int16_t code, const std::vector<uint8_t>& frame) {
    if (refused() || frame.empty()) {
        st_.LinkFailed = true;
        return;
    }
    st_.TxFrame = frame;
    st_.TxFrame.resize(frame.size() + 2, 0); // room for the CRC
    SendRequest(code, int16_t(frame.size() - 1));
}

void ModbusMaster::SendCommandCoil(int16_t coil) {
    const int address = addressValue(st_.MeterAddress);
    if (address < 0 || refused()) {
        st_.LinkFailed = true;
    } else {
        st_.TxFrame.assign(8, 0);
        st_.TxFrame[0] = uint8_t(address);
        st_.TxFrame[1] = 0x05;
        st_.TxFrame[2] = 0x00;
        st_.TxFrame[3] = uint8_t(coil & 0xFF);
        st_.TxFrame[4] = 0xFF;
        st_.TxFrame[5] = 0x00;
        SendRequest(CmdWrite, 5);
    }
    if (afterCoil_) afterCoil_();
}

void ModbusMaster::SendRequest(int16_t code, int16_t lastDataIndex) {
    if (refused() || lastDataIndex < 0) {
        st_.LinkFailed = true;
        return;
    }
    // A request outside any operation is an operation of one exchange.
    const bool implicit = ops_.beginImplicit();
    busy_ = true;
    aborted_ = false;
    code_ = code;
    st_.CommandCode = code;
    const std::size_t k = std::size_t(lastDataIndex);
    if (st_.TxFrame.size() < k + 3) st_.TxFrame.resize(k + 3, 0);
    uint16_t crc = crc16(st_.TxFrame.data(), k + 1);
    st_.CrcValue = crc;
    st_.TxFrame[k + 1] = uint8_t(crc & 0xFF);
    st_.TxFrame[k + 2] = uint8_t(crc >> 8);
    st_.TxLastIndex = int16_t(k + 2);
    // Repeats and the reply check use this copy: a frame builder that runs during the
    // wait (and is then refused) must not change what was sent.
    sent_.assign(st_.TxFrame.begin(), st_.TxFrame.begin() + std::ptrdiff_t(k + 3));

    const int n = st_.RetryLimit;
    st_.RetryCount = 0;
    for (int i = 0; i <= n; ++i) {
        SendComm();
        if (!st_.LinkFailed || code == CmdBroadcast) {
            st_.RetryCount = 0;
            break;
        }
        st_.RetryCount = int16_t(i + 1);
        if (aborted_ || ops_.cancelled()) break;
    }
    busy_ = false;
    if (implicit) ops_.endImplicit();
}

void ModbusMaster::SendComm() {
    if (st_.RetryCount > 0) {
        waitForQuietLine();
        if (aborted_) { // the program is closing
            outcomeFailed_ = st_.LinkFailed = true;
            return;
        }
    }
    status_.setPanelText(6, "*");
    tOut_.stop();
    tLoadData_.stop();
    tLoad_.stop();
    if (notifier_) notifier_->setEnabled(false); // nothing is taken in until the wait begins
    st_.LinkFailed = false;
    st_.ReplyDone = false;

    // Empty the serial input: whatever is waiting belongs to no reply of this request.
    uint8_t scratch[RxBufferSize];
    for (int i = 0; i < kMaxFlushReads && dev_.read(st_.Serial.Port, scratch, RxBufferSize) > 0; ++i) {
    }
    st_.RxCount = 0;
    st_.RxOverflow = false;
    skipping_ = false;

    dev_.write(st_.Serial.Port, sent_.data(), int(sent_.size()), kWriteTimeoutMs);
    ++stats_.exchanges;

    exchangeOpen_ = true;
    if (code_ == CmdSaveConfig) {
        // The meter needs time to store its configuration before it answers.
        common::Delay(5 * st_.MeterPauseScale);
        if (!exchangeOpen_) { // aborted during the pause
            st_.LinkFailed = true;
            return;
        }
    }
    tOut_.start(st_.ReplyTimeoutMs);
    // Bytes stop the time-out; a line that never goes quiet must still end the exchange.
    tDeadline_.start(st_.ReplyTimeoutMs + longestReplyMs_);
    resumeReception();

    {
        const common::EventWait waiting;
        while (!st_.ReplyDone) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    tOut_.stop();
    tDeadline_.stop();
    // A decoder that tried a request of its own was refused with LinkFailed set; the
    // outcome of this exchange is the one its handler decided.
    st_.LinkFailed = outcomeFailed_;
}

void ModbusMaster::abortExchange() {
    if (quietWait_) aborted_ = true; // no repeat goes out
    if (!exchangeOpen_) return;
    aborted_ = true;
    exchangeOpen_ = false;
    outcomeFailed_ = true;
    tLoad_.stop();
    tOut_.stop();
    tDeadline_.stop();
    st_.LinkFailed = true;
    st_.ReplyDone = true;
    status_.setPanelText(6, "");
}

void ModbusMaster::waitForQuietLine() {
    // The meter may still be sending the rest of the reply that failed: a repeat sent
    // now would collide with it, and the rest would land in front of the next reply.
    // What comes until the line is quiet is dropped. A line that never goes quiet is
    // waited for only as long as the longest reply lasts.
    skipping_ = true;
    st_.RxCount = 0;
    st_.RxOverflow = false;
    tLoad_.setInterval(st_.FrameGapMs);
    tLoad_.start(); // quiet from now on, unless bytes come
    resumeReception();
    bool expired = false;
    QTimer bound;
    bound.setSingleShot(true);
    bound.setTimerType(Qt::PreciseTimer);
    connect(&bound, &QTimer::timeout, this, [&expired] { expired = true; });
    bound.start(longestReplyMs_ + st_.FrameGapMs);
    quietWait_ = true;
    while (skipping_ && !expired && !aborted_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    quietWait_ = false;
    skipping_ = false;
}

// --- reception --------------------------------------------------------------

void ModbusMaster::pauseReception() {
    tLoadData_.stop();
    tLoad_.stop();
    tOut_.stop();
    tDeadline_.stop();
    if (notifier_) notifier_->setEnabled(false);
}

void ModbusMaster::resumeReception() {
    if (notifier_) notifier_->setEnabled(true);
    syncTick();
}

bool ModbusMaster::tickNeeded() const {
    // With a notifier, bytes wake us when they come: the line status is looked at
    // then, and the silence after them is timed from the last byte. Without one the
    // tick is the only ear: it runs while the port is open, and through an exchange
    // also when the port is closed (its status then fails the exchange at once).
    if (notifier_) return false;
    return exchangeOpen_ || st_.PortOpen;
}

void ModbusMaster::syncTick() {
    if (!tickNeeded())
        tLoadData_.stop();
    else if (!tLoadData_.isActive())
        tLoadData_.start(kReceiveTickMs);
}

void ModbusMaster::watchPort() {
    unwatchPort();
    int fd = dev_.readHandle(st_.Serial.Port);
    if (fd < 0) return;
    auto* n = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read);
    connect(n, &QSocketNotifier::activated, this, &ModbusMaster::bytesWaiting);
    notifier_.reset(n);
}

void ModbusMaster::unwatchPort() { notifier_.reset(); }

void ModbusMaster::bytesWaiting() {
    // Bytes are taken as they arrive. A descriptor that stays readable with nothing
    // to read (the far end closed) is left alone until the next exchange.
    if (takeBytes() == 0 && notifier_ && !handling_) notifier_->setEnabled(false);
}

bool ModbusMaster::beginOutcome(bool failed) {
    handling_ = true;
    pauseReception();
    const bool wasOpen = exchangeOpen_;
    if (wasOpen) {
        exchangeOpen_ = false;
        outcomeFailed_ = failed;
        st_.LinkFailed = failed;
        st_.ReplyDone = true;
    }
    return wasOpen;
}

void ModbusMaster::endOutcome() {
    handling_ = false;
    resumeReception();
    emit exchangeFinished();
}

void ModbusMaster::TCommLoadData_Timer() { takeBytes(); }

int ModbusMaster::takeBytes() {
    if (handling_) return -1;
    const int port = st_.Serial.Port;
    int s = dev_.dataStatus(port);
    if (s != 0) {
        if (st_.CommSetupPending) return -1;
        if (!exchangeOpen_) {
            // A line error with no request outstanding belongs to no exchange: drop what came.
            uint8_t scratch[RxBufferSize];
            dev_.read(port, scratch, RxBufferSize);
            syncTick();
            return -1;
        }
        const bool last = st_.RetryCount >= st_.RetryLimit;
        beginOutcome(true);
        ++stats_.lineErrors;
        common::beep();
        if (last && !ops_.cancelled()) {
            ++st_.CrcErrorCount;
            static const std::pair<int, const char*> texts[] = {
                {platform::LINE_PARITY, "Communication Parity Error!"},
                {platform::LINE_FRAMING, "Communication Framing Error!"},
                {platform::LINE_OVERRUN, "Communication Overrun Error!"},
                {platform::LINE_OVERFLOW, "Communication Overflow Error!"}};
            for (const auto& [bit, text] : texts) {
                if (s & bit) {
                    status_.setPanelText(1, text);
                    break;
                }
            }
            status_.setPanelText(4, "CRC : " + QString::number(st_.CrcErrorCount));
        }
        endOutcome();
        return -1;
    }

    uint8_t chunk[RxBufferSize];
    int n = dev_.read(port, chunk, RxBufferSize);
    if (n > 0 && st_.EchoSkip) {
        // A four-wire line hears its own request: drop that many bytes once.
        st_.RxCount = int16_t(std::min<int>(st_.RxCount + n, 32767));
        if (st_.RxCount >= st_.TxLastIndex) {
            st_.RxCount = 0;
            st_.EchoSkip = false;
        }
    } else if (n > 0 && skipping_) {
        tLoad_.stop(); // the line is not quiet yet
    } else if (n > 0) {
        tLoad_.stop();
        tOut_.stop();
        int room = RxBufferSize - st_.RxCount;
        int take = std::min(n, room);
        std::copy(chunk, chunk + take, st_.RxBuffer.begin() + st_.RxCount);
        st_.RxCount = int16_t(st_.RxCount + take);
        if (take < n) {
            // No reply is this long; a busy line may never give the silence that
            // would end it.
            st_.RxOverflow = true;
            giveUpFrame();
            return n;
        }
    }
    if (!tOut_.isActive() && (st_.RxCount != 0 || skipping_)) {
        if (n > 0 && notifier_) {
            // No tick follows: the silence that ends the frame counts from this byte.
            tLoad_.setInterval(st_.FrameGapMs);
            tLoad_.start();
        } else if (n == 0 && !tLoad_.isActive()) {
            // Armed by the first silent tick; later silent ticks must not postpone it.
            tLoad_.setInterval(st_.FrameGapMs);
            tLoad_.start();
        }
    }
    syncTick();
    return std::max(n, 0);
}

void ModbusMaster::giveUpFrame() {
    endFrame(false);
    skipping_ = true;
    syncTick();
}

void ModbusMaster::replyOverdue() {
    // Bytes keep coming longer than any reply lasts: whatever was collected is no reply.
    if (handling_ || !exchangeOpen_) return;
    giveUpFrame();
}

void ModbusMaster::TCommLoad_Timer() { endFrame(true); }

void ModbusMaster::endFrame(bool usable) {
    if (handling_) return;
    tLoad_.stop();
    if (skipping_) {
        // The silence after a frame that was given up on: the line is quiet again.
        skipping_ = false;
        st_.RxCount = 0;
        syncTick();
        return;
    }
    status_.setPanelText(6, "");
    if (!status_.panelText(1).isEmpty()) status_.setPanelText(1, "");

    if (usable)
        ValidateReply();
    else
        st_.CrcValue = 1;
    const bool ok = st_.CrcValue == 0;
    const bool last = st_.RetryCount >= st_.RetryLimit;
    const bool inExchange = beginOutcome(!ok);
    if (!ok) {
        common::beep();
        // Bytes that arrive between exchanges are checked, but a failure there is no
        // failed request and is not counted.
        if (inExchange) {
            ++stats_.crcFailed;
            if (code_ != CmdBroadcast && last && !ops_.cancelled()) {
                ++st_.CrcErrorCount;
                status_.setPanelText(1, "Communication CRC Error!");
                status_.setPanelText(4, "CRC : " + QString::number(st_.CrcErrorCount));
            }
        }
    } else {
        if (inExchange) ++stats_.good;
        DispatchReply();
    }
    st_.RxCount = 0;
    st_.RxOverflow = false;
    endOutcome();
}

void ModbusMaster::TCommOut_Timer() {
    if (handling_ || !exchangeOpen_) return;
    tOut_.stop();
    status_.setPanelText(6, "");
    const bool last = st_.RetryCount >= st_.RetryLimit;
    beginOutcome(true);
    ++stats_.timedOut;
    common::beep();
    // An exchange of an operation told to end (a stopped scan) is no failure to count.
    if (code_ != CmdBroadcast && last && !ops_.cancelled()) {
        ++st_.TimeoutCount;
        status_.setPanelText(1, "Communication Time Out!");
        status_.setPanelText(5, "TO : " + QString::number(st_.TimeoutCount));
        if (st_.meterSelected() && st_.ConfigModified) {
            // Cleared before the box, so the warning comes once.
            st_.ConfigModified = false;
            common::beep();
            common::prompter().message("Warning", "Meter [" + st_.MeterAddress + "] the system parameter not save !",
                                       common::Icon::Stop, common::Buttons::Ok);
        }
    }
    endOutcome();
}

void ModbusMaster::ValidateReply() {
    st_.CrcValue = 1;
    const int n = st_.RxCount;
    // The request is the one really sent; before any request, whatever TxFrame holds.
    const std::vector<uint8_t>& tx = sent_.empty() ? st_.TxFrame : sent_;
    if (st_.RxOverflow || n < 3 || tx.size() < 6) return;
    const uint8_t* rx = st_.RxBuffer.data();
    const uint8_t fc = tx[1];
    const int own = addressValue(st_.MeterAddress);
    const bool fromOwn = own >= 0 && rx[0] == own;
    bool accepted = false;
    switch (fc) {
    case 0x03: {
        bool addressOk = fromOwn || code_ == CmdReadAddress;
        int count = tx[4] << 8 | tx[5];
        // A read reply must carry exactly the registers asked for, or decoders would
        // read past the reply.
        accepted = rx[1] == 0x03 && addressOk && rx[2] == 2 * count && n == rx[2] + 5;
        break;
    }
    case 0x02:
    case 0x05:
    case 0x06:
    case 0x71:
        accepted = rx[1] == fc && fromOwn;
        break;
    case 0x10:
    case 0x70:
        accepted = rx[1] == fc && (rx[0] == 0xFF || fromOwn);
        break;
    default:
        accepted = false;
    }
    if (accepted) ComputeReplyCRC();
}

void ModbusMaster::ComputeReplyCRC() {
    const int n = std::clamp<int>(st_.RxCount, 0, RxBufferSize);
    st_.CrcValue = crc16(st_.RxBuffer.data(), std::size_t(n));
}

// --- serial error boxes -----------------------------------------------------

QString serialErrorText(int code) {
    switch (code) {
    case -1: return "Port number is invalid or port is not opened in advance";
    case -2: return "The board does not support this function";
    case -4: return "No data to read";
    case -5: return "No such port or port is occupied by other program";
    case -6: return "RTS can't be set because H/W Flowctrl";
    case -7: return "Bad parameter";
    case -9: return "The board does not support this function";
    case -11: return "Write has blocked, and user abort write";
    case -12: return "Write timeout has happened";
    default: return "Unknown Error:" + QString::number(code);
    }
}

void ShowSerialError(const QString& callName, int code, int lastError) {
    if (code == platform::SIO_WIN32FAIL) {
        ShowSystemError(callName, lastError);
        return;
    }
    common::prompter().message(callName, serialErrorText(code), common::Icon::Exclamation, common::Buttons::Ok);
}

void ShowSystemError(const QString& title, int errorCode) {
    // The old text buffer held 80 characters.
    QString text = common::systemErrorText(errorCode).left(80);
    common::prompter().message(title, text, common::Icon::Exclamation, common::Buttons::Ok);
}

} // namespace rtu
