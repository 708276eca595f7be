// The decoder role of the opened file: everything is the decoder's own.
#include "frame/component_state.h"
#include "spc/input_velmo.h"

void input_velmo::decode_initialize(unsigned flags, abort_callback&) {
    if (!decoder_) {
        decoder_ = std::make_unique<spc_decoder>(image_, path_.get_ptr(), settings_, tags_,
                                                 apu_library::path_beside(component_path().get_ptr()));
    }
    decoder_->initialize(flags);
}

bool input_velmo::decode_run(audio_chunk& chunk, abort_callback&) { return decoder_ && decoder_->run(chunk); }

void input_velmo::decode_seek(double seconds, abort_callback&) {
    if (decoder_) decoder_->seek(seconds);
}

bool input_velmo::decode_can_seek() { return settings_.length_limit; }

bool input_velmo::decode_get_dynamic_info(track_info& info, double& timestamp_delta) {
    return decoder_ && decoder_->report_dynamic_info(info, timestamp_delta);
}

void input_velmo::decode_on_idle(abort_callback& abort) { file_->on_idle(abort); }
