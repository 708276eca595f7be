#pragma once
// Reads a Script700 script: the script area up to `e`, then, when `::`
// follows, the extended area up to its own `e`, then the data area.
#include <string>
#include <string_view>

#include "script700/program.h"
#include "script700/tokens.h"

namespace apu::script700 {

// Fills `program`, or returns false with where and why in `error`.
// Includes are read through `reader`; without one they are errors.
bool parse(std::string_view text, const IncludeReader* reader, Program& program, ParseError& error);

// "name:line:column: reason", the name left out for the script itself.
std::string describe(Position at, const std::string& reason, const Program& program);

}  // namespace apu::script700
