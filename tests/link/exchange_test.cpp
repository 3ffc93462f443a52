// The exchange against an in-memory port: outcomes, counts, status texts and the
// reply check, with replies fed exactly as a test wants them.
#include "fake_serial.h"
#include "scripted_prompter.h"

#include "link/modbus_master.h"
#include "sim_meter.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace rtu;

namespace {

using sim::withCrc;

std::vector<uint8_t> readReply(uint8_t addr, std::vector<uint16_t> regs) {
    std::vector<uint8_t> f{addr, 0x03, uint8_t(regs.size() * 2)};
    for (uint16_t r : regs) {
        f.push_back(uint8_t(r >> 8));
        f.push_back(uint8_t(r & 0xFF));
    }
    return withCrc(f);
}

struct Rig {
    LinkState st;
    FakeSerialDevice dev;
    MemoryStatus status;
    ScriptedPrompter ui;
    ScopedPrompter scope{ui};
    ModbusMaster m{st, dev, status};
    int decoded = 0;
    std::vector<uint16_t> lastRegs;

    Rig() {
        InitSerialTables(serialTables());
        st.MeterAddress = "1";
        st.RetryLimit = 1;
        st.ReplyTimeoutMs = 80;
        EXPECT_TRUE(m.OpenCommPort());
        m.applyTimerIntervals();
        m.registerDecoder(1, [this] {
            ++decoded;
            lastRegs.clear();
            for (int i = 0; i < (st.RxCount - 5) / 2; ++i) lastRegs.push_back(st.replyRegister(i));
        });
    }
    void read(int start, int count, int16_t code = 1) {
        m.SendReadHoldingRegisters(code, start, count);
    }
    // Answers every request with the given frames, one per attempt (the last repeats).
    void answer(std::vector<std::vector<uint8_t>> replies) {
        auto i = std::make_shared<std::size_t>(0);
        dev.onWrite = [this, replies, i](const std::vector<uint8_t>&) {
            const auto& r = replies[std::min(*i, replies.size() - 1)];
            ++*i;
            if (!r.empty()) dev.feed(r);
        };
    }
};

} // namespace

TEST(Exchange, GoodReadGoesOutAsFramedAndReachesItsDecoder) {
    Rig r;
    r.answer({readReply(1, {0x1234, 0xABCD})});
    r.read(0x0000, 2);
    ASSERT_EQ(r.dev.written.size(), 1u);
    EXPECT_EQ(r.dev.written[0], (std::vector<uint8_t>{0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B}));
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.decoded, 1);
    EXPECT_EQ(r.lastRegs, (std::vector<uint16_t>{0x1234, 0xABCD}));
    EXPECT_EQ(r.st.CrcErrorCount + r.st.TimeoutCount, 0);
    EXPECT_EQ(r.ui.beeps, 0);
    EXPECT_EQ(r.status.panelText(6), "");
    EXPECT_FALSE(r.m.busy());

    // Codes without a decoder (writes, save-config, broadcast) update nothing.
    r.answer({readReply(1, {7, 7})});
    r.read(0x0000, 2, CmdWrite);
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.decoded, 1);
}

TEST(Exchange, SilentMeterIsAskedRetryLimitPlusOneTimesCountedOnceAndWarnsOnce) {
    Rig r;
    r.read(0x0130, 34);
    EXPECT_EQ(r.dev.written.size(), 2u);
    EXPECT_EQ(r.dev.written[0], r.dev.written[1]);
    EXPECT_TRUE(r.st.LinkFailed);
    EXPECT_EQ(r.st.RetryCount, 2);
    EXPECT_EQ(r.st.TimeoutCount, 1);
    EXPECT_EQ(r.st.CrcErrorCount, 0);
    EXPECT_EQ(r.status.panelText(5), "TO : 1");
    EXPECT_EQ(r.status.panelText(1), "Communication Time Out!");
    EXPECT_EQ(r.ui.beeps, 2);
    EXPECT_TRUE(r.ui.boxes.empty());

    r.st.RetryLimit = 0;
    r.dev.written.clear();
    r.read(0x0130, 34);
    EXPECT_EQ(r.dev.written.size(), 1u);
    EXPECT_EQ(r.st.TimeoutCount, 2);

    // With unsaved parameters the time-out warns, once.
    r.st.ConfigModified = true;
    const int beeps = r.ui.beeps;
    r.read(0, 2);
    ASSERT_EQ(r.ui.boxes.size(), 1u);
    EXPECT_EQ(r.ui.boxes[0].title, "Warning");
    EXPECT_EQ(r.ui.boxes[0].text, "Meter [1] the system parameter not save !");
    EXPECT_EQ(r.ui.boxes[0].icon, common::Icon::Stop);
    EXPECT_FALSE(r.st.ConfigModified);
    EXPECT_EQ(r.ui.beeps, beeps + 2);
    r.read(0, 2);
    EXPECT_EQ(r.ui.boxes.size(), 1u);

    // No meter selected: no warning.
    r.st.ConfigModified = true;
    r.st.MeterAddress = "xxx";
    r.st.TxFrame = {1, 3, 0, 0, 0, 2};
    r.st.CommandCode = 1;
    r.m.SendRequest(r.st.CommandCode, 5);
    EXPECT_EQ(r.ui.boxes.size(), 1u);
}

