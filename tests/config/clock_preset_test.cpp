// Clock and preset-and-reset logic: the meter clock and dates, the broadcast
// that sets the clock, the battery date write; the preset frames and the stop
// before the coil when the value write failed.
#include "config/meter_clock.h"
#include "config/preset_reset.h"

#include <gtest/gtest.h>

using namespace config;
using Bytes = std::vector<uint8_t>;

TEST(MeterClock, DecodersInTheSystemsDateOrder) {
    EXPECT_EQ(meterClockText(std::vector<uint16_t>{0x0509, 0x070D, 0x1805}, "YYYY/MM/DD", "/"), "2024/05/07   13:05:09");
    EXPECT_EQ(meterClockText(std::vector<uint16_t>{0x0509, 0x070D, 0x1805}, "M-D-YY", "-"), "05-07-24   13:05:09");
    EXPECT_FALSE(meterClockText(std::vector<uint16_t>{0x0509, 0x070D}, "YYYY/MM/DD", "/"));
    const auto dates = decodeMeterDates(std::vector<uint16_t>{0x0F00, 0x0A03, 0x1F00, 0x1901}, "YYYY/MM/DD", "/");
    ASSERT_TRUE(dates);
    EXPECT_EQ(dates->manufacture, "2010/03/15");
    EXPECT_EQ(dates->battery, "2025/01/31");
}

TEST(MeterClock, BroadcastCountsSundayAsOneAndBatteryDateGoesOutWith0x70) {
    EXPECT_EQ(clockBroadcastFrame(QDate(2024, 5, 7), QTime(13, 5, 9)),
              (Bytes{0x00, 0x10, 0x00, 0x30, 0x00, 0x04, 0x08, 0x05, 0x09, 0x07, 0x0D, 0x18, 0x05, 0x00, 0x03}));
    EXPECT_EQ(meterWeekday(QDate(2024, 5, 5)), 1);  // Sunday
    EXPECT_EQ(meterWeekday(QDate(2024, 5, 11)), 7); // Saturday

    const ConfirmedWrite w = batteryDateWrite(QDate(2025, 1, 31));
    EXPECT_EQ(buildWriteFrame(1, w.function, w.firstRegister, *w.values()),
              (Bytes{1, 0x70, 0x00, 0x1A, 0x00, 0x02, 0x04, 0x1F, 0x00, 0x19, 0x01}));
    EXPECT_EQ(w.action, "Setup Battery Replace Date");
    EXPECT_EQ(resultLine("1", w.resultWords, true), "Meter [1] Setup Battery Replace Date Ok!");
    EXPECT_EQ(w.idleStep, 0);
}

TEST(PresetReset, PresetIsTheValueThenItsCoil) {
    auto ex = resetExchanges(1, "1000");
    ASSERT_TRUE(ex);
    ASSERT_EQ(ex->size(), 2u);
    EXPECT_EQ(requestBytes((*ex)[0], 1), (Bytes{1, 0x10, 0x20, 0x30, 0x00, 0x02, 0x04, 0x00, 0x00, 0x03, 0xE8}));
    EXPECT_EQ(requestBytes((*ex)[1], 1), (Bytes{1, 0x05, 0x00, 0x08, 0xFF, 0x00}));
    ex = resetExchanges(1, "99999999");
    EXPECT_EQ(requestBytes((*ex)[0], 1), (Bytes{1, 0x10, 0x20, 0x30, 0, 2, 4, 0x05, 0xF5, 0xE0, 0xFF}));
    ex = resetExchanges(10, "2.5"); // halves to even
    EXPECT_EQ(requestBytes((*ex)[0], 1), (Bytes{1, 0x10, 0x20, 0xF6, 0, 2, 4, 0, 0, 0, 2}));
    EXPECT_EQ((*ex)[1].firstRegister, 0x11);
    ex = resetExchanges(16, "ignored");
    ASSERT_EQ(ex->size(), 1u);
    EXPECT_EQ(requestBytes((*ex)[0], 1), (Bytes{1, 0x05, 0x00, 0x16, 0xFF, 0x00}));
    EXPECT_EQ((*resetExchanges(17, ""))[0].firstRegister, 0x17);
    EXPECT_FALSE(resetExchanges(19, ""));  // the keyboard lock has its own write
    EXPECT_FALSE(resetExchanges(12, ""));  // hidden
    EXPECT_FALSE(resetExchanges(1, "-5")); // never sent

    // A failed value write sends no coil, and the button reports an error.
    ex = resetExchanges(1, "1000");
    std::vector<uint16_t> sent;
    const int failed = sendInOrder(*ex, [&](const Exchange& e) {
        sent.push_back(e.firstRegister);
        return e.kind == Exchange::Kind::Coil;
    });
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(sent, (std::vector<uint16_t>{0x2030}));
    EXPECT_EQ(resultLine("1", (*ex)[0].words, failed < 0), "Meter [1] Preset 3 Phase Positive Real Energy Error!");
}

TEST(PresetReset, EntryCheckAndButtonsByMeterOptions) {
    EntryVerdict v = checkPresetEntry("-5");
    EXPECT_EQ(v.message, "Preset Data > (99999999) or Preset Data < (0)");
    EXPECT_EQ(v.replacement, "0");
    v = checkPresetEntry("abc");
    EXPECT_EQ(v.message, "Data Key In Error!");
    EXPECT_EQ(v.replacement, "0");
    const auto enabled = resetButtonsEnabled(false, true);
    EXPECT_FALSE(enabled[0]);
    EXPECT_TRUE(enabled[18]);
    EXPECT_EQ(resetButton(18).coil, 26);
    EXPECT_EQ(resetButton(7).presetRegister, 0x20DE);
}
