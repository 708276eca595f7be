#include "host/track_info_impl.h"
#include "testing/component_fixture.h"
#include "testing/test_services.h"
#include "testing/thrown.h"

namespace {

using wrapper_test = component_fixture;

TEST_F(wrapper_test, extension_claim_follows_the_setting) {
    for (const char* ext : {"spc", "SPC"}) EXPECT_TRUE(entry()->is_our_path("x", ext)) << ext;
    EXPECT_TRUE(entry()->is_our_path("C:\\a.mp3", "sPc"));
    for (const char* ext : {"mp3", "spc2"}) EXPECT_FALSE(entry()->is_our_path("a.spc", ext)) << ext;

    // cfg_spc_extension off, stored as the host would store it.
    std::vector<uint8_t> record = {0xE8, 0x85, 0x8E, 0xC0, 0x37, 0xE6, 0xDF, 0x41, 0x82, 0x86, 0x59, 0x4D,
                                   0xB0, 0x84, 0x86, 0x85, 4, 0, 0, 0, 0, 0, 0, 0};
    read_config(record);
    for (const char* ext : {"spc", "SPC", "mp3", ""}) EXPECT_FALSE(entry()->is_our_path("a.spc", ext)) << ext;
}

TEST_F(wrapper_test, roles_answer_for_their_interfaces_only) {
    auto decoder = opened<input_decoder>(minimal_song());
    service_ptr_t<input_decoder_v4> v4;
    service_ptr_t<input_decoder_v2> v2;
    service_ptr_t<input_info_reader> reader;
    service_ptr_t<input_info_writer> writer;
    EXPECT_TRUE(decoder.query(v4));
    EXPECT_TRUE(decoder.query(v2));
    EXPECT_TRUE(decoder.query(reader));
    EXPECT_FALSE(decoder.query(writer));

    auto info_reader = opened<input_info_reader>(minimal_song());
    service_ptr_t<input_decoder> no_decoder;
    EXPECT_FALSE(info_reader.query(no_decoder));
    EXPECT_FALSE(info_reader.query(writer));

    auto info_writer = opened<input_info_writer>(minimal_song());
    EXPECT_TRUE(info_writer.query(reader));
    EXPECT_FALSE(info_writer.query(no_decoder));
}

TEST_F(wrapper_test, caller_holds_the_only_reference) {
    auto reader = opened<input_info_reader>(minimal_song());
    EXPECT_EQ(reader->service_add_ref(), 2);
    EXPECT_EQ(reader->service_release(), 1);
}

TEST_F(wrapper_test, single_track_with_subsong_zero_only) {
    auto decoder = opened<input_decoder>(minimal_song());
    EXPECT_EQ(decoder->get_subsong_count(), 1u);
    EXPECT_EQ(decoder->get_subsong(0), 0u);
    track_info_impl info;
    EXPECT_THROW(decoder->get_info(1, info, abort_), sonmara_io::exception_io_bad_subsong_index);
    EXPECT_EQ(info.info_get_count(), 0u);
    EXPECT_THROW(decoder->initialize(2, 0, abort_), sonmara_io::exception_io_bad_subsong_index);
    decoder->get_info(0, info, abort_);
    EXPECT_STREQ(info.info_get("codec"), "SPC");

    auto writer = opened<input_info_writer>(minimal_song());
    EXPECT_EQ(thrown_message<sonmara_io::exception_io_bad_subsong_index>([&] { writer->update_info(1, info, abort_); }),
              "Unexpected subsong index") << "subsong 1 accepted";
}

TEST_F(wrapper_test, decoder_fixed_answers) {
    auto decoder = opened<input_decoder>(minimal_song());
    service_ptr_t<input_decoder_v4> v4;
    ASSERT_TRUE(decoder.query(v4));
    track_info_impl info;
    double delta = 1;
    EXPECT_FALSE(v4->get_dynamic_info_track(info, delta));
    EXPECT_FALSE(v4->flush_on_pause());
    EXPECT_EQ(v4->extended_param(guid_t{}, 1, nullptr, 0), 0);
    v4->set_pause(true);
    v4->set_logger({});
}

TEST_F(wrapper_test, file_statistics_and_idle_reach_the_kept_file) {
    auto image = minimal_spc_image();
    counted_memory_file hint(image);
    {
        auto decoder = opened<input_decoder>("song.spc", service_ptr_t<file>(&hint));
        file_stats stats = decoder->get_file_stats(abort_);
        EXPECT_EQ(stats.size, image.size());
        EXPECT_EQ(stats.timestamp, 132000000000000000ull);
        decoder->on_idle(abort_);
        EXPECT_EQ(hint.idle_calls, 1);
        EXPECT_EQ(hint.references, 2);
    }
    EXPECT_EQ(hint.references, 1);
}

TEST_F(wrapper_test, failed_open_leaves_no_live_wrapper) {
    counted_memory_file hint(std::vector<uint8_t>(600, 'x'));
    service_ptr_t<input_info_reader> reader;
    EXPECT_THROW(entry()->open_for_info_read(reader, service_ptr_t<file>(&hint), "bad.spc", abort_),
                 sonmara_io::exception_io_unsupported_format);
    EXPECT_FALSE(reader);
    // The wrapper held the file; its reference is gone, so the wrapper is too.
    EXPECT_EQ(hint.references, 1);
}

TEST_F(wrapper_test, hint_is_rewound_before_reading) {
    auto image = minimal_spc_image();
    counted_memory_file hint(image);
    hint.seek(1000, abort_);
    EXPECT_TRUE(opened<input_info_reader>("song.spc", service_ptr_t<file>(&hint)));
}

TEST_F(wrapper_test, signature_must_match_to_the_trailing_space) {
    auto image = minimal_spc_image();
    image[27] = '_';
    auto bad = folder_.write("bad.spc", image);
    EXPECT_EQ(thrown_message<sonmara_io::exception_io_unsupported_format>([&] { opened<input_info_reader>(bad); }),
              "Unsupported file format") << "accepted a file without the signature";
    // Anything may follow the 28 signature bytes.
    image = minimal_spc_image();
    image[28] = 'Z';
    auto other_version = folder_.write("other.spc", image);
    EXPECT_NO_THROW(opened<input_info_reader>(other_version));
    // Shorter than the signature: refused, never read past the end.
    auto tiny = folder_.write("tiny.spc", std::vector<uint8_t>(image.begin(), image.begin() + 20));
    EXPECT_THROW(opened<input_info_reader>(tiny), sonmara_io::exception_io_unsupported_format);
}

}  // namespace
