#include "playback/apu_library.h"

#include "playback/library_copies.h"
#include "support/console.h"

namespace {


template <class Fn>
void look_up(platform::module_handle module, Fn& slot, const char* name) {
    slot = reinterpret_cast<Fn>(platform::find_symbol(module, name));
}

}  // namespace

string8_t apu_library::path_beside(const char* component_path) {
    string8_t path(component_path);
    path.truncate(path.filename_start());
    path += "SNESAPU.DLL";
    return path;
}

std::unique_ptr<apu_library> apu_library::bind(const char* path) {
    std::unique_ptr<apu_library> library(new apu_library(load_library_copy(path)));
    if (!library->module_) {
        console_print("Could not locate SNESAPU.DLL.");
        return nullptr;
    }
    library->look_up_entry_points();
    apu_table& t = library->table_;
    if (t.get_apu_data) {
        t.get_apu_data(&t.ram, &t.extra_ram, nullptr, &t.time_counter, &t.dsp_registers, &t.voice_records,
                       &t.peak_left, &t.peak_right);
    }
    if (!library->complete()) {
        console_print("SNESAPU.DLL function lookups failed.");
        return nullptr;
    }
    if (!library->compatible()) {
        console_print("Incompatible SNESAPU.DLL version.");
        return nullptr;
    }
    return library;
}

apu_library::~apu_library() { unload_library_copy(module_); }

void apu_library::look_up_entry_points() {
    look_up(module_, table_.emu_apu, "EmuAPU");
    look_up(module_, table_.get_apu_data, "GetAPUData");
    look_up(module_, table_.load_spc_file, "LoadSPCFile");
    look_up(module_, table_.seek_apu, "SeekAPU");
    look_up(module_, table_.set_apu_length, "SetAPULength");
    look_up(module_, table_.set_apu_opt, "SetAPUOpt");
    look_up(module_, table_.set_dsp_amp, "SetDSPAmp");
    look_up(module_, table_.set_dsp_stereo, "SetDSPStereo");
    look_up(module_, table_.snesapu_info, "SNESAPUInfo");
    look_up(module_, table_.set_script700, "SetScript700");
    look_up(module_, table_.snesapu_callback, "SNESAPUCallback");
}

bool apu_library::complete() const {
    const apu_table& t = table_;
    const bool entry_points = t.emu_apu && t.get_apu_data && t.load_spc_file && t.seek_apu && t.set_apu_length &&
                              t.set_apu_opt && t.set_dsp_amp && t.set_dsp_stereo && t.snesapu_info;
    const bool records = t.time_counter && t.dsp_registers && t.voice_records && t.peak_left && t.peak_right;
    return entry_points && records;
}

bool apu_library::compatible() const {
    uint32_t version = 0;
    uint32_t oldest_compatible = 0;
    uint32_t options = 0;
    table_.snesapu_info(&version, &oldest_compatible, &options);
    return version >= snesapu::kVersion && oldest_compatible <= snesapu::kVersion;
}
