#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "sdk/exceptions.h"
#include "support/string8.h"
#include "testing/thrown.h"

namespace {

// A string holding `length` bytes of 'x' set through the buffer interface,
// which leaves the allocation as lock_buffer made it.
string8_t filled(uint32_t length) {
    string8_t s;
    char* p = s.lock_buffer(length);
    std::memset(p, 'x', length);
    s.unlock_buffer();
    return s;
}

TEST(String8, EmptyStringHasNonNullEmptyText) {
    string8_t s;
    ASSERT_NE(s.get_ptr(), nullptr);
    EXPECT_STREQ(s.get_ptr(), "");
    s = "abc";
    s.truncate(0);
    ASSERT_NE(s.get_ptr(), nullptr);
    EXPECT_STREQ(s.get_ptr(), "");
    EXPECT_EQ(s.get_length(), 0u);
}

TEST(String8, GrowthKeepsSixteenSpareBytes) {
    string8_t s;
    s.add_string("a", 1);
    EXPECT_EQ(s.allocated_size(), 18u);
    for (int i = 0; i < 16; ++i) s.add_string("b", 1);
    EXPECT_EQ(s.get_length(), 17u);
    EXPECT_EQ(s.allocated_size(), 18u);
    s.add_string("c", 1);
    EXPECT_EQ(s.allocated_size(), 19u + 16u);
    EXPECT_EQ(std::string(s.get_ptr()), "a" + std::string(16, 'b') + "c");
}

TEST(String8, ShrinksOnlyBeyondThirtyTwoSpareBytes) {
    string8_t big = filled(83);
    ASSERT_EQ(big.allocated_size(), 100u);
    big.set_string("abc");
    EXPECT_EQ(big.allocated_size(), 4u);
    EXPECT_STREQ(big.get_ptr(), "abc");

    string8_t edge = filled(19);
    ASSERT_EQ(edge.allocated_size(), 36u);
    edge.set_string("abc");
    EXPECT_EQ(edge.allocated_size(), 36u);

    string8_t cut = filled(83);
    cut.truncate(1);
    EXPECT_EQ(cut.allocated_size(), 2u);
    EXPECT_STREQ(cut.get_ptr(), "x");
}

TEST(String8, MaximumCountStopsAtCountOrTerminator) {
    string8_t s;
    s.add_string("abcdef", 3);
    EXPECT_STREQ(s.get_ptr(), "abc");
    s.add_string("de\0fg", 5);
    EXPECT_STREQ(s.get_ptr(), "abcde");
    s.set_string("xyz", 0);
    EXPECT_STREQ(s.get_ptr(), "");
    s.set_string(nullptr);
    EXPECT_EQ(s.get_length(), 0u);
}

TEST(String8, OwnTextCanBeAppendedAndAssigned) {
    string8_t s("abcdef");
    s.add_string(s.get_ptr());
    EXPECT_STREQ(s.get_ptr(), "abcdefabcdef");

    s.set_string(s.get_ptr() + 3, 4);
    EXPECT_STREQ(s.get_ptr(), "defa");

    // Growing past the allocation while the source lives in it.
    string8_t g("0123456789");
    for (int i = 0; i < 4; ++i) g.add_string(g.get_ptr());
    EXPECT_EQ(g.get_length(), 160u);
    EXPECT_EQ(std::string(g.get_ptr()).substr(150), "0123456789");

    string8_t& alias = s;
    s = alias;
    EXPECT_STREQ(s.get_ptr(), "defa");
}

TEST(String8, RemoveCharsClampsItsRange) {
    string8_t s("abcdef");
    s.remove_chars(2, 100);
    EXPECT_STREQ(s.get_ptr(), "ab");
    s = "abcdef";
    s.remove_chars(10, 1);
    EXPECT_STREQ(s.get_ptr(), "abcdef");
    s.remove_chars(1, 2);
    EXPECT_STREQ(s.get_ptr(), "adef");
    EXPECT_EQ(s.get_length(), 4u);
    s.remove_chars(0, 0xFFFFFFFFu);
    EXPECT_STREQ(s.get_ptr(), "");
}

TEST(String8, LockedBufferIsZeroedAndUnlockMeasuresIt) {
    string8_t s("previous text");
    char* p = s.lock_buffer(5);
    ASSERT_NE(p, nullptr);
    for (uint32_t i = 0; i < s.allocated_size(); ++i) ASSERT_EQ(p[i], 0) << i;
    std::memcpy(p, "hi", 2);
    s.unlock_buffer();
    EXPECT_STREQ(s.get_ptr(), "hi");
    EXPECT_EQ(s.get_length(), 2u);

    // A caller that overwrites every byte keeps what fits before the end.
    p = s.lock_buffer(3);
    std::memset(p, 'z', s.allocated_size());
    s.unlock_buffer();
    EXPECT_EQ(s.get_length(), std::strlen(s.get_ptr()));
    EXPECT_GE(s.get_length(), 3u);
}

TEST(String8, LockThatShrinksTheBufferLeavesNoStaleLength) {
    string8_t s = filled(100);
    s.lock_buffer(2);
    EXPECT_EQ(s.get_length(), 0u);
    s.truncate(50);  // must not write past the smaller buffer
    s.unlock_buffer();
    EXPECT_STREQ(s.get_ptr(), "");
}

TEST(String8, OversizedRequestsThrowWithoutChangingTheString) {
    string8_t s("keep");
    EXPECT_EQ(thrown_message<exception_overflow>([&] { s.lock_buffer(0xFFFFFFFFu); }), "Overflow") << "no exception";
    // n + 1 + 16 would wrap around 32 bits.
    EXPECT_THROW(s.lock_buffer(0xFFFFFFFEu), std::bad_alloc);
    EXPECT_THROW(s.lock_buffer(0xFFFFFFF0u), std::bad_alloc);
    EXPECT_STREQ(s.get_ptr(), "keep");
}

TEST(String8, FindLastAndFileNameStart) {
    string8_t s("dir.x/name.tar.gz");
    EXPECT_EQ(s.find_last('.'), 14u);
    EXPECT_EQ(s.find_last('d'), 0u);
    EXPECT_EQ(s.find_last('#'), 0xFFFFFFFFu);
    EXPECT_EQ(string8_t().find_last('.'), 0xFFFFFFFFu);

    EXPECT_EQ(s.filename_start(), 6u);
    const std::pair<const char*, uint32_t> starts[] = {
        {"C:\\music\\a.spc", 9}, {"C:a.spc", 2}, {"unpack://x.rsn|a.spc", 15}, {"folder/", 7}, {"a.spc", 0}};
    for (const auto& [path, start] : starts) EXPECT_EQ(string8_t(path).filename_start(), start) << path;
}

TEST(String8, CopiesAreIndependentAndMovesEmptyTheSource) {
    string8_t a("text");
    string8_t b(a);
    b += "!";
    EXPECT_EQ(a, "text");
    EXPECT_EQ(b, "text!");

    string8_t c(std::move(b));
    EXPECT_EQ(c, "text!");
    EXPECT_STREQ(b.get_ptr(), "");
    b = std::move(c);
    EXPECT_EQ(b, "text!");
    b += 'x';
    b += a;
    EXPECT_EQ(b, string8_t("text!xtext"));
}

}  // namespace
