#include <gtest/gtest.h>

#include "support/exceptions.h"
#include "sdk/shared.h"
#include "support/platform.h"
#include "support/string8.h"

namespace {

TEST(exceptions, fixed_messages) {
    EXPECT_STREQ(exception_overflow().what(), "Overflow");
    EXPECT_STREQ(exception_not_implemented().what(), "Feature not implemented");
    EXPECT_STREQ(sonmara_io::exception_io_unsupported_format().what(), "Unsupported file format");
    EXPECT_STREQ(sonmara_io::exception_io_bad_subsong_index().what(), "Unexpected subsong index");
    EXPECT_STREQ(sonmara_io::exception_io_data_truncation().what(), "Unsupported format or corrupted file");
    EXPECT_STREQ(sonmara_io::exception_io_no_handler_for_path().what(), "Invalid path");
    EXPECT_STREQ(sonmara_io::exception_aborted().what(), "User abort");
    EXPECT_STREQ(sonmara_io::exception_io_data("Unable to load SNESAPU.dll").what(), "Unable to load SNESAPU.dll");
}

TEST(exceptions, copies_keep_their_own_text) {
    std::string text = "temporary text";
    sonmara_io::exception_io_data original(text.c_str());
    text.assign("overwritten!!");
    sonmara_io::exception_io_data copy(original);
    EXPECT_STREQ(copy.what(), "temporary text");
}

TEST(exceptions, io_handlers_catch_io_errors_but_never_a_cancellation) {
    auto caught_as_io = [](auto thrown) {
        try {
            throw thrown;
        } catch (const sonmara_io::exception_io&) {
            return true;
        } catch (...) {
            return false;
        }
    };
    EXPECT_TRUE(caught_as_io(sonmara_io::exception_io_no_handler_for_path()));
    EXPECT_TRUE(caught_as_io(sonmara_io::exception_io_data_truncation()));
    EXPECT_TRUE(caught_as_io(sonmara_io::exception_io_bad_subsong_index()));
    EXPECT_FALSE(caught_as_io(sonmara_io::exception_aborted()));
    EXPECT_FALSE(caught_as_io(exception_not_implemented()));
}

TEST(exceptions, win32_error_text) {
    EXPECT_STREQ(exception_win32(0).what(), "Undefined error");
    // A code with the customer bit set has no system text anywhere.
    exception_win32 unknown(0xE0001234u);
    EXPECT_STREQ(unknown.what(), "Unknown error code (3758101044)");
    EXPECT_EQ(unknown.get_code(), 0xE0001234u);
    // Where the system has text for a code, that text is the message.
    string8_t system_text;
    if (uFormatSystemErrorMessage(system_text, 0x80070005u)) {
        EXPECT_STREQ(exception_win32(0x80070005u).what(), system_text.get_ptr());
    } else {
        EXPECT_STREQ(exception_win32(0x80070005u).what(), "Unknown error code (2147942405)");
    }
    EXPECT_FALSE(std::string(exception_win32(5).what()).empty());
}

TEST(exceptions, win32_error_keeps_the_last_error) {
    platform::set_last_error(1234);
    exception_win32 error(2);
    EXPECT_EQ(platform::last_error(), 1234u);
    platform::set_last_error(77);
    try {
        throw_last_error();
    } catch (const exception_win32& e) {
        EXPECT_EQ(e.get_code(), 77u);
    }
    EXPECT_EQ(platform::last_error(), 77u);
}

}  // namespace
