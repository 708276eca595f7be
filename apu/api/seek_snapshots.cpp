#include "api/seek_snapshots.h"

#include <cstddef>
#include <cstring>

namespace apu::api {

namespace {
constexpr size_t kPage = 256;
constexpr size_t kPages = 0x10000 / kPage;

// A state is plain bytes, RAM first; what follows the RAM is kept whole.
constexpr size_t kRamBytes = sizeof(CoreState::ram);
constexpr size_t kRestBytes = sizeof(CoreState) - kRamBytes;
static_assert(kRamBytes == 0x10000 && offsetof(CoreState, ram) == 0);

uint8_t* rest_of(CoreState& state) { return reinterpret_cast<uint8_t*>(&state) + kRamBytes; }
}  // namespace

size_t SeekSnapshots::Entry::bytes() const { return sizeof(Entry) + pages.capacity() + rest.capacity() + beside.capacity(); }

void SeekSnapshots::forget() {
    entries_.clear();
    spacing_ = kFirstSpacing;
    bytes_ = 0;
}

void SeekSnapshots::start_song(const uint8_t* image_ram) {
    image_ram_.assign(image_ram, image_ram + 0x10000);
    forget();
    recording_ = false;
}

void SeekSnapshots::restart(uint64_t settings) {
    if (settings != settings_) {
        forget();
        settings_ = settings;
    }
    recording_ = !image_ram_.empty();
}

void SeekSnapshots::settings_changed(uint64_t settings) {
    if (settings == settings_) return;
    forget();
    settings_ = settings;
    recording_ = false;
}

uint64_t SeekSnapshots::next_due(uint64_t position) const {
    if (!recording_) return UINT64_MAX;
    uint64_t due = (position + spacing_ - 1) / spacing_ * spacing_;
    if (due == 0) due = spacing_;  // position 0 is the image itself
    // Already taken on an earlier pass over the same span.
    while (!entries_.empty() && due <= entries_.back().position) due += spacing_;
    return due;
}

void SeekSnapshots::take(uint64_t position, const SoundSystem& core, std::vector<uint8_t> beside) {
    if (!recording_ || (!entries_.empty() && position <= entries_.back().position)) return;
    core.save(scratch_);
    Entry e;
    e.position = position;
    const uint8_t* ram = scratch_.ram.data();
    for (size_t p = 0; p < kPages; ++p) {
        if (std::memcmp(ram + p * kPage, image_ram_.data() + p * kPage, kPage) == 0) continue;
        e.changed_pages[p >> 6] |= uint64_t(1) << (p & 63);
        e.pages.insert(e.pages.end(), ram + p * kPage, ram + (p + 1) * kPage);
    }
    e.pages.shrink_to_fit();
    e.rest.assign(rest_of(scratch_), rest_of(scratch_) + kRestBytes);
    e.beside = std::move(beside);
    bytes_ += e.bytes();
    entries_.push_back(std::move(e));
    if (bytes_ > kBudget) thin_out();
}

void SeekSnapshots::thin_out() {
    spacing_ *= 2;
    std::vector<Entry> kept;
    bytes_ = 0;
    for (Entry& e : entries_) {
        if (e.position % spacing_ != 0) continue;
        bytes_ += e.bytes();
        kept.push_back(std::move(e));
    }
    entries_ = std::move(kept);
}

uint64_t SeekSnapshots::restore_latest(uint64_t after, uint64_t at_most, SoundSystem& core,
                                       std::vector<uint8_t>* beside) {
    const Entry* best = nullptr;
    for (const Entry& e : entries_)
        if (e.position > after && e.position <= at_most) best = &e;
    if (!best) return after;
    uint8_t* ram = scratch_.ram.data();
    const uint8_t* page = best->pages.data();
    for (size_t p = 0; p < kPages; ++p) {
        const uint8_t* from = image_ram_.data() + p * kPage;
        if (best->changed_pages[p >> 6] >> (p & 63) & 1) {
            from = page;
            page += kPage;
        }
        std::memcpy(ram + p * kPage, from, kPage);
    }
    std::memcpy(rest_of(scratch_), best->rest.data(), kRestBytes);
    core.restore(scratch_);
    if (beside) *beside = best->beside;
    return best->position;
}

}  // namespace apu::api
