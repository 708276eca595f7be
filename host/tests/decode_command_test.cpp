// `decode` plays files as a player does and writes WAV files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "host/tests/captured_command.h"
#include "host/tests/wav_reader.h"
#include "host/track_info_impl.h"
#include "host/wav_writer.h"
#include "support/little_endian.h"
#include "testing/files.h"
#include "testing/shared_files.h"

namespace {

// The size of a WAV file's data chunk, read from its header alone: a whole
// song's file may not fit a 32-bit test's memory.
size_t wav_data_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> head(256);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    std::optional<size_t> data;
    walk_chunks(head, [&](const std::string& tag, size_t at, uint32_t size) {
        if (tag != "data" || data) return;
        EXPECT_EQ(std::filesystem::file_size(path), at + 8 + size) << path;
        data = size;
    });
    if (!data) ADD_FAILURE() << "no data chunk in " << path;
    return data.value_or(0);
}

class decode_command_test : public command_fixture<run_decode_command> {
protected:
    void SetUp() override {
        component_fixture::SetUp();
        example_ = write_example();
    }

    std::string in_folder(const std::string& name) const { return (folder_.path() / name).u8string(); }

    temp_folder folder_;  // the outputs, apart from the songs in the fixture's folder
    std::string example_;
};

TEST_F(decode_command_test, writes_float_and_pcm16_files_of_the_asked_length) {
    ASSERT_EQ(run({example_, "--seconds", "1.5", "-o", in_folder("float.wav")}), 0) << err_;
    EXPECT_NE(out_.find("float.wav: 0:01.500 of 32000 Hz, 2 ch, 16 bit"), std::string::npos) << out_;
    const wav_file f = parse_wav(folder_.read("float.wav"));
    EXPECT_EQ(f.format, 3);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.rate, 32000u);
    EXPECT_EQ(f.bits, 32);
    ASSERT_EQ(f.data.size(), 48000u * 2 * 4);

    ASSERT_EQ(run({example_, "--seconds", "1.5", "--pcm16", "-o", in_folder("pcm.wav")}), 0) << err_;
    const wav_file p = parse_wav(folder_.read("pcm.wav"));
    EXPECT_EQ(p.format, 1);
    EXPECT_EQ(p.bits, 16);
    ASSERT_EQ(p.data.size(), 48000u * 2 * 2);
    // 16-bit output of the library survives the float round trip exactly.
    size_t sounding = 0;
    for (size_t i = 0; i < 96000; ++i) {
        float sample;
        std::memcpy(&sample, &f.data[4 * i], 4);
        const auto pcm = static_cast<int16_t>(get16(&p.data[2 * i]));
        ASSERT_EQ(sample * 32768.0f, float(pcm)) << i;
        sounding += pcm != 0;
    }
    EXPECT_GT(sounding, 10000u);
}

TEST_F(decode_command_test, seek_starts_the_file_where_playing_through_arrives) {
    ASSERT_EQ(run({example_, "--seconds", "2", "--pcm16", "-o", in_folder("whole.wav")}), 0) << err_;
    ASSERT_EQ(run({example_, "--seek", "1.25", "--seconds", "0.75", "--pcm16", "-o", in_folder("tail.wav")}), 0)
        << err_;
    const auto whole = parse_wav(folder_.read("whole.wav")).data;
    const auto tail = parse_wav(folder_.read("tail.wav")).data;
    ASSERT_EQ(tail.size(), 24000u * 4);
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), whole.begin() + 40000 * 4));
}

// A script beside the song plays with it: this one clears RAM, samples and
// all, over and over, so the song falls silent. One that does not parse is
// reported, and the song plays without it.
TEST_F(decode_command_test, a_companion_script_plays_with_the_song) {
    const auto sounding_second_half = [&](const std::string& name) {
        const auto data = parse_wav(folder_.read(name)).data;
        size_t sounding = 0;
        for (size_t at = data.size() / 2; at + 1 < data.size(); at += 2) sounding += get16(&data[at]) != 0;
        return sounding;
    };
    const std::string clearing = ":0 c #0 w0 m #0 rd? a #4 w0 bra 0";
    component_fixture::folder_.write("example.700", std::vector<uint8_t>(clearing.begin(), clearing.end()));
    ASSERT_EQ(run({example_, "--seconds", "1", "--pcm16", "-o", in_folder("cleared.wav")}), 0) << err_;
    EXPECT_EQ(sounding_second_half("cleared.wav"), 0u);

    const std::string nonsense = "m #1";
    component_fixture::folder_.write("example.700", std::vector<uint8_t>(nonsense.begin(), nonsense.end()));
    console_.lines.clear();
    ASSERT_EQ(run({example_, "--seconds", "1", "--pcm16", "-o", in_folder("plain.wav")}), 0) << err_;
    EXPECT_EQ(console_.lines, std::vector<std::string>{"Script700 parse error"});
    EXPECT_GT(sounding_second_half("plain.wav"), 1000u);
}

