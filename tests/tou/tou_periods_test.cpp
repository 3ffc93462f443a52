// Page 8: period decoder, status costs, rate encoding, checks and frames.
#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "tou/tou_periods.h"

#include <gtest/gtest.h>

using namespace tou;

namespace {

std::array<PeriodFields, kPeriodCount> validRows() {
    std::array<PeriodFields, kPeriodCount> rows;
    for (int i = 0; i < kPeriodCount; ++i)
        rows[size_t(i)] = {QStringLiteral("%1:00").arg(3 * i, 2, 10, QLatin1Char('0')),
                           QStringLiteral("%1:30").arg(3 * i + 1, 2, 10, QLatin1Char('0')), "100"};
    return rows;
}

} // namespace

TEST(TouPeriods, DecodersAndCosts) {
    std::vector<uint16_t> regs(59, 0);
    regs[0] = 0x0715;
    regs[1] = 0x0C00;
    regs[2] = 250;
    regs[8] = 0x6400; // hour 100: the mask refuses it
    const auto periods = decodePeriods(regs);
    ASSERT_TRUE(periods);
    EXPECT_EQ((*periods)[0].start, "07:21");
    EXPECT_EQ((*periods)[0].stop, "12:00");
    EXPECT_EQ((*periods)[0].rate, "2.5");
    EXPECT_FALSE((*periods)[1].start);
    EXPECT_EQ(maskedTimeText("1_:3_"), "10:30");

    std::vector<uint16_t> status(24, 0);
    status[1] = 0x0F1E;
    status[2] = 0x0306;
    status[3] = 0x1902;
    status[9] = 500;
    status[11] = 1000;
    status[13] = 7;
    const UnitCosts costs{"2", "0.5", "x", "", "", "", "", ""};
    const PeriodStatus s = *decodePeriodStatus(status, 1, 5, costs, {"YYYY/MM/DD", "/"});
    EXPECT_EQ(s.state, "Off");
    EXPECT_EQ(s.startText, "06:15:30   2025/02/03");
    EXPECT_EQ(s.energy[0], "2.500");
    EXPECT_EQ(s.cost[0], "5");
    EXPECT_EQ(s.cost[1], "2.5");
    EXPECT_EQ(s.cost[2], "0");
    EXPECT_EQ(s.total, "7.5");
}

TEST(TouPeriods, RatesRoundOnceAndFramesFollowTheRows) {
    EXPECT_EQ(encodeRate("12.5"), 0x04E2);
    EXPECT_EQ(encodeRate("5.115"), 0x0200);
    EXPECT_EQ(encodeRate("655.35"), 65535);
    for (const char* bad : {"655.36", "-0.01", "abc", ""}) EXPECT_FALSE(encodeRate(bad)) << bad;

    auto rows = validRows();
    rows[0].rate = "12.5";
    const PeriodPlan plan = planPeriodWrite(rows);
    ASSERT_EQ(plan.writes.size(), 8u);
    EXPECT_EQ(pages::buildWriteFrame(1, plan.writes[0].function, plan.writes[0].firstRegister, plan.writes[0].values),
              (std::vector<uint8_t>{1, 0x10, 0x20, 0xD8, 0x00, 0x03, 0x06, 0, 0, 1, 30, 0x04, 0xE2}));
    EXPECT_EQ(resultLine("1", plan.writes[3].progress, false), "Meter [1] Setting Time Of Use 4 Error!");
    EXPECT_EQ(stepAfterPeriodWrite(3), PeriodStepStatus); // 4..8 stay on screen
    EXPECT_EQ(stepAfterPeriodWrite(8), PeriodStepRead);
}

TEST(TouPeriods, RefusalsSendNothing) {
    auto refusal = [](int row, PeriodFields fields) {
        auto rows = validRows();
        rows[size_t(row)] = fields;
        const PeriodPlan p = planPeriodWrite(rows);
        EXPECT_TRUE(p.writes.empty());
        return p.refusal;
    };
    EXPECT_EQ(refusal(0, {"24:00", "23:00", "1"}), "TOU 1  Out of Range (00:00 - 23:59) ?");
    EXPECT_EQ(refusal(2, {"06:00", "06:60", "1"}), "TOU 3  Out of Range (00:00 - 23:59) ?");
    EXPECT_EQ(refusal(2, {"08:00", "08:00", "1"}), "TOU 3  Start Time >= Stop Time ?");
    EXPECT_EQ(refusal(1, {"01:30", "04:00", "1"}), "TOU 1  Stop Time >= TOU 2  Start Time ?");
    EXPECT_EQ(refusal(4, {"12:00", "13:00", "abc"}), "TOU 5  Tariff Out of Range (0 - 655.35) ?");
}
