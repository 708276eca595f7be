#pragma once
#include <array>

#include "playback/apu_library.h"
#include "support/byte_buffer.h"

// Script700 scripts live in companion files beside the song: song.700,
// song.7SE, then the folder's 65816.700 and 65816.7SE. The first one that
// reads wins; its bytes come back followed by one 0 byte.
bool find_script700(const char* spc_path, byte_buffer& script);
// The four companion names, in the order they are tried.
std::array<string8_t, 4> script700_candidates(const char* spc_path);

// Clears the library's script, then gives it the song's companion script
// unless scripts are switched off. A script that does not parse is reported
// on the console; playback goes on either way.
void hand_over_script700(const apu_table& library, const char* spc_path, bool no_script700);
