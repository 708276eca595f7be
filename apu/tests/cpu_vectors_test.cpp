// The SPC700 against the single-instruction vectors (one file per opcode):
// registers, flags, RAM and every bus cycle. SLEEP (EF) and STOP (FF) are
// written in the vectors as seven-cycle instructions that carry on; the chip
// halts, so for those two only the cycles up to the halt are compared and the
// CPU must stay halted afterwards (see vector_check.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "testing/shared_files.h"
#include "tools/vector_check.h"

namespace {

const std::string kVectorDir = shared_files::spc700_vectors().string();

TEST(CpuVectors, EveryOpcodeMatchesItsVectors) {
    if (!std::filesystem::is_directory(kVectorDir)) GTEST_SKIP() << kVectorDir << " absent";
    int files = 0, passed = 0;
    for (int opcode = 0; opcode < 256; ++opcode) {
        char name[16];
        std::snprintf(name, sizeof name, "/%02x.json", opcode);
        const auto result = apu::vectors::check_file(kVectorDir + name);
        ASSERT_TRUE(result.error.empty()) << name << ": " << result.error;
        EXPECT_EQ(result.failed, 0) << name << ": " << (result.failures.empty() ? "" : result.failures.front());
        EXPECT_GT(result.passed, 0) << name;
        passed += result.passed;
        ++files;
    }
    EXPECT_EQ(files, 256);
    std::printf("%d vectors passed\n", passed);
}

}  // namespace
