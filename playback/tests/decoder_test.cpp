// The decoder against a stand-in library that records every call.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "host/audio_chunk_impl.h"
#include "host/track_info_impl.h"
#include "playback/spc_decoder.h"
#include "playback/tests/fake_library.h"
#include "prefs/setting_table.h"
#include "sdk/exceptions.h"
#include "testing/thrown.h"

namespace {

// The output format at its table defaults; everything else zero.
settings_snapshot default_settings() {
    settings_snapshot s{};
    s.sample_rate = setting_named("cfg_samplerate").default_value;
    s.bits_per_sample = setting_named("cfg_bitspersample").default_value;
    s.channels = setting_named("cfg_channels").default_value;
    s.interpolation = setting_named("cfg_interpolation").default_value;
    s.stereo_separation = setting_named("cfg_stereo_separation").default_value;
    s.fast_seek = setting_named("cfg_fast_seek").default_value != 0;
    return s;
}

class decoder_test : public ::testing::Test {
protected:
    decoder_test() : image_(0x10200) { image_.fill(0); }

    void make(const char* variant = "complete") {
        decoder_ = std::make_unique<spc_decoder>(image_, "song.spc", settings_, plan_,
                                                 string8_t(fake_library_path(variant).c_str()));
    }
    spc_decoder& start(unsigned flags = 0) {
        if (!decoder_) make();
        decoder_->initialize(flags);
        return *decoder_;
    }
    fake_view fake() const { return fake_view(decoder_->library()->module()); }

    // Runs to the end (or `most` blocks): the length of each block in ms.
    std::vector<uint32_t> blocks(size_t most = 1000) {
        std::vector<uint32_t> lengths;
        uint32_t before = decoder_->played_ms();
        while (lengths.size() < most && decoder_->run(chunk_)) {
            lengths.push_back(decoder_->played_ms() - before);
            before = decoder_->played_ms();
        }
        return lengths;
    }

