#include "tools/spc_assembler.h"

#include <stdexcept>

namespace apu::example {

void Assembler::label(const std::string& name) {
    if (!labels_.emplace(name, here()).second) throw std::runtime_error("label defined twice: " + name);
}

uint16_t Assembler::address_of(const std::string& name) const {
    const auto it = labels_.find(name);
    if (it == labels_.end()) throw std::runtime_error("unknown label: " + name);
    return it->second;
}

void Assembler::fixup_rel(const std::string& target) {
    fixups_.push_back({code_.size(), target, true});
    byte(0);
}

void Assembler::fixup_abs(const std::string& target) {
    fixups_.push_back({code_.size(), target, false});
    word(0);
}

std::vector<uint8_t> Assembler::finish() const {
    std::vector<uint8_t> out = code_;
    for (const Fixup& f : fixups_) {
        const uint16_t target = address_of(f.target);
        if (f.relative) {
            // Branches are relative to the address after their offset byte.
            const int distance = int(target) - int(origin_ + f.offset + 1);
            if (distance < -128 || distance > 127) throw std::runtime_error("branch out of reach: " + f.target);
            out[f.offset] = uint8_t(int8_t(distance));
        } else {
            out[f.offset] = uint8_t(target);
            out[f.offset + 1] = uint8_t(target >> 8);
        }
    }
    return out;
}

}  // namespace apu::example
