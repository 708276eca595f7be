#include "script700/tokens.h"

namespace apu::script700 {

namespace {

bool is_space(char c) { return static_cast<unsigned char>(c) <= ' '; }

class Lexer {
public:
    Lexer(std::string_view text, uint16_t source) : text_(text) { at_.source = source; }

    // The next word, or false at the end of the text.
    bool word(std::string& out, Position& at) {
        skip_space_and_comments();
        if (i_ >= text_.size()) return false;
        at = at_;
        const size_t start = i_;
        while (i_ < text_.size() && !is_space(text_[i_]) && text_[i_] != ';') step();
        out.assign(text_.substr(start, i_ - start));
        return true;
    }

    // A quoted name on the same line as the directive before it.
    bool quoted(std::string& out, ParseError& error) {
        while (i_ < text_.size() && is_space(text_[i_]) && text_[i_] != '\n') step();
        if (i_ >= text_.size() || text_[i_] != '"') return fail(error, "an include needs a file name in quotes");
        const Position open = at_;
        step();
        const size_t start = i_;
        while (i_ < text_.size() && text_[i_] != '"' && text_[i_] != '\n') step();
        if (i_ >= text_.size() || text_[i_] != '"') {
            error = {open, "the file name has no closing quote"};
            return false;
        }
        out.assign(text_.substr(start, i_ - start));
        step();
        if (out.empty()) {
            error = {open, "the file name is empty"};
            return false;
        }
        return true;
    }

    bool fail(ParseError& error, const char* reason) const {
        error = {at_, reason};
        return false;
    }

private:
    void step() {
        if (text_[i_++] == '\n') {
            ++at_.line;
            at_.column = 1;
        } else {
            ++at_.column;
        }
    }
    void skip_space_and_comments() {
        while (i_ < text_.size()) {
            if (text_[i_] == ';') {
                while (i_ < text_.size() && text_[i_] != '\n') step();
            } else if (is_space(text_[i_])) {
                step();
            } else {
                return;
            }
        }
    }

    std::string_view text_;
    size_t i_ = 0;
    Position at_;
};

bool is_include(const std::string& word) { return word == "#i" || word == "#it" || word == "#ib"; }

void lowercase(std::string& word) {
    for (char& c : word)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
}

struct Splitter {
    const IncludeReader* reader;
    std::vector<Token>& tokens;
    std::vector<std::string>& sources;
    ParseError& error;

    bool split(std::string_view text, uint16_t source) {
        Lexer lexer(text, source);
        Token token;
        while (lexer.word(token.text, token.at)) {
            lowercase(token.text);
            if (!is_include(token.text)) {
                token.kind = Token::Kind::word;
                tokens.push_back(token);
                continue;
            }
            const Position directive = token.at;
            const bool binary = token.text == "#ib";
            std::string name;
            if (!lexer.quoted(name, error)) return false;
            if (source != 0) continue;  // one level only
            if (!include(name, binary, directive)) return false;
        }
        return true;
    }

    bool include(const std::string& name, bool binary, Position directive) {
        if (!reader || !*reader) {
            error = {directive, "includes are not supported here (no folder to read \"" + name + "\" from)"};
            return false;
        }
        std::string contents, why;
        if (!(*reader)(name, contents, why)) {
            error = {directive, "cannot include \"" + name + "\": " + why};
            return false;
        }
        if (sources.size() >= 0xFFFF) {
            error = {directive, "too many includes"};
            return false;
        }
        sources.push_back(name);
        const auto source = static_cast<uint16_t>(sources.size() - 1);
        if (!binary) return split(contents, source);
        Token token;
        token.kind = Token::Kind::binary;
        token.text = std::move(contents);
        token.at = directive;
        tokens.push_back(std::move(token));
        return true;
    }
};

}  // namespace

bool tokenize(std::string_view text, const IncludeReader* reader, std::vector<Token>& tokens,
              std::vector<std::string>& sources, ParseError& error) {
    tokens.clear();
    sources.assign(1, "");
    Splitter splitter{reader, tokens, sources, error};
    return splitter.split(text, 0);
}

}  // namespace apu::script700
