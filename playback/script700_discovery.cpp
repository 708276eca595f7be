#include "playback/script700_discovery.h"

#include <algorithm>

#include "support/console.h"
#include "support/file_access.h"

namespace {

// Replaces what follows position `keep` with the suffix.
void replace_tail(string8_t& candidate, uint32_t keep, const char* suffix) {
    candidate.truncate(keep);
    candidate += suffix;
}

// Just after the last dot; 0 (the whole text) when there is none.
uint32_t after_last_dot(const string8_t& path) {
    const uint32_t dot = path.find_last('.');
    return dot == string_npos ? 0 : dot + 1;
}

// Characters that end a folder part in the host's path form: archives end
// with '|' everywhere; folders with '\\' on Windows, also with '/' elsewhere.
#if defined(_WIN32)
constexpr char folder_ends[] = "\\|";
#else
constexpr char folder_ends[] = "\\|/";
#endif

// Just after the folder part, which ends at the last of those characters;
// 0 when there is none.
uint32_t after_folder(const string8_t& path) {
    uint32_t after = 0;
    for (const char* end = folder_ends; *end; ++end) {
        const uint32_t at = path.find_last(*end);
        if (at != string_npos) after = std::max(after, at + 1);
    }
    return after;
}

}  // namespace

std::array<string8_t, 4> script700_candidates(const char* spc_path) {
    std::array<string8_t, 4> names;
    string8_t candidate(spc_path);
    replace_tail(candidate, after_last_dot(candidate), "700");
    names[0] = candidate;
    replace_tail(candidate, after_last_dot(candidate), "7SE");
    names[1] = candidate;
    replace_tail(candidate, after_folder(candidate), "65816.700");
    names[2] = candidate;
    replace_tail(candidate, after_folder(candidate), "65816.7SE");
    names[3] = candidate;
    return names;
}

bool find_script700(const char* spc_path, byte_buffer& script) {
    for (const string8_t& name : script700_candidates(spc_path)) {
        if (read_whole_file(script, name.get_ptr())) return true;
    }
    return false;
}

void hand_over_script700(const apu_table& library, const char* spc_path, bool no_script700) {
    if (!library.set_script700) return;
    library.set_script700(nullptr);
    if (no_script700) return;
    byte_buffer script;
    if (!find_script700(spc_path, script)) return;
    if (library.set_script700(script.data()) == 0) console_print("Script700 parse error");
}
