#pragma once
#include <memory>

#include "playback/spc_decoder.h"
#include "spc/input_velmo.h"

// The opened file with its decoder: the class the host's input entry serves
// in every role. Decoding forwards to the decoder, which plays a copy of the
// file's plan.
class decoding_input : public input_velmo {
public:
    // Reports the length the decoder plays to once a playback start armed it.
    void get_info(track_info& info, abort_callback& abort);

    void decode_initialize(unsigned flags, abort_callback& abort);
    bool decode_run(audio_chunk& chunk, abort_callback&) { return decoder_ && decoder_->run(chunk); }
    void decode_seek(double seconds, abort_callback&) {
        if (decoder_) decoder_->seek(seconds);
    }
    bool decode_can_seek() { return playing_plan().length_limit; }
    bool decode_get_dynamic_info(track_info& info, double& timestamp_delta) {
        return decoder_ && decoder_->report_dynamic_info(info, timestamp_delta);
    }
    void decode_on_idle(abort_callback& abort) { file_->on_idle(abort); }

private:
    const playback_plan& playing_plan() const { return decoder_ ? decoder_->plan() : plan(); }

    // Created by the first decode_initialize; released before the image it reads.
    std::unique_ptr<spc_decoder> decoder_;
};
