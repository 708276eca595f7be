#include "core/snapshot.h"

#include <cstring>

#include "core/sound_system.h"

namespace apu {

// The snapshot does not hold where the CPU stood in the DSP's 32-clock
// period. Players share the reference emulator's alignment, measured
// against it on real songs: the CPU, and with it the timers, resume two
// clocks after the DSP's period begins.
constexpr uint64_t kCpuCycleAfterLoad = 2;

bool SoundSystem::load_spc(const uint8_t* image, size_t size) {
    if (!image) size = 0;
    auto copy = [&](uint8_t* to, size_t offset, size_t count) {
        const size_t have = offset < size ? (size - offset < count ? size - offset : count) : 0;
        if (have) std::memcpy(to, image + offset, have);
        std::memset(to + have, 0, count - have);
    };
    auto byte = [&](size_t offset) { return offset < size ? image[offset] : uint8_t(0); };

    reset();
    cpu_.set_cycle(kCpuCycleAfterLoad);
    copy(ram(), spc::kRam, 0x10000);
    uint8_t dsp_registers[128];
    copy(dsp_registers, spc::kDspRegisters, sizeof dsp_registers);
    dsp().load_registers(dsp_registers);

    // The I/O registers are not in the image; a dump leaves their last
    // values in the RAM beneath them.
    const uint8_t* io = ram() + 0xF0;
    const uint8_t control = io[1];
    // With the ROM switched in, the dumped bytes at 0xFFC0 are what the CPU
    // saw (the ROM) and the RAM beneath is kept separately; otherwise the
    // dumped bytes already are the RAM.
    if (control & 0x80) copy(ram() + kIplRomBase, spc::kExtraRam, 64);
    const uint8_t counters[3] = {uint8_t(io[0xD] & 0x0F), uint8_t(io[0xE] & 0x0F), uint8_t(io[0xF] & 0x0F)};
    bus_.restore_io(control, io[2], io + 4, io + 8, io + 0xA, counters, cpu_.cycle());

    CpuRegisters r;
    r.pc = uint16_t(byte(spc::kPc) | byte(spc::kPc + 1) << 8);
    r.a = byte(spc::kA);
    r.x = byte(spc::kX);
    r.y = byte(spc::kY);
    r.psw = byte(spc::kPsw);
    r.sp = byte(spc::kSp);
    cpu_.set_registers(r);
    return image && size >= spc::kSnapshotSize;
}

}  // namespace apu