TEST(Exchange, BadCrcCountsOnlyWhenTheLastAttemptFails) {
    Rig r;
    auto bad = readReply(1, {1, 2});
    bad.back() ^= 0xFF;
    r.answer({bad, readReply(1, {1, 2})});
    r.read(0, 2);
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.st.CrcErrorCount, 0);
    EXPECT_EQ(r.ui.beeps, 1); // every failed attempt beeps
    EXPECT_EQ(r.decoded, 1);

    r.answer({bad});
    r.read(0, 2);
    EXPECT_TRUE(r.st.LinkFailed);
    EXPECT_EQ(r.st.CrcErrorCount, 1);
    EXPECT_EQ(r.status.panelText(1), "Communication CRC Error!");
    EXPECT_EQ(r.status.panelText(4), "CRC : 1");
    EXPECT_EQ(r.decoded, 1);
}

TEST(Exchange, ReplyCheckAcceptsOnlyTheRightSender) {
    Rig r;
    r.st.RetryLimit = 0;
    auto outcome = [&](std::vector<uint8_t> reply, int16_t code = 1) {
        r.answer({reply});
        r.read(0, 2, code);
        return !r.st.LinkFailed;
    };
    EXPECT_TRUE(outcome(readReply(1, {1, 2})));
    EXPECT_FALSE(outcome(readReply(2, {1, 2})));                  // another meter
    EXPECT_TRUE(outcome(readReply(9, {1, 2}), CmdReadAddress));   // wildcard read: any address
    EXPECT_FALSE(outcome(withCrc({0x01, 0x83, 0x02})));           // exception reply
    EXPECT_FALSE(outcome({0x01, 0x03}));                          // too short
    EXPECT_FALSE(outcome(readReply(1, {1})));                     // fewer registers than asked
    EXPECT_FALSE(outcome(readReply(1, {1, 2, 3})));               // more registers than asked
    auto padded = readReply(1, {1, 2});
    padded.push_back(0);
    EXPECT_FALSE(outcome(padded)); // trailing byte: length disagrees with the byte count

    // Writes: from the meter or from 255.
    auto write = [&](uint8_t fc, uint8_t replyAddr) {
        r.st.CommandCode = CmdWrite;
        r.st.TxFrame = {1, fc, 0x20, 0x0A, 0x00, 0x01, 0x02, 0x00, 0x05};
        r.answer({withCrc({replyAddr, fc, 0x20, 0x0A, 0x00, 0x01})});
        r.m.SendRequest(r.st.CommandCode, 8);
        return !r.st.LinkFailed;
    };
    EXPECT_TRUE(write(0x10, 1));
    EXPECT_TRUE(write(0x10, 0xFF));
    EXPECT_TRUE(write(0x70, 0xFF));
    EXPECT_FALSE(write(0x10, 2));
    EXPECT_FALSE(write(0x71, 0xFF)); // save-config answers only from the meter itself
    EXPECT_TRUE(write(0x71, 1));
    EXPECT_FALSE(write(0x42, 1));    // a function the program never sends
}

