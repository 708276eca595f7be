#pragma once
// A script's text as words, with the files it includes spliced in where
// they are named.
#include <deque>
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
    std::string_view text;  // the word, or a binary include's bytes, valid while the stream lives
    Position at;
};

// Hands out the words of `text` one at a time, split at white space and in
// lower case, leaving out comments (';' to the end of the line); a long
// script is never held as words all at once. `#i "name"` and `#it "name"`
// put the named file's words in their place, `#ib "name"` its bytes as one
// binary token; includes inside an included file are left out, so
// including cannot recurse. Without a reader an include is an error.
// `sources` gains the name of each included file.
class TokenStream {
public:
    TokenStream(std::string_view text, const IncludeReader* reader, std::vector<std::string>& sources);
    TokenStream(const TokenStream&) = delete;
    TokenStream& operator=(const TokenStream&) = delete;

    // The next token; false at the end of the text or at a problem.
    bool next(Token& token);
    // Set once next() has stopped at a problem.
    bool failed() const { return failed_; }
    const ParseError& error() const { return error_; }

private:
    // A text the words are taken from, as given (for file names) and in
    // lower case (for the words), and how far it has been read.
    struct Source {
        std::string given, lowered;
        size_t i = 0;
        Position at;
    };
    Source& open(std::string text, uint16_t number);
    bool word(Source& source, Token& token);
    bool quoted(Source& source, std::string& name);
    bool include(const std::string& name, bool binary, Position directive, Token& token);
    bool fail(Position at, std::string reason);

    const IncludeReader* reader_;
    std::vector<std::string>& sources_;
    std::deque<Source> texts_;  // a deque: tokens point into texts that must not move
    Source* include_ = nullptr;  // the included text being read, if any
    bool failed_ = false;
    ParseError error_;
};

}  // namespace apu::script700
