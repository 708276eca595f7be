// Exceptions cross the module boundary in both directions and are caught by
// their class, and console lines reach the host only once it is ready.
#include "host/track_info_impl.h"
#include "testing/component_fixture.h"
#include "testing/test_services.h"
#include "testing/thrown.h"

namespace {

using exception_crossing_test = component_fixture;

TEST_F(exception_crossing_test, component_exceptions_reach_the_host_by_class) {
    auto decoder = opened<input_decoder>(minimal_song());
    service_ptr_t<input_decoder_v2> v2;
    ASSERT_TRUE(decoder.query(v2));
    track_info_impl info;
    struct : mem_block {
        void set_size(uint32_t) override {}
        uint32_t get_size() const override { return 0; }
        void* get_ptr() override { return nullptr; }
    } raw;
    struct : audio_chunk {
        void set_data_size(uint32_t) override {}
        float* get_data() override { return nullptr; }
        void set_sample_count(uint32_t) override {}
        void set_sample_rate(uint32_t) override {}
        void set_channels(uint32_t, uint32_t) override {}
    } chunk;

    try {
        v2->run_raw(chunk, raw, abort_);
        FAIL();
    } catch (const exception_bug_check& e) {
        EXPECT_NE(dynamic_cast<const exception_not_implemented*>(&e), nullptr);
        EXPECT_STREQ(e.what(), "Feature not implemented");
    }
    EXPECT_THROW(decoder->get_info(3, info, abort_), sonmara_io::exception_io_data);

    EXPECT_EQ(thrown_message<sonmara_io::exception_io_no_handler_for_path>([&] { opened<input_info_reader>(""); }),
              "Invalid path");

    // A stream that ends inside a length field.
    EXPECT_THROW(read_config(std::vector<uint8_t>(18, 0)), sonmara_io::exception_io_data_truncation);

    memory_writer sink;
    aborting_callback aborting;
    try {
        client().get_config(sink, aborting);
        FAIL();
    } catch (const sonmara_io::exception_io&) {
        FAIL() << "a cancellation is not an I/O error";
    } catch (const sonmara_io::exception_aborted& e) {
        EXPECT_STREQ(e.what(), "User abort");
    }
}

TEST_F(exception_crossing_test, host_file_system_exceptions_pass_through_the_component) {
    EXPECT_THROW(opened<input_info_reader>((folder_.path() / "missing.spc").u8string()), sonmara_io::exception_io_not_found);

    counted_memory_file hint(minimal_spc_image());
    hint.fail_reads = true;
    EXPECT_THROW(opened<input_info_reader>("song.spc", service_ptr_t<file>(&hint)),
                 sonmara_io::exception_io_sharing_violation);
}

// A reader whose read at one offset raises a host exception, consuming nothing.
class failing_config_reader final : public memory_reader {
public:
    failing_config_reader(const std::vector<uint8_t>& bytes, size_t fail_at) : memory_reader(bytes), fail_at_(fail_at) {}
    uint32_t read(void* buffer, uint32_t bytes, abort_callback& abort) override {
        if (consumed_ == fail_at_) throw sonmara_io::exception_io_data("stored value unreadable");
        uint32_t got = memory_reader::read(buffer, bytes, abort);
        consumed_ += got;
        return got;
    }
    uint64_t skip(uint64_t bytes, abort_callback& abort) override {
        uint64_t got = memory_reader::skip(bytes, abort);
        consumed_ += static_cast<size_t>(got);
        return got;
    }

private:
    size_t fail_at_;
    size_t consumed_ = 0;
};

TEST_F(exception_crossing_test, component_catches_a_host_exception_while_reading_one_setting) {
    // cfg_spc_extension = 0, whose data read fails in the host, then cfg_samplerate = 48000.
    std::vector<uint8_t> stream = {0xE8, 0x85, 0x8E, 0xC0, 0x37, 0xE6, 0xDF, 0x41, 0x82, 0x86, 0x59, 0x4D,
                                   0xB0, 0x84, 0x86, 0x85, 4,    0,    0,    0,    0,    0,    0,    0,
                                   0x9E, 0xC7, 0xE7, 0xDB, 0xAA, 0x25, 0xE8, 0x47, 0x95, 0x61, 0x77, 0x9D,
                                   0x26, 0x29, 0x2F, 0x13, 4,    0,    0,    0,    0x80, 0xBB, 0,    0};
    failing_config_reader in(stream, 20);
    client().set_config(in, abort_);
    EXPECT_TRUE(entry()->is_our_path("a.spc", "spc"));
    auto stored = write_config();
    // The last record is cfg_samplerate's.
    EXPECT_EQ(std::vector<uint8_t>(stored.end() - 4, stored.end()), (std::vector<uint8_t>{0x80, 0xBB, 0, 0}));
}

TEST_F(exception_crossing_test, console_lines_wait_for_the_host_to_be_ready) {
    load_component_beside({});  // no library: the decoder reports it
    auto decoder = opened<input_decoder>(minimal_song());

    client().services_init(false);
    EXPECT_THROW(decoder->initialize(0, 0, abort_), sonmara_io::exception_io_data);
    EXPECT_TRUE(console_.lines.empty());

    client().services_init(true);
    EXPECT_EQ(thrown_message<sonmara_io::exception_io_data>([&] { decoder->initialize(0, 0, abort_); }),
              "Unable to load SNESAPU.dll");
    EXPECT_EQ(console_.lines, (std::vector<std::string>{"Could not locate SNESAPU.DLL."}));
}

}  // namespace