TEST(Exchange, BroadcastIsSentOnceAndNeverCounted) {
    Rig r;
    r.st.CommandCode = CmdBroadcast;
    r.st.TxFrame = {0, 0x10, 0x01, 0x08, 0x00, 0x03, 0x06, 0, 0, 0, 0, 0, 0};
    r.m.SendRequest(r.st.CommandCode, 12);
    EXPECT_EQ(r.dev.written.size(), 1u);
    EXPECT_TRUE(r.st.LinkFailed);
    EXPECT_EQ(r.st.RetryCount, 0);
    EXPECT_EQ(r.st.TimeoutCount + r.st.CrcErrorCount, 0);
    EXPECT_EQ(r.status.panelText(5), "");
    EXPECT_EQ(r.ui.beeps, 1);
}

TEST(Exchange, NoiseBurstOverflowsNothingAndIsRejected) {
    Rig r;
    r.st.RetryLimit = 0;
    std::vector<uint8_t> noise(600);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 37 + 11);
    r.answer({noise});
    r.read(0, 2);
    EXPECT_TRUE(r.st.LinkFailed);
    EXPECT_EQ(r.st.CrcErrorCount, 1);
    EXPECT_EQ(r.st.RxCount, 0);

    // A burst that starts like a good reply is rejected too, not decoded from its head.
    auto head = readReply(1, {1, 2});
    head.resize(600, 0x55);
    r.answer({head});
    r.read(0, 2);
    EXPECT_TRUE(r.st.LinkFailed);
    EXPECT_EQ(r.decoded, 0);

    r.answer({readReply(1, {3, 4})});
    r.read(0, 2);
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.lastRegs, (std::vector<uint16_t>{3, 4}));
}

// Another master, or a floating line: bytes keep coming and the line never goes quiet.
TEST(Exchange, TrafficThatNeverStopsEndsEachExchangeWithOneOutcome) {
    Rig r;
    r.st.RetryLimit = 0;
    std::vector<uint8_t> burst = withCrc({9, 3, 0, 0, 0, 1});
    QTimer traffic, watchdog; // the watchdog ends a hanging exchange so that the checks report it
    QObject::connect(&traffic, &QTimer::timeout, [&] { r.dev.feed(burst); });
    QObject::connect(&watchdog, &QTimer::timeout, [&] { r.m.abortExchange(); });
    traffic.start(15);
    watchdog.start(4000);
    QElapsedTimer t;

    // Frames 15 ms apart at 9600 baud: ended after 80 ms + 294 ms (256 bytes on the
    // wire), long before the buffer would overflow.
    t.start();
    r.read(0, 2);
    EXPECT_LT(t.elapsed(), 800);
    EXPECT_EQ(r.m.deadlineTimer().interval(), 374);
    EXPECT_EQ(r.st.CrcErrorCount, 1);
    EXPECT_EQ(r.status.panelText(1), "Communication CRC Error!");

    // More than the buffer holds: rejected at once, not at the 3294 ms bound; the rest
    // of the stream is dropped and neither beeps nor counts again.
    r.st.ReplyTimeoutMs = 3000;
    burst.assign(300, 0x5A);
    t.start();
    r.read(0, 2);
    EXPECT_LT(t.elapsed(), 2000);
    QTest::qWait(200);
    traffic.stop();
    QTest::qWait(100);
    EXPECT_EQ(r.st.CrcErrorCount, 2);
    EXPECT_EQ(r.ui.beeps, 2);
    EXPECT_EQ(r.m.stats().crcFailed, 2);
}

// After a line error the meter is still sending: the repeat waits until the line is quiet.
TEST(Exchange, RepeatGoesOutOnlyAfterTheRestOfAFailedReplyHasPassed) {
    Rig r;
    const auto reply = readReply(1, {5, 6});
    r.dev.onWrite = [&](const std::vector<uint8_t>&) {
        if (r.dev.written.size() > 1) return r.dev.feed(reply);
        r.dev.setLineStatus(platform::LINE_PARITY);
        for (int i = 0; i < 9; ++i) QTimer::singleShot(4 * i, [&, i] { r.dev.feed({reply[std::size_t(i)]}); });
    };
    r.read(0, 2);
    EXPECT_EQ(r.dev.written.size(), 2u);
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.lastRegs, (std::vector<uint16_t>{5, 6}));
    EXPECT_EQ(r.ui.beeps, 1);
}

TEST(Exchange, SplitReplyWithShortPausesIsOneFrame) {
    Rig r;
    auto whole = readReply(1, {0x0102, 0x0304, 0x0506});
    r.dev.onWrite = [&](const std::vector<uint8_t>&) {
        r.dev.feed({whole.begin(), whole.begin() + 4});
        QTimer::singleShot(5, [&] { r.dev.feed({whole.begin() + 4, whole.end()}); });
    };
    r.read(0, 3);
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.lastRegs, (std::vector<uint16_t>{0x0102, 0x0304, 0x0506}));
}

