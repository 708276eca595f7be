// Parses arbitrary bytes as a script, its includes served from the same
// bytes: no input may crash, and every error must point into the text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "script700/parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const apu::script700::IncludeReader reader = [&text](const std::string&, std::string& out, std::string&) {
        out = text;
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
    if (error.at.source == 0 && error.at.line > size + 1) std::abort();
    return 0;
}
