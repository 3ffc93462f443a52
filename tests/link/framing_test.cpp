// CRC, frame gap and the serial layer's error texts.
#include "link/crc16.h"
#include "link/modbus_master.h"
#include "link/serial_settings.h"

#include <gtest/gtest.h>

using namespace rtu;

TEST(Crc16, PublishedCheckValueIntactFramesAndPieces) {
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(crc16(digits, sizeof digits), 0x4B37);
    // (The byte order on the wire is checked on whole frames in the exchange tests.)

    // Over an intact frame with its CRC the result is 0; one flipped bit is not.
    uint8_t whole[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B};
    EXPECT_EQ(crc16(whole, sizeof whole), 0);
    whole[3] ^= 0x10;
    EXPECT_NE(crc16(whole, sizeof whole), 0);

    // Running it in pieces gives the same as in one go.
    EXPECT_EQ(crc16(digits + 4, 5, crc16(digits, 4)), 0x4B37);
}

TEST(FrameGap, EighteenCharactersOfElevenBitsAtLeastTwenty) {
    SerialTables t;
    InitSerialTables(t);
    const int expected[20] = {3960, 2640, 1800, 1478, 1320, 660, 330, 165, 110, 83,
                              41,   28,   21,   20,   20,   20,  20,  20,  20,  20};
    for (int code = 0; code < 20; ++code) {
        int baud = t.BaudNames[code].toInt();
        EXPECT_EQ(computeFrameGapMs(baud), expected[code]) << baud;
    }
    // 2400 baud (83 above): the double product lies a hair above 82.5, so it rounds up.
    // An error code from the baud query gives the floor.
    EXPECT_EQ(computeFrameGapMs(-5), 20);
    EXPECT_EQ(computeFrameGapMs(0), 20);
    // The longest reply (256 bytes) on the wire; an unknown rate counts as the slowest, 1200.
    EXPECT_EQ(longestReplyWireMs(19200), 147);
    EXPECT_EQ(longestReplyWireMs(-5), 2347);
}

TEST(SerialTables, LineDescriptionStaysInsideTheTable) {
    SerialTables t;
    InitSerialTables(t);
    SerialSettings s;
    EXPECT_EQ(lineDescription(s, t), "9600,None,8,1");
    s.BaudIndex = 99; // a broken index must not read past the table
    EXPECT_EQ(lineDescription(s, t), ",None,8,1");
}

TEST(SerialErrors, TextForEveryCode) {
    EXPECT_EQ(serialErrorText(-1), "Port number is invalid or port is not opened in advance");
    EXPECT_EQ(serialErrorText(-2), "The board does not support this function");
    EXPECT_EQ(serialErrorText(-4), "No data to read");
    EXPECT_EQ(serialErrorText(-5), "No such port or port is occupied by other program");
    EXPECT_EQ(serialErrorText(-6), "RTS can't be set because H/W Flowctrl");
    EXPECT_EQ(serialErrorText(-7), "Bad parameter");
    EXPECT_EQ(serialErrorText(-9), "The board does not support this function");
    EXPECT_EQ(serialErrorText(-11), "Write has blocked, and user abort write");
    EXPECT_EQ(serialErrorText(-12), "Write timeout has happened");
    EXPECT_EQ(serialErrorText(-10), "Unknown Error:-10");
}
