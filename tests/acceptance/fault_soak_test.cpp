// Many exchanges against the simulated meter with faults injected at random: every
// fault is one failed exchange, counted under the right heading; every clean reply
// is decoded with the right values; nothing ends an exchange twice.
#include "scripted_prompter.h"
#include "sim_meter.h"

#include "link/modbus_master.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace rtu;
using K = sim::Fault::Kind;

TEST(FaultSoak, EveryInjectedFaultIsCountedOnceAndNoGoodReplyIsLost) {
    QTemporaryDir dir;
    sim::SimLine line;
    ASSERT_TRUE(line.start());
    sim::Meter& meter = line.addMeter(7, 19200);
    ASSERT_TRUE(line.linkAs((dir.path() + "/com1").toStdString()));
    line.setSplitPauseMs(4);
    // Every kind the line can suffer, with parameters that leave a clean reply intact
    // where the fault is only in the timing (split and slow replies).
    line.setRandomFaults(20261207, 0.3,
                         {K::Silence, K::BadCrc, K::Exception, K::WrongAddress, K::ShortReply, K::Split, K::Noise,
                          K::Echo});

    std::string folder = dir.path().toStdString();
    auto dev = platform::makePosixSerialDevice([folder](int n) { return platform::resolvePortInFolder(folder, n); });
    LinkState st;
    MemoryStatus status;
    ScriptedPrompter ui;
    ScopedPrompter scope(ui);
    InitSerialTables(serialTables());
    st.Serial.BaudIndex = st.Serial.BaudCode = 13;
    st.MeterAddress = "7";
    st.RetryLimit = 0; // every attempt is the last: each failure is counted
    st.ReplyTimeoutMs = 500; // a healthy reply starved on a busy machine under a sanitizer is no silence
    ModbusMaster m(st, *dev, status);
    ASSERT_TRUE(m.OpenCommPort());
    m.applyTimerIntervals();

    int decodes = 0, wrongValues = 0, good = 0;
    uint16_t expected = 0;
    m.registerDecoder(1, [&] {
        ++decodes;
        if (st.replyRegister(0) != expected || st.replyRegister(1) != uint16_t(expected ^ 0xFFFF)) ++wrongValues;
    });

    const int exchanges = 600;
    for (int i = 0; i < exchanges; ++i) {
        expected = uint16_t(i * 131 + 5);
        meter.setRegisters(0x0130, {expected, uint16_t(expected ^ 0xFFFF)});
        m.SendReadHoldingRegisters(1, 0x0130, 2);
        if (!st.LinkFailed) ++good;
    }

    const int silent = line.faultsInjected(K::Silence);
    const int damaged = line.faultsInjected(K::BadCrc) + line.faultsInjected(K::Exception) +
                        line.faultsInjected(K::WrongAddress) + line.faultsInjected(K::ShortReply) +
                        line.faultsInjected(K::Noise) + line.faultsInjected(K::Echo);
    EXPECT_GT(silent, 0);
    EXPECT_GT(damaged, 0);
    EXPECT_GT(line.faultsInjected(K::Split), 0);
    EXPECT_EQ(st.TimeoutCount, silent);
    EXPECT_EQ(st.CrcErrorCount, damaged);
    EXPECT_EQ(good, exchanges - silent - damaged);
    EXPECT_EQ(decodes, good);
    EXPECT_EQ(wrongValues, 0);
    EXPECT_EQ(ui.beeps, silent + damaged);

    const auto& s = m.stats();
    EXPECT_EQ(s.exchanges, exchanges);
    EXPECT_EQ(s.good + s.crcFailed + s.timedOut + s.lineErrors, s.exchanges);

    // The line is usable afterwards.
    line.setRandomFaults(1, 0.0, {});
    expected = 4242;
    meter.setRegisters(0x0130, {expected, uint16_t(expected ^ 0xFFFF)});
    m.SendReadHoldingRegisters(st.CommandCode, 0x0130, 2);
    EXPECT_FALSE(st.LinkFailed);
    EXPECT_EQ(decodes, good + 1);
    m.CloseCommPort();
}
