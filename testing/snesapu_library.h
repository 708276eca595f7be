#pragma once
// SNESAPU.DLL loaded as a player loads it: by path, entry points bound by
// name. A second instance in one process needs a second file, so copy()
// loads a private copy of the library (removed again when unloaded).

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "api/snesapu.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace apu_test {

class SnesApuLibrary {
public:
    // The library beside the test programs, where the component finds it.
    static std::filesystem::path default_path() {
#if defined(VELMO_SNESAPU_PATH)
        return VELMO_SNESAPU_PATH;
#else
        return std::filesystem::path("components") / "SNESAPU.DLL";
#endif
    }

    explicit SnesApuLibrary(const std::filesystem::path& path = default_path(), bool own_file = false)
        : path_(path), own_file_(own_file) {
#if defined(_WIN32)
        handle_ = LoadLibraryW(std::filesystem::absolute(path).wstring().c_str());
#else
        handle_ = dlopen(std::filesystem::absolute(path).c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
        if (!handle_) return;
        bind(info, "SNESAPUInfo");
        bind(get_data, "GetAPUData");
        bind(load, "LoadSPCFile");
        bind(set_options, "SetAPUOpt");
        bind(set_amp, "SetDSPAmp");
        bind(set_stereo, "SetDSPStereo");
        bind(set_length, "SetAPULength");
        bind(emulate, "EmuAPU");
        bind(seek, "SeekAPU");
        bind(set_script, "SetScript700");
        bind(callback, "SNESAPUCallback");
    }
    // A private copy of the default library, in the temporary folder,
    // named for this process: test programs running side by side must not
    // overwrite a copy the other has loaded.
    static SnesApuLibrary copy(const std::string& tag) {
#if defined(_WIN32)
        const unsigned long process = GetCurrentProcessId();
#else
        const unsigned long process = static_cast<unsigned long>(getpid());
#endif
        const auto to = std::filesystem::temp_directory_path() /
                        ("SNESAPU-" + std::to_string(process) + "-" + tag + ".DLL");
        std::error_code ignored;
        std::filesystem::copy_file(default_path(), to, std::filesystem::copy_options::overwrite_existing, ignored);
        return SnesApuLibrary(to, true);
    }
    SnesApuLibrary(SnesApuLibrary&& other) noexcept { *this = std::move(other); }
    SnesApuLibrary& operator=(SnesApuLibrary&& other) noexcept {
        std::swap(handle_, other.handle_);
        std::swap(path_, other.path_);
        std::swap(own_file_, other.own_file_);
        info = other.info, get_data = other.get_data, load = other.load, set_options = other.set_options;
        set_amp = other.set_amp, set_stereo = other.set_stereo, set_length = other.set_length;
        emulate = other.emulate, seek = other.seek, set_script = other.set_script, callback = other.callback;
        return *this;
    }
    ~SnesApuLibrary() {
        if (handle_) {
#if defined(_WIN32)
            FreeLibrary(static_cast<HMODULE>(handle_));
#else
            dlclose(handle_);
#endif
        }
        if (own_file_) {
            std::error_code ignored;
            std::filesystem::remove(path_, ignored);
        }
    }
    bool loaded() const { return handle_ != nullptr; }

    snesapu::SNESAPUInfoFn info = nullptr;
    snesapu::GetAPUDataFn get_data = nullptr;
    snesapu::LoadSPCFileFn load = nullptr;
    snesapu::SetAPUOptFn set_options = nullptr;
    snesapu::SetDSPAmpFn set_amp = nullptr;
    snesapu::SetDSPStereoFn set_stereo = nullptr;
    snesapu::SetAPULengthFn set_length = nullptr;
    snesapu::EmuAPUFn emulate = nullptr;
    snesapu::SeekAPUFn seek = nullptr;
    snesapu::SetScript700Fn set_script = nullptr;
    snesapu::SNESAPUCallbackFn callback = nullptr;

private:
    template <class F>
    void bind(F& f, const char* name) {
#if defined(_WIN32)
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name)));
#else
        f = reinterpret_cast<F>(dlsym(handle_, name));
#endif
    }

    void* handle_ = nullptr;
    std::filesystem::path path_;
    bool own_file_ = false;
};

}  // namespace apu_test
