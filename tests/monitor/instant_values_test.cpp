// Scaling, sign and marker rules of the live, energy and demand registers, without widgets.
#include "monitor/instant_values.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

using namespace monitor;

namespace {

common::MeterState meterWith(bool oneAmp, bool lowVolt, double pt, double ct, int wiring = 0) {
    common::MeterState m;
    m.CurrentInput1A = oneAmp;
    m.VoltageInput150V = lowVolt;
    m.PtRatio = pt;
    m.CtRatio = ct;
    m.WiringMode = wiring;
    return m;
}

void putCounter(std::array<uint16_t, kEnergyCount>& r, int i, uint32_t v) {
    r[size_t(2 * i)] = uint16_t(v >> 16);
    r[size_t(2 * i + 1)] = uint16_t(v & 0xFFFF);
}

std::array<uint16_t, kInstantCount> block() {
    std::array<uint16_t, kInstantCount> r{};
    r[0] = 25000;  // phase A current
    r[6] = 22000;  // Van
    r[11] = 38000; // Vab
    r[16] = 1000;  // three-phase real power
    return r;
}

} // namespace

TEST(InstantValues, ScalingOverInputRangesAndRatios) {
    // Raw 25000 A, 22000 V, 1000 W: 0.2 mA, 10 mV and 0.2 W a count on the 5 A / 400 V
    // inputs; a tenth of the current and a quarter of the voltage on the 1 A / 150 V ones.
    struct Case {
        bool oneAmp, lowVolt;
        double pt, ct;
        const char *current, *voltage, *power;
        float amps, volts; // the first current and voltage as the waveform page scales them
    };
    const Case cases[] = {
        {false, false, 1, 1, "5.0000  A", "220.00  V", "200.00  W", 5.0f, 220.0f},
        {true, false, 1, 1, "500.00  mA", "220.00  V", "40.000  W", 0.5f, 220.0f},
        {false, true, 1, 1, "5.0000  A", "55.000  V", "50.000  W", 5.0f, 55.0f},
        {true, true, 1, 1, "500.00  mA", "55.000  V", "10.000  W", 0.5f, 55.0f},
        {true, true, 120, 40, "20.000  A", "6.6000  KV", "48.000  KW", 20.0f, 6600.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " / " + c.voltage);
        const auto m = meterWith(c.oneAmp, c.lowVolt, c.pt, c.ct);
        const InstantValues v = decodeInstantValues(block(), m);
        EXPECT_EQ(v.current[0].text, c.current);
        EXPECT_EQ(v.voltage[0].text, c.voltage);
        EXPECT_EQ(v.power[0].text, c.power);
        EXPECT_FLOAT_EQ(v.measuredCurrent1, c.amps);
        EXPECT_FLOAT_EQ(v.measuredVoltage1, c.volts);
    }
    // The scales themselves, per count: 1 A / 150 V inputs, PT 120, CT 40.
    const Scales s = inputScales(meterWith(true, true, 120, 40));
    EXPECT_DOUBLE_EQ(s.current, 0.0008);
    EXPECT_DOUBLE_EQ(s.voltage, 0.3);
    EXPECT_DOUBLE_EQ(s.power, 48.0);
    // Both flags, ratios 1: a power raw of 100 is 1 W before prefixing.
    std::array<uint16_t, kInstantCount> r{};
    r[21] = 100;
    EXPECT_EQ(decodeInstantValues(r, meterWith(true, true, 1, 1)).power[4].text, "1.0000  W");
}

TEST(InstantValues, SignsMarkersAndTexts) {
    const auto m = meterWith(false, false, 1, 1);
    std::array<uint16_t, kInstantCount> r{};
    r[0] = 65535;  // current marker
    r[1] = 65534;  // just below it
    r[5] = 65535;  // unbalance marker
    r[10] = 12;
    r[16] = 32768; // signed marker, negative
    r[17] = 32767; // signed marker, positive
    r[18] = 65535;
    r[19] = 0xD8F0; // -10000
    r[20] = 65535;
    r[21] = 32769; // negative, no marker
    r[24] = 32768;
    r[33] = 2;
    const InstantValues v = decodeInstantValues(r, m);
    EXPECT_TRUE(v.current[0].outOfRange);
    EXPECT_EQ(v.current[0].text, "13.107  A"); // still scaled and shown
    EXPECT_FALSE(v.current[1].outOfRange);
    EXPECT_TRUE(v.current[5].outOfRange);
    EXPECT_EQ(v.current[5].text, "6553.5 %");
    EXPECT_EQ(v.voltage[4].text, "1.2 %");
    EXPECT_TRUE(v.power[0].outOfRange);
    EXPECT_EQ(v.power[0].text, "-6.5536  KW");
    EXPECT_TRUE(v.power[1].outOfRange);
    EXPECT_EQ(v.power[1].text, "6.5534  KVar");
    EXPECT_TRUE(v.power[2].outOfRange);
    EXPECT_FALSE(v.power[3].outOfRange);
    EXPECT_EQ(v.power[3].text, " 1 LD");
    EXPECT_TRUE(v.frequency.outOfRange);
    EXPECT_FALSE(v.power[4].outOfRange);
    EXPECT_EQ(v.power[4].text, "-6.5534  KW");
    EXPECT_TRUE(v.power[7].outOfRange); // phase A power factor
    EXPECT_EQ(v.rotation, "");

    EXPECT_EQ(powerFactorText(0), " 0 LG");
    EXPECT_EQ(powerFactorText(10000), " 1 LG");
    EXPECT_EQ(powerFactorText(8500), " 0.85 LG");
    EXPECT_EQ(powerFactorText(0xFFFF), " 0.0001 LD");
    EXPECT_EQ(rotationText(0), "Positive Sequence");
    EXPECT_EQ(rotationText(1), "Negative Sequence");
    EXPECT_EQ(rotationText(65535), "");
    std::array<uint16_t, kInstantCount> hz{};
    hz[20] = 25000;
    EXPECT_EQ(decodeInstantValues(hz, m).frequency.text, "50.000  Hz");
}

