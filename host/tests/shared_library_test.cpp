// The host's helper library as components call it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "host/component_host.h"
#include "sdk/shared.h"
#include "support/string8.h"

namespace {

TEST(shared_library, temporary_files_are_created_unique_and_deleted) {
    string8_t folder;
    ASSERT_TRUE(uGetTempPath(folder));
    char last = folder.get_ptr()[folder.get_length() - 1];
    EXPECT_TRUE(last == '/' || last == '\\') << "the folder ends with a separator";

    string8_t first, second;
    ASSERT_TRUE(uGetTempFileName(folder.get_ptr(), "SNESAPU", 0, first));
    ASSERT_TRUE(uGetTempFileName(folder.get_ptr(), "SNESAPU", 0, second));
    EXPECT_NE(std::string(first.get_ptr()), std::string(second.get_ptr()));
    std::string name = std::filesystem::u8path(first.get_ptr()).filename().u8string();
    EXPECT_EQ(name.substr(0, 3), "SNE") << "named from three characters of the prefix";
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(first.get_ptr())));
    EXPECT_EQ(std::filesystem::file_size(std::filesystem::u8path(first.get_ptr())), 0u);

    EXPECT_TRUE(uDeleteFile(first.get_ptr()));
    EXPECT_TRUE(uDeleteFile(second.get_ptr()));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(first.get_ptr())));
    EXPECT_FALSE(uDeleteFile(first.get_ptr()));
}

TEST(shared_library, modules_by_path) {
    std::string path = (component_host::executable_folder() / "components" / "son_velmo.dll").u8string();
    void* module = uLoadLibrary(path.c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(uGetModuleHandle(path.c_str()), module) << "a loaded module is found by its path";
    string8_t file_name;
    ASSERT_TRUE(uGetModuleFileName(module, file_name));
    EXPECT_EQ(std::filesystem::u8path(file_name.get_ptr()).filename().u8string(), "son_velmo.dll");
    EXPECT_EQ(uLoadLibrary((component_host::executable_folder() / "no-such.dll").u8string().c_str()), nullptr);
    EXPECT_EQ(uGetModuleHandle((component_host::executable_folder() / "no-such.dll").u8string().c_str()), nullptr);
}

TEST(shared_library, case_insensitive_utf8_comparison) {
    EXPECT_EQ(stricmp_utf8("spc", "SPC"), 0);
    EXPECT_EQ(stricmp_utf8("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"), 0);  // Été / éTÉ
    EXPECT_EQ(stricmp_utf8("\xD0\x9C\xD0\xB8\xD1\x80", "\xD0\xBC\xD0\x98\xD0\xA0"), 0);  // Мир / мИР
    EXPECT_LT(stricmp_utf8("spc", "spc2"), 0);
    EXPECT_GT(stricmp_utf8("spd", "SPC"), 0);
    EXPECT_NE(stricmp_utf8("spc", "sp"), 0);
}

TEST(shared_library, sample_conversion_to_float) {
    const int16_t words[] = {0, 16384, -32768, 32767};
    float out[4];
    audio_math::convert_from_int16(words, 4, out, 1.0f);
    EXPECT_FLOAT_EQ(out[0], 0.0f);
    EXPECT_FLOAT_EQ(out[1], 0.5f);
    EXPECT_FLOAT_EQ(out[2], -1.0f);
    EXPECT_NEAR(out[3], 1.0f, 1e-4);
    const int32_t longs[] = {1 << 30, INT32_MIN};
    audio_math::convert_from_int32(longs, 2, out, 2.0f);
    EXPECT_FLOAT_EQ(out[0], 1.0f);
    EXPECT_FLOAT_EQ(out[1], -2.0f);
}

TEST(shared_library, call_stack_labels_nest) {
    EXPECT_EQ(uCallStackTop(), nullptr);
    {
        uCallStackTracker outer("outer");
        {
            uCallStackTracker inner("inner");
            EXPECT_STREQ(uCallStackTop(), "inner");
        }
        EXPECT_STREQ(uCallStackTop(), "outer");
    }
    EXPECT_EQ(uCallStackTop(), nullptr);
}

}  // namespace
