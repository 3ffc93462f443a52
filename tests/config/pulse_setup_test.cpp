// The pulse output and pulse LED pages: option decoders, clicks and writes.
#include "config/pulse_setup.h"

#include <gtest/gtest.h>

using namespace config;

TEST(PulseSetup, OptionsFromRepliesAndClicks) {
    const auto outputs = decodePulseOutputSetup({3, 0x0107});
    ASSERT_TRUE(outputs);
    EXPECT_EQ((*outputs)[0].option, 3);
    EXPECT_EQ((*outputs)[1].option, 0); // code 7 names no option: the first
    EXPECT_EQ((*outputs)[1].tag, "7");
    EXPECT_EQ(decodePulseLedSetup({6})->option, 6);
    EXPECT_EQ(pulseSourceCaptions(true)[6], "Alarm To Setpoint");
    EXPECT_EQ(pulseSourceCaptions(false).size(), 6);
    EXPECT_EQ(decodePulseLedSetup({7})->option, 0);

    const OptionClick click = pulseOutputClick(8);
    EXPECT_EQ(click.group, 1); // frmPO(2)
    EXPECT_EQ(click.tag, "2");
    ConfirmedWrite w = pulseOutputWrite("0", click.tag);
    EXPECT_EQ(w.idleStep, 2);
    EXPECT_EQ(w.action, "Setup Pulse Output");
    EXPECT_EQ(buildWriteFrame(1, w.function, w.firstRegister, *w.values()),
              (std::vector<uint8_t>{1, 0x10, 0x20, 0x41, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x02}));
    w = pulseLedWrite(pulseLedClick(6).tag);
    EXPECT_EQ(w.resultWords, "Setting Pulse LED");
    EXPECT_EQ(buildWriteFrame(1, w.function, w.firstRegister, *w.values()),
              (std::vector<uint8_t>{1, 0x10, 0x20, 0x40, 0x00, 0x01, 0x02, 0x00, 0x06}));
}
