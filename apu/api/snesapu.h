#pragma once
// The C interface of SNESAPU.DLL: entry points bound by name, stdcall on
// 32-bit Windows, all numbers 32-bit, times in ticks of 1/64000 s. Each
// loaded instance of the library (a module, or a private copy of its file)
// is one independent sound system; nothing is shared between instances.
//
// LoadSPCFile reads the 0x10200 bytes of an SPC file's snapshot from the
// address it is given (it is given no size): a caller with a shorter file
// pads its copy with zeros. A null address restarts from silence.
//
// SeekAPU keeps every piece of state exact in both modes: the slow mode
// plays the span through every stage, the fast one leaves out what nobody
// can hear. A seek back to a point played since the same file was loaded
// starts from the nearest snapshot taken while playing (unless the analog
// or bass-boost filter is on: their memory spans the whole song, so the
// span is replayed).
//
// Calls with values outside the sets below change nothing:
// - SetAPUOpt keeps the previous output format unless channels is 1 or 2,
//   bits is 8, 16, 24 or 32 and the rate lies in 8000..192000 Hz; an
//   unknown interpolation mode keeps the previous mode. Any mixing value is
//   accepted and gives the same output.
// - EmuAPU with a null buffer or no frames writes nothing.
//
// DSP option bits (SetAPUOpt's last argument); other bits are ignored:
// | bit        | label                                   | effect |
// |------------|-----------------------------------------|--------|
// | 0x00000001 | Simulate analog anomalies (low-pass)    | the console's analog output stage: a 2-pole low-pass at 12 kHz (Butterworth) and a 1-pole DC-blocking high-pass at 10 Hz, at 32 kHz before resampling |
// | 0x00000002 | Use old ADPCM decompression routine     | BRR samples are clamped to 15 bits instead of wrapping past 0x3FFF |
// | 0x00000004 | Enable "surround" sound                 | the echo returns with opposite signs (EVOL L as +|value|, R as -|value|), so a matrix surround decoder places the reverb behind the listener |
// | 0x00000008 | Reverse stereo position                 | left and right swapped |
// | 0x00000010 | Disable echo                            | echo volumes taken as 0: the echo is not heard (the echo buffer in RAM is still written as the song expects) |
// | 0x00000020 | Disable pitch modulation                | PMON taken as 0 |
// | 0x00000040 | Disable pitch read                      | every voice ignores its pitch registers and plays at its sample's own rate (pitch 0x1000) |
// | 0x00000080 | Disable FIR low pass                    | the echo filter passes its newest sample only (FIR 0..6 as 0, FIR 7 as 127) |
// | 0x00000100 | Bass boost                              | a low shelf of +6 dB below 150 Hz (2-pole), at 32 kHz before resampling |
// | 0x00000200 | Disable envelope                        | every voice at full level while keyed on (ADSR taken as attack 15, sustain level 7, no decay); release after key-off unchanged |
// | 0x00000400 | Disable noise                           | NON taken as 0: voices play their samples |
// | 0x00000800 | Write DSP echo memory map               | no change: the echo buffer is always written to RAM as the hardware does (FLG permitting) |
// | 0x00001000 | Disable surround sound                  | negative voice, main and echo volumes taken as their magnitude, so a mono listener loses nothing |
// | 0x80000000 | Disable volume safe                     | output past the sample format's range wraps instead of clamping |
// "Taken as" means the DSP computes with that value while the CPU still
// reads back what it wrote. Bits 0x4 and 0x1000 together: magnitudes first,
// then the opposite echo signs.
#include <cstdint>

#if defined(_WIN32)
#define SNESAPU_CALL __stdcall
#else
#define SNESAPU_CALL
#endif

namespace snesapu {

inline constexpr uint32_t kVersion = 0x20000;
inline constexpr uint32_t kOldestCompatible = 0x20000;

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
