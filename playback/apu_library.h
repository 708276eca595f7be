#pragma once
#include <cstdint>
#include <memory>

#include "sdk/snesapu_entry_points.h"
#include "support/platform.h"
#include "support/string8.h"

// What a bound library gives: its entry points and the addresses of its live
// records. An entry point the library does not export stays null.
struct apu_table {
    uint8_t* ram = nullptr;
    uint8_t* extra_ram = nullptr;
    uint32_t* time_counter = nullptr;
    uint8_t* dsp_registers = nullptr;
    uint8_t* voice_records = nullptr;
    uint32_t* peak_left = nullptr;
    uint32_t* peak_right = nullptr;

    snesapu::EmuAPUFn emu_apu = nullptr;
    snesapu::GetAPUDataFn get_apu_data = nullptr;
    snesapu::LoadSPCFileFn load_spc_file = nullptr;
    snesapu::SeekAPUFn seek_apu = nullptr;
    snesapu::SetAPULengthFn set_apu_length = nullptr;
    snesapu::SetAPUOptFn set_apu_opt = nullptr;
    snesapu::SetDSPAmpFn set_dsp_amp = nullptr;
    snesapu::SetDSPStereoFn set_dsp_stereo = nullptr;
    snesapu::SetScript700Fn set_script700 = nullptr;
    snesapu::SNESAPUCallbackFn snesapu_callback = nullptr;
    snesapu::SNESAPUInfoFn snesapu_info = nullptr;
};

// One private instance of the emulation library (its own module, a copy of
// the file when the file is already loaded), bound by name. The destructor
// is the only place that unbinds.
class apu_library {
public:
    // Where the component looks for the library: beside its own file.
    static string8_t path_beside(const char* component_path);

    // The bound library, or null after one console line saying why: the file
    // would not load, an entry point the decoder calls is missing, or the
    // version is not compatible.
    static std::unique_ptr<apu_library> bind(const char* path);

    ~apu_library();
    apu_library(const apu_library&) = delete;
    apu_library& operator=(const apu_library&) = delete;

    const apu_table& table() const { return table_; }
    platform::module_handle module() const { return module_; }

private:
    explicit apu_library(platform::module_handle module) : module_(module) {}
    void look_up_entry_points();
    // Every entry point the decoder calls, and every record it writes to.
    bool complete() const;
    bool compatible() const;

    platform::module_handle module_;
    apu_table table_;
};
