#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "host/component_host.h"
#include "host/memory_streams.h"
#include "sdk/exceptions.h"
#include "support/file_access.h"
#include "testing/files.h"
#include "testing/test_services.h"
#include "testing/thrown.h"

namespace {

TEST(g_open, path_without_a_file_system_is_invalid) {
    host_registry empty;  // no file system at all
    host_abort abort;
    service_ptr_t<file> f;
    EXPECT_EQ(thrown_message<sonmara_io::exception_io_no_handler_for_path>([&] { g_open(f, "/tmp/anything.spc", file_open_read, abort); }),
              "Invalid path") << "opened without a file system";
    byte_buffer out;
    EXPECT_FALSE(read_whole_file(out, "/tmp/anything.spc"));
}

class host_file_test : public ::testing::Test {
protected:
    std::vector<uint8_t> read_back(const std::string& name) { return folder_.read(name); }

    temp_folder folder_;
    component_host host_{config_store(folder_.path() / "config")};
    host_abort abort_;
};

TEST_F(host_file_test, read_whole_file_appends_one_terminating_zero) {
    byte_buffer out;
    ASSERT_TRUE(read_whole_file(out, folder_.write("empty.txt", {}).c_str()));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], 0);

    const std::vector<uint8_t> content = {'s', 'c', 'r', 0xFF, 0, 'x'};
    ASSERT_TRUE(read_whole_file(out, folder_.write("script.txt", content).c_str()));
    ASSERT_EQ(out.size(), content.size() + 1);
    EXPECT_EQ(std::memcmp(out.data(), content.data(), content.size()), 0);
    EXPECT_EQ(out[static_cast<uint32_t>(content.size())], 0);
}

TEST_F(host_file_test, read_whole_file_is_false_for_what_cannot_be_read) {
    byte_buffer out;
    EXPECT_FALSE(read_whole_file(out, (folder_.path() / "missing.txt").u8string().c_str()));
    EXPECT_FALSE(read_whole_file(out, folder_.path().u8string().c_str()));
}

TEST(limited_reader, stops_at_its_budget) {
    const std::vector<uint8_t> source_bytes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    host_abort abort;
    uint8_t buffer[16] = {};
    {
        memory_reader source(source_bytes);
        limited_reader view(source, 4);
        EXPECT_THROW(view.read_object(buffer, 16, abort), sonmara_io::exception_io_data_truncation);
    }
    memory_reader source(source_bytes);
    limited_reader view(source, 4);
    EXPECT_EQ(view.read(buffer, 16, abort), 4u);
    EXPECT_EQ(view.remaining(), 0u);
    EXPECT_EQ(view.read(buffer, 16, abort), 0u);
    // The source moved on by exactly the budget.
    source.read_object(buffer, 1, abort);
    EXPECT_EQ(buffer[0], 4);

    limited_reader skipper(source, 3);
    EXPECT_THROW(skipper.skip_object(5, abort), sonmara_io::exception_io_data_truncation);
    EXPECT_EQ(skipper.remaining(), 0u);
    source.read_object(buffer, 1, abort);
    EXPECT_EQ(buffer[0], 8);
}

TEST(memory_writer, appends_across_growth_and_checks_abort_first) {
    memory_writer out;
    host_abort abort;
    std::vector<uint8_t> expected;
    for (uint8_t i = 0; i < 100; ++i) {
        std::vector<uint8_t> piece(i % 7, i);
        out.write(piece.data(), static_cast<uint32_t>(piece.size()), abort);
        expected.insert(expected.end(), piece.begin(), piece.end());
    }
    ASSERT_EQ(out.size(), expected.size());
    EXPECT_EQ(std::vector<uint8_t>(out.data(), out.data() + out.size()), expected);

    aborting_callback aborting;
    memory_writer fresh;
    EXPECT_THROW(fresh.write("abcd", 4, aborting), sonmara_io::exception_aborted);
    EXPECT_EQ(fresh.size(), 0u);
    out.clear();
    EXPECT_THROW(out.write("abcd", 4, aborting), sonmara_io::exception_aborted);
    EXPECT_EQ(out.size(), 0u);
}

