#include "spc/input_velmo.h"
#include "support/console.h"
#include "support/exceptions.h"

// Playback needs the emulation library binding, which is not built yet: the
// decoder reports the library as missing, as it would without the DLL.
void input_velmo::decode_initialize(unsigned, abort_callback&) {
    console_print("Could not locate SNESAPU.DLL.");
    throw sonmara_io::exception_io_data("Unable to load SNESAPU.dll");
}

bool input_velmo::decode_run(audio_chunk&, abort_callback&) { return false; }
void input_velmo::decode_seek(double, abort_callback&) {}
bool input_velmo::decode_can_seek() { return settings_.length_limit; }
bool input_velmo::decode_get_dynamic_info(track_info&, double&) { return false; }
void input_velmo::decode_on_idle(abort_callback& abort) { file_->on_idle(abort); }