    byte_buffer image_;
    settings_snapshot settings_ = default_settings();
    playback_plan plan_{1000, 250, true, false, 0x10000, 0};
    std::unique_ptr<spc_decoder> decoder_;
    audio_chunk_impl chunk_;
};

TEST_F(decoder_test, start_hands_the_library_everything_in_order) {
    settings_.dsp_options = 0x12;
    plan_.dsp_amplification = 0x20000;
    plan_.muted_voices = 0x81;
    start();
    const std::string tail =
        "SetScript700 null\n"
        "LoadSPCFile\n"
        "SetAPUOpt 3 2 16 32000 3 18\n"
        "SetDSPAmp 131072\n"
        "SetDSPStereo 32768\n"
        "SetAPULength 64000 16000\n";
    EXPECT_TRUE(ends_with(fake().log(), tail)) << fake().log();
    // GetAPUData is asked without the ports.
    EXPECT_NE(fake().log().find("GetAPUData\nSNESAPUInfo\n"), std::string::npos);

    const uint8_t* voices = fake().voices();
    for (int v = 0; v < 8; ++v) {
        const uint8_t* record = voices + v * snesapu::kVoiceRecordSize;
        EXPECT_EQ(record[snesapu::kVoiceMuteOffset], v == 0 || v == 7 ? 1 : 0) << v;
        EXPECT_EQ(record[snesapu::kVoicePeakLeftOffset], 0);
    }
    EXPECT_EQ(*decoder_->library()->table().peak_left, 0u);
    EXPECT_EQ(*decoder_->library()->table().peak_right, 0u);
}

TEST_F(decoder_test, song_ends_exactly_after_its_length_and_fade) {
    start();
    std::vector<uint32_t> expected(12, 100);
    expected.push_back(50);
    EXPECT_EQ(blocks(), expected);
    EXPECT_FALSE(decoder_->run(chunk_));
    EXPECT_EQ(chunk_.frames(), 1600u);  // the shortened last block
}

TEST_F(decoder_test, full_block_of_the_default_format_and_its_conversion) {
    start();
    ASSERT_TRUE(decoder_->run(chunk_));
    EXPECT_EQ(chunk_.frames(), 3200u);
    EXPECT_EQ(chunk_.data().size(), 6400u);
    EXPECT_EQ(chunk_.rate(), 32000u);
    EXPECT_EQ(chunk_.channels(), 2u);
    EXPECT_EQ(chunk_.channel_mask(), 0x3u);
    EXPECT_TRUE(ends_with(fake().log(), "EmuAPU 3200\n"));
    EXPECT_FLOAT_EQ(chunk_.data()[0], 0.5f);
    EXPECT_FLOAT_EQ(chunk_.data()[6399], -0.5f);
}

TEST_F(decoder_test, every_sample_width_converts_to_the_same_floats) {
    for (uint32_t bits : {8u, 16u, 24u, 32u}) {
        for (uint32_t channels : {1u, 2u}) {
            settings_.bits_per_sample = bits;
            settings_.channels = channels;
            settings_.sample_rate = 44100;
            decoder_.reset();
            start();
            ASSERT_TRUE(decoder_->run(chunk_));
            ASSERT_EQ(chunk_.frames(), 4410u);
            ASSERT_EQ(chunk_.data().size(), 4410u * channels);
            EXPECT_EQ(chunk_.channel_mask(), channels == 1 ? 0x4u : 0x3u);
            for (size_t i = 0; i < chunk_.data().size(); ++i) {
                ASSERT_FLOAT_EQ(chunk_.data()[i], i % 2 ? -0.5f : 0.5f) << bits << " bits, sample " << i;
            }
        }
    }
}

TEST_F(decoder_test, unknown_width_gives_silent_blocks_of_normal_length) {
    settings_.bits_per_sample = 12;
    start();
    ASSERT_TRUE(decoder_->run(chunk_));
    EXPECT_EQ(chunk_.frames(), 3200u);
    for (float value : chunk_.data()) ASSERT_EQ(value, 0.0f);
}

TEST_F(decoder_test, settings_no_output_can_have_are_refused_before_binding) {
    for (uint32_t channels : {0u, 9u}) {
        settings_.channels = channels;
        decoder_.reset();
        make();
        EXPECT_THROW(decoder_->initialize(0), sonmara_io::exception_io_data);
        EXPECT_EQ(decoder_->library(), nullptr);
    }
    settings_.channels = 2;
    settings_.sample_rate = 0;
    decoder_.reset();
    make();
    EXPECT_THROW(decoder_->initialize(0), sonmara_io::exception_io_data);
}

TEST_F(decoder_test, six_channels_take_their_default_mask) {
    settings_.channels = 6;
    start();
    ASSERT_TRUE(decoder_->run(chunk_));
    EXPECT_EQ(chunk_.channel_mask(), 0x3Fu);
    EXPECT_EQ(chunk_.data().size(), 3200u * 6);
}

TEST_F(decoder_test, silence_ends_an_unlimited_song_five_seconds_after_it_began) {
    plan_.length_limit = false;
    plan_.detect_silence = true;
    start();
    uint8_t* dsp = fake().dsp();
    std::memset(dsp, 0, 128);
    // Sounding for 1 s: voice 3 with right volume and an envelope.
    dsp[16 * 3 + 1] = 0x40;
    dsp[16 * 3 + 8] = 0x10;
    EXPECT_EQ(blocks(10).size(), 10u);
    dsp[16 * 3 + 8] = 0;  // envelope gone: silent from here
    EXPECT_EQ(blocks(20).size(), 20u);
    dsp[16 * 3 + 8] = 0x10;  // one sounding block restarts the count
    EXPECT_EQ(blocks(1).size(), 1u);
    dsp[16 * 3 + 1] = 0;  // no volume: silent again
    EXPECT_EQ(blocks().size(), 50u);
    EXPECT_FALSE(decoder_->run(chunk_));
}

TEST_F(decoder_test, with_both_limits_the_first_reached_ends_the_song) {
    plan_.detect_silence = true;
    start();
    std::memset(fake().dsp(), 0, 128);
    EXPECT_EQ(blocks().size(), 13u);  // the length, 1250 ms, comes before 5 s of silence

    plan_.song_ms = 20000;
    make();
    start();
    EXPECT_EQ(blocks().size(), 50u);
}

TEST_F(decoder_test, playing_with_a_length_makes_the_song_seekable_and_fades_it) {
    plan_.length_limit = false;
    make();
    EXPECT_FALSE(decoder_->plan().length_limit);
    start(0);
    const std::string log = fake().log();
    EXPECT_EQ(log.find("SetAPULength", log.rfind("LoadSPCFile")), std::string::npos);
    start(2);
    EXPECT_TRUE(decoder_->plan().length_limit);
    EXPECT_TRUE(ends_with(fake().log(), "SetAPULength 64000 16000\n"));
    EXPECT_EQ(blocks().size(), 13u);
}

TEST_F(decoder_test, seeks_skip_forward_and_replay_backward) {
    plan_.song_ms = 60000;
    start();
    fake().clear_log();
    decoder_->seek(10.5);
    EXPECT_EQ(decoder_->played_ms(), 10500u);
    EXPECT_EQ(fake().log(), "SeekAPU 672000 255\n");

    fake().clear_log();
    decoder_->seek(12.0);
    EXPECT_EQ(fake().log(), "SeekAPU 96000 255\n");

    // At or before the counter: the song is loaded again and armed again
    // (here by a decoder that plays without fast seeking).
    settings_.fast_seek = false;
    decoder_.reset();
    start();
    decoder_->seek(12.0);
    fake().clear_log();
    decoder_->seek(12.0);
    EXPECT_EQ(fake().log(), "LoadSPCFile\nSetAPULength 3840000 16000\nSeekAPU 768000 0\n");
    EXPECT_EQ(decoder_->played_ms(), 12000u);
}

TEST_F(decoder_test, seek_targets_out_of_range_are_held_in_range) {
    plan_.song_ms = 60000;
    start();
    fake().clear_log();
    decoder_->seek(-3.0);
    EXPECT_EQ(decoder_->played_ms(), 0u);
    EXPECT_EQ(fake().log(), "LoadSPCFile\nSetAPULength 3840000 16000\nSeekAPU 0 255\n");
    fake().clear_log();
    decoder_->seek(1e12);
    EXPECT_EQ(decoder_->played_ms(), 0xFFFFFFFFu);
    EXPECT_EQ(fake().log(), "SeekAPU 4294967295 255\n");
}

TEST_F(decoder_test, lengths_past_the_tick_range_are_held_there) {
    plan_.song_ms = 0xFFFFFFF0u;
    plan_.fade_ms = 2000;
    start();
    EXPECT_TRUE(ends_with(fake().log(), "SetAPULength 4294967232 128000\n"));
    // The song does not end at once, as a wrapped sum would make it.
    EXPECT_EQ(blocks(3).size(), 3u);
}

TEST_F(decoder_test, dynamic_info_once_after_start_and_after_each_seek) {
    start();
    track_info_impl info;
    double delta = 1;
    EXPECT_TRUE(decoder_->report_dynamic_info(info, delta));
    EXPECT_STREQ(info.info_get("samplerate"), "32000");
    EXPECT_STREQ(info.info_get("channels"), "2");
    EXPECT_STREQ(info.info_get("bitspersample"), "16");
    EXPECT_EQ(delta, 0.0);
    EXPECT_FALSE(decoder_->report_dynamic_info(info, delta));
    blocks(2);
    EXPECT_FALSE(decoder_->report_dynamic_info(info, delta));
    decoder_->seek(0.5);
    EXPECT_TRUE(decoder_->report_dynamic_info(info, delta));
    EXPECT_EQ(delta, 0.0);
}

TEST_F(decoder_test, an_image_shorter_than_a_snapshot_never_reaches_the_library) {
    image_.set_size(0x305);
    make();
    EXPECT_THROW(decoder_->initialize(0), sonmara_io::exception_io_unsupported_format);
}

TEST_F(decoder_test, a_restart_keeps_the_binding) {
    start();
    const apu_library* first = decoder_->library();
    blocks(3);
    start();
    EXPECT_EQ(decoder_->library(), first);
    EXPECT_EQ(blocks().size(), 13u);
}

TEST_F(decoder_test, libraries_that_cannot_serve_are_refused_and_released) {
    for (const char* variant : {"old", "without_emu", "without_amp", "missing"}) {
        decoder_.reset();
        make(variant);
        EXPECT_EQ(thrown_message<sonmara_io::exception_io_data>([&] { decoder_->initialize(0); }),
                  "Unable to load SNESAPU.dll") << variant;
        EXPECT_EQ(decoder_->library(), nullptr) << variant;
        EXPECT_FALSE(decoder_->run(chunk_));
    }
}

TEST(library_path, sits_beside_the_component) {
    EXPECT_STREQ(apu_library::path_beside("C:\\x\\son_velmo.dll").get_ptr(), "C:\\x\\SNESAPU.DLL");
    EXPECT_STREQ(apu_library::path_beside("/opt/c/son_velmo.dll").get_ptr(), "/opt/c/SNESAPU.DLL");
    EXPECT_STREQ(apu_library::path_beside("a.zip|son_velmo.dll").get_ptr(), "a.zip|SNESAPU.DLL");
    EXPECT_STREQ(apu_library::path_beside("son_velmo.dll").get_ptr(), "SNESAPU.DLL");
}

}  // namespace
