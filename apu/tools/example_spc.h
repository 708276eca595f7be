#pragma once
#include <cstdint>
#include <vector>

namespace apu::example {

// The project's own example song: a small SPC700 driver that plays a short
// tune on voice 0 from a BRR instrument it carries, as a complete SPC file
// with ID666 and XID6 tags.
struct ExampleSpc {
    std::vector<uint8_t> image;
    uint16_t entry = 0;               // PC in the snapshot
    uint16_t player_begin = 0;        // main loop and note routine:
    uint16_t player_end = 0;          // [player_begin, player_end)
    uint8_t notes_played_address = 0;  // direct-page counter of key-ons
    uint16_t first_pitch = 0;         // pitch of the first note
};

ExampleSpc build_example_spc();

}  // namespace apu::example