TEST(InstantValues, PlainNumbersNeverUseExponentsOrLocale) {
    EXPECT_EQ(plainNumber(0.00001), "0.00001");
    EXPECT_EQ(plainNumber(1e16), "10000000000000000");
    EXPECT_EQ(plainNumber(0.1 + 0.2), "0.3"); // fifteen significant digits
    EXPECT_EQ(plainNumber(std::numeric_limits<double>::quiet_NaN()), "0");
    EXPECT_EQ(plainNumber(-std::numeric_limits<double>::infinity()), "0");
}

TEST(InstantValues, FirstVoltageFollowsWiringAndNothingNonFiniteEscapes) {
    auto r = block();
    const InstantValues star = decodeInstantValues(r, meterWith(false, false, 1, 1, 0));
    EXPECT_FLOAT_EQ(star.measuredVoltage1, 220.0f);
    const InstantValues delta = decodeInstantValues(r, meterWith(false, false, 1, 1, 2));
    EXPECT_FLOAT_EQ(delta.measuredVoltage1, 380.0f);

    // Ratios no real meter has: the texts stay numbers, the float scales stay finite.
    for (double ratio : {std::numeric_limits<double>::infinity(), 1e300, std::nan("")}) {
        r.fill(30000);
        const InstantValues v = decodeInstantValues(r, meterWith(false, false, ratio, ratio));
        EXPECT_TRUE(std::isfinite(v.measuredCurrent1));
        EXPECT_TRUE(std::isfinite(v.measuredVoltage1));
        std::vector<QString> texts{v.frequency.text};
        for (const auto& x : v.current) texts.push_back(x.text);
        for (const auto& x : v.voltage) texts.push_back(x.text);
        for (const auto& x : v.power) texts.push_back(x.text);
        for (const QString& t : texts) {
            EXPECT_FALSE(t.contains("inf", Qt::CaseInsensitive)) << t.toStdString();
            EXPECT_FALSE(t.contains("nan", Qt::CaseInsensitive)) << t.toStdString();
        }
    }
}

TEST(EnergyValues, DecimalCodesPrefixesAndRows) {
    EXPECT_EQ(energyText(1234567, 1, 0), "1234.567 K");
    EXPECT_EQ(energyText(1234567, 1, 3), "1.235 M");
    EXPECT_EQ(energyText(1234567, 1, 7), "0.00 G");
    EXPECT_EQ(energyText(1234567000, 1, 9), "1.2 G"); // undefined code: giga, one decimal
    EXPECT_EQ(energyText(1000, std::numeric_limits<double>::infinity(), 0), "0.000 K");

    std::array<uint16_t, kEnergyCount> r{};
    putCounter(r, 0, 1234567);
    putCounter(r, 1, 0x00010000); // high word first
    putCounter(r, 5, 5000);
    putCounter(r, 6, 12345);
    r[14] = 3; // counters 0..4 in mega
    r[15] = 0; // ampere-hours in kilo, whatever register 14 says
    common::MeterState m;
    m.PtRatio = 2;
    m.CtRatio = 3;
    const auto t = decodeEnergyValues(r, m);
    EXPECT_EQ(t[0], "7.407 M");
    EXPECT_EQ(t[1], "0.393 M");
    EXPECT_EQ(t[5], "15.000 K");  // CT ratio only
    EXPECT_EQ(t[6], "12345.000"); // "ARC": unscaled, no prefix
}

TEST(DemandValues, SignedPowersAndMarkers) {
    common::MeterState m;
    std::array<uint16_t, kDemandCount> r{65535, 32768, 100, 40000};
    auto v = decodeDemandValues(r, m);
    EXPECT_TRUE(v[0].outOfRange);
    EXPECT_EQ(v[0].text, "13.107  A");
    EXPECT_TRUE(v[1].outOfRange);
    EXPECT_EQ(v[1].text, "-6.5536  KW");
    EXPECT_EQ(v[2].text, "20.000  Var");
    EXPECT_FALSE(v[3].outOfRange);
    EXPECT_EQ(v[3].text, "-5.1072  KVA"); // the apparent demand is signed too

    m.CurrentInput1A = true;
    m.VoltageInput150V = true;
    m.CtRatio = 10;
    r = {20000, 32767, 0, 0};
    v = decodeDemandValues(r, m);
    EXPECT_FALSE(v[0].outOfRange);
    EXPECT_EQ(v[0].text, "4.0000  A");
    EXPECT_TRUE(v[1].outOfRange);
    EXPECT_EQ(v[1].text, "3.2767  KW");
}
