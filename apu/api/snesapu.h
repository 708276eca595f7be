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
// SetScript700 takes a Script700 script's 0-terminated text and returns 1
// when it parsed, 0 when it did not (the instance then runs no script);
// null clears the script and returns 1. The script runs beside the SPC700
// from its start at each LoadSPCFile (at once when given mid-song), and
// seeking keeps its state exact with the rest. The library has no folder
// to read from, so a script that includes files does not parse here.
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
#include "sdk/snesapu_entry_points.h"
