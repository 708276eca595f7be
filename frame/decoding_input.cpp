#include "frame/decoding_input.h"

#include "frame/component_state.h"
#include "spc/track_info_report.h"

void decoding_input::get_info(track_info& info, abort_callback&) { report_track_info(info, tags(), playing_plan()); }

void decoding_input::decode_initialize(unsigned flags, abort_callback&) {
    if (!decoder_) {
        decoder_ = std::make_unique<spc_decoder>(image_, path_.get_ptr(), settings(), plan(),
                                                 apu_library::path_beside(component_path().get_ptr()));
    }
    decoder_->initialize(flags);
}
