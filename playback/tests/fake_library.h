#pragma once
#include <gtest/gtest.h>

#include <string>

#include "playback/apu_library.h"

// The stand-in library's folders and the test's window into the instance a
// decoder bound.
inline std::string fake_library_path(const char* variant) {
    return std::string(VELMO_FAKE_SNESAPU_DIR) + "/" + variant + "/SNESAPU.DLL";
}

class fake_view {
public:
    explicit fake_view(platform::module_handle module) : module_(module) {}

    std::string log() const { return call<const char* (*)()>("FakeLog")(); }
    void clear_log() const { call<void (*)()>("FakeClearLog")(); }
    uint8_t* dsp() const { return call<uint8_t* (*)()>("FakeDsp")(); }
    uint8_t* voices() const { return call<uint8_t* (*)()>("FakeVoices")(); }
    uint32_t image_sum() const { return call<uint32_t (*)()>("FakeImageSum")(); }
    void set_script_result(uint32_t result) const { call<void (*)(uint32_t)>("FakeSetScriptResult")(result); }

private:
    template <class Fn>
    Fn call(const char* name) const {
        auto fn = reinterpret_cast<Fn>(platform::find_symbol(module_, name));
        if (!fn) throw std::runtime_error(std::string("the fake library lacks ") + name);
        return fn;
    }
    platform::module_handle module_;
};

inline bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
