// Playing through the real component and host: the real library beside the
// component, or a stand-in that records what the component asks of it.
#include <algorithm>
#include <cmath>
#include <thread>

#include "host/audio_chunk_impl.h"
#include "host/track_info_impl.h"
#include "playback/tests/fake_library.h"
#include "sdk/shared.h"
#include "support/string8.h"
#include "testing/component_fixture.h"
#include "testing/snesapu_library.h"
#include "testing/threads_side_by_side.h"
#include "testing/zip_builder.h"

namespace {

namespace fs = std::filesystem;

class playback_test : public component_fixture {
protected:
    void SetUp() override {
        component_fixture::SetUp();
        example_ = write_example();
    }

    service_ptr_t<input_decoder> open(const std::string& path, unsigned flags = 0) {
        auto decoder = opened<input_decoder>(path);
        decoder->initialize(0, flags, abort_);
        return decoder;
    }

    // Every sample of the blocks the decoder delivers, up to `seconds`.
    std::vector<float> render(input_decoder& decoder, double seconds) {
        std::vector<float> samples;
        audio_chunk_impl chunk;
        while (samples.size() < seconds * 64000 && decoder.run(chunk, abort_)) {
            samples.insert(samples.end(), chunk.data().begin(), chunk.data().end());
        }
        return samples;
    }

    std::string example_;
};

TEST_F(playback_test, plays_a_song_for_its_length_with_sound) {
    set_setting("cfg_song_length", 3000);
    set_setting("cfg_fade_length", 500);
    set_setting("cfg_use_internal_length", 0);
    auto decoder = open(example_);
    EXPECT_TRUE(decoder->can_seek());
    const auto samples = render(*decoder, 60);
    EXPECT_EQ(samples.size(), 3500u * 64);
    const float peak = *std::max_element(samples.begin(), samples.end());
    EXPECT_GT(peak, 0.05f);
    // The fade ends in silence.
    EXPECT_TRUE(std::all_of(samples.end() - 64, samples.end(), [](float s) { return s == 0.0f; }));
}

// The library itself, given what the decoder gives it under the default
// settings, 16-bit stereo at 32 kHz: its first `frames` frames.
std::vector<int16_t> library_render(const std::vector<uint8_t>& image, uint32_t frames) {
    auto library = apu_test::SnesApuLibrary::copy("playback-reference");
    EXPECT_TRUE(library.loaded());
    if (!library.loaded()) return {};
    library.load(image.data());
    library.set_options(3, 2, 16, 32000, 3, 0);
    library.set_amp(16);
    library.set_stereo(0x8000);
    std::vector<int16_t> out(size_t{frames} * 2);
    library.emulate(out.data(), frames, 1);
    return out;
}

TEST_F(playback_test, every_width_and_channel_count_gives_the_librarys_own_music) {
    const uint32_t frames = 64000;  // 2 s, well before the fade
    const auto reference = library_render(apu::example::build_example_spc().image, frames);
    ASSERT_EQ(reference.size(), size_t{frames} * 2);
    for (int bits : {16, 8, 24, 32}) {
        for (int channels : {2, 1}) {
            set_setting("cfg_bitspersample", bits);
            set_setting("cfg_channels", channels);
            auto decoder = open(example_);
            const auto samples = render(*decoder, 2.0 * channels / 2);
            ASSERT_EQ(samples.size(), size_t{frames} * channels) << bits << " bits";
            // The rounding of each width, against the 16-bit reference.
            const double tolerance = bits == 16 ? 0 : bits == 8 ? 1.0 / 128 : 1.0 / 32768;
            double worst = 0;
            for (uint32_t f = 0; f < frames; ++f) {
                const double left = reference[2 * f] / 32768.0, right = reference[2 * f + 1] / 32768.0;
                if (channels == 2) {
                    worst = std::max({worst, std::abs(samples[2 * f] - left), std::abs(samples[2 * f + 1] - right)});
                } else {
                    worst = std::max(worst, std::abs(samples[f] - (left + right) / 2));
                }
            }
            // Mono halves the sum: one more step of rounding.
            EXPECT_LE(worst, tolerance + (channels == 1 ? 1.0 / 32768 : 0)) << bits << " bits, " << channels << " ch";
        }
    }
}

TEST_F(playback_test, a_seek_lands_exactly_where_playing_through_arrives) {
    auto through = open(example_);
    const auto whole = render(*through, 3.0);
    for (int fast : {1, 0}) {
        set_setting("cfg_fast_seek", fast);
        auto seeker = open(example_);
        render(*seeker, 2.5);  // then back: a reload and a forward seek
        seeker->seek(1.5, abort_);
        const auto after = render(*seeker, 1.5);
        ASSERT_EQ(after.size(), 96000u);
        EXPECT_TRUE(std::equal(after.begin(), after.end(), whole.begin() + 96000)) << "fast " << fast;
    }
}

// The library copies a decoder may leave in the temporary folder.
size_t library_copies_in_temp() {
    string8_t temp;
    uGetTempPath(temp);
    size_t count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::u8path(temp.get_ptr()), error)) {
        count += entry.path().filename().u8string().rfind("SNE", 0) == 0;
    }
    return count;
}