TEST(Exchange, LineErrorsNameTheFirstBitAndAreIgnoredWhileSettingsChange) {
    Rig r;
    r.dev.onWrite = [&](const std::vector<uint8_t>&) { r.dev.setLineStatus(2 | 4); };
    r.read(0, 2);
    EXPECT_TRUE(r.st.LinkFailed);
    EXPECT_EQ(r.st.CrcErrorCount, 1);
    EXPECT_EQ(r.status.panelText(1), "Communication Framing Error!");
    EXPECT_EQ(r.ui.beeps, 2);

    r.dev.onWrite = [&](const std::vector<uint8_t>&) { r.dev.setLineStatus(8); };
    r.read(0, 2);
    EXPECT_EQ(r.status.panelText(1), "Communication Overflow Error!");

    // While the settings change, the line error is not an outcome: the exchange times out.
    r.st.CommSetupPending = true;
    r.st.RetryLimit = 0;
    r.dev.onWrite = [&](const std::vector<uint8_t>&) { r.dev.setLineStatus(1); };
    r.read(0, 2);
    EXPECT_EQ(r.st.TimeoutCount, 1);
    EXPECT_EQ(r.st.CrcErrorCount, 2);

    // A closed port reports its state as line errors: the exchange fails at once.
    r.st.CommSetupPending = false;
    r.dev.onWrite = nullptr;
    r.m.CloseCommPort();
    QElapsedTimer t;
    t.start();
    r.read(0, 2);
    EXPECT_LT(t.elapsed(), r.st.ReplyTimeoutMs);
    EXPECT_EQ(r.status.panelText(1), "Communication Parity Error!");
}

TEST(Exchange, RequestRefusedDuringAnExchangeLeavesItsReplyToItsOwnDecoder) {
    Rig r;
    int wrongDecoder = 0;
    r.m.registerDecoder(7, [&] { ++wrongDecoder; });
    // The reply comes 40 ms after the request; a handler in that wait tries its own read.
    r.dev.onWrite = [&](const std::vector<uint8_t>&) {
        QTimer::singleShot(10, [&] {
            r.m.SendReadHoldingRegisters(7, 0x0200, 4);
            EXPECT_TRUE(r.st.LinkFailed);
        });
        QTimer::singleShot(40, [&] { r.dev.feed(readReply(1, {1, 2})); });
    };
    r.read(0x0100, 2);
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.decoded, 1);
    EXPECT_EQ(wrongDecoder, 0);
    EXPECT_EQ(r.st.CommandCode, 1);
    EXPECT_EQ(r.st.ReadWindow, (std::array<int16_t, 4>{0x01, 0x00, 0x00, 0x02}));
    EXPECT_EQ(r.dev.written.size(), 1u);
}

TEST(Exchange, OneOutcomePerExchangeEvenWithBoxesAndRequestsInsideDecoders) {
    Rig r;
    int inner = 0;
    r.m.registerDecoder(5, [&] {
        if (++inner > 1) return;
        // A request started while one is being handled must neither transmit nor
        // disturb the frame of the running exchange.
        std::size_t before = r.dev.written.size();
        r.m.SendReadHoldingRegisters(6, 0x10, 1);
        EXPECT_TRUE(r.st.LinkFailed);
        EXPECT_EQ(r.dev.written.size(), before);
        EXPECT_EQ(r.st.CommandCode, 5);
        // A modal box while more bytes arrive: they must not end the exchange again.
        r.dev.feed(readReply(1, {9, 9}));
        r.ui.onMessage = [&](const ScriptedPrompter::Box&) {
            QTest::qWait(150);
            return 0;
        };
        common::showMessage("Note", "inside");
    });
    r.answer({readReply(1, {1, 2})});
    r.read(0, 2, 5);
    EXPECT_EQ(inner, 1);
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.st.CrcErrorCount + r.st.TimeoutCount, 0);
    EXPECT_EQ(r.m.stats().exchanges, 1);
    // The bytes that came during the box are checked afterwards against the request that
    // was really sent, and decoded as a stray reply: no second exchange outcome.
    EXPECT_TRUE(QTest::qWaitFor([&] { return inner == 2; }, 500));
    EXPECT_EQ(r.m.stats().good, 1);
    EXPECT_EQ(r.m.stats().exchanges, 1);
}

