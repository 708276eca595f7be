#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>

#include "support/utf8.h"

namespace {

struct collector : string_receiver {
    std::string text;
    void add_string(const char* p, uint32_t max_count) override {
        for (uint32_t i = 0; i < max_count && p[i]; ++i) text += p[i];
    }
};

struct decode_case {
    const char* bytes;
    uint32_t length;
    uint32_t value;
};

TEST(Utf8Decode, AcceptsAndRejectsByTheRules) {
    const decode_case cases[] = {
        {"A", 1, 'A'},
        {"", 0, 0},
        {"\xC0\x80", 0, 0},                      // two-byte forms of C0/C1 are overlong
        {"\xC1\xBF", 0, 0},
        {"\xC2\x80", 2, 0x80},
        {"\xE0\x80\x80", 0, 0},                  // overlong three-byte form
        {"\xE0\xA0\x80", 3, 0x800},
        {"\xEF\xBF\xBF", 3, 0xFFFF},
        {"\xED\xA0\x80", 3, 0xD800},             // surrogates are not rejected
        {"\xF0\x80\x80\x80", 0, 0},
        {"\xF0\x90\x80\x80", 4, 0x10000},
        {"\xF4\x90\x80\x80", 4, 0x110000},       // nor values past 0x10FFFF
        {"\xF8\x80\x80\x80\x80", 0, 0},
        {"\xF8\x88\x80\x80\x80", 5, 0x200000},
        {"\xFC\x80\x80\x80\x80\x80", 0, 0},
        {"\xFC\x84\x80\x80\x80\x80", 6, 0x4000000},
        {"\xFD\xBF\xBF\xBF\xBF\xBF", 6, 0x7FFFFFFF},
        {"\x80", 0, 0},                          // lone continuation byte
        {"\xFE\x80", 0, 0},
        {"\xFF", 0, 0},
        {"\xE2\x82", 0, 0},                      // cut short by the terminator
        {"\xE2\x28\xA1", 0, 0},                  // second byte not a continuation
        {"\xF0\x90\x80\x41", 0, 0},
    };
    for (const auto& c : cases) {
        uint32_t value = 0xDEAD;
        EXPECT_EQ(utf8_decode_char(c.bytes, value), c.length) << c.bytes;
        EXPECT_EQ(value, c.value) << c.bytes;
    }
}

TEST(Utf8Decode, BoundedFormNeverReadsPastItsBound) {
    const char euro[] = "\xE2\x82\xAC";
    uint32_t value;
    EXPECT_EQ(utf8_decode_char(euro, value, 3), 3u);
    EXPECT_EQ(value, 0x20ACu);
    EXPECT_EQ(utf8_decode_char(euro, value, 2), 0u);
    EXPECT_EQ(utf8_decode_char(euro, value, 0), 0u);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(utf8_decode_char("a", value, 1), 1u);
}

TEST(Utf8Encode, RoundTripsEveryLengthBoundary) {
    const uint32_t values[] = {0,        0x7F,      0x80,      0x7FF,      0x800,     0xFFFF,
                               0x10000,  0x10FFFF,  0x1FFFFF,  0x200000,   0x3FFFFFF, 0x4000000,
                               0x7FFFFFFF};
    const uint32_t lengths[] = {1, 1, 2, 2, 3, 3, 4, 4, 4, 5, 5, 6, 6};
    for (size_t i = 0; i < std::size(values); ++i) {
        char bytes[8] = {};
        const uint32_t length = utf8_encode_char(values[i], bytes);
        EXPECT_EQ(length, lengths[i]) << std::hex << values[i];
        if (values[i] == 0) continue;
        uint32_t decoded;
        EXPECT_EQ(utf8_decode_char(bytes, decoded, length), length);
        EXPECT_EQ(decoded, values[i]);
    }
    char bytes[8];
    EXPECT_EQ(utf8_encode_char(0x80000000u, bytes), 0u);
    EXPECT_EQ(utf8_encode_char(0xFFFFFFFFu, bytes), 0u);
}

TEST(Utf8ToUtf16, MapsPairsAndReplacesValuesAboveFFFFF) {
    char16_t out[16];
    const char16_t sentinel = 0x5555;

    EXPECT_EQ(utf8_to_utf16(out, 16, "ab\xFF" "cd"), 2u);
    EXPECT_EQ(std::u16string(out), u"ab");

    EXPECT_EQ(utf8_to_utf16(out, 16, "\xF0\x90\x80\x80\xF3\xBF\xBF\xBF"), 4u);
    EXPECT_EQ(std::u16string(out), std::u16string({0xD800, 0xDC00, 0xDBBF, 0xDFFF}));

    EXPECT_EQ(utf8_to_utf16(out, 16, "\xF4\x80\x80\x80|\xF4\x8F\xBF\xBF|\xFD\xBF\xBF\xBF\xBF\xBF"), 5u);
    EXPECT_EQ(std::u16string(out), u"?|?|?");

    // Output bound: terminator always written, a pair never split.
    std::fill(std::begin(out), std::end(out), sentinel);
    EXPECT_EQ(utf8_to_utf16(out, 3, "abcd"), 2u);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], sentinel);
    EXPECT_EQ(utf8_to_utf16(out, 3, "a\xF0\x90\x80\x80"), 1u);
    EXPECT_EQ(std::u16string(out), u"a");
    out[0] = sentinel;
    EXPECT_EQ(utf8_to_utf16(out, 0, "abc"), 0u);
    EXPECT_EQ(out[0], sentinel);

    // Input bound cuts a character in half: it is dropped.
    EXPECT_EQ(utf8_to_utf16(out, 16, "x\xE2\x82\xAC", 3), 1u);
}

