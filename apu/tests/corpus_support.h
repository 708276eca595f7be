#pragma once
// The real SPC files of the shared corpus, for tests that run every one.
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/sound_system.h"
#include "testing/files.h"
#include "testing/shared_files.h"
#include "tools/example_spc.h"

namespace apu_test {

// A corpus song's name as a test name: letters, digits and underscores.
inline std::string test_name(const std::filesystem::path& song) {
    std::string name = song.stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

struct Song {
    std::string name;
    std::vector<uint8_t> image;
};

// The example song, then the corpus.
inline std::vector<Song> songs() {
    std::vector<Song> out = {{"example", apu::example::build_example_spc().image}};
    for (const auto& path : shared_files::spc_corpus_files())
        out.push_back({path.filename().string(), read_bytes(path)});
    return out;
}

inline std::unique_ptr<apu::SoundSystem> load(const std::vector<uint8_t>& image) {
    auto s = std::make_unique<apu::SoundSystem>();
    s->load_spc(image.data(), image.size());
    return s;
}

// The next `frames` frames of a system.
inline std::vector<int16_t> render(apu::SoundSystem& s, size_t frames) {
    std::vector<int16_t> out(2 * frames);
    s.render(out.data(), frames);
    return out;
}

}  // namespace apu_test
