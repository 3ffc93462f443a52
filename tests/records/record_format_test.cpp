#include "records/record_format.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace records;

TEST(RecordTimeStamp, BytePositionsAndTexts) {
    // minute 5, second 7; day 3, hour 9; year 9, month 12
    const auto s = timeStampFrom(0x0507, 0x0309, 0x090C);
    EXPECT_EQ(timeText(s), "09:05:07");
    EXPECT_EQ(dateText(s, {"YYYY/MM/DD", "/"}), "2009/12/03");
    EXPECT_EQ(dateText(s, {"MM-DD-YY", "-"}), "12-03-09");
    const std::vector<uint16_t> words{0x1234, 0x0507, 0x0309};
    EXPECT_FALSE(timeStampAt(words, 1).has_value()); // the year register is missing
}

TEST(RecordScaling, KindsAndInputFlags) {
    common::MeterState plain; // ratios 1, 5 A / 400 V inputs: power k = 0.2
    EXPECT_EQ(valueText(Kind::SignedPower, 65535, 16, plain), "-200.00  mW");
    EXPECT_EQ(valueText(Kind::UnsignedPower, 65535, 18, plain), "13.107  KVA");
    EXPECT_EQ(valueText(Kind::SignedPower, 65535, 18, plain), "-200.00  mVA"); // the apparent demand
    EXPECT_EQ(valueText(Kind::Frequency, 25000, 20, plain), "50.000  Hz");
    EXPECT_EQ(valueText(Kind::Unbalance, 0, -1, plain), "0.0 %");
    EXPECT_EQ(valueText(Kind::Unbalance, 1234, -1, plain), "123.4 %");

    common::MeterState both;
    both.PtRatio = 2;
    both.CtRatio = 100;
    both.CurrentInput1A = both.VoltageInput150V = true;
    EXPECT_EQ(valueText(Kind::Current, 1000, 0, both), "2.0000  A");   // x 0.00002 x CT
    EXPECT_EQ(valueText(Kind::Voltage, 40000, 6, both), "200.00  V");  // x 0.0025 x PT
    EXPECT_EQ(valueText(Kind::SignedPower, 1000, 16, both), "2.0000  KW"); // k 0.01
    both.VoltageInput150V = false;
    EXPECT_DOUBLE_EQ(scaledValue(Kind::UnsignedPower, 1000, both), 8000); // k 0.04
    both.CurrentInput1A = false;
    both.VoltageInput150V = true;
    EXPECT_DOUBLE_EQ(scaledValue(Kind::UnsignedPower, 1000, both), 10000); // k 0.05
}

TEST(RecordScaling, PowerFactorWrittenWithoutLeadingZero) {
    EXPECT_EQ(powerFactorText(9500), " .95 LG");
    EXPECT_EQ(powerFactorText(56036), " .95 LD");
    EXPECT_EQ(powerFactorText(0), " 0 LG");
    EXPECT_EQ(powerFactorText(10000), " 1 LG");
    EXPECT_EQ(powerFactorText(55536), " 1 LD");
}

TEST(RecordFiles, CsvQuotingAndSave) {
    EXPECT_EQ(csvLine({" ", "Value", "Relay (1:On,2:Off,", "say \"hi\""}),
              " ,Value,\"Relay (1:On,2:Off,\",\"say \"\"hi\"\"\"");

    QTemporaryDir dir;
    const QString path = dir.filePath("log.csv");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older and longer file\r\n");
    old.close();
    EXPECT_FALSE(saveLines(path, {"a,b", ""}).has_value());
    QFile back(path);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), QByteArray("a,b\r\n\r\n"));

    const auto error = saveLines(dir.filePath("missing/log.csv"), {"x"});
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->number, 75);
    EXPECT_FALSE(error->message.isEmpty());
}
