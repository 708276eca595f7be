#include "script700/tokens.h"

#include <utility>

namespace apu::script700 {

namespace {

bool is_space(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool is_include(std::string_view word) { return word == "#i" || word == "#it" || word == "#ib"; }

std::string lowercase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}

}  // namespace

TokenStream::TokenStream(std::string_view text, const IncludeReader* reader, std::vector<std::string>& sources)
    : reader_(reader), sources_(sources) {
    sources_.assign(1, "");
    open(std::string(text), 0);
}

TokenStream::Source& TokenStream::open(std::string text, uint16_t number) {
    Source& source = texts_.emplace_back();
    source.lowered = lowercase(text);
    source.given = std::move(text);
    source.at.source = number;
    return source;
}

bool TokenStream::fail(Position at, std::string reason) {
    error_ = {at, std::move(reason)};
    failed_ = true;
    return false;
}

// The next word of `source`, or false at its end.
bool TokenStream::word(Source& s, Token& token) {
    const auto step = [&s] {
        if (s.given[s.i++] == '\n') {
            ++s.at.line;
            s.at.column = 1;
        } else {
            ++s.at.column;
        }
    };
    while (s.i < s.given.size()) {
        if (s.given[s.i] == ';') {
            while (s.i < s.given.size() && s.given[s.i] != '\n') step();
        } else if (is_space(s.given[s.i])) {
            step();
        } else {
            break;
        }
    }
    if (s.i >= s.given.size()) return false;
    token.kind = Token::Kind::word;
    token.at = s.at;
    const size_t start = s.i;
    while (s.i < s.given.size() && !is_space(s.given[s.i]) && s.given[s.i] != ';') step();
    token.text = std::string_view(s.lowered).substr(start, s.i - start);
    return true;
}

// A quoted name on the same line as the directive before it, as written.
bool TokenStream::quoted(Source& s, std::string& name) {
    while (s.i < s.given.size() && is_space(s.given[s.i]) && s.given[s.i] != '\n') {
        ++s.i;
        ++s.at.column;
    }
    if (s.i >= s.given.size() || s.given[s.i] != '"') return fail(s.at, "an include needs a file name in quotes");
    const Position open_at = s.at;
    const size_t start = ++s.i;
    while (s.i < s.given.size() && s.given[s.i] != '"' && s.given[s.i] != '\n') ++s.i;
    if (s.i >= s.given.size() || s.given[s.i] != '"') return fail(open_at, "the file name has no closing quote");
    name.assign(s.given, start, s.i - start);
    ++s.i;
    s.at.column = open_at.column + uint32_t(name.size() + 2);
    if (name.empty()) return fail(open_at, "the file name is empty");
    return true;
}

bool TokenStream::next(Token& token) {
    while (!failed_) {
        Source& source = include_ ? *include_ : texts_.front();
        if (!word(source, token)) {
            if (!include_) return false;
            include_ = nullptr;  // back to the script itself
            continue;
        }
        if (!is_include(token.text)) return true;
        const Position directive = token.at;
        const bool binary = token.text == "#ib";
        std::string name;
        if (!quoted(source, name)) return false;
        if (include_) continue;  // one level only
        if (include(name, binary, directive, token)) return true;
    }
    return false;
}

// Reads the named file: its bytes become `token`, or its words come next
// (false then, and the caller reads on).
bool TokenStream::include(const std::string& name, bool binary, Position directive, Token& token) {
    if (!reader_ || !*reader_)
        return fail(directive, "includes are not supported here (no folder to read \"" + name + "\" from)");
    std::string contents, why;
    if (!(*reader_)(name, contents, why)) return fail(directive, "cannot include \"" + name + "\": " + why);
    if (sources_.size() >= 0xFFFF) return fail(directive, "too many includes");
    sources_.push_back(name);
    const auto number = static_cast<uint16_t>(sources_.size() - 1);
    if (!binary) {
        include_ = &open(std::move(contents), number);
        return false;
    }
    Source& bytes = texts_.emplace_back();
    bytes.given = std::move(contents);
    token.kind = Token::Kind::binary;
    token.text = bytes.given;
    token.at = directive;
    return true;
}

}  // namespace apu::script700