TEST_F(playback_test, two_decoders_at_once_each_play_as_if_alone) {
    if (!threads_side_by_side()) GTEST_SKIP() << "this system cannot run threads side by side";
    auto alone = open(example_);
    const auto expected = render(*alone, 2.0);
    alone.release();

    const size_t copies_before = library_copies_in_temp();
    auto first = open(example_);
    EXPECT_EQ(library_copies_in_temp(), copies_before);  // the library's own file
    auto second = open(example_);
    EXPECT_EQ(library_copies_in_temp(), copies_before + 1);  // a copy
    std::vector<float> one, two;
    std::thread a([&] { one = render(*first, 2.0); });
    std::thread b([&] { two = render(*second, 2.0); });
    a.join();
    b.join();
    EXPECT_EQ(one, expected);
    EXPECT_EQ(two, expected);

    // With the first gone, a third takes the library's own file again.
    first.release();
    auto third = open(example_);
    EXPECT_EQ(library_copies_in_temp(), copies_before + 1);
    EXPECT_EQ(render(*third, 2.0), expected);
    second.release();
    third.release();
    EXPECT_EQ(library_copies_in_temp(), copies_before);
}

TEST_F(playback_test, dynamic_info_reports_the_output_format) {
    set_setting("cfg_samplerate", 44100);
    auto decoder = open(example_);
    track_info_impl info;
    double delta = 1;
    EXPECT_TRUE(decoder->get_dynamic_info(info, delta));
    EXPECT_STREQ(info.info_get("samplerate"), "44100");
    EXPECT_STREQ(info.info_get("bitspersample"), "16");
    EXPECT_FALSE(decoder->get_dynamic_info(info, delta));
    audio_chunk_impl chunk;
    ASSERT_TRUE(decoder->run(chunk, abort_));
    EXPECT_EQ(chunk.frames(), 4410u);
    EXPECT_EQ(chunk.rate(), 44100u);
}

TEST_F(playback_test, a_library_that_cannot_serve_is_reported_and_released) {
    const std::string not_a_library = folder_.write("not-a-library.dll", {'M', 'Z', 0, 0});
    const std::pair<const char*, const char*> cases[] = {
        {"", "Could not locate SNESAPU.DLL."},
        {"not a library", "Could not locate SNESAPU.DLL."},
        {"old", "Incompatible SNESAPU.DLL version."},
        {"without_emu", "SNESAPU.DLL function lookups failed."},
        {"without_amp", "SNESAPU.DLL function lookups failed."},
    };
    for (const auto& [variant, line] : cases) {
        const std::string name = variant;
        load_component_beside(name.empty()                ? fs::path()
                              : name == "not a library" ? fs::u8path(not_a_library)
                                                        : fs::u8path(fake_library_path(variant)));
        console_.lines.clear();
        auto decoder = opened<input_decoder>(minimal_song());
        EXPECT_THROW(decoder->initialize(0, 0, abort_), sonmara_io::exception_io_data) << variant;
        EXPECT_EQ(console_.lines, std::vector<std::string>{line}) << variant;
        // Unbound again: a second start tries afresh, and the tags still read.
        EXPECT_THROW(decoder->initialize(0, 0, abort_), sonmara_io::exception_io_data) << variant;
        track_info_impl info;
        decoder->get_info(0, info, abort_);
        EXPECT_STREQ(info.info_get("codec"), "SPC");
    }
}

