#pragma once
#include <cstdint>
#include <memory>

#include "playback/apu_library.h"
#include "prefs/settings_snapshot.h"
#include "sdk/snesapu_entry_points.h"
#include "sdk/track_info.h"
#include "spc/playback_plan.h"
#include "support/byte_buffer.h"
#include "support/string8.h"

// Plays one opened SPC file through a private instance of the emulation
// library: blocks of at most 100 ms as float samples, ended by the song's
// length and fade or by 5 s of silence, seekable forward and back.
class spc_decoder {
public:
    // Lengths beyond this many milliseconds are held there, so that their
    // ticks never wrap and a long song never ends at once.
    static constexpr uint32_t max_length_ms = 0xFFFFFFFFu / snesapu::kTicksPerMs;
    static constexpr uint32_t block_ms = 100;
    static constexpr uint32_t silence_limit_ms = 5000;

    // The decoder reads the opened file's image (at least the snapshot the
    // library reads) and keeps its own copies of the settings and the plan.
    spc_decoder(const byte_buffer& image, const char* path, const settings_snapshot& settings, const playback_plan& plan,
                string8_t library_path);
    ~spc_decoder();
    spc_decoder(const spc_decoder&) = delete;
    spc_decoder& operator=(const spc_decoder&) = delete;

    // Starts (or restarts) the song; input_decoder::flag_playback makes it
    // play to its length from then on. Throws exception_io_data when the
    // library cannot be bound or the settings ask for an output it cannot give.
    void initialize(unsigned flags);
    bool run(audio_chunk& chunk);
    void seek(double seconds);
    // The output format as technical info, once after a start or a seek.
    bool report_dynamic_info(track_info& info, double& timestamp_delta);

    uint32_t played_ms() const { return played_ms_; }
    // The plan it plays by: the file's, with the length limit a playback start turned on.
    const playback_plan& plan() const { return plan_; }
    // The bound library, null before the first start.
    const apu_library* library() const { return library_.get(); }

private:
    void load_song();
    void size_sample_buffer();
    // The song plus its fade, in milliseconds.
    uint32_t end_ms() const;
    bool any_voice_sounds() const;
    void convert(uint32_t values, float* out) const;

    const byte_buffer& image_;
    string8_t path_;
    const settings_snapshot settings_;
    playback_plan plan_;
    string8_t library_path_;

    std::unique_ptr<apu_library> library_;
    byte_buffer sample_buffer_;
    bool dynamic_info_pending_ = false;
    uint32_t last_block_ms_ = 0;
    uint32_t played_ms_ = 0;
    uint32_t silence_ms_ = 0;
};
