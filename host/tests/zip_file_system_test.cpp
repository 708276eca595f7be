#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "host/component_host.h"
#include "host/memory_streams.h"
#include "host/track_info_impl.h"
#include "sdk/exceptions.h"
#include "support/file_access.h"
#include "testing/component_fixture.h"
#include "testing/files.h"
#include "testing/zip_builder.h"
#include "testing/thrown.h"

namespace {

std::vector<uint8_t> bytes_of(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// Reads a file opened through the host's file systems, from its start.
std::vector<uint8_t> open_and_read(const std::string& path) {
    host_abort abort;
    service_ptr_t<file> f;
    g_open(f, path.c_str(), file_open_read, abort);
    std::vector<uint8_t> bytes(static_cast<size_t>(f->get_size(abort)));
    if (!bytes.empty()) f->read_object(bytes.data(), static_cast<uint32_t>(bytes.size()), abort);
    return bytes;
}

class zip_file_system_test : public ::testing::Test {
protected:
    std::string archive(const std::vector<uint8_t>& bytes) { return folder_.write("archive.zip", bytes); }

    temp_folder folder_;
    component_host host_{config_store(folder_.path() / "config")};
};

TEST(crc32_of, matches_the_standard_check_value) {
    const char* check = "123456789";
    EXPECT_EQ(crc32_of(reinterpret_cast<const uint8_t*>(check), 9), 0xCBF43926u);
    EXPECT_EQ(crc32_of(nullptr, 0), 0u);
}

TEST_F(zip_file_system_test, reads_stored_members_by_name) {
    std::string path = archive(zip_builder()
                                   .add("first.txt", bytes_of("one"))
                                   .add("music/song.spc", bytes_of("second member"))
                                   .add("empty", {})
                                   .build("an archive comment"));
    EXPECT_EQ(open_and_read(path + "|first.txt"), bytes_of("one"));
    EXPECT_EQ(open_and_read(path + "|music/song.spc"), bytes_of("second member"));
    EXPECT_EQ(open_and_read(path + "|music\\song.spc"), bytes_of("second member"));
    EXPECT_TRUE(open_and_read(path + "|empty").empty());
}

TEST_F(zip_file_system_test, opens_a_member_of_an_archive_inside_an_archive) {
    std::vector<uint8_t> inner = zip_builder().add("deep.txt", bytes_of("deep")).build();
    std::string path = archive(zip_builder().add("inner.zip", inner).build());
    EXPECT_EQ(open_and_read(path + "|inner.zip|deep.txt"), bytes_of("deep"));
}

TEST_F(zip_file_system_test, missing_members_and_containers_are_not_found) {
    std::string path = archive(zip_builder().add("a.txt", bytes_of("a")).build());
    EXPECT_THROW(open_and_read(path + "|b.txt"), sonmara_io::exception_io_not_found);
    EXPECT_THROW(open_and_read(path + "|"), sonmara_io::exception_io_not_found);
    EXPECT_THROW(open_and_read(path + "|A.TXT"), sonmara_io::exception_io_not_found);
    EXPECT_THROW(open_and_read((folder_.path() / "none.zip|a.txt").u8string()), sonmara_io::exception_io_not_found);
}

TEST_F(zip_file_system_test, refuses_compressed_encrypted_and_damaged_members) {
    std::string path = archive(zip_builder()
                                   .add("deflated", bytes_of("xyz"), 8)
                                   .add("encrypted", bytes_of("xyz"), 0, 1)
                                   .add("good", bytes_of("good"))
                                   .build());
    EXPECT_EQ(thrown_message<sonmara_io::exception_io_data>([&] { open_and_read(path + "|deflated"); }),
              "Unsupported file format") << "a compressed member was read";
    EXPECT_THROW(open_and_read(path + "|encrypted"), sonmara_io::exception_io_unsupported_format);

    // A changed data byte no longer matches the stored CRC.
    std::vector<uint8_t> bytes = zip_builder().add("checked", bytes_of("DATA")).build();
    auto data = std::search(bytes.begin(), bytes.end(), std::begin("DATA"), std::begin("DATA") + 4);
    ASSERT_NE(data, bytes.end());
    *data = 'd';
    EXPECT_THROW(open_and_read(archive(bytes) + "|checked"), sonmara_io::exception_io_data);
}

TEST_F(zip_file_system_test, members_are_read_only) {
    std::string path = archive(zip_builder().add("a.txt", bytes_of("abc")).build());
    host_abort abort;
    service_ptr_t<file> f;
    EXPECT_EQ(thrown_message<sonmara_io::exception_io_denied>([&] { g_open(f, (path + "|a.txt").c_str(), file_open_write_existing, abort); }),
              "Access denied") << "opened for writing";
    g_open(f, (path + "|a.txt").c_str(), file_open_read, abort);
    EXPECT_THROW(f->write("x", 1, abort), sonmara_io::exception_io_denied);
    EXPECT_THROW(f->resize(0, abort), sonmara_io::exception_io_denied);
    EXPECT_EQ(open_and_read(path + "|a.txt"), bytes_of("abc"));
}

TEST_F(zip_file_system_test, member_files_seek_skip_and_report_the_container_time) {
    std::string path = archive(zip_builder().add("a.txt", bytes_of("abcdef")).build());
    host_abort abort;
    service_ptr_t<file> member, container;
    g_open(member, (path + "|a.txt").c_str(), file_open_read, abort);
    g_open(container, path.c_str(), file_open_read, abort);
    EXPECT_EQ(member->get_timestamp(abort), container->get_timestamp(abort));
    EXPECT_EQ(member->get_size(abort), 6u);

    char buffer[8] = {};
    member->seek(4, abort);
    EXPECT_EQ(member->read(buffer, 8, abort), 2u);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    EXPECT_EQ(member->get_position(abort), 6u);
    EXPECT_THROW(member->read_object(buffer, 1, abort), sonmara_io::exception_io_data_truncation);
    EXPECT_THROW(member->seek(7, abort), sonmara_io::exception_io);

    member->rewind(abort);
    EXPECT_EQ(member->skip(100, abort), 6u);
    member->seek(1, abort);
    member->skip_object(2, abort);
    member->read_object(buffer, 3, abort);
    EXPECT_EQ(std::string(buffer, 3), "def");
    EXPECT_THROW(member->skip_object(1, abort), sonmara_io::exception_io_data_truncation);
}

// Every shortened archive and every single changed byte either still yields
// the member unchanged or raises an I/O error; never a read outside the bytes.
TEST_F(zip_file_system_test, damaged_archives_fail_cleanly) {
    const std::vector<uint8_t> content = bytes_of("member content that spans a few bytes");
    const std::vector<uint8_t> good = zip_builder().add("x", bytes_of("other")).add("song.spc", content).build("note");
    const std::string path = archive(good);

    auto check = [&](const std::vector<uint8_t>& bytes) {
        archive(bytes);
        try {
            EXPECT_EQ(open_and_read(path + "|song.spc"), content);
        } catch (const sonmara_io::exception_io&) {
        }
    };
    for (size_t length = 0; length < good.size(); ++length) {
        check(std::vector<uint8_t>(good.begin(), good.begin() + length));
    }
    for (size_t i = 0; i < good.size(); ++i) {
        for (uint8_t value : {uint8_t(0x00), uint8_t(0xFF), uint8_t(good[i] ^ 0x01)}) {
            std::vector<uint8_t> bytes = good;
            bytes[i] = value;
            check(bytes);
        }
    }
    archive(std::vector<uint8_t>(64, 0x50));
    EXPECT_THROW(open_and_read(path + "|song.spc"), sonmara_io::exception_io_data);
}

TEST_F(zip_file_system_test, whole_file_reads_agree_for_both_file_systems) {
    const std::vector<uint8_t> content = bytes_of("same bytes either way");
    std::string local = folder_.write("song.spc", content);
    std::string zipped = archive(zip_builder().add("song.spc", content).build()) + "|song.spc";

    byte_buffer from_disk, from_archive;
    ASSERT_TRUE(read_whole_file(from_disk, local.c_str()));
    ASSERT_TRUE(read_whole_file(from_archive, zipped.c_str()));
    ASSERT_EQ(from_disk.size(), content.size() + 1);
    ASSERT_EQ(from_archive.size(), from_disk.size());
    EXPECT_EQ(std::memcmp(from_disk.data(), from_archive.data(), from_disk.size()), 0);
    EXPECT_EQ(open_and_read(local), open_and_read(zipped));
    EXPECT_FALSE(read_whole_file(from_archive, (zipped + "x").c_str()));
}

// The component reaches an archive member through the host exactly as it
// reaches a file on disk.
class zip_component_test : public component_fixture {
protected:
    track_info_impl info_of(const std::string& path) {
        service_ptr_t<input_entry> input = host_->find_input(path);
        if (!input) throw std::runtime_error("no input claims " + path);
        service_ptr_t<input_info_reader> reader;
        input->open_for_info_read(reader, service_ptr_t<file>(), path.c_str(), abort_);
        track_info_impl info;
        reader->get_info(reader->get_subsong(0), info, abort_);
        return info;
    }
};

TEST_F(zip_component_test, component_reads_a_song_inside_an_archive) {
    std::vector<uint8_t> image = minimal_spc_image();
    image[0x23] = 26;  // the header carries an ID666 tag
    std::memcpy(&image[0x2E], "Zipped Song", 11);
    std::string local = folder_.write("song.spc", image);
    std::string zipped = folder_.write("archive.zip", zip_builder().add("song.spc", image).build()) + "|song.spc";

    track_info_impl from_disk = info_of(local);
    track_info_impl from_archive = info_of(zipped);
    ASSERT_NE(from_archive.meta_find("title"), track_info::npos);
    EXPECT_STREQ(from_archive.meta_enum_value(from_archive.meta_find("title"), 0), "Zipped Song");
    ASSERT_EQ(from_archive.meta_get_count(), from_disk.meta_get_count());
    ASSERT_EQ(from_archive.info_get_count(), from_disk.info_get_count());
    for (uint32_t i = 0; i < from_disk.info_get_count(); ++i) {
        EXPECT_STREQ(from_archive.info_enum_value(i), from_disk.info_enum_value(i)) << from_disk.info_enum_name(i);
    }
    EXPECT_EQ(from_archive.has_length(), from_disk.has_length());
    EXPECT_EQ(from_archive.get_length(), from_disk.get_length());
}

TEST_F(zip_component_test, tag_writing_into_an_archive_is_denied_and_leaves_it_intact) {
    std::vector<uint8_t> archive_bytes = zip_builder().add("song.spc", minimal_spc_image()).build();
    std::string zip_path = folder_.write("archive.zip", archive_bytes);
    std::string path = zip_path + "|song.spc";
    service_ptr_t<input_info_writer> writer;
    EXPECT_THROW(host_->find_input(path)->open_for_info_write(writer, service_ptr_t<file>(), path.c_str(), abort_),
                 sonmara_io::exception_io_denied);
    EXPECT_EQ(read_bytes(zip_path), archive_bytes);
}

}  // namespace
