// The library's entry points: each translates its arguments for the one
// instance this loaded module owns. A second instance in the same process
// is a second module (a private copy of the file), with its own.
#include <cstring>

#include "api/apu_instance.h"
#include "api/snesapu.h"

#if defined(_WIN32)
#define SNESAPU_EXPORT extern "C"  // named in SNESAPU.def
#else
#define SNESAPU_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

apu::api::ApuInstance& the_instance() {
    static apu::api::ApuInstance instance;
    return instance;
}

template <class T>
void give(T** out, T* value) {
    if (out) *out = value;
}

}  // namespace

SNESAPU_EXPORT void SNESAPU_CALL SNESAPUInfo(uint32_t* version, uint32_t* oldest_compatible, uint32_t* options) {
    if (version) *version = snesapu::kVersion;
    if (oldest_compatible) *oldest_compatible = snesapu::kOldestCompatible;
    if (options) *options = 0;
}

SNESAPU_EXPORT void SNESAPU_CALL GetAPUData(uint8_t** ram, uint8_t** extra_ram, uint8_t** ports, uint32_t** ticks,
                                            uint8_t** dsp_registers, uint8_t** voices, uint32_t** peak_left,
                                            uint32_t** peak_right) {
    apu::api::ApuInstance& apu = the_instance();
    give(ram, apu.ram());
    give(extra_ram, apu.extra_ram());
    give(ports, apu.ports());
    give(ticks, apu.ticks());
    give(dsp_registers, apu.dsp_registers());
    give(voices, apu.voice_records());
    give(peak_left, apu.peak(0));
    give(peak_right, apu.peak(1));
}

SNESAPU_EXPORT void SNESAPU_CALL LoadSPCFile(const void* image) {
    the_instance().load(static_cast<const uint8_t*>(image));
}

SNESAPU_EXPORT void SNESAPU_CALL SetAPUOpt(uint32_t, uint32_t channels, uint32_t bits, uint32_t rate,
                                           uint32_t interpolation, uint32_t dsp_options) {
    the_instance().set_options(channels, bits, rate, interpolation, dsp_options);
}

SNESAPU_EXPORT void SNESAPU_CALL SetDSPAmp(uint32_t level) { the_instance().set_amplification(level); }

SNESAPU_EXPORT void SNESAPU_CALL SetDSPStereo(uint32_t separation) { the_instance().set_separation(separation); }

SNESAPU_EXPORT uint32_t SNESAPU_CALL SetAPULength(uint32_t song_ticks, uint32_t fade_ticks) {
    return the_instance().set_length(song_ticks, fade_ticks);
}

SNESAPU_EXPORT void* SNESAPU_CALL EmuAPU(void* buffer, uint32_t count, uint32_t count_is_frames) {
    apu::api::ApuInstance& apu = the_instance();
    // Any other unit value counts bytes, of which only whole frames are filled.
    const size_t frames = count_is_frames == 1 ? count : count / apu.frame_bytes();
    return apu.emulate(static_cast<uint8_t*>(buffer), buffer ? frames : 0);
}

SNESAPU_EXPORT void SNESAPU_CALL SeekAPU(uint32_t ticks, uint32_t fast) { the_instance().seek(ticks, fast != 0); }

SNESAPU_EXPORT uint32_t SNESAPU_CALL SetScript700(const void* script) {
    return the_instance().set_script(static_cast<const char*>(script));
}

SNESAPU_EXPORT void* SNESAPU_CALL SNESAPUCallback(void*, uint32_t) { return nullptr; }
