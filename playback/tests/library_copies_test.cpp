// Each load of a library gets its own instance: the file itself first, then
// temporary copies that disappear with their module.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "playback/library_copies.h"
#include "playback/tests/fake_library.h"
#include "sdk/shared.h"
#include "support/string8.h"

namespace {

namespace fs = std::filesystem;

fs::path temp_folder() {
    string8_t path;
    uGetTempPath(path);
    return fs::u8path(path.get_ptr());
}

// The temporary files a copy of SNESAPU.DLL would be named like.
std::set<std::string> copies_in_temp() {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(temp_folder(), error)) {
        const std::string name = entry.path().filename().u8string();
        if (name.rfind("SNE", 0) == 0) names.insert(name);
    }
    return names;
}

std::string module_file(platform::module_handle module) {
    string8_t path;
    EXPECT_TRUE(uGetModuleFileName(module, path));
    return path.get_ptr();
}

class library_copies_test : public ::testing::Test {
protected:
    const std::string library_ = fake_library_path("complete");
};

TEST_F(library_copies_test, second_load_is_a_temporary_copy_that_goes_with_its_module) {
    const auto before = copies_in_temp();
    platform::module_handle first = load_library_copy(library_.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(copies_in_temp(), before);

    platform::module_handle second = load_library_copy(library_.c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    const auto during = copies_in_temp();
    ASSERT_EQ(during.size(), before.size() + 1);
    const fs::path copy = fs::u8path(module_file(second));
    EXPECT_EQ(copy, temp_folder() / copy.filename());
    EXPECT_EQ(copy.filename().u8string().rfind("SNE", 0), 0u) << copy;

    // Separate instances: each has its own state.
    fake_view one(first), two(second);
    one.clear_log();
    two.clear_log();
    one.dsp()[0] = 11;
    two.dsp()[0] = 22;
    EXPECT_EQ(one.dsp()[0], 11);
    EXPECT_EQ(two.dsp()[0], 22);

    // Freeing the first deletes nothing; a new load then takes the file itself.
    unload_library_copy(first);
    EXPECT_EQ(copies_in_temp(), during);
    platform::module_handle third = load_library_copy(library_.c_str());
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(copies_in_temp(), during);

    unload_library_copy(second);
    EXPECT_EQ(copies_in_temp(), before);
    unload_library_copy(third);
    unload_library_copy(nullptr);
}

TEST_F(library_copies_test, a_file_that_is_no_library_loads_nothing_and_leaves_no_copy) {
    const fs::path bogus = temp_folder() / "velmo-not-a-library.dll";
    std::ofstream(bogus) << "not a library";
    const auto before = copies_in_temp();
    EXPECT_EQ(load_library_copy(bogus.u8string().c_str()), nullptr);
    EXPECT_EQ(copies_in_temp(), before);
    fs::remove(bogus);
}

TEST_F(library_copies_test, a_copy_that_will_not_load_is_deleted) {
    // A library file replaced while loaded: its copies are no library.
    const fs::path folder = temp_folder() / "velmo-replaced";
    fs::create_directories(folder);
    const fs::path library = folder / "SNESAPU.DLL";
    fs::copy_file(library_, library, fs::copy_options::overwrite_existing);
    platform::module_handle first = load_library_copy(library.u8string().c_str());
    ASSERT_NE(first, nullptr);
    const auto before = copies_in_temp();
    std::error_code error;
    fs::remove(library, error);
    std::ofstream(library, std::ios::trunc) << "garbage";
    if (!error && fs::file_size(library) == 7) {
        EXPECT_EQ(load_library_copy(library.u8string().c_str()), nullptr);
        EXPECT_EQ(copies_in_temp(), before);
    }
    unload_library_copy(first);
    fs::remove_all(folder, error);
}

}  // namespace
