#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "api/seek_snapshots.h"
#include "core/sound_system.h"
#include "output/output_stage.h"
#include "script700/interpreter.h"
#include "script700/tokens.h"
#include "sdk/snesapu_entry_points.h"

namespace apu::api {

// One sound system with everything the library's entry points act on: the
// core, the output stage, the song's length and position, the seek
// snapshots and the records the caller reads through GetAPUData. The entry
// points translate their C arguments to these calls and nothing more.
class ApuInstance {
public:
    static constexpr size_t kImageSize = snesapu::kImageSize;  // the snapshot part of an SPC file

    ApuInstance();
    ApuInstance(const ApuInstance&) = delete;
    ApuInstance& operator=(const ApuInstance&) = delete;

    // `image`: kImageSize bytes of an SPC file (a shorter file padded with
    // zeros); null restarts from silence.
    void load(const uint8_t* image);
    // Keeps the previous format unless the new one is valid, and the
    // previous interpolation unless the mode is known.
    void set_options(uint32_t channels, uint32_t bits, uint32_t rate, uint32_t interpolation, uint32_t options);
    void set_amplification(uint32_t level);
    void set_separation(uint32_t separation);
    // Returns the total, song plus fade, in ticks.
    uint32_t set_length(uint32_t song_ticks, uint32_t fade_ticks);
    // Writes exactly `frames` frames of the current format; returns the end.
    uint8_t* emulate(uint8_t* buffer, size_t frames);
    void seek(uint32_t ticks, bool fast);
    // A Script700 script to run beside the song from the next load on (or
    // at once, from its start, when given mid-song); null clears it. Returns
    // 0, and runs no script, when the text does not parse; includes are
    // read through `includes`, and are errors without it.
    uint32_t set_script(const char* text, const script700::IncludeReader* includes = nullptr);
    // Why the last script did not parse ("line:column: reason"), or why it
    // stopped early; empty when neither happened.
    std::string script_problem() const;
    const script700::Interpreter& script() const { return script_; }

    size_t frame_bytes() const { return output_.format().frame_bytes(); }
    uint8_t* ram() { return core_->ram(); }
    uint8_t* extra_ram() { return core_->ram() + 0xFFC0; }
    uint8_t* ports() { return ports_; }
    uint32_t* ticks() { return &ticks32_; }
    uint8_t* dsp_registers() { return dsp_registers_; }
    uint8_t* voice_records() { return &voices_[0][0]; }
    uint32_t* peak(int channel) { return &peak_[channel & 1]; }

    // Bytes held by this instance (core, output stage, snapshots, image).
    size_t memory_bytes() const;
    SoundSystem& core() { return *core_; }
    const SeekSnapshots& snapshots() const { return snapshots_; }
    // The core position of the snapshot the last seek restored, 0 for none.
    uint64_t restored_from() const { return restored_from_; }

private:
    enum class CoreWork { render, skip };
    uint64_t state_settings() const;
    void apply_core_settings();
    void take_mute_flags();
    // A setting that changes the emulated state took a new value.
    void settings_changed();
    // Runs the core to `target` frames; rendered frames go to `out` (when
    // rendering), taking the snapshots that fall due on the way.
    void advance_core(uint64_t target, CoreWork work, int16_t* out);
    // Makes `frames` output frames at `out`, or drops them when it is null.
    void play(uint8_t* out, size_t frames);
    // Moves the output on by `frames` frames without making them, exactly.
    void advance_output(size_t frames, bool fast);
    // Output frames since the grid's anchor until the grid reaches `ticks`.
    uint64_t frames_until(uint64_t ticks) const;
    double frame_ticks(uint64_t frame) const;
    void publish();

    std::unique_ptr<SoundSystem> core_;
    output::OutputStage output_;
    SeekSnapshots snapshots_;
    std::vector<uint8_t> image_;
    std::vector<int16_t> core_frames_;
    std::vector<uint8_t> discard_frames_;  // output a slow seek plays and drops
    script700::Interpreter script_;
    std::string script_parse_error_;
    uint32_t script_generation_ = 0;  // 0 without a script; tells snapshots of scripts apart
    uint32_t scripts_given_ = 0;

    uint32_t interpolation_ = 3;
    uint32_t options_ = 0;
    uint8_t mute_mask_ = 0;

    // The caller's tick counter, and the grid of output frames it follows:
    // frame k after the anchor lies at anchor + k * 64000 / rate ticks.
    uint64_t ticks_ = 0;
    uint64_t tick_fraction_ = 0;  // in 1/rate ticks
    uint64_t anchor_ticks_ = 0;
    uint64_t grid_frames_ = 0;

    uint64_t restored_from_ = 0;
    uint32_t ticks32_ = 0;
    uint8_t ports_[4] = {};
    uint8_t dsp_registers_[128] = {};
    uint8_t voices_[8][128] = {};
    uint32_t peak_[2] = {};
};

}  // namespace apu::api
