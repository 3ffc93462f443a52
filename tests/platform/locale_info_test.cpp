#include "platform/locale_info.h"

#include <gtest/gtest.h>

using platform::mapDateFormat;

TEST(LocaleDate, QtShortFormatsMapToUpperCaseWithTheirSeparator) {
    auto iso = mapDateFormat("yyyy-MM-dd");
    EXPECT_EQ(iso.format, "YYYY-MM-DD");
    EXPECT_EQ(iso.separator, "-");
    EXPECT_TRUE(iso.format.startsWith('Y'));

    auto german = mapDateFormat("dd.MM.yy");
    EXPECT_EQ(german.format, "DD.MM.YY");
    EXPECT_EQ(german.separator, ".");

    auto us = mapDateFormat("M/d/yy");
    EXPECT_EQ(us.format, "M/D/YY");
    EXPECT_EQ(us.separator, "/");

    // Quoted literal text is no date part.
    auto quoted = mapDateFormat("yyyy'y'.MM.dd");
    EXPECT_EQ(quoted.format, "YYYY.MM.DD");
    EXPECT_EQ(quoted.separator, ".");
    // No separator at all: the parts are joined directly.
    auto joined = mapDateFormat("yyyyMMdd");
    EXPECT_EQ(joined.format, "YYYYMMDD");
    EXPECT_EQ(joined.separator, "");
    // Too long for the date routines: both texts empty.
    auto tooLong = mapDateFormat("dddd, MMMM d, yyyy");
    EXPECT_EQ(tooLong.format, "");
    EXPECT_EQ(tooLong.separator, "");
}

TEST(LocaleDate, SystemFormatHasNoLowerCaseLetters) {
    const auto sys = platform::systemLocaleDate();
    EXPECT_EQ(sys.format, sys.format.toUpper());
    EXPECT_LE(sys.format.size(), 15);
    EXPECT_LE(sys.separator.size(), 5);
}
