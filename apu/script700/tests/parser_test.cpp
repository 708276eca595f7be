// What the parser makes of each construct, and where and why it rejects
// what is malformed.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "script700/folder_includes.h"
#include "script_support.h"

namespace {

using namespace script700_test;

struct OperandCase {
    const char* text;  // "m SRC DST"
    Space src_space;
    uint8_t src_width;
    bool src_dynamic;
    uint32_t src_value;
    Space dst_space;
    uint32_t dst_value;
};

TEST(Script700Parser, OperandForms) {
    const OperandCase cases[] = {
        {"m #57000 w0", Space::literal, 1, false, 57000, Space::work, 0},
        {"m #0x2A i1", Space::literal, 1, false, 0x2A, Space::input_port, 1},
        {"m #$ff i6", Space::literal, 1, false, 0xFF, Space::input_port, 2},  // ports wrap
        {"m #-1 w7", Space::literal, 1, false, 0xFFFFFFFF, Space::work, 7},
        {"m 3 1", Space::output_port, 1, false, 3, Space::input_port, 1},  // bare: o source, i destination
        {"m o2 r0x1234", Space::output_port, 1, false, 2, Space::ram, 0x1234},
        {"m rw$f4 rd100", Space::ram, 2, false, 0xF4, Space::ram, 100},
        {"m rb7 db3", Space::ram, 1, false, 7, Space::data, 3},
        {"m x$ffc0 dw8", Space::rom, 1, false, 0xFFC0, Space::data, 8},
        {"m dd4 w1", Space::data, 4, false, 4, Space::work, 1},
        {"m l12 w1", Space::label, 1, false, 12, Space::work, 1},
        {"m w? w?", Space::work, 1, true, 0, Space::work, 0},
        {"m #? i?", Space::literal, 1, true, 0, Space::input_port, 0},
        {"M RW? W3", Space::ram, 2, true, 0, Space::work, 3},  // any case
    };
    for (const OperandCase& c : cases) {
        SCOPED_TRACE(c.text);
        const Program p = parsed(c.text);
        ASSERT_EQ(p.code.size(), 1u);
        const Instruction& in = p.code[0];
        EXPECT_EQ(in.op, Op::move);
        EXPECT_EQ(in.a.space, c.src_space);
        EXPECT_EQ(in.a.width, c.src_width);
        EXPECT_EQ(in.a.dynamic, c.src_dynamic);
        if (!c.src_dynamic) {
            EXPECT_EQ(in.a.value, c.src_value);
        }
        EXPECT_EQ(in.b.space, c.dst_space);
        if (!in.b.dynamic) {
            EXPECT_EQ(in.b.value, c.dst_value);
        }
    }
}

TEST(Script700Parser, EveryCommandWithItsOperands) {
    const Program p = parsed(
        ":5 w 100 wi 1 wo #2 c o0 #1 a #1 w0 s #1 w0 u #3 w0 d #2 w0 n #1 < w0 n w1 ! w2\n"
        "bra 5 beq #5 bne l5 bge w0 ble 5 bgt 5 blt 5 bcc 5 blo 5 bhi 5 bcs 5\n"
        "r r0 r1 f f0 f1 q");
    const Op ops[] = {Op::wait, Op::wait_read, Op::wait_write, Op::compare, Op::add, Op::subtract, Op::multiply,
                      Op::divide, Op::compute, Op::compute};
    ASSERT_EQ(p.code.size(), 10u + 11u + 7u);
    for (size_t k = 0; k < std::size(ops); ++k) EXPECT_EQ(p.code[k].op, ops[k]) << k;
    EXPECT_EQ(p.code[0].a.space, Space::literal) << "a numeric operand defaults to a number";
    EXPECT_EQ(p.code[8].kind, uint8_t(Compute::shl));
    EXPECT_EQ(p.code[9].kind, uint8_t(Compute::bit_not));
    for (size_t k = 10; k < 21; ++k) {
        EXPECT_EQ(p.code[k].op, Op::branch);
        EXPECT_EQ(p.code[k].kind, uint8_t(k - 10)) << "conditions in order";
    }
    EXPECT_EQ(p.code[12].a.space, Space::label);
    EXPECT_EQ(p.code[13].a.space, Space::work);
    const Op tail[] = {Op::ret, Op::stack_off, Op::stack_on, Op::flush, Op::ports_cached, Op::ports_direct, Op::quit};
    for (size_t k = 0; k < std::size(tail); ++k) EXPECT_EQ(p.code[21 + k].op, tail[k]);
    EXPECT_EQ(p.labels[5].kind, Label::Kind::script);
    EXPECT_EQ(p.labels[5].where, 0u);
}

TEST(Script700Parser, EveryOperatorOfN) {
    const std::string signs = "+-*/\\%$&|^<_>!";
    for (size_t k = 0; k < signs.size(); ++k) {
        const Program p = parsed(std::string("n #1 ") + signs[k] + " w0");
        ASSERT_EQ(p.code.size(), 1u);
        EXPECT_EQ(p.code[0].kind, uint8_t(k)) << signs[k];
    }
}

TEST(Script700Parser, CommentsAndNopLeaveTextOut) {
    const Program p = parsed("m #1 w0 ; m #2 w0\nnop m #3 w0 bra 9\nm #4 w0");
    ASSERT_EQ(p.code.size(), 2u);
    EXPECT_EQ(p.code[0].a.value, 1u);
    EXPECT_EQ(p.code[1].a.value, 4u);
    EXPECT_EQ(p.code[1].at.line, 3u);
    EXPECT_EQ(p.code[1].at.column, 1u);
}

TEST(Script700Parser, AreasAndTheirContents) {
    const Program p = parsed(
        "q\ne\n::\nm 3\nm !\nc 4 5\nd 2 -100\nv 1 2 3\ne\n"
        "6F 91 47EB :7 107A7FCD 9 8 ; a comment\n:8 e0");
    ASSERT_EQ(p.code.size(), 1u);
    ASSERT_EQ(p.samples.size(), 4u);
    EXPECT_EQ(p.samples[0].op, 'm');
    EXPECT_EQ(p.samples[0].source, 3);
    EXPECT_EQ(p.samples[1].source, SampleCommand::kEverySource);
    EXPECT_EQ(p.samples[2].op, 'c');
    EXPECT_EQ(p.samples[2].argument, 5);
    EXPECT_EQ(p.samples[3].argument, -100);
    const std::vector<uint8_t> data = {0x6F, 0x91, 0x47, 0xEB, 0x10, 0x7A, 0x7F, 0xCD, 0x98, 0xE0};
    EXPECT_EQ(p.data, data) << "hex digits pair up across white space";
    EXPECT_EQ(p.labels[7].kind, Label::Kind::data);
    EXPECT_EQ(p.labels[7].where, 4u);
    EXPECT_EQ(p.labels[8].where, 9u);
}

// Hand-written and generated scripts lay the areas out differently; each
// layout gives the same program.
TEST(Script700Parser, EveryAreaLayoutGivesTheSameProgram) {
    const char* layouts[] = {
        "q e 0102",                   // no extended area
        "q e :: e 0102",              // the data right after the extended area's e
        "q e :: e :: 0102",           // generated: a second :: opens the data area
        "q e :: :: e 01 02",          // a :: inside the extended area
        "Q\r\nE ; script ends\r\n\r\n::\r\n; nothing to extend\r\nE\r\n::\t; data\r\n01\r\n02\r\n",
    };
    for (const char* text : layouts) {
        SCOPED_TRACE(text);
        const Program p = parsed(text);
        ASSERT_EQ(p.code.size(), 1u);
        EXPECT_EQ(p.code[0].op, Op::quit);
        EXPECT_TRUE(p.samples.empty());
        EXPECT_EQ(p.data, (std::vector<uint8_t>{1, 2}));
    }
    EXPECT_EQ(parsed("q e :: m 1 e :: :3 0A").samples.size(), 1u);
    EXPECT_EQ(parsed("q e :: e ::").data.size(), 0u);
}

struct Malformed {
    const char* text;
    uint32_t line, column;
    const char* reason;  // a part of it
};

TEST(Script700Parser, MalformedScriptsAreRejectedWithWhereAndWhy) {
    const Malformed cases[] = {
        {"m #1 w0\n  zz 3", 2, 3, "unknown command 'zz'"},
        {"m #1", 1, 1, "needs an operand"},
        {"m #1 #2", 1, 6, "cannot be written"},
        {"m #1 o1", 1, 6, "cannot be written"},
        {"m #1 x5", 1, 6, "cannot be written"},
        {"m #1 l5", 1, 6, "cannot be written"},
        {"m #1 w8", 1, 6, "w0 to w7"},
        {"m r0x10000 w0", 1, 3, "64 KiB"},
        {"m #12a w0", 1, 3, "no number"},
        {"m #99999999999 w0", 1, 3, "no number"},
        {"m r-1 w0", 1, 3, "only numbers may be negative"},
        {"m y1 w0", 1, 3, "unknown operand"},
        {"n #1 ~ w0", 1, 6, "unknown operator"},
        {"bra o1", 1, 5, "a branch goes to"},
        {":1024", 1, 1, "past 1023"},
        {":x", 1, 1, "a label is"},
        {":3 q\n:3", 2, 1, "defined twice"},
        {"q e\n:: k 1", 2, 4, "unknown extended-area command"},
        {"q\n::\ne", 2, 1, "expected 'e' to end the script area"},
        {"q e :: e :: 01 :: 02", 1, 16, "not '::' (one '::' may open it"},
        {"q e 01 :: 02", 1, 8, "not '::'"},
        {"q e ::: e", 1, 5, "expected the separator '::', not ':::'"},
        {"q e :: ::: e", 1, 8, "expected the separator '::'"},
        {"q e :: e ::: 01", 1, 10, "expected the separator '::'"},
        {"q e :: m 256", 1, 10, "0 to 255"},
        {"q e 01 0g", 1, 9, "'g' is not a hex digit"},
        {"q e 01 2 :4", 1, 8, "odd number"},
        {"q e 012", 1, 7, "odd number"},
        {"q e :5 00 :5", 1, 11, "defined twice"},
        {"#i", 1, 3, "file name in quotes"},
        {"#i \"a.700", 1, 4, "no closing quote"},
        {"#i \"\"", 1, 4, "empty"},
        {"q\n  #i \"x.700\"", 2, 3, "includes are not supported here"},
    };
    for (const Malformed& c : cases) {
        SCOPED_TRACE(c.text);
        Program p;
        ParseError error;
        ASSERT_FALSE(parse(c.text, nullptr, p, error));
        EXPECT_EQ(error.at.line, c.line);
        EXPECT_EQ(error.at.column, c.column);
        EXPECT_NE(error.reason.find(c.reason), std::string::npos) << error.reason;
    }
}

TEST(Script700Parser, IncludesSpliceTextAndBytesOneLevelDeep) {
    const IncludeReader reader = files({{"sub.700", ":1 m #7 w0 #i \"deeper.700\" r"},
                                        {"bytes.bin", std::string("\x01\x02\x00\xFF", 4)},
                                        {"hex.700", "0A0B :2 0C"}});
    const Program p = parsed("bra 1 q\n#i \"sub.700\"\ne\n#it \"hex.700\" #ib \"bytes.bin\"", &reader);
    ASSERT_EQ(p.code.size(), 4u);
    EXPECT_EQ(p.code[2].a.value, 7u);
    EXPECT_EQ(p.code[2].at.source, 1u);
    EXPECT_EQ(p.sources[p.code[2].at.source], "sub.700");
    EXPECT_EQ(p.data, (std::vector<uint8_t>{0x0A, 0x0B, 0x0C, 0x01, 0x02, 0x00, 0xFF}));
    EXPECT_EQ(p.labels[2].where, 2u);
}

TEST(Script700Parser, ErrorsInIncludesNameTheFile) {
    const IncludeReader reader = files({{"sub.700", "q\n q zz"}});
    Program p;
    ParseError error;
    ASSERT_FALSE(parse("#i \"sub.700\"", &reader, p, error));
    EXPECT_EQ(describe(error.at, error.reason, p), "sub.700:2:4: unknown command 'zz'");
    ASSERT_FALSE(parse("q\n#i \"missing.700\"", &reader, p, error));
    EXPECT_EQ(describe(error.at, error.reason, p), "2:1: cannot include \"missing.700\": no such file");
    ASSERT_FALSE(parse("#ib \"sub.700\"", &reader, p, error));
    EXPECT_NE(error.reason.find("data area"), std::string::npos);
}

TEST(Script700Parser, AFolderServesOnlyItsOwnFiles) {
    const auto folder = std::filesystem::temp_directory_path() / "script700_includes";
    std::filesystem::create_directories(folder / "sub");
    std::ofstream(folder / "sub" / "a.700") << "m #1 w0";
    const IncludeReader reader = folder_includes(folder.string());
    std::string contents, error;
    EXPECT_TRUE(reader("sub/a.700", contents, error));
    EXPECT_EQ(contents, "m #1 w0");
    for (const char* name : {"../a.700", "sub/../../a.700", "/etc/hostname", "\\x", "c:x", "..", "sub/none.700"}) {
        EXPECT_FALSE(reader(name, contents, error)) << name;
        EXPECT_FALSE(error.empty());
    }
    std::filesystem::remove_all(folder);
}

// What cannot be a script's file is a parse error at the directive: never
// an abort, a wait on a FIFO or a read without end.
TEST(Script700Parser, IncludesThatAreNoFileOfTheFolderAreRefused) {
    namespace fs = std::filesystem;
    const fs::path outside = fs::temp_directory_path() / "script700_outside";
    const fs::path folder = outside / "songs";
    fs::remove_all(outside);
    fs::create_directories(folder / "subdir");
    std::ofstream(outside / "secret.700") << "m #1 w0";
    std::ofstream(folder / "long.bin") << std::string(kMaxInclude + 1, 'x');
    std::ofstream(folder / "full.bin") << std::string(kMaxInclude, 'x');
    std::error_code no_links;
    fs::create_symlink(outside / "secret.700", folder / "out.700", no_links);
    fs::create_symlink("/dev/zero", folder / "zero.bin", no_links);
    fs::create_symlink(folder / "full.bin", folder / "in.bin", no_links);
#if !defined(_WIN32)
    ASSERT_EQ(mkfifo((folder / "fifo.700").c_str(), 0600), 0);
#endif
    const IncludeReader reader = folder_includes(folder.string());
    const auto refusal = [&](const std::string& directive) {
        Program p;
        ParseError error;
        EXPECT_FALSE(parse("q\n " + directive, &reader, p, error)) << directive;
        return describe(error.at, error.reason, p);
    };
    EXPECT_EQ(refusal("#ib \"subdir\""), "2:2: cannot include \"subdir\": it is a folder");
    EXPECT_EQ(refusal("#ib \"long.bin\""), "2:2: cannot include \"long.bin\": it is longer than 1048576 bytes");
    EXPECT_EQ(parsed("q e #ib \"full.bin\"", &reader).data.size(), kMaxInclude) << "the limit itself is allowed";
    if (!no_links) {
        EXPECT_EQ(refusal("#i \"out.700\""), "2:2: cannot include \"out.700\": it lies outside the script's folder");
        EXPECT_EQ(refusal("#ib \"zero.bin\""), "2:2: cannot include \"zero.bin\": it lies outside the script's folder");
        EXPECT_EQ(parsed("q e #ib \"in.bin\"", &reader).data.size(), kMaxInclude) << "a link inside the folder";
    }
#if !defined(_WIN32)
    EXPECT_EQ(refusal("#i \"fifo.700\""), "2:2: cannot include \"fifo.700\": it is not a regular file");
    const IncludeReader devices = folder_includes("/dev");
    std::string contents, error;
    EXPECT_FALSE(devices("zero", contents, error));
    EXPECT_EQ(error, "it is not a regular file");
#endif
    fs::remove_all(outside);
}

TEST(Script700Parser, TheExampleScriptsParse) {
    const auto folder = example_scripts();
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no example scripts at " << folder;
    const IncludeReader reader = folder_includes(folder.string());
    const auto script = [&](const char* name) {
        std::ifstream in(folder / name, std::ios::binary);
        EXPECT_TRUE(in) << name;
        return parsed(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), &reader);
    };
    // drums2-data.700 is no script but the data drums2.700 includes.
    script("drums.700");
    script("drums2-waitloop.700");
    const Program p = script("drums2.700");
    EXPECT_EQ(p.labels[100].kind, Label::Kind::script) << "the included wait loop";
    EXPECT_EQ(p.labels[12].kind, Label::Kind::data) << "the label of the included data";
    EXPECT_EQ(p.labels[34].where, 8u);
    EXPECT_EQ(p.data.size(), 8u + 24u) << "its data as hex, then as bytes";
}

}  // namespace
