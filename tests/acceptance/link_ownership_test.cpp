// One operation owns the link from its first exchange to its last: clicks that come
// while another operation waits are queued and run after it, never inside it; a
// meter change, "Off Line" and "Exit" end the running one.
#include "select_rig.h"

#include "common/prompter.h"
#include "common/shared_routines.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Index in the request log of the first request matching pred, or -1.
int firstRequest(const ProgramRig& rig, const std::function<bool(const std::vector<uint8_t>&)>& pred) {
    const auto log = rig.line.requests();
    for (std::size_t i = 0; i < log.size(); ++i)
        if (pred(log[i].bytes)) return int(i);
    return -1;
}
int lastRequest(const ProgramRig& rig, const std::function<bool(const std::vector<uint8_t>&)>& pred) {
    const auto log = rig.line.requests();
    for (std::size_t i = log.size(); i-- > 0;)
        if (pred(log[i].bytes)) return int(i);
    return -1;
}
auto toAddress(int a) {
    return [a](const std::vector<uint8_t>& b) { return b.at(0) == a; };
}
auto readOf(int a, int start) {
    return [a, start](const std::vector<uint8_t>& b) {
        return b.size() >= 4 && b[0] == a && b[1] == 3 && (b[2] << 8 | b[3]) == start;
    };
}

void setRange(shell::AddressPanel& panel, const QString& from, const QString& to) {
    panel.txtGroup(0)->setText(from);
    panel.txtGroup(1)->setText(to);
}

} // namespace

TEST(LinkOwnership, ClicksDuringTheAddressCheckRunAfterIt) {
    // Read Address clicked while the check of a silent address probes: it must not switch
    // the port through its trial rates under the probe.
    ProgramRig rig({{9, 9600}}, 80);
    rig.link().RetryLimit = 0;
    shell::AddressPanel& panel = installSelection(rig);
    QTimer::singleShot(30, [&] { panel.cmdReadAddress()->click(); });
    typeAddress(rig, "7");
    ASSERT_TRUE(rig.waitFor([&] { return rig.link().MeterAddress == "009"; }, 8000));
    for (const auto& box : rig.ui.boxes) EXPECT_NE(box.text, "No Meter Address !");
    // Every probe of 7 went out at 9600 and before the address read.
    const int lastProbe = lastRequest(rig, toAddress(7));
    const int query = firstRequest(rig, toAddress(255));
    ASSERT_GE(lastProbe, 0);
    EXPECT_LT(lastProbe, query);
    for (const auto& r : rig.line.requests()) {
        if (r.bytes.at(0) == 7) {
            EXPECT_EQ(r.baud, 9600);
        }
    }

    // An address typed and then "Scan": the check runs, and so does the scan after it.
    ProgramRig two({{5, 9600}, {6, 9600}}, 60);
    two.link().RetryLimit = 0;
    shell::AddressPanel& p2 = installSelection(two);
    setRange(p2, "001", "008");
    QTimer::singleShot(20, [&] { p2.cmdGroup()->click(); });
    typeAddress(two, "3");
    ASSERT_TRUE(two.waitFor([&] { return p2.optAddress(1)->text() == "006"; }, 8000));
    EXPECT_EQ(p2.optAddress(0)->text(), "005");
    EXPECT_TRUE(two.waitFor([&] { return !two.app().master().busy(); }, 3000));
}

TEST(LinkOwnership, DirectOperationDuringATickWaitRunsAfterTheTick) {
    // A tick that waits between its reads (as the waveform capture does for 2 s): a
    // scan clicked in that wait may not probe inside the tick.
    ProgramRig rig({{1, 9600}, {2, 9600}}, 100);
    rig.link().RetryLimit = 0;
    shell::AddressPanel& panel = installSelection(rig);
    auto& svc = rig.app().services();
    rtu::ModbusMaster& master = rig.app().master();
    bool clicked = false;
    svc.ReadInstantAndEnergy = [&] {
        master.SendReadHoldingRegisters(4242, 0x0100, 2);
        if (!clicked) {
            clicked = true;
            QTimer::singleShot(50, [&] { panel.cmdGroup()->click(); });
        }
        common::Delay(0.3);
        master.SendReadHoldingRegisters(4242, 0x0200, 2);
    };
    setRange(panel, "002", "002");
    choosePage(rig, 0);
    typeAddress(rig, "1");
    ASSERT_TRUE(rig.waitFor([&] { return firstRequest(rig, toAddress(2)) >= 0; }, 5000));
    const int secondRead = firstRequest(rig, readOf(1, 0x0200));
    ASSERT_GE(secondRead, 0);
    EXPECT_LT(secondRead, firstRequest(rig, toAddress(2)));
    EXPECT_TRUE(rig.waitFor([&] { return panel.optAddress(0)->text() == "002"; }, 3000));
}

