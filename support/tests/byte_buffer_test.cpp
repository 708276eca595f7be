#include <gtest/gtest.h>

#include <cstring>

#include "support/byte_buffer.h"

namespace {

TEST(ByteBuffer, ResizeKeepsLeadingBytesAndZeroFrees) {
    byte_buffer b(4);
    std::memcpy(b.data(), "abcd", 4);
    b.set_size(1000);
    EXPECT_EQ(b.size(), 1000u);
    EXPECT_EQ(std::memcmp(b.data(), "abcd", 4), 0);
    b.set_size(2);
    EXPECT_EQ(std::memcmp(b.data(), "ab", 2), 0);
    b.set_size(0);
    EXPECT_EQ(b.size(), 0u);
    EXPECT_EQ(b.data(), nullptr);
}

TEST(ByteBuffer, CopiesAreIndependentAndMovesEmptyTheSource) {
    byte_buffer a(3);
    a.fill(7);
    byte_buffer b(a);
    b[0] = 1;
    EXPECT_EQ(a[0], 7);
    byte_buffer c(std::move(b));
    EXPECT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(b.size(), 0u);
    a = c;
    EXPECT_EQ(a[0], 1);
    a = byte_buffer();
    EXPECT_EQ(a.size(), 0u);
}

}  // namespace
