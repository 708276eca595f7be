// A stand-in for the emulation library that records every call, so that
// tests can see what the decoder asks of it. Built in variants: an old
// version, and ones lacking an entry point (FAKE_WITHOUT names it).
#include <cstdint>
#include <cstring>
#include <string>

#include "sdk/snesapu_entry_points.h"

#if defined(_WIN32)
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#ifndef FAKE_VERSION
#define FAKE_VERSION 0x20000
#endif

namespace {

struct fake_state {
    std::string log;
    uint8_t ram[0x10000];
    uint32_t ticks = 0;
    uint8_t dsp[128];
    uint8_t voices[8 * snesapu::kVoiceRecordSize];
    uint32_t peak_left = 1;
    uint32_t peak_right = 1;
    uint32_t channels = 2, bits = 16, rate = 32000;
    uint32_t script_result = 1;
    uint8_t image_sum = 0;
};

fake_state& state() {
    static fake_state s;
    return s;
}

void note(const std::string& line) { state().log += line + "\n"; }
std::string number(uint32_t value) { return std::to_string(value); }

}  // namespace

#define FAKE_ENTRY(name) FAKE_EXPORT void SNESAPU_CALL name

#if !defined(FAKE_WITHOUT_EmuAPU)
// Every sample is half of full scale, alternating in sign.
FAKE_EXPORT void* SNESAPU_CALL EmuAPU(void* buffer, uint32_t count, uint32_t) {
    fake_state& s = state();
    note("EmuAPU " + number(count));
    auto* out = static_cast<uint8_t*>(buffer);
    const uint32_t samples = count * s.channels;
    for (uint32_t i = 0; i < samples; ++i) {
        const bool positive = i % 2 == 0;
        switch (s.bits) {
        case 8: *out++ = positive ? 192 : 64; break;
        case 16: {
            const int16_t v = positive ? 16384 : -16384;
            std::memcpy(out, &v, 2);
            out += 2;
            break;
        }
        case 24: {
            const int32_t v = positive ? 0x400000 : -0x400000;
            std::memcpy(out, &v, 3);
            out += 3;
            break;
        }
        default: {
            const int32_t v = positive ? 0x40000000 : -0x40000000;
            std::memcpy(out, &v, 4);
            out += 4;
            break;
        }
        }
    }
    s.ticks += static_cast<uint32_t>(uint64_t{count} * 64000 / s.rate);
    return out;
}
#endif

FAKE_ENTRY(GetAPUData)(uint8_t** ram, uint8_t** extra_ram, uint8_t** ports, uint32_t** ticks, uint8_t** dsp,
                       uint8_t** voices, uint32_t** peak_left, uint32_t** peak_right) {
    fake_state& s = state();
    note(std::string("GetAPUData") + (ports ? " ports" : ""));
    if (ram) *ram = s.ram;
    if (extra_ram) *extra_ram = s.ram + 0xFFC0;
    if (ticks) *ticks = &s.ticks;
    if (dsp) *dsp = s.dsp;
    if (voices) *voices = s.voices;
    if (peak_left) *peak_left = &s.peak_left;
    if (peak_right) *peak_right = &s.peak_right;
}

// Reads the whole snapshot, as the real library does, so a short image
// that reached here unpadded would be read past its end.
FAKE_ENTRY(LoadSPCFile)(const void* image) {
    fake_state& s = state();
    const auto* bytes = static_cast<const uint8_t*>(image);
    uint8_t sum = 0;
    for (uint32_t i = 0; i < 0x10200; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
    s.image_sum = sum;
    s.ticks = 0;
    note("LoadSPCFile");
}

FAKE_ENTRY(SeekAPU)(uint32_t ticks, uint32_t fast) {
    state().ticks += ticks;
    note("SeekAPU " + number(ticks) + " " + number(fast));
}

FAKE_EXPORT uint32_t SNESAPU_CALL SetAPULength(uint32_t song, uint32_t fade) {
    note("SetAPULength " + number(song) + " " + number(fade));
    return song + fade;
}

FAKE_ENTRY(SetAPUOpt)(uint32_t mixing, uint32_t channels, uint32_t bits, uint32_t rate, uint32_t interpolation,
                      uint32_t options) {
    fake_state& s = state();
    note("SetAPUOpt " + number(mixing) + " " + number(channels) + " " + number(bits) + " " + number(rate) + " " +
         number(interpolation) + " " + number(options));
    if ((channels == 1 || channels == 2) && (bits == 8 || bits == 16 || bits == 24 || bits == 32) && rate >= 8000 &&
        rate <= 192000) {
        s.channels = channels;
        s.bits = bits;
        s.rate = rate;
    }
}

#if !defined(FAKE_WITHOUT_SetDSPAmp)
FAKE_ENTRY(SetDSPAmp)(uint32_t level) { note("SetDSPAmp " + number(level)); }
#endif

FAKE_ENTRY(SetDSPStereo)(uint32_t separation) { note("SetDSPStereo " + number(separation)); }

FAKE_ENTRY(SNESAPUInfo)(uint32_t* version, uint32_t* oldest, uint32_t* options) {
    note("SNESAPUInfo");
    *version = FAKE_VERSION;
    *oldest = 0x20000;
    *options = 0;
}

#if !defined(FAKE_WITHOUT_SetScript700)
FAKE_EXPORT uint32_t SNESAPU_CALL SetScript700(const void* script) {
    note(script ? "SetScript700 [" + std::string(static_cast<const char*>(script)) + "]" : "SetScript700 null");
    return script ? state().script_result : 1;
}
#endif

FAKE_EXPORT void* SNESAPU_CALL SNESAPUCallback(void*, uint32_t) {
    note("SNESAPUCallback");
    return nullptr;
}

// The test's own window into the fake.
FAKE_EXPORT const char* FakeLog() { return state().log.c_str(); }
FAKE_EXPORT void FakeClearLog() { state().log.clear(); }
FAKE_EXPORT uint8_t* FakeDsp() { return state().dsp; }
FAKE_EXPORT uint8_t* FakeVoices() { return state().voices; }
FAKE_EXPORT uint32_t* FakeTicks() { return &state().ticks; }
FAKE_EXPORT uint32_t FakeImageSum() { return state().image_sum; }
FAKE_EXPORT void FakeSetScriptResult(uint32_t result) { state().script_result = result; }
