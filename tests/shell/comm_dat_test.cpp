#include "shell/comm_dat.h"

#include "link/link_state.h"
#include "link/serial_settings.h"

#include <gtest/gtest.h>

using namespace shell;

namespace {
const QByteArray kDefaultFile = " 0\r\n 3\r\n 0\r\n 0\r\n3000\r\n30\r\n1\r\n";
}

TEST(CommDat, WritesSevenLinesAndReadsThemBack) {
    EXPECT_EQ(commDatText(CommChoices{}), kDefaultFile);
    EXPECT_EQ(commDatInteger(-1), "-1");

    CommChoices last;
    last.portIndex = 255;
    last.baudIndex = 4;
    last.stopBitsIndex = 1;
    last.lineIndex = 1;
    last.timeoutText = "9999";
    last.loadingText = "45";
    last.repeatText = "3";
    const QByteArray text = commDatText(last);
    EXPECT_EQ(text, " 255\r\n 4\r\n 1\r\n 1\r\n9999\r\n45\r\n3\r\n");
    CommChoices back;
    EXPECT_EQ(readCommDat(text, back), 7);
    EXPECT_EQ(back, last);
}

TEST(CommDat, OddFilesStopAtTheFirstBadLineAndKeepDefaultsForTheRest) {
    CommChoices three;
    EXPECT_EQ(readCommDat(" 5\n 1\n 1\n", three), 3); // LF only, three lines
    EXPECT_EQ(three.portIndex, 5);
    EXPECT_EQ(three.baudIndex, 1);
    EXPECT_EQ(three.stopBitsIndex, 1);
    EXPECT_EQ(three.lineIndex, 0);
    EXPECT_EQ(three.timeoutText, "3000");

    CommChoices badBaud;
    EXPECT_EQ(readCommDat(" 2\r\n 7\r\n 1\r\n 1\r\n4000\r\n30\r\n2\r\n", badBaud), 1);
    CommChoices expected;
    expected.portIndex = 2;
    EXPECT_EQ(badBaud, expected);

    // Bare hand-written numbers, commas, blanks, a fraction and text.
    CommChoices hand;
    EXPECT_EQ(readCommDat("3,comment\n2.5\n  1  \nx\n 3500 \n\n12345\n", hand), 7);
    EXPECT_EQ(hand.portIndex, 3);
    EXPECT_EQ(hand.baudIndex, 2); // halves go to the even number
    EXPECT_EQ(hand.stopBitsIndex, 1);
    EXPECT_EQ(hand.lineIndex, 0); // no leading number counts as 0
    EXPECT_EQ(hand.timeoutText, "3500");
    EXPECT_EQ(hand.loadingText, "30"); // empty: default
    EXPECT_EQ(hand.repeatText, "1");   // longer than its box: default

    CommChoices negative;
    EXPECT_EQ(readCommDat("-1\n", negative), 0);
    EXPECT_EQ(negative, CommChoices{});
    CommChoices huge;
    EXPECT_EQ(readCommDat("99999999999999999999\n", huge), 0);
}

TEST(CommDat, ApplyFillsSerialSettingsAndLinkTiming) {
    rtu::SerialTables t;
    rtu::InitSerialTables(t);
    rtu::LinkState st;
    st.Serial.HwFlow = 1;
    st.Serial.Dtr = 0;
    applyCommChoices(CommChoices{}, st, t);
    EXPECT_EQ(st.Serial.Port, 1);
    EXPECT_EQ(st.Serial.BaudIndex, 12);
    EXPECT_EQ(st.Serial.BaudCode, t.BaudCodes[12]);
    EXPECT_EQ(st.Serial.HwFlow, 0);
    EXPECT_EQ(st.Serial.Dtr, 1);
    EXPECT_EQ(st.LoadingTime, 30);
    EXPECT_FALSE(st.EchoSkip);

    CommChoices c;
    c.portIndex = 255;
    c.baudIndex = 0;
    c.stopBitsIndex = 1;
    c.lineIndex = 1;
    c.timeoutText = "";
    c.repeatText = "abc";
    c.loadingText = "7";
    applyCommChoices(c, st, t);
    EXPECT_EQ(st.Serial.Port, 256);
    EXPECT_EQ(st.Serial.BaudIndex, 7);
    EXPECT_EQ(st.Serial.StopBitsCode, t.StopBitsCodes[1]);
    EXPECT_TRUE(st.EchoSkip); // the four-wire line echoes our own frame
    EXPECT_EQ(st.ReplyTimeoutMs, 3000);
    EXPECT_EQ(st.RetryLimit, 1);
    EXPECT_EQ(st.LoadingTime, 7);

    // A baud position outside the list leaves the rate as it was.
    c.baudIndex = -1;
    applyCommChoices(c, st, t);
    EXPECT_EQ(st.Serial.BaudIndex, 7);
}
