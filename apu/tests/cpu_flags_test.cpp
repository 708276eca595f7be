// Flags where the reference renderer parts from the chip; each case agrees
// with the public single-instruction vectors.
#include <gtest/gtest.h>

#include <memory>

#include "tests/spc700_program.h"

namespace {

// MUL YA sets N and Z from Y, the product's high byte, alone: 0x02 x 0x63 =
// 0x00C6 leaves Z set. The reference renderer sets Z only for a zero
// product, so a driver that branches on it there takes the other path.
TEST(CpuFlags, MultiplySetsNegativeAndZeroFromTheHighByte) {
    struct Case {
        uint8_t y, a;
        bool negative, zero;
    };
    for (const Case c : {Case{0x02, 0x63, false, true}, Case{0x01, 0x01, false, true}, Case{0x00, 0x05, false, true},
                         Case{0x80, 0x02, false, false}, Case{0xFF, 0xFF, true, false}}) {
        auto s = std::make_unique<apu::SoundSystem>();
        // MOV Y,#y ; MOV A,#a ; MUL YA ; MOV $12,A ; MOV $11,Y ; PUSH PSW ; POP A ; MOV $10,A ; SLEEP
        apu_test::run_program(*s, {0x8D, c.y, 0xE8, c.a, 0xCF, 0xC4, 0x12, 0xCB, 0x11, 0x0D, 0xAE, 0xC4, 0x10, 0xEF});
        SCOPED_TRACE(testing::Message() << std::hex << int(c.y) << " x " << int(c.a));
        const unsigned product = unsigned(c.y) * c.a;
        EXPECT_EQ(s->ram()[0x11], product >> 8);
        EXPECT_EQ(s->ram()[0x12], product & 0xFF);
        EXPECT_EQ((s->ram()[0x10] & 0x80) != 0, c.negative);
        EXPECT_EQ((s->ram()[0x10] & 0x02) != 0, c.zero);
    }
}

}  // namespace
