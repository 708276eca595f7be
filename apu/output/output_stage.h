#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "output/fade.h"
#include "output/post_filter.h"
#include "output/sample_format.h"

namespace apu::output {

class Resampler;

// Everything after the 32 kHz core, in order: the option filters, stereo
// separation, left/right reversal and amplification at the core's rate,
// resampling, the fade at the output rate, and the sample format. At
// 32000 Hz there is no resampler, so default settings give the core's
// samples unchanged.
class OutputStage {
public:
    OutputStage();
    ~OutputStage();

    // A new rate starts the resampler afresh.
    void set_format(const SampleFormat& format);
    const SampleFormat& format() const { return format_; }
    void set_options(uint32_t options);
    void set_amplification(uint32_t level);  // level / 16; 16 is unity
    void set_separation(uint32_t separation);  // 16.16: 0x8000 as the hardware, 0 mono, 0x10000 side doubled
    Fade& fade() { return fade_; }
    // Empties the filters and the resampler, as before the first sample.
    void clear();

    // Core frames needed for the next `frames` output frames.
    size_t core_frames_for(size_t frames) const;
    // Of those, how many at the end influence what follows; the state after
    // any span is that tail plus the count of frames (when every_frame_matters()
    // is false).
    size_t core_history() const;
    // True when filters with unending memory are on: a skip must then be
    // given every core frame.
    bool every_frame_matters() const { return filter_.active(); }

    // Turns core_frames_for(frames) core frames into `frames` output frames
    // at `out`; the first output frame lies `first_ticks` after the song
    // began. Also raises the peaks.
    void process(const int16_t* core, size_t frames, double first_ticks, uint8_t* out);
    // Advances as process() would by `frames` output frames, given only the
    // last `given` of the core frames process() would read (at least
    // core_history() of them, or all when every_frame_matters()).
    void skip(const int16_t* core_tail, size_t given, size_t frames);
    // Runs core frames through the filters alone (into the work buffer),
    // during a skip whose every frame matters, before the last ones go to skip().
    void filter_only(const int16_t* core, size_t count);

    uint32_t peak(int channel) const { return peak_[channel]; }
    void clear_peaks() { peak_[0] = peak_[1] = 0; }

    size_t memory_bytes() const;


private:
    // The core-rate stages on `count` frames in `work_`, and whether they
    // change anything.
    void shape(const int16_t* core, size_t count);
    bool shapes() const;

    SampleFormat format_;
    uint32_t options_ = 0;
    float amplification_ = 1.0f;
    float side_gain_ = 1.0f;
    PostFilter filter_;
    Fade fade_;
    std::unique_ptr<Resampler> resampler_;  // null at the core's rate
    std::vector<float> work_, resampled_;
    uint32_t peak_[2] = {};
};

}  // namespace apu::output
