// Selecting a meter: the address box, "Read Address" with the baud-rate trial,
// going back to no meter, and the link held by these direct exchanges.
#include "select_rig.h"

#include "common/prompter.h"
#include "common/shared_routines.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const std::vector<uint8_t> kAddressQuery{0xFF, 0x03, 0x20, 0x00, 0x00, 0x01, 0x9A, 0x14};

} // namespace

TEST(MeterSelectEntry, TypedAddressIsProbedIdentifiedAndPolled) {
    ProgramRig rig({{5, 9600}});
    int info = 0, polls = 0;
    auto& svc = rig.app().services();
    svc.ReadMeterInformation = [&] { ++info; };
    svc.ReadInstantAndEnergy = [&] { ++polls; };
    shell::AddressPanel& panel = installSelection(rig);
    choosePage(rig, 0);

    typeAddress(rig, "5");
    EXPECT_EQ(rig.link().MeterAddress, "5");
    EXPECT_EQ(info, 1);
    const auto requests = rig.line.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].bytes, withCrc({5, 3, 0, 0, 0, 2}));
    EXPECT_EQ(panel.txtSetAddress()->text(), "5");
    EXPECT_FALSE(rig.mainForm().cmdFunction(2)->isHidden());
    EXPECT_FALSE(rig.page().AddressEdited);
    EXPECT_TRUE(rig.waitFor([&] { return polls > 0; }, 3000));

    // Leaving the box without a change does nothing, not even a probe.
    rig.app().services().txtAddress_LostFocus();
    EXPECT_EQ(rig.line.requests().size(), 1u);
    EXPECT_EQ(info, 1);
    EXPECT_EQ(rig.link().MeterAddress, "5");
}

TEST(MeterSelectEntry, AddressBoxRefusesAnythingButDigits1To254) {
    ProgramRig rig({{5, 9600}});
    installSelection(rig);
    int boxes = 0;
    for (const char* entry : {"abc", "0", "255", "5.5", "1e2", "-1"}) {
        typeAddress(rig, entry);
        ++boxes;
        EXPECT_EQ(rig.ui.count("Error"), boxes) << entry;
        EXPECT_EQ(rig.link().MeterAddress, "xxx") << entry;
        EXPECT_TRUE(rig.mainForm().txtAddress()->text().isEmpty()) << entry;
    }
    EXPECT_TRUE(rig.ui.sawText("Meter Address Error(1 - 254) ?"));
    EXPECT_TRUE(rig.line.requests().empty());

    // A silent address: no meter, the exchange layer's failure stands.
    rig.link().RetryLimit = 0;
    typeAddress(rig, "9");
    EXPECT_EQ(rig.link().MeterAddress, "xxx");
    EXPECT_EQ(rig.line.requests().size(), 3u); // three passes of the probe
    EXPECT_FALSE(rig.mainForm().scheduler().enabled());
}

TEST(MeterSelectEntry, ReadAddressTriesTheRatesAndSelectsTheMeterAt4800) {
    ProgramRig rig({{4, 4800}}, 100);
    rig.link().RetryLimit = 0;
    int info = 0;
    rig.app().services().ReadMeterInformation = [&] { ++info; };
    shell::AddressPanel& panel = installSelection(rig);

    panel.cmdReadAddress()->click();
    const auto requests = rig.line.requests();
    ASSERT_EQ(requests.size(), 5u);
    const int bauds[] = {9600, 1200, 2400, 4800};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(requests[size_t(i)].bytes, kAddressQuery);
        EXPECT_EQ(requests[size_t(i)].baud, bauds[i]);
    }
    EXPECT_EQ(requests[4].bytes, withCrc({4, 3, 0, 0, 0, 2}));
    EXPECT_EQ(requests[4].baud, 4800);
    EXPECT_EQ(rig.mainForm().cbBaudRate()->currentText(), "4800");
    EXPECT_EQ(rig.app().status().panelText(3), "4800,None,8,1 ");
    EXPECT_TRUE(rig.ui.sawText("PCTool  Baud Rate = 9600\r\nMeter  Baud Rate = 4800"));
    EXPECT_EQ(rig.ui.count("Warning"), 1);
    EXPECT_EQ(rig.mainForm().txtAddress()->text(), "004");
    EXPECT_EQ(rig.link().MeterAddress, "004");
    EXPECT_EQ(info, 1);
    EXPECT_TRUE(rig.mainForm().Frame1(0)->isEnabled());
    EXPECT_FALSE(QFile::exists(rig.app().app().AppFolder + "Comm.Dat")); // the trial is not kept there
}

