#pragma once
// The entry points of SNESAPU.DLL as the component binds them by name, and
// the layout of the records GetAPUData exposes. apu/api/snesapu.h tells what
// each does.
#include <cstdint>

#if defined(_WIN32)
#define SNESAPU_CALL __stdcall
#else
#define SNESAPU_CALL
#endif

namespace snesapu {

// The library's version, which the component also requires.
inline constexpr uint32_t kVersion = 0x20000;
inline constexpr uint32_t kOldestCompatible = 0x20000;

// Every time the library takes or reports is in ticks of the SPC700's
// 64 kHz timer, as the XID6 tag stores its lengths.
inline constexpr uint32_t kTicksPerSecond = 64000;
inline constexpr uint32_t kTicksPerMs = kTicksPerSecond / 1000;

// LoadSPCFile reads this much of an SPC file: the snapshot, up to where the
// extended tag starts.
inline constexpr uint32_t kImageSize = 0x10200;

// The output formats SetAPUOpt takes; with any other it keeps the previous
// one, so a caller's buffer must hold the widest frame it may then write.
inline constexpr uint32_t kMinRate = 8000;
inline constexpr uint32_t kMaxRate = 192000;
inline constexpr uint32_t kWidestFrameBytes = 8;  // 32-bit stereo
inline constexpr bool accepts_format(uint32_t channels, uint32_t bits, uint32_t rate) {
    return (channels == 1 || channels == 2) && (bits == 8 || bits == 16 || bits == 24 || bits == 32) &&
           rate >= kMinRate && rate <= kMaxRate;
}

// A voice record as GetAPUData exposes it: 128 bytes per voice.
inline constexpr int kVoiceRecordSize = 128;
inline constexpr int kVoiceMuteOffset = 13;       // 1 mutes the voice from the next EmuAPU on
inline constexpr int kVoicePeakLeftOffset = 36;   // 32-bit peak levels, kept by the library
inline constexpr int kVoicePeakRightOffset = 40;

using SNESAPUInfoFn = void(SNESAPU_CALL*)(uint32_t* version, uint32_t* oldest_compatible, uint32_t* options);
using GetAPUDataFn = void(SNESAPU_CALL*)(uint8_t** ram, uint8_t** extra_ram, uint8_t** ports, uint32_t** ticks,
                                         uint8_t** dsp_registers, uint8_t** voices, uint32_t** peak_left,
                                         uint32_t** peak_right);
using LoadSPCFileFn = void(SNESAPU_CALL*)(const void* image);
using SetAPUOptFn = void(SNESAPU_CALL*)(uint32_t mixing, uint32_t channels, uint32_t bits, uint32_t rate,
                                        uint32_t interpolation, uint32_t dsp_options);
using SetDSPAmpFn = void(SNESAPU_CALL*)(uint32_t level);
using SetDSPStereoFn = void(SNESAPU_CALL*)(uint32_t separation);
using SetAPULengthFn = uint32_t(SNESAPU_CALL*)(uint32_t song_ticks, uint32_t fade_ticks);
using EmuAPUFn = void*(SNESAPU_CALL*)(void* buffer, uint32_t count, uint32_t count_is_frames);
using SeekAPUFn = void(SNESAPU_CALL*)(uint32_t ticks, uint32_t fast);
using SetScript700Fn = uint32_t(SNESAPU_CALL*)(const void* script);
using SNESAPUCallbackFn = void*(SNESAPU_CALL*)(void* callback, uint32_t mask);

}  // namespace snesapu