TEST_F(decode_command_test, a_failed_file_does_not_stop_the_others) {
    const std::string bad = folder_.write("bad.spc", {'n', 'o', 't'});
    ASSERT_EQ(run({bad, example_, "--seconds", "0.2", "-o", in_folder("out")}), 1);
    EXPECT_EQ(err_, bad + ": Unsupported file format\n");
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "out" / "bad.wav"));
    EXPECT_EQ(parse_wav(folder_.read("out/example.wav")).data.size(), 6400u * 2 * 4);
}

TEST_F(decode_command_test, a_whole_song_ends_after_its_length_and_fade) {
    set_setting("cfg_use_internal_length", 0);
    set_setting("cfg_song_length", 1000);
    set_setting("cfg_fade_length", 250);
    ASSERT_EQ(run({example_, "--pcm16", "-o", in_folder("song.wav")}), 0) << err_;
    EXPECT_EQ(parse_wav(folder_.read("song.wav")).data.size(), 40000u * 4);
}

// Every real song decodes to a file exactly as long as its track info says,
// or, when its tags give no length, until it has been silent for 5 s.
// The sanitizer build, many times slower, decodes the first seconds of each.
TEST_F(decode_command_test, every_corpus_file_decodes_to_its_length) {
    const auto corpus = shared_files::spc_corpus();
    if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
#if defined(__SANITIZE_ADDRESS__) || defined(_WIN32)
    // Whole songs take minutes under the sanitizers and under Wine, which
    // may itself run on an emulated processor.
    const std::vector<std::string> limit = {"--seconds", "2"};
#else
    const std::vector<std::string> limit;
#endif
    int files = 0;
    for (const auto& song : std::filesystem::directory_iterator(corpus)) {
        const std::string path = song.path().u8string();
        host_abort abort;
        service_ptr_t<input_info_reader> reader;
        host_->find_input(path)->open_for_info_read(reader, {}, path.c_str(), abort);
        track_info_impl info;
        reader->get_info(0, info, abort);
        ASSERT_TRUE(info.has_length()) << path;  // forced lengths are on by default

        std::vector<std::string> arguments = {path, "--pcm16", "--overwrite", "-o", in_folder("song.wav")};
        arguments.insert(arguments.end(), limit.begin(), limit.end());
        ASSERT_EQ(run(arguments), 0) << path << ": " << err_;
        const double seconds = limit.empty() ? info.get_length() : std::min(2.0, info.get_length());
        const auto expected = static_cast<size_t>(std::llround(seconds * 32000) * 4);
        const size_t decoded = wav_data_bytes(folder_.path() / "song.wav");
        const char* tag_length = info.info_get("spc_songlength");
        if (tag_length && std::strcmp(tag_length, "0") == 0) {
            // No length in the tags: 5 s without a sounding voice may end it
            // sooner, after whole blocks.
            EXPECT_LE(decoded, expected) << path;
            EXPECT_GE(decoded, std::min<size_t>(expected, 5 * 32000 * 4)) << path;
            EXPECT_EQ(decoded % (3200 * 4), 0u) << path;
        } else {
            EXPECT_EQ(decoded, expected) << path;
        }
        ++files;
    }
    EXPECT_GE(files, 1);
}

// A failed decode or a refused target never changes what the target holds,
// and leaves no file of its own behind.
TEST_F(decode_command_test, output_never_destroys_a_file) {
    const std::vector<uint8_t> kept = {'k', 'e', 'e', 'p'};
    const std::string good = folder_.write("good.wav", kept);
    EXPECT_EQ(run({in_folder("missing.spc"), "-o", good}), 1);
    EXPECT_EQ(err_, in_folder("missing.spc") + ": no such file\n");
    EXPECT_EQ(run({example_, "--seconds", "0.5", "-o", good}), 1);
    EXPECT_NE(err_.find("exists; give --overwrite"), std::string::npos) << err_;
    EXPECT_EQ(folder_.read("good.wav"), kept);
#ifndef _WIN32
    ASSERT_EQ(mkfifo(in_folder("pipe").c_str(), 0600), 0);
    EXPECT_EQ(run({example_, "--seconds", "0.5", "--overwrite", "-o", in_folder("pipe")}), 1);
    EXPECT_TRUE(std::filesystem::is_fifo(folder_.path() / "pipe"));
#endif
    ASSERT_EQ(run({example_, "--seconds", "0.5", "--overwrite", "-o", good}), 0) << err_;
    EXPECT_EQ(parse_wav(folder_.read("good.wav")).data.size(), 16000u * 2 * 4);
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
        EXPECT_EQ(entry.path().extension(), entry.path().filename() == "pipe" ? "" : ".wav") << entry.path();
    }
}