// Script700 companions, found through the host's file systems.
class script700_test : public playback_test {
protected:
    void SetUp() override {
        playback_test::SetUp();
        library_ = (load_component_beside(fs::u8path(fake_library_path("complete"))) / "SNESAPU.DLL").u8string();
    }

    // What the component handed the library's SetScript700 on one start.
    std::string scripts_given(const std::string& song) {
        auto decoder = open(song);
        void* module = uGetModuleHandle(library_.c_str());
        EXPECT_NE(module, nullptr);
        std::string log = module ? fake_view(module).log() : "";
        std::string given;
        for (size_t at = log.rfind("SetScript700 null"); at != std::string::npos;) {
            const size_t end = log.find('\n', at);
            given += log.substr(at, end - at) + ";";
            at = log.find("SetScript700", end);
        }
        return given;
    }

    void companion(const std::string& name, const std::string& text) {
        folder_.write(name, std::vector<uint8_t>(text.begin(), text.end()));
    }

    std::string library_;
};

TEST_F(script700_test, the_songs_own_script_comes_before_the_folders) {
    const std::string path = minimal_song();
    EXPECT_EQ(scripts_given(path), "SetScript700 null;");
    companion("65816.7SE", "folder 7SE");
    EXPECT_EQ(scripts_given(path), "SetScript700 null;SetScript700 [folder 7SE];");
    companion("65816.700", "folder 700");
    EXPECT_EQ(scripts_given(path), "SetScript700 null;SetScript700 [folder 700];");
    companion("song.7SE", "song 7SE");
    EXPECT_EQ(scripts_given(path), "SetScript700 null;SetScript700 [song 7SE];");
    companion("song.700", "");
    EXPECT_EQ(scripts_given(path), "SetScript700 null;SetScript700 [];");
}

TEST_F(script700_test, switched_off_scripts_are_only_cleared) {
    companion("song.700", "song 700");
    set_setting("cfg_no_script700", 1);
    EXPECT_EQ(scripts_given(minimal_song()), "SetScript700 null;");
}

TEST_F(script700_test, a_library_without_scripts_is_never_asked) {
    const auto folder = load_component_beside(fs::u8path(fake_library_path("without_script")));
    companion("song.700", "song 700");
    auto decoder = open(minimal_song());
    const std::string log = fake_view(uGetModuleHandle((folder / "SNESAPU.DLL").u8string().c_str())).log();
    EXPECT_EQ(log.find("SetScript700"), std::string::npos) << log;
    EXPECT_NE(log.find("LoadSPCFile"), std::string::npos) << log;
}

TEST_F(script700_test, a_short_file_reaches_the_library_padded_with_zeros) {
    auto image = minimal_spc_image();
    image.resize(0x305, 1);
    image.back() = 7;
    auto decoder = open(folder_.write("short.spc", image));
    uint8_t sum = 0;
    for (uint8_t byte : image) sum = static_cast<uint8_t>(sum + byte);
    EXPECT_EQ(fake_view(uGetModuleHandle(library_.c_str())).image_sum(), sum);
}

TEST_F(script700_test, a_script_that_does_not_parse_is_reported_and_play_goes_on) {
    companion("song.700", "nonsense");
    auto decoder = open(minimal_song());
    fake_view(uGetModuleHandle(library_.c_str())).set_script_result(0);
    console_.lines.clear();
    decoder->initialize(0, 0, abort_);
    EXPECT_EQ(console_.lines, std::vector<std::string>{"Script700 parse error"});
    audio_chunk_impl chunk;
    EXPECT_TRUE(decoder->run(chunk, abort_));
}

TEST_F(script700_test, an_archive_member_finds_the_script_beside_it_in_the_archive) {
    const auto image = minimal_spc_image();
    const std::string script = "in the archive";
    const auto zip = zip_builder()
                         .add("song.spc", image)
                         .add("65816.700", std::vector<uint8_t>(script.begin(), script.end()))
                         .build();
    const std::string archive = folder_.write("songs.zip", zip);
    EXPECT_EQ(scripts_given(archive + "|song.spc"), "SetScript700 null;SetScript700 [in the archive];");
}

}  // namespace
