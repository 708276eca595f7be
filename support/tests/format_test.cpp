#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <tuple>

#include "support/format.h"
#include "support/number_text.h"
#include "support/string8.h"

namespace {

TEST(NumberText, SignedDecimalIncludingExtremes) {
    EXPECT_STREQ(number_text(int64_t{0}).get_ptr(), "0");
    EXPECT_STREQ(number_text(int64_t{-5}).get_ptr(), "-5");
    EXPECT_STREQ(number_text(std::numeric_limits<int64_t>::max()).get_ptr(), "9223372036854775807");
    const number_text lowest(std::numeric_limits<int64_t>::min());
    EXPECT_STREQ(lowest.get_ptr(), "-9223372036854775808");
    EXPECT_EQ(lowest.get_length(), 20u);
}

TEST(NumberText, UnsignedInEveryRadix) {
    const std::tuple<uint64_t, unsigned, const char*> cases[] = {{255, 16, "FF"}, {0, 2, "0"}, {5, 2, "101"}, {35, 7, "50"}};
    for (const auto& [value, radix, text] : cases) EXPECT_STREQ(number_text(value, radix).get_ptr(), text) << text;
    // 64 binary digits fit.
    const number_text ones(std::numeric_limits<uint64_t>::max(), 2);
    EXPECT_EQ(ones.get_length(), 64u);
    EXPECT_EQ(std::string(ones.get_ptr()), std::string(64, '1'));
    EXPECT_STREQ(number_text(uint64_t{1234}, 1).get_ptr(), "1234");
    EXPECT_STREQ(number_text(uint64_t{1234}, 17).get_ptr(), "1234");
}

TEST(Format, TagValueForms) {
    string8_t s;
    format(s, "%d%c%02d%c%02d", 2001, '-', 2, '-', 3);
    EXPECT_STREQ(s.get_ptr(), "2001-02-03");
    format(s, "%d", -5);
    EXPECT_STREQ(s.get_ptr(), "-5");
    format(s, "%d%c", 75, 0xE9);
    EXPECT_STREQ(s.get_ptr(), "75\xC3\xA9");
    format(s, "%d%c", 1, 0x1F600);
    EXPECT_STREQ(s.get_ptr(), "1\xF0\x9F\x98\x80");
}

TEST(Format, WidthPadsBeforeTheWholeNumber) {
    string8_t s;
    format(s, "[%3d][%03d][%03d][%1d][%2d]", 7, 7, -5, 123, -12);
    EXPECT_STREQ(s.get_ptr(), "[  7][007][0-5][123][-12]");
}

TEST(Format, ReplacesEarlierContentAndToleratesOddFormats) {
    string8_t s("old text");
    format(s, "plain");
    EXPECT_STREQ(s.get_ptr(), "plain");
    format(s, "%d/%d");  // missing arguments read as 0
    EXPECT_STREQ(s.get_ptr(), "0/0");
    format(s, "100%% %q %", 1);
    EXPECT_STREQ(s.get_ptr(), "100% %q %");
    format(s, "%u %x %X %04X", -1, 255, 255, 10);
    EXPECT_STREQ(s.get_ptr(), "4294967295 ff FF 000A");
    format(s, "%99999999999d", 1);
    EXPECT_EQ(s.get_length(), 1024u);
}

}  // namespace
