#pragma once
// A script's text as words, with the files it includes spliced in where
// they are named.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "script700/program.h"

namespace apu::script700 {

struct ParseError {
    Position at;
    std::string reason;
};

// Reads an included file by the name the script gives; false, with a
// reason in `error`, when it cannot.
using IncludeReader = std::function<bool(const std::string& name, std::string& contents, std::string& error)>;

struct Token {
    enum class Kind : uint8_t { word, binary };
    Kind kind = Kind::word;
    std::string text;  // the word, or a binary include's bytes
    Position at;
};

// Splits `text` at white space into lower-case words, leaving out comments
// (';' to the end of the line). `#i "name"` and `#it "name"` put the named file's words in their
// place, `#ib "name"` its bytes as one binary token; includes inside an
// included file are left out, so including cannot recurse. Without a reader
// an include is an error. `sources` gains the name of each included file.
bool tokenize(std::string_view text, const IncludeReader* reader, std::vector<Token>& tokens,
              std::vector<std::string>& sources, ParseError& error);

}  // namespace apu::script700
