#include "platform/locale_info.h"

#include <gtest/gtest.h>

using platform::mapDateFormat;

TEST(LocaleDate, QtShortFormatsMapToUpperCaseWithTheirSeparator) {
    struct Case {
        const char* qt;
        const char* format;
        const char* separator;
    };
    const Case cases[] = {
        {"yyyy-MM-dd", "YYYY-MM-DD", "-"},
        {"M/d/yy", "M/D/YY", "/"},
        {"yyyy'y'.MM.dd", "YYYY.MM.DD", "."}, // quoted literal text is no date part
        {"yyyyMMdd", "YYYYMMDD", ""},         // no separator: the parts are joined directly
        {"dddd, MMMM d, yyyy", "", ""},       // too long for the date routines: both empty
    };
    for (const Case& c : cases) {
        const auto m = mapDateFormat(c.qt);
        EXPECT_EQ(m.format, c.format) << c.qt;
        EXPECT_EQ(m.separator, c.separator) << c.qt;
    }
}

TEST(LocaleDate, SystemFormatHasNoLowerCaseLetters) {
    const auto sys = platform::systemLocaleDate();
    EXPECT_EQ(sys.format, sys.format.toUpper());
    EXPECT_LE(sys.format.size(), 15);
    EXPECT_LE(sys.separator.size(), 5);
}