TEST(LinkOwnership, MeterChangeDuringAPollEndsItAndKeepsTheOldReply) {
    // Another found meter picked while a poll read of meter 5 waits for its (slow but good)
    // reply: the reply is meter 5's and is taken; the rest of that tick is not sent.
    ProgramRig rig({{5, 9600}, {6, 9600}}, 400);
    rig.line.setReplyDelayMs(80);
    shell::AddressPanel& panel = installSelection(rig);
    auto& svc = rig.app().services();
    rtu::ModbusMaster& master = rig.app().master();
    int polls = 0, decodedFrom5 = 0;
    master.registerDecoder(4242, [&] {
        if (rig.link().RxBuffer[0] == 5) ++decodedFrom5;
    });
    svc.ReadInstantAndEnergy = [&] {
        if (++polls == 1 && rig.link().MeterAddress == "005") {
            QTimer::singleShot(20, [&] { panel.optAddress(1)->click(); });
        }
        master.SendReadHoldingRegisters(4242, 0x0100, 2);
        master.SendReadHoldingRegisters(4242, 0x0300, 2);
    };
    setRange(panel, "005", "006");
    panel.cmdGroup()->click();
    ASSERT_EQ(panel.optAddress(1)->text(), "006");
    choosePage(rig, 0); // the scan left no page chosen
    panel.optAddress(0)->click();
    ASSERT_TRUE(rig.waitFor([&] { return rig.link().MeterAddress == "006"; }, 5000));
    EXPECT_TRUE(rig.waitFor([&] { return firstRequest(rig, readOf(6, 0x0100)) >= 0; }, 3000));
    EXPECT_EQ(rig.link().CrcErrorCount, 0);
    EXPECT_EQ(rig.link().TimeoutCount, 0);
    EXPECT_GE(decodedFrom5, 1);
    EXPECT_EQ(firstRequest(rig, readOf(5, 0x0300)), -1); // the tick for meter 5 ended there
}

TEST(LinkOwnership, ExitDuringAScanEndsTheScan) {
    ProgramRig rig({}, 80);
    rig.link().RetryLimit = 0;
    shell::AddressPanel& panel = installSelection(rig);
    setRange(panel, "001", "200");
    QTimer::singleShot(300, [&] {
        rig.ui.answerNext(common::AnswerYes); // "Do you want to Exit ?"
        rig.mainForm().cmdFunction_Click(0);
    });
    panel.cmdGroup()->click();
    const std::size_t atEnd = rig.line.requests().size();
    EXPECT_LT(atEnd, 12u);
    EXPECT_LT(rig.ui.beeps, 12);
    EXPECT_TRUE(rig.waitFor([&] { return rig.mainForm().isHidden(); }, 2000));
    EXPECT_EQ(rig.line.requests().size(), atEnd);
}

TEST(LinkOwnership, AddressChangeOnThePresetPageActsAtOnceAndAQueuedOneDiesWithTheMeter) {
    ProgramRig rig({{5, 9600}, {6, 9600}}, 150);
    shell::AddressPanel& panel = installSelection(rig);
    rig.app().services().Login = [&] {
        rig.app().app().LoginOk = true;
        return true;
    };
    typeAddress(rig, "5");
    ASSERT_EQ(rig.link().MeterAddress, "5");

    // Polling: the change waits for the next tick; "Off Line" drops it.
    rig.page().PageIndex = 0;
    panel.txtSetAddress()->setText("7");
    rig.ui.answerNext(common::AnswerYes);
    rig.mainForm().scheduler().disable();
    rig.mainForm().scheduler().enable();
    panel.cmdSetup(0)->click();
    ASSERT_EQ(rig.page().PendingAddressAction, 1);
    rig.mainForm().cmdFunction_Click(2); // "Off Line"
    EXPECT_EQ(rig.page().PendingAddressAction, 0);
    typeAddress(rig, "6");
    ASSERT_EQ(rig.link().MeterAddress, "6");
    QTest::qWait(700);
    const std::vector<uint8_t> head{0xFF, 0x10, 0x20, 0x00};
    EXPECT_EQ(firstRequest(rig, [&](const auto& b) { return std::equal(head.begin(), head.end(), b.begin()); }), -1);
    EXPECT_NE(rig.line.meter(6), nullptr);

    // On Preset and Reset nothing polls: the change is made at once.
    rig.page().PageIndex = 17;
    rig.mainForm().scheduler().disable();
    panel.txtSetAddress()->setText("8");
    rig.ui.answerNext(common::AnswerYes);
    panel.cmdSetup(0)->click();
    EXPECT_EQ(rig.page().PendingAddressAction, 0);
    EXPECT_NE(rig.line.meter(8), nullptr);
}

TEST(LinkOwnership, NewMeterIsScaledWithItsOwnPropertiesFromItsFirstPoll) {
    ProgramRig rig({{5, 9600}, {6, 9600}}, 200, ProgramRig::Pages::All);
    installSelection(rig);
    choosePage(rig, 0);
    typeAddress(rig, "5");
    ASSERT_EQ(rig.link().MeterAddress, "5");
    typeAddress(rig, "6");
    ASSERT_TRUE(rig.waitFor([&] { return firstRequest(rig, readOf(6, 0x0130)) >= 0; }, 5000));
    const int properties = firstRequest(rig, readOf(6, 0x2002));
    ASSERT_GE(properties, 0);
    EXPECT_LT(properties, firstRequest(rig, readOf(6, 0x0130)));
}
