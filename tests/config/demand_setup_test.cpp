// The demand page's decoder, period check and write.
#include "scripted_prompter.h"

#include "config/demand_setup.h"

#include <gtest/gtest.h>

using namespace config;

TEST(DemandSetup, DecodesLowBytesAndWritesThreeRegisters) {
    const auto d = decodeDemandSetup({60, 0x0102, 0x0001});
    ASSERT_TRUE(d);
    EXPECT_EQ(d->periodText, "60");
    EXPECT_EQ(d->typeIndex, 0); // code 2 names no type
    EXPECT_EQ(d->syncIndex, 1);
    EXPECT_FALSE(decodeDemandSetup({15, 1}));
    EXPECT_EQ(demandSyncItems()[1], "External (DI 8)");

    const ConfirmedWrite w = demandWrite("60", 1, -1); // nothing selected writes 0
    EXPECT_EQ(w.idleStep, 1);
    EXPECT_EQ(w.action, "Setup Demand");
    EXPECT_EQ(w.resultWords, "Setting Demand");
    EXPECT_EQ(buildWriteFrame(1, w.function, w.firstRegister, *w.values()),
              (std::vector<uint8_t>{1, 0x10, 0x20, 0x20, 0x00, 0x03, 0x06, 0x00, 0x3C, 0x00, 0x01, 0x00, 0x00}));

    ScriptedPrompter ui;
    ScopedPrompter scope(ui);
    EXPECT_FALSE(demandWrite("-5", 0, 0).values());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Demand Period > (60) or Demand Period < (1)");
    EXPECT_EQ(demandPeriodCheck().defaultText, "15");
}
