// The master against the simulated meter over a real pseudo-terminal, through the
// termios serial layer: what the program really does on a line.
#include "scripted_prompter.h"
#include "sim_meter.h"

#include "link/modbus_master.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace rtu;

namespace {

struct PtyRig {
    QTemporaryDir dir;
    sim::SimLine line;
    LinkState st;
    std::unique_ptr<platform::SerialDevice> dev;
    MemoryStatus status;
    ScriptedPrompter ui;
    ScopedPrompter scope{ui};
    std::unique_ptr<ModbusMaster> m;
    std::vector<uint16_t> regs;

    explicit PtyRig(int meterBaud = 9600) {
        InitSerialTables(serialTables());
        EXPECT_TRUE(line.start());
        line.addMeter(1, meterBaud);
        EXPECT_TRUE(line.linkAs((dir.path() + "/com1").toStdString()));
        std::string folder = dir.path().toStdString();
        dev = platform::makePosixSerialDevice([folder](int n) { return platform::resolvePortInFolder(folder, n); });
        m = std::make_unique<ModbusMaster>(st, *dev, status);
        st.MeterAddress = "1";
        st.RetryLimit = 1;
        st.ReplyTimeoutMs = 300;
        EXPECT_TRUE(m->OpenCommPort());
        m->applyTimerIntervals();
        m->registerDecoder(1, [this] {
            regs.clear();
            for (int i = 0; i < (st.RxCount - 5) / 2; ++i) regs.push_back(st.replyRegister(i));
        });
    }
    ~PtyRig() { m->CloseCommPort(); }
    void read(int start, int count, int16_t code = 1) {
        m->SendReadHoldingRegisters(code, start, count);
    }
};

} // namespace

TEST(PtyExchange, ReadReachesTheMeterAndItsReplyTheDecoder) {
    PtyRig r;
    r.line.setRegisters(1, 0x0000, {0x04D2, 0x0102});
    r.read(0x0000, 2);
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.regs, (std::vector<uint16_t>{0x04D2, 0x0102}));
    auto seen = r.line.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].bytes, (std::vector<uint8_t>{0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B}));
    EXPECT_EQ(seen[0].baud, 9600);
    EXPECT_EQ(r.st.FrameGapMs, 21);
}

TEST(PtyExchange, RepeatsGoOutOnTheRealLineAndRecoverFromNoise) {
    // Each fault kind against this line, counted once, is the fault soak's job; here
    // the repeat of a failed attempt on a real line.
    PtyRig r;
    r.line.setRegisters(1, 0x0130, {1, 2, 3});
    using K = sim::Fault::Kind;

    // Silent on both attempts: two frames, one time-out counted.
    r.line.injectFault({K::Silence, 0});
    r.line.injectFault({K::Silence, 0});
    r.read(0x0130, 3);
    EXPECT_TRUE(r.st.LinkFailed);
    EXPECT_EQ(r.line.requests().size(), 2u);
    EXPECT_EQ(r.st.TimeoutCount, 1);

    // A 600-byte noise burst leaves nothing behind: the repeat is read cleanly.
    r.line.injectFault({K::Noise, 600});
    r.read(0x0130, 3);
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.regs, (std::vector<uint16_t>{1, 2, 3}));
    EXPECT_EQ(r.st.CrcErrorCount, 0);
}

TEST(PtyExchange, SaveConfigStartsItsTimeOutFiveSecondsAfterSending) {
    PtyRig r;
    r.st.RetryLimit = 0;
    r.st.CommandCode = CmdSaveConfig;
    r.st.TxFrame = {0x01, 0x71, 0x89, 0x21, 0x00, 0x0F};
    r.line.injectFault({sim::Fault::Kind::Silence, 0});
    QElapsedTimer t;
    t.start();
    r.m->SendRequest(r.st.CommandCode, 5);
    qint64 ms = t.elapsed();
    EXPECT_TRUE(r.st.LinkFailed);
    EXPECT_GE(ms, 5000 + r.st.ReplyTimeoutMs);
    ASSERT_EQ(r.line.requests().size(), 1u);
    EXPECT_EQ(r.line.requests()[0].bytes, (std::vector<uint8_t>{0x01, 0x71, 0x89, 0x21, 0x00, 0x0F, 0x47, 0x93}));
    // The meter's answer that came during the pause is taken afterwards.
    r.m->SendRequest(r.st.CommandCode, 5);
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.line.meter(1)->saveCount(), 2);
}

TEST(PtyExchange, MeterAtAnotherRateIsSilentUntilThePortFollows) {
    PtyRig r(19200);
    r.st.RetryLimit = 0;
    r.read(0, 1);
    EXPECT_TRUE(r.st.LinkFailed);
    r.m->CloseCommPort();
    r.st.Serial.BaudIndex = r.st.Serial.BaudCode = 13;
    ASSERT_TRUE(r.m->OpenCommPort());
    r.m->applyTimerIntervals();
    EXPECT_EQ(r.st.FrameGapMs, 20);
    r.read(0, 1);
    EXPECT_FALSE(r.st.LinkFailed);
}

TEST(PtyExchange, AnotherMasterOnTheLineCannotKeepAnExchangeOpen) {
    PtyRig r;
    r.line.setTraffic(15);
    QTimer watchdog; // ends a hanging exchange so that the checks below report it
    QObject::connect(&watchdog, &QTimer::timeout, [&] { r.m->abortExchange(); });
    watchdog.start(5000);
    r.read(0, 2);
    EXPECT_EQ(r.st.CrcErrorCount, 1);
    EXPECT_EQ(r.m->stats().crcFailed, 2);

    // Once the other master stops, the meter is read again.
    r.line.setTraffic(0);
    r.line.setRegisters(1, 0x0000, {7, 8});
    r.read(0, 2);
    EXPECT_FALSE(r.st.LinkFailed);
    EXPECT_EQ(r.regs, (std::vector<uint16_t>{7, 8}));
}