TEST_F(host_file_test, write_existing_needs_an_existing_file_and_keeps_its_bytes) {
    service_ptr_t<file> f;
    EXPECT_THROW(g_open(f, (folder_.path() / "missing.spc").u8string().c_str(), file_open_write_existing, abort_),
                 sonmara_io::exception_io_not_found);
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "missing.spc"));

    std::string path = folder_.write("song.spc", {'a', 'b', 'c', 'd', 'e', 'f'});
    g_open(f, path.c_str(), file_open_write_existing, abort_);
    f->seek(2, abort_);
    f->write("XY", 2, abort_);
    EXPECT_EQ(f->get_position(abort_), 4u);
    f.release();
    EXPECT_EQ(read_back("song.spc"), (std::vector<uint8_t>{'a', 'b', 'X', 'Y', 'e', 'f'}));
}

TEST_F(host_file_test, read_mode_files_refuse_writes) {
    std::string path = folder_.write("song.spc", {'a', 'b'});
    service_ptr_t<file> f;
    g_open(f, path.c_str(), file_open_read, abort_);
    EXPECT_THROW(f->write("zz", 2, abort_), sonmara_io::exception_io);
    f.release();
    EXPECT_EQ(read_back("song.spc"), (std::vector<uint8_t>{'a', 'b'}));
}

TEST_F(host_file_test, local_files_seek_resize_and_report_size_and_time) {
    std::string path = folder_.write("song.spc", std::vector<uint8_t>(10, 'a'));
    service_ptr_t<file> f;
    g_open(f, path.c_str(), file_open_write_existing, abort_);
    EXPECT_EQ(f->get_size(abort_), 10u);
    EXPECT_EQ(f->get_position(abort_), 0u);

    f->seek(8, abort_);
    EXPECT_EQ(f->skip(5, abort_), 2u);
    EXPECT_EQ(f->get_position(abort_), 10u);
    f->seek(8, abort_);
    EXPECT_THROW(f->skip_object(5, abort_), sonmara_io::exception_io_data_truncation);

    // Cutting at the position keeps it; cutting below it moves it to the end.
    f->seek(6, abort_);
    f->resize(6, abort_);
    EXPECT_EQ(f->get_size(abort_), 6u);
    EXPECT_EQ(f->get_position(abort_), 6u);
    f->resize(3, abort_);
    EXPECT_EQ(f->get_position(abort_), 3u);
    f->resize(12, abort_);
    EXPECT_EQ(f->get_size(abort_), 12u);
    EXPECT_EQ(f->get_position(abort_), 3u);
    f->rewind(abort_);
    EXPECT_EQ(f->get_position(abort_), 0u);

    // 100-nanosecond units since 1601.
    const auto unix_seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    const uint64_t now = (static_cast<uint64_t>(unix_seconds) + 11644473600ull) * 10000000ull;
    const uint64_t stamp = f->get_timestamp(abort_);
    EXPECT_LE(stamp, now + 10000000ull * 60);
    EXPECT_GE(stamp + 10000000ull * 600, now);
    f.release();

    std::vector<uint8_t> expected = {'a', 'a', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(read_back("song.spc"), expected);
}

TEST_F(host_file_test, cancelled_operations_stop_before_touching_the_file) {
    std::string path = folder_.write("song.spc", {'a', 'b'});
    aborting_callback aborting;
    service_ptr_t<file> f;
    EXPECT_THROW(g_open(f, path.c_str(), file_open_write_existing, aborting), sonmara_io::exception_aborted);
    g_open(f, path.c_str(), file_open_write_existing, abort_);
    EXPECT_THROW(f->write("zz", 2, aborting), sonmara_io::exception_aborted);
    f.release();
    EXPECT_EQ(read_back("song.spc"), (std::vector<uint8_t>{'a', 'b'}));
}

}  // namespace