// Songs of one name in different sub-folders keep them; two that would
// still share an output are refused.
TEST_F(decode_command_test, batch_output_keeps_sub_folders_and_never_merges_two_songs) {
    namespace fs = std::filesystem;
    for (const char* sub : {"a", "b"}) {
        fs::create_directories(folder_.path() / "coll" / sub);
        fs::copy_file(example_, folder_.path() / "coll" / sub / "song.spc");
    }
    ASSERT_EQ(run({in_folder("coll"), "--seconds", "0.2", "-o", in_folder("out")}), 0) << err_;
    EXPECT_TRUE(fs::is_regular_file(folder_.path() / "out" / "a" / "song.wav"));
    EXPECT_TRUE(fs::is_regular_file(folder_.path() / "out" / "b" / "song.wav"));
    EXPECT_EQ(run({in_folder("coll/a/song.spc"), in_folder("coll/b/song.spc"), "--seconds", "0.2", "-o",
                   in_folder("flat")}),
              1);
    EXPECT_NE(err_.find("is already the output of " + in_folder("coll/a/song.spc")), std::string::npos) << err_;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_.path() / "flat"), fs::directory_iterator()), 1);
}

// --seconds ends the work there in whole frames, even for a song that never
// ends; a seek past the end and a song that would play forever are refused.
TEST_F(decode_command_test, limits_end_the_work_and_endless_requests_are_refused) {
    const std::vector<std::string> no_length = {example_, "--set", "cfg_force_length=0", "--set",
                                                "cfg_use_internal_length=0", "--pcm16", "--overwrite"};
    // Sums of 0.1 s blocks once fell just short of these and never stopped.
    for (const char* seconds : {"1", "4.7", "10"}) {
        auto arguments = no_length;
        arguments.insert(arguments.end(), {"--seconds", seconds, "-o", in_folder("cut.wav")});
        ASSERT_EQ(run(arguments), 0) << err_;
        EXPECT_EQ(parse_wav(folder_.read("cut.wav")).data.size(), size_t(std::llround(std::atof(seconds) * 32000)) * 4);
    }
    auto forever = no_length;
    forever.insert(forever.end(), {"-o", in_folder("forever.wav")});
    EXPECT_EQ(run(forever), 1);
    EXPECT_NE(err_.find("give --seconds N"), std::string::npos) << err_;
    EXPECT_EQ(run({example_, "--seek", "14", "-o", in_folder("late.wav")}), 1);
    EXPECT_NE(err_.find("past the song's end (0:14.000)"), std::string::npos) << err_;
    EXPECT_EQ(run({example_, "--seek", "1e300", "-o", in_folder("late.wav")}), 2);
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "late.wav"));
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "forever.wav"));
}

// --loops plays the whole song again; --endless plays on past its length
// without the fade, and needs to be told where to stop.
TEST_F(decode_command_test, loops_repeat_the_song_and_endless_plays_past_its_length) {
    ASSERT_EQ(run({example_, "--pcm16", "-o", in_folder("once.wav")}), 0) << err_;
    ASSERT_EQ(run({example_, "--pcm16", "--loops", "2", "-o", in_folder("twice.wav")}), 0) << err_;
    const auto once = parse_wav(folder_.read("once.wav")).data;
    const auto twice = parse_wav(folder_.read("twice.wav")).data;
    ASSERT_EQ(once.size(), 14u * 32000 * 4);
    ASSERT_EQ(twice.size(), 2 * once.size());
    EXPECT_TRUE(std::equal(once.begin(), once.end(), twice.begin()));
    EXPECT_TRUE(std::equal(once.begin(), once.end(), twice.begin() + once.size()));

    EXPECT_EQ(run({example_, "--endless", "-o", in_folder("endless.wav")}), 2);
    ASSERT_EQ(run({example_, "--pcm16", "--endless", "--seconds", "16", "-o", in_folder("endless.wav")}), 0) << err_;
    const auto endless = parse_wav(folder_.read("endless.wav")).data;
    ASSERT_EQ(endless.size(), 16u * 32000 * 4);
    const size_t fade_starts = 12u * 32000 * 4;
    EXPECT_TRUE(std::equal(once.begin(), once.begin() + fade_starts, endless.begin()));
    // The loudest sample from second `from` on for `seconds`.
    const auto loudest = [](const std::vector<uint8_t>& data, size_t from, size_t seconds) {
        int peak = 0;
        for (size_t at = from * 128000; at < (from + seconds) * 128000; at += 2) {
            peak = std::max(peak, std::abs(int(int16_t(get16(&data[at])))));
        }
        return peak;
    };
    EXPECT_LT(2 * loudest(once, 13, 1), loudest(endless, 13, 1));  // the fade's last second
    EXPECT_EQ(loudest(endless, 14, 2), loudest(endless, 10, 2));
}

