// What each command does to the work registers, the compare registers,
// RAM, the ports and the data area, and how a script stops when it faults.
#include <gtest/gtest.h>

#include <memory>

#include "script700/interpreter.h"
#include "script_support.h"
#include "tests/spc700_program.h"

namespace {

using namespace script700_test;

// A script over a sound system whose CPU sleeps: the script alone acts.
struct Bench {
    std::unique_ptr<apu::SoundSystem> core = std::make_unique<apu::SoundSystem>();
    Interpreter script;

    explicit Bench(const std::string& text, const IncludeReader* reader = nullptr) {
        apu_test::start_program(*core, {0xEF});  // SLEEP
        script.load(parsed(text, reader));
        script.restart(*core);
        script.run(*core);
    }
    uint32_t work(int n) const { return script.state().work[n]; }
    Fault fault() const { return script.state().fault; }
};

struct Result {
    const char* script;
    uint32_t w0;
};

TEST(Script700Interpreter, Arithmetic) {
    const Result cases[] = {
        {"m #7 w0 a #5 w0", 12},
        {"m #7 w0 s #9 w0", uint32_t(-2)},
        {"m #7 w0 u #6 w0", 42},
        {"m #-7 w0 d #2 w0", uint32_t(-3)},
        {"m #0x80000000 w0 d #-1 w0", 0x80000000},
        {"m #7 w0 n #2 + w0", 9},
        {"m #7 w0 n #2 - w0", 5},
        {"m #7 w0 n #2 * w0", 14},
        {"m #-7 w0 n #2 / w0", uint32_t(-3)},
        {"m #-7 w0 n #2 \\ w0", 0x7FFFFFFC},
        {"m #-7 w0 n #3 % w0", uint32_t(-1)},
        {"m #-7 w0 n #3 $ w0", 2},
        {"m #12 w0 n #10 & w0", 8},
        {"m #12 w0 n #10 | w0", 14},
        {"m #12 w0 n #10 ^ w0", 6},
        {"m #3 w0 n #4 < w0", 48},
        {"m #-64 w0 n #4 _ w0", uint32_t(-4)},
        {"m #-64 w0 n #28 > w0", 15},
        {"m #1 w0 n #32 < w0", 0},
        {"m #-1 w0 n #40 _ w0", uint32_t(-1)},
        {"m #5 w0 n #12 ! w0", ~12u},
    };
    for (const Result& c : cases) {
        Bench b(c.script);
        EXPECT_EQ(b.work(0), c.w0) << c.script;
        EXPECT_EQ(b.fault(), Fault::none) << c.script;
    }
}

TEST(Script700Interpreter, ComparesAndBranches) {
    // w0 becomes 1 when the branch is taken. CMP1 = -1, CMP2 = 1: the
    // signed and unsigned orders disagree.
    const Result cases[] = {
        {"beq 1", 0}, {"bne 1", 1}, {"bge 1", 1}, {"ble 1", 0}, {"bgt 1", 1}, {"blt 1", 0},
        {"bcc 1", 0}, {"blo 1", 1}, {"bhi 1", 0}, {"bcs 1", 1}, {"bra 1", 1},
    };
    for (const Result& c : cases) {
        Bench b(std::string("c #-1 #1 ") + c.script + " q :1 m #1 w0");
        EXPECT_EQ(b.work(0), c.w0) << c.script;
    }
    EXPECT_EQ(Bench("c #4 #4 beq 1 q :1 m #1 w0").work(0), 1u);
    EXPECT_EQ(Bench("c #4 #4 ble 1 q :1 m #1 w0").work(0), 1u);
    EXPECT_EQ(Bench("c #4 #4 blo 1 q :1 m #1 w0").work(0), 1u);
    // Targets: a number modulo 1024, lN, wN.
    EXPECT_EQ(Bench("bra 1026 q :2 m #1 w0").work(0), 1u);
    EXPECT_EQ(Bench("bra l2 q :2 m #1 w0").work(0), 1u);
    EXPECT_EQ(Bench("m #2 w3 bra w3 q :2 m #1 w0").work(0), 1u);
}

TEST(Script700Interpreter, CallsAndReturns) {
    // Two nested calls come back in order; r0 keeps a loop's branches off
    // the stack, and r switches storing back on.
    Bench b(
        "bra 10 a #100 w0 q\n"
        ":10 bra 20 a #10 w0 r\n"
        ":20 r0 m #3 w1 :21 a #1 w0 s #1 w1 c #0 w1 bne 21 r");
    EXPECT_EQ(b.work(0), 113u);
    EXPECT_EQ(b.fault(), Fault::none);
    EXPECT_EQ(b.script.state().stack_storing, 1);
    // A full stack drops its oldest return: 70 calls deep, 64 returns.
    Bench deep("m #70 w1 :1 s #1 w1 c #0 w1 bne 1 :2 a #1 w0 r");
    EXPECT_EQ(deep.work(0), 65u);
    EXPECT_EQ(deep.fault(), Fault::empty_stack);
}

TEST(Script700Interpreter, MemoryPortsAndData) {
    Bench b(
        "m #0x11223344 rd0x1000 m rw0x1001 w0 m r0x1003 w1 m #0xAB rb0xFFFF m rw0xFFFF w2\n"
        "m x0 w3 m #0x99 i5 m i1 w4 m db1 w5 m dw2 w6 m #0x55 db0 m dd0 w7\n"
        "e 0102 :9 0304");
    EXPECT_EQ(b.core->ram()[0x1000], 0x44) << "little-endian";
    EXPECT_EQ(b.work(0), 0x2233u);
    EXPECT_EQ(b.work(1), 0x11u);
    EXPECT_EQ(b.work(2), uint32_t(b.core->ram()[0] << 8 | 0xAB)) << "RAM wraps at 64 KiB";
    EXPECT_EQ(b.work(3), 0xCDu) << "the IPL ROM's first byte";
    EXPECT_EQ(b.core->bus().input_port(1), 0x99) << "port 5 is port 1";
    EXPECT_EQ(b.work(4), 0x99u);
    EXPECT_EQ(b.work(5), 0x02u);
    EXPECT_EQ(b.work(6), 0x0403u);
    EXPECT_EQ(b.work(7), 0x04030255u) << "the data area is written too";
    EXPECT_EQ(Bench("m l9 w0 e 0102 :9 0304").work(0), 2u);
}

TEST(Script700Interpreter, DynamicOperandsTakeTheCompareRegisters) {
    Bench b("m #40 w2 c #2 #5 m w? w? m #? w6 m #9 i?");
    EXPECT_EQ(b.work(5), 40u) << "w[CMP1] to w[CMP2]";
    EXPECT_EQ(b.work(6), 2u);
    EXPECT_EQ(b.core->bus().input_port(1), 9) << "i[CMP2], port 5 as 1";
}

TEST(Script700Interpreter, HeldBackPortWritesGoOutOnFlush) {
    Bench b("f0 m #1 i1 m #2 i2 m #3 i0 m i1 w0");
    EXPECT_EQ(b.core->bus().input_port(1), 0) << "held back by f0";
    EXPECT_EQ(b.work(0), 1u) << "the script reads what it wrote";
    Bench flushed("f0 m #1 i1 m #2 i2 f m #4 w0");
    EXPECT_EQ(flushed.core->bus().input_port(1), 1);
    EXPECT_EQ(flushed.core->bus().input_port(2), 2);
    EXPECT_EQ(flushed.work(0), 4u) << "output port 0 already equals input port 0";
    Bench waiting("m #7 i0 f m #4 w0");
    EXPECT_EQ(waiting.script.state().wait, Wait::flush) << "until the SPC700 answers with 7 on port 0";
}

struct FaultCase {
    const char* script;
    Fault fault;
    uint32_t column;
};

TEST(Script700Interpreter, FaultsStopTheScriptWhereTheyHappen) {
    const FaultCase cases[] = {
        {"m #1 w0 w #0", Fault::zero_wait, 9},
        {"m #0 w1 w w1", Fault::zero_wait, 9},
        {"d #0 w0", Fault::zero_divisor, 1},
        {"n #0 % w0", Fault::zero_divisor, 1},
        {"bra 3", Fault::no_label, 1},
        {"bra 3 e :3 00", Fault::data_label, 1},
        {"m l4 w0", Fault::no_label, 1},
        {"r", Fault::empty_stack, 1},
        {"c #8 #0 m w? w0", Fault::work_register, 9},
        {"m d2 w0 e 0102", Fault::data_range, 1},
        {"m dw1 w0 e 0102", Fault::data_range, 1},
        {"c #0 #1 m #1 d? e 0102", Fault::none, 0},
        {"c #0 #1 m #1 dw? e 0102", Fault::data_range, 9},
        {"c #1024 #0 m l? w0", Fault::label_range, 12},
    };
    for (const FaultCase& c : cases) {
        Bench b(std::string(c.script));
        EXPECT_EQ(b.fault(), c.fault) << c.script;
        EXPECT_EQ(b.script.state().wait, Wait::stopped) << c.script;
        if (c.fault != Fault::none) {
            EXPECT_EQ(b.script.fault_position().column, c.column) << c.script;
        }
    }
}

TEST(Script700Interpreter, ALoopWithoutAWaitIsMadeToWait) {
    Bench b(":0 a #1 w0 bra 0");
    EXPECT_EQ(b.work(0), Interpreter::kStepsBeforeYield / 2);
    EXPECT_EQ(b.script.state().wait, Wait::time);
    EXPECT_EQ(b.script.wakes_at(), b.core->cycles() + Interpreter::kYieldUnits / 2);
}

TEST(Script700Interpreter, StateSurvivesSaveAndRestore) {
    Bench b("m #5 w0 m #6 db0 w #100 m #7 w0 e 00");
    const std::vector<uint8_t> saved = b.script.save();
    b.core->run(200);
    b.script.run(*b.core);
    EXPECT_EQ(b.work(0), 7u);
    ASSERT_TRUE(b.script.restore(saved));
    EXPECT_EQ(b.work(0), 5u);
    EXPECT_EQ(b.script.data()[0], 6);
    EXPECT_EQ(b.script.state().wait, Wait::time);
    EXPECT_FALSE(b.script.restore(std::vector<uint8_t>(3))) << "bytes of another shape";
}

}  // namespace
