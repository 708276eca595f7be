#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/sound_system.h"

namespace apu::api {

// Whole-state snapshots taken while a song plays, so that seeking back to
// a point already played restores the nearest one before it instead of
// replaying from the start. Each keeps only the RAM pages that differ from
// the song's image. They stay valid only as long as every setting that
// changes the emulated state (interpolation, state-changing option bits,
// muted voices) has been the same since the song was loaded; the owner
// says when that stops being true. Memory is bounded: past the budget every
// other snapshot goes and the spacing doubles.
class SeekSnapshots {
public:
    static constexpr uint64_t kFirstSpacing = 2 * 32000;  // core frames
    static constexpr size_t kBudget = size_t(2) << 20;    // bytes

    // A new song: forgets everything; `image_ram` (64 KiB) is what the pages
    // are compared with.
    void start_song(const uint8_t* image_ram);
    // The song restarts from its image under `settings`: snapshots taken
    // under other settings are dropped; recording resumes.
    void restart(uint64_t settings);
    // The settings changed mid-song: nothing recorded from here on would
    // match a replay from the start, so recording stops until restart().
    void settings_changed(uint64_t settings);

    // The next core position at or after `position` where a snapshot is due,
    // or UINT64_MAX when none is.
    uint64_t next_due(uint64_t position) const;
    // `beside`: the state of what runs beside the core (a script), as bytes.
    void take(uint64_t position, const SoundSystem& core, std::vector<uint8_t> beside = {});

    // Restores the latest snapshot in (after, at_most] into `core` and
    // `beside`; returns its position, or `after` when there is none.
    uint64_t restore_latest(uint64_t after, uint64_t at_most, SoundSystem& core, std::vector<uint8_t>* beside = nullptr);

    size_t bytes() const { return bytes_; }
    size_t count() const { return entries_.size(); }

private:
    struct Entry {
        uint64_t position = 0;
        uint64_t changed_pages[4] = {};  // bit p: RAM page p differs from the image
        std::vector<uint8_t> pages;      // those pages, in order
        std::vector<uint8_t> rest;       // the state after its RAM, as bytes
        std::vector<uint8_t> beside;
        size_t bytes() const;
    };
    void forget();  // every snapshot, and the spacing back to the first
    void thin_out();

    std::vector<uint8_t> image_ram_;
    std::vector<Entry> entries_;  // by position
    uint64_t spacing_ = kFirstSpacing;
    uint64_t settings_ = 0;
    bool recording_ = false;
    size_t bytes_ = 0;
    CoreState scratch_;  // reused: a whole state is too large to build per call
};

}  // namespace apu::api