// Settings given for a run apply to it alone; one that no playback can use
// is refused before anything plays.
TEST_F(decode_command_test, per_run_settings_apply_to_that_run_only) {
    ASSERT_EQ(run({example_, "--rate", "44100", "--interpolation", "linear", "--seconds", "1", "-o",
                   in_folder("44k.wav")}),
              0)
        << err_;
    const wav_file w = parse_wav(folder_.read("44k.wav"));
    EXPECT_EQ(w.rate, 44100u);
    EXPECT_EQ(w.data.size(), 44100u * 2 * 4);
    EXPECT_NE(out_.find("of 44100 Hz"), std::string::npos) << out_;
    // The component holds its own settings again, and the host saves those.
    EXPECT_EQ(write_config(), defaults_);

    EXPECT_EQ(run({example_, "--rate", "7", "-o", in_folder("7.wav")}), 2);
    EXPECT_EQ(err_, "decode: --rate 7: cfg_samplerate must be 8000 to 192000 Hz\n");
    set_setting("cfg_samplerate", 7);
    EXPECT_EQ(run({example_, "--seconds", "1", "-o", in_folder("7.wav")}), 2);
    EXPECT_EQ(err_.rfind("decode: cfg_samplerate is 7 but must be 8000 to 192000 Hz", 0), 0u) << err_;
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "7.wav"));
}

#ifndef _WIN32
// The captured standard output of the Windows build reads back as text.
TEST_F(decode_command_test, dash_streams_a_wav_to_standard_output) {
    ASSERT_EQ(run({example_, "--seconds", "1", "--pcm16", "-o", "-"}), 0) << err_;
    const wav_file w = parse_wav(std::vector<uint8_t>(out_.begin(), out_.end()));
    EXPECT_TRUE(w.streamed);
    EXPECT_EQ(w.data.size(), 32000u * 2 * 2);
    EXPECT_NE(err_.find("-> standard output: 0:01.000"), std::string::npos) << err_;
    EXPECT_FALSE(std::filesystem::exists("-"));
}
#endif

TEST_F(decode_command_test, usage_errors) {
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({example_, "--seek"}), 2);
    EXPECT_EQ(run({example_, "--seconds", "soon"}), 2);
    EXPECT_EQ(run({example_, "--fast"}), 2);
}

// What a writer put into an anonymous file.
std::vector<uint8_t> contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::vector<uint8_t> bytes;
    for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(file);
    return bytes;
}

// The header states what the decoder delivered, or nothing is claimed.
TEST(wav_writer, states_the_delivered_format_and_refuses_to_invent_one) {
    const float samples[4] = {0.5f, -0.5f, 2.0f, -2.0f};
    std::FILE* nothing = std::tmpfile();
    EXPECT_THROW(wav_writer(nothing, true, wav_writer::sample_type::pcm16).finish(), std::runtime_error);
    std::fclose(nothing);

    std::FILE* empty = std::tmpfile();
    wav_writer first_empty(empty, true, wav_writer::sample_type::pcm16);
    first_empty.write(samples, 0, 1, 44100);
    first_empty.finish();
    const wav_file e = parse_wav(contents(empty));
    EXPECT_EQ(e.rate, 44100u);
    EXPECT_EQ(e.channels, 1);
    EXPECT_TRUE(e.data.empty());

    std::FILE* change = std::tmpfile();
    wav_writer wav(change, true, wav_writer::sample_type::float32);
    wav.write(samples, 2, 2, 32000);
    EXPECT_THROW(wav.write(samples, 2, 1, 32000), std::runtime_error);
    EXPECT_THROW(wav.write(samples, 1, 2, 44100), std::runtime_error);
    std::fclose(change);
}

TEST(wav_writer, pcm16_rounds_to_nearest_and_clamps_and_streams) {
    const float samples[6] = {0.5f / 32768, 1.5f / 32768, -1.0f, 1.0f, 3.0f, -3.0f};
    const int16_t expected[6] = {0, 2, -32768, 32767, 32767, -32768};
    for (const bool seekable : {true, false}) {
        std::FILE* file = std::tmpfile();
        wav_writer wav(file, seekable, wav_writer::sample_type::pcm16);
        wav.write(samples, 3, 2, 8000);
        wav.finish();
        const wav_file w = parse_wav(contents(file));
        EXPECT_EQ(w.streamed, !seekable);
        ASSERT_EQ(w.data.size(), 12u);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(static_cast<int16_t>(get16(&w.data[2 * i])), expected[i]) << i;
    }
}

}  // namespace
