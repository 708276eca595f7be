// Parses arbitrary bytes as a script: no input may crash, and every error
// must point into the text. The script is the input up to its first NUL
// (white space to the parser); every file it includes reads the bytes after
// that NUL, so the script and its includes mutate apart.
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "script700/parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = std::min(input.find('\0'), size);
    const std::string_view text = input.substr(0, split);
    const std::string_view included = input.substr(std::min(split + 1, size));
    const apu::script700::IncludeReader reader = [included](const std::string&, std::string& out, std::string&) {
        out = included;
        return true;
    };
    apu::script700::Program program;
    apu::script700::ParseError error;
    if (apu::script700::parse(text, &reader, program, error)) {
        for (const auto& in : program.code)
            if (in.at.source >= program.sources.size()) std::abort();
        for (const auto& label : program.labels)
            if (label.kind == apu::script700::Label::Kind::script && label.where > program.code.size()) std::abort();
        return 0;
    }
    if (error.reason.empty() || error.at.line == 0 || error.at.column == 0) std::abort();
    if (error.at.source == 0 && error.at.line > text.size() + 1) std::abort();
    return 0;
}