TEST(MeterSelectEntry, ReadAddressWithoutMeterEndsAt9600) {
    ProgramRig rig(std::vector<std::pair<uint8_t, int>>{}, 60);
    rig.link().RetryLimit = 0;
    rig.link().Serial.BaudIndex = 13; // the PC starts at 19200
    rig.link().Serial.BaudCode = 13;
    shell::AddressPanel& panel = installSelection(rig);
    ASSERT_EQ(rig.line.lineBaud(), 19200);

    panel.cmdReadAddress()->click();
    const auto requests = rig.line.requests();
    ASSERT_EQ(requests.size(), 6u); // the current rate and the five trial rates
    const int bauds[] = {19200, 1200, 2400, 4800, 9600, 19200};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(requests[size_t(i)].baud, bauds[i]);
    ASSERT_FALSE(rig.ui.boxes.empty());
    EXPECT_EQ(rig.ui.boxes.back().title, "Warning");
    EXPECT_EQ(rig.ui.boxes.back().text, "No Meter Address !");
    EXPECT_EQ(rig.line.lineBaud(), 9600);
    EXPECT_EQ(rig.app().status().panelText(3), "9600,None,8,1 ");
    EXPECT_EQ(rig.link().MeterAddress, "xxx");
    EXPECT_TRUE(rig.mainForm().Frame1(1)->isEnabled());
}

TEST(MeterSelectEntry, BackToNoMeterStopsPollingAndTheDataLogs) {
    ProgramRig rig({{5, 9600}});
    int stops = 0;
    auto& svc = rig.app().services();
    svc.StopDataLogs = [&] { ++stops; };
    svc.DataLogIntervalText = [](int log) { return QString::number(log + 1); };
    shell::AddressPanel& panel = installSelection(rig);
    typeAddress(rig, "5");
    ASSERT_EQ(rig.link().MeterAddress, "5");
    rig.app().logs().BasicLog.FileName = "basic.csv";
    rig.app().logs().WaveformLog.Elapsed = 40;

    panel.Frame1_Click(2); // the "Program" frame does nothing
    EXPECT_EQ(rig.link().MeterAddress, "5");
    EXPECT_EQ(stops, 0);

    panel.Frame1_Click(1);
    EXPECT_EQ(rig.link().MeterAddress, "xxx");
    EXPECT_FALSE(rig.mainForm().scheduler().enabled());
    EXPECT_TRUE(rig.mainForm().txtAddress()->text().isEmpty());
    EXPECT_FALSE(rig.page().AddressEdited);
    EXPECT_FALSE(rig.mainForm().frmSetup()->isHidden());
    EXPECT_EQ(rig.mainForm().windowTitle(), shell::MainCaption);
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(rig.app().logs().BasicLog.FileName.isEmpty());
    EXPECT_EQ(rig.app().logs().WaveformLog.Elapsed, 0);
    EXPECT_EQ(rig.app().logs().HarmonicLog.Interval, 120);

    // "Off Line" is an empty entry: back to no meter as well.
    typeAddress(rig, "5");
    rig.mainForm().cmdFunction_Click(2);
    EXPECT_EQ(rig.link().MeterAddress, "xxx");
    EXPECT_EQ(stops, 2);
}

TEST(MeterSelectEntry, DirectExchangesHoldTheLink) {
    ProgramRig rig({{5, 9600}});
    auto& svc = rig.app().services();
    bool busyInside = false;
    long ticksInside = -1;
    int commShown = 0, commShownInside = -1;
    svc.ShowCommForm = [&] { ++commShown; };
    svc.ReadMeterInformation = [&] {
        shell::Scheduler& s = rig.mainForm().scheduler();
        busyInside = rig.app().master().busy();
        s.enable();                       // as a page click during the check would
        rig.mainForm().cmdFunction_Click(1); // "Comm"
        const long before = s.tickCount();
        common::Delay(1.2); // a wait inside the operation
        ticksInside = s.tickCount() - before;
        commShownInside = commShown;
    };
    installSelection(rig);
    typeAddress(rig, "5");
    EXPECT_TRUE(busyInside);
    EXPECT_EQ(ticksInside, 0);
    EXPECT_EQ(commShownInside, 0);
    EXPECT_FALSE(rig.app().master().busy());
    // Once the check is over the settings window gets its turn.
    EXPECT_TRUE(rig.waitFor([&] { return commShown == 1; }, 3000));
}

TEST(MeterSelectEntry, EntryDuringAPollExchangeWaitsForItsEnd) {
    ProgramRig rig({{5, 9600}, {6, 9600}});
    rig.line.setReplyDelayMs(60);
    auto& svc = rig.app().services();
    rtu::ModbusMaster& master = rig.app().master();
    bool armed = false;
    svc.ReadInstantAndEnergy = [&] {
        if (!armed) {
            armed = true;
            // The user leaves the box while the poll read waits for its reply.
            QTimer::singleShot(20, [&] {
                rig.mainForm().txtAddress()->setText("6");
                svc.txtAddress_LostFocus();
            });
        }
        master.SendReadHoldingRegisters(4242, 0x0100, 2);
    };
    installSelection(rig);
    choosePage(rig, 0);
    typeAddress(rig, "5");
    ASSERT_EQ(rig.link().MeterAddress, "5");
    ASSERT_TRUE(rig.waitFor([&] { return rig.link().MeterAddress == "6"; }, 5000));
    bool probed6 = false;
    for (const auto& r : rig.line.requests()) probed6 = probed6 || r.bytes == withCrc({6, 3, 0, 0, 0, 2});
    EXPECT_TRUE(probed6);
}