TEST(Exchange, FourWireEchoSwallowsTheFirstReplyOnce) {
    Rig r;
    r.st.RetryLimit = 0;
    r.st.EchoSkip = true;
    r.answer({readReply(1, {1, 2})});
    r.read(0, 2);
    EXPECT_TRUE(r.st.LinkFailed); // the reply was taken for the echo
    EXPECT_FALSE(r.st.EchoSkip);
    EXPECT_EQ(r.st.TimeoutCount, 1);
    r.read(0, 2);
    EXPECT_FALSE(r.st.LinkFailed);
}

TEST(Exchange, CoilCommandAndAddressGuard) {
    Rig r;
    int afterCoil = 0;
    r.m.setAfterCoilCommand([&] { ++afterCoil; });
    r.answer({withCrc({1, 5, 0, 0x1B, 0xFF, 0})});
    r.m.SendCommandCoil(0x1B);
    ASSERT_EQ(r.dev.written.size(), 1u);
    EXPECT_EQ(r.dev.written[0], (std::vector<uint8_t>{0x01, 0x05, 0x00, 0x1B, 0xFF, 0x00, 0xFC, 0x3D}));
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(afterCoil, 1);

    // No meter selected: nothing goes out (it would be a broadcast), the page still returns to step 0.
    r.st.MeterAddress = "xxx";
    r.m.SendCommandCoil(0x1B);
    r.read(0, 2);
    EXPECT_EQ(r.dev.written.size(), 1u);
    EXPECT_TRUE(r.st.LinkFailed);
    EXPECT_EQ(afterCoil, 2);
}

TEST(PortAdapter, OpenAndConfigureFailuresShowOneBoxAndLeaveThePortClosed) {
    Rig r;
    r.m.CloseCommPort();
    r.dev.calls.clear();

    r.dev.failOn("open", platform::SIO_OPENFAIL);
    EXPECT_FALSE(r.m.OpenCommPort());
    ASSERT_EQ(r.ui.boxes.size(), 1u);
    EXPECT_EQ(r.ui.boxes[0].title, "sio_open");
    EXPECT_EQ(r.ui.boxes[0].text, "No such port or port is occupied by other program");
    EXPECT_FALSE(r.m.loadDataTimer().isActive());
    EXPECT_FALSE(r.st.PortOpen);

    r.dev.clearFailures();
    r.dev.failOn("open", platform::SIO_WIN32FAIL, EACCES);
    EXPECT_FALSE(r.m.OpenCommPort());
    EXPECT_EQ(r.ui.boxes.back().title, "sio_open");
    EXPECT_EQ(r.ui.boxes.back().text, "Permission denied");

    r.dev.clearFailures();
    r.dev.calls.clear();
    r.dev.failOn("flowctrl", -3);
    EXPECT_FALSE(r.m.OpenCommPort());
    EXPECT_EQ(r.ui.boxes.back().title, "sio_flowctrl");
    EXPECT_EQ(r.ui.boxes.back().text, "Unknown Error:-3");
    EXPECT_EQ(std::count(r.dev.calls.begin(), r.dev.calls.end(), "dtr"), 0);
    EXPECT_EQ(std::count(r.dev.calls.begin(), r.dev.calls.end(), "rts"), 0);
    EXPECT_FALSE(r.dev.isOpen(1));

    r.dev.clearFailures();
    r.dev.calls.clear();
    r.st.Serial.HwFlow = 1;
    r.st.Serial.BaudIndex = r.st.Serial.BaudCode = 7;
    r.st.Serial.ParityCode = 0x18;
    r.st.Serial.StopBitsCode = 4;
    EXPECT_TRUE(r.m.OpenCommPort());
    EXPECT_EQ(r.dev.lastFlowMode, 3);
    EXPECT_EQ(std::count(r.dev.calls.begin(), r.dev.calls.end(), "rts"), 0);
    EXPECT_EQ(r.dev.lastIoctl, std::make_pair(7, 0x18 | 4 | 3));
    EXPECT_EQ(r.st.FrameGapMs, 165);
    EXPECT_TRUE(r.m.loadDataTimer().isActive());
    EXPECT_EQ(r.ui.boxes.size(), 3u);
}