TEST(Utf16ToUtf8, CombinesPairsKeepsLoneSurrogatesAndStopsWhenFull) {
    char out[32];
    const char16_t text[] = {'a', 0xD83D, 0xDE00, 0xDC00, 0xD800, 'b', 0xD800, 0};
    EXPECT_EQ(utf16_to_utf8(out, sizeof out, text), 1u + 4u + 3u + 3u + 1u + 3u);
    EXPECT_STREQ(out, "a\xF0\x9F\x98\x80\xED\xB0\x80\xED\xA0\x80" "b\xED\xA0\x80");

    const char16_t stop[] = {'x', 0, 'y', 0};
    EXPECT_EQ(utf16_to_utf8(out, sizeof out, stop, 4), 1u);

    // Full output: the euro sign (3 bytes) does not fit after "a".
    std::memset(out, 0x55, sizeof out);
    EXPECT_EQ(utf16_to_utf8(out, 4, u"a\u20AC"), 1u);
    EXPECT_STREQ(out, "a");
    EXPECT_EQ(out[4], 0x55);
    EXPECT_EQ(utf16_to_utf8(out, 1, u"abc"), 0u);
    EXPECT_EQ(out[0], 0);

    // A high surrogate at the input bound does not look past it.
    const char16_t pair[] = {0xD83D, 0xDE00};
    EXPECT_EQ(utf16_to_utf8(out, sizeof out, pair, 1), 3u);
}

TEST(Utf16ToUtf8, AppendingLongTextMatchesOneShotConversion) {
    std::u16string text;
    for (int i = 0; i < 300; ++i) {
        text += u"\u00E9";
        if (i % 7 == 0) text += u"\U0001F600";
        if (i % 11 == 0) text += char16_t(0xD800);
    }
    std::string expected(utf8_bytes_for_utf16(text.size()), '\0');
    expected.resize(utf16_to_utf8(expected.data(), expected.size(), text.c_str()));

    collector out;
    out.text = "prefix:";
    utf8_append_utf16(out, text.c_str());
    EXPECT_EQ(out.text, "prefix:" + expected);
}

TEST(Utf8Sizes, OverflowingSizesThrow) {
    EXPECT_EQ(utf16_units_for_utf8(10), 11u);
    EXPECT_EQ(utf8_bytes_for_utf16(10), 31u);
    EXPECT_THROW(utf16_units_for_utf8(0xFFFFFFFFu), std::bad_alloc);
    EXPECT_THROW(utf8_bytes_for_utf16(0x55555555u), std::bad_alloc);
}

}  // namespace
