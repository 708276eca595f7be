#include <gtest/gtest.h>

#include <string>

#include "support/ansi_code_page.h"
#include "support/string8.h"

namespace {

std::string text_of(const byte_buffer& b) {
    EXPECT_GE(b.size(), 1u);
    EXPECT_EQ(b[b.size() - 1], 0) << "not terminated";
    return std::string(reinterpret_cast<const char*>(b.data()), b.size() - 1);
}

TEST(AnsiCodePage, EmptyInputGivesJustTheTerminator) {
    byte_buffer out;
    utf8_to_ansi(out, "");
    EXPECT_EQ(out.size(), 1u);
    ansi_to_utf8(out, "abc", 0);
    EXPECT_EQ(text_of(out), "");
}

TEST(AnsiCodePage, InputStopsAtCountOrTerminatorAndInvalidUtf8) {
    byte_buffer out;
    ansi_to_utf8(out, "abcdef", 3);
    EXPECT_EQ(text_of(out), "abc");
    utf8_to_ansi(out, "ab\xFF" "cd");
    EXPECT_EQ(text_of(out), "ab");
    utf8_to_ansi(out, "abc\xC3\xA9", 4);  // count ends inside a character
    EXPECT_EQ(text_of(out), "abc");
    string8_t s("old");
    ansi_to_utf8(s, "tag\0rest", 8);
    EXPECT_STREQ(s.get_ptr(), "tag");
}

// In the Windows build this runs against the system's own conversion.
TEST(AnsiCodePage, NonAsciiTextRoundTripsThroughTheSystemCodePage) {
    const std::string text = "Caf\xC3\xA9 \xC3\x9C" "ber \xC3\xB1 \xE2\x82\xAC";
    byte_buffer ansi, back;
    utf8_to_ansi(ansi, text.c_str());
    std::string stored = text_of(ansi);
    if (stored.find('?') != std::string::npos) GTEST_SKIP() << "the system code page lacks these letters";
    EXPECT_EQ(stored.size(), 13u) << "one byte per letter";
    ansi_to_utf8(back, stored.c_str());
    EXPECT_EQ(text_of(back), text);
}

#ifndef _WIN32
// The native build stands in Windows-1252 for the system code page.

TEST(AnsiCodePage, Windows1252Mapping) {
    byte_buffer out;
    ansi_to_utf8(out, "caf\xE9 \x80 \x9F \x81\x8D\x8F\x90\x9D");
    EXPECT_EQ(text_of(out), "caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8 \xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");

    utf8_to_ansi(out, "\xC3\xA9\xE2\x82\xAC\xC2\x81\xC2\x80");
    EXPECT_EQ(text_of(out), "\xE9\x80\x81?");
}

TEST(AnsiCodePage, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    byte_buffer out;
    // CJK, an emoji (one surrogate pair), a lone surrogate, a value past 0xFFFFF.
    utf8_to_ansi(out, "a\xE4\xB8\xAD" "b\xF0\x9F\x98\x80" "c\xED\xA0\x80" "d\xF4\x80\x80\x80");
    EXPECT_EQ(text_of(out), "a?b?c?d?");
}

TEST(AnsiCodePage, EveryByteRoundTrips) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    byte_buffer utf8, back;
    ansi_to_utf8(utf8, all.c_str());
    utf8_to_ansi(back, reinterpret_cast<const char*>(utf8.data()));
    EXPECT_EQ(text_of(back), all);
}
#endif

}  // namespace
