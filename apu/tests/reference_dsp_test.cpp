// The optimised DSP against the plain one (reference_dsp.h), bit for bit:
// output frames, every register read and the RAM the echo unit writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/dsp.h"
#include "core/sound_system.h"
#include "core/snapshot.h"
#include "tests/corpus_support.h"
#include "tests/reference_dsp.h"

namespace {

using apu_test::ReferenceDsp;
namespace r = apu::schedule;

// What the CPU and a listener can observe of a DSP.
struct Observed {
    std::vector<int16_t> frames;
    std::vector<uint8_t> reads;  // every register read, in order
    std::vector<uint8_t> ram;
};

// Empty when both saw the same, otherwise where they first part.
std::string first_difference(const Observed& fast, const Observed& reference) {
    const size_t frames = std::min(fast.frames.size(), reference.frames.size());
    if (frames < fast.frames.size() / 2 || frames < reference.frames.size() / 2) return "frame counts";
    for (size_t i = 0; i < frames; ++i)
        if (fast.frames[i] != reference.frames[i])
            return "frame " + std::to_string(i / 2) + (i & 1 ? " right: " : " left: ") +
                   std::to_string(fast.frames[i]) + " vs " + std::to_string(reference.frames[i]);
    if (fast.reads.size() != reference.reads.size()) return "read counts";
    for (size_t i = 0; i < fast.reads.size(); ++i)
        if (fast.reads[i] != reference.reads[i])
            return "read " + std::to_string(i) + ": " + std::to_string(fast.reads[i]) + " vs " +
                   std::to_string(reference.reads[i]);
    for (size_t a = 0; a < std::min(fast.ram.size(), reference.ram.size()); ++a)
        if (fast.ram[a] != reference.ram[a]) return "RAM at " + std::to_string(a);
    return "";
}

// ---------------------------------------------------------------------------
// Random register accesses at random clocks.

struct Access {
    uint64_t clock;  // clocks run since the start when the CPU makes it
    uint8_t address;
    uint8_t value;
    bool write;
};

struct Case {
    std::vector<uint8_t> ram;
    // Loaded as a snapshot's, or else written by the CPU after a reset.
    bool from_reset = false;
    uint8_t registers[128];
    std::vector<Access> accesses;
    uint64_t clocks;
};

// RAM of random bytes holding a directory of 64 samples made of blocks
// with plausible headers (shift up to 12, the end and loop flags now and
// then); the echo buffer, moved about by ESA, overwrites some of it.
void fill_ram(std::mt19937& rng, std::vector<uint8_t>& ram, int dir_page) {
    for (auto& b : ram) b = static_cast<uint8_t>(rng());
    constexpr int kSamples = 0x3000;
    for (int block = kSamples; block + 9 <= 0xF000; block += 9) {
        const int shift = static_cast<int>(rng() % 13), filter = static_cast<int>(rng() % 4);
        const int flags = rng() % 16 == 0 ? static_cast<int>(rng() % 4) : 0;
        ram[block] = static_cast<uint8_t>(shift << 4 | filter << 2 | flags);
    }
    for (int i = 0; i < 64; ++i) {
        for (int word = 0; word < 2; ++word) {
            const int at = kSamples + 9 * static_cast<int>(rng() % 3000);
            ram[(dir_page << 8) + 4 * i + 2 * word] = static_cast<uint8_t>(at);
            ram[(dir_page << 8) + 4 * i + 2 * word + 1] = static_cast<uint8_t>(at >> 8);
        }
    }
}

uint8_t random_register(std::mt19937& rng) {
    static constexpr uint8_t kGlobal[] = {r::kKon,  r::kKoff, r::kFlg,  r::kEndx, r::kEsa,  r::kEdl, r::kDir,
                                          r::kEon,  r::kPmon, r::kNon,  r::kEfb,  r::kMvolL, r::kMvolR,
                                          r::kEvolL, r::kEvolR};
    const int n = static_cast<int>(rng() % 8);
    switch (rng() % 3) {
    case 0: return kGlobal[rng() % std::size(kGlobal)];
    case 1: return static_cast<uint8_t>(n * 16 + r::kFirCoef);
    default: return static_cast<uint8_t>(n * 16 + rng() % 10);  // VOL..OUTX
    }
}

uint8_t random_value(std::mt19937& rng, uint8_t address) {
    const uint8_t v = static_cast<uint8_t>(rng());
    switch (address) {
    case r::kFlg: return rng() % 16 ? static_cast<uint8_t>(v & 0x3F) : v;  // a soft reset or mute now and then
    case r::kEdl: return static_cast<uint8_t>(v & 3);
    case r::kDir: return rng() % 4 ? 0x20 : v;  // the directory, mostly
    case r::kKoff: return rng() % 4 ? 0 : v;
    default: return (address & 0x0F) == r::kSrcn ? static_cast<uint8_t>(v & 0x3F) : v;
    }
}

Case random_case(uint32_t seed, int samples) {
    std::mt19937 rng(seed);
    Case c;
    c.ram.resize(0x10000);
    fill_ram(rng, c.ram, 0x20);
    for (auto& b : c.registers) b = static_cast<uint8_t>(rng());
    for (int n = 0; n < 8; ++n) c.registers[n * 16 + r::kSrcn] &= 0x3F;
    c.registers[r::kDir] = 0x20;
    c.registers[r::kFlg] &= 0x3F;
    c.registers[r::kEdl] &= 3;
    c.registers[r::kKoff] = 0;
    c.clocks = uint64_t(samples) * 32;
    c.from_reset = seed % 3 == 0;
    if (c.from_reset)
        for (int a = 0; a < 128; ++a) c.accesses.push_back({0, static_cast<uint8_t>(a), c.registers[a], true});
    for (uint64_t clock = 1; clock < c.clocks; clock += 1 + rng() % 24) {
        Access a{clock, random_register(rng), 0, rng() % 3 != 0};
        if (a.write) a.value = random_value(rng, a.address);
        c.accesses.push_back(a);
    }
    return c;
}

// Drives the optimised DSP as the CPU's bus does: it runs only as far as
// an access needs, and some writes wait for the end of their period; or,
// `one_clock_at_a_time`, through its clock-by-clock path alone.
Observed run_fast(const Case& c, bool one_clock_at_a_time = false) {
    Observed seen;
    seen.ram = c.ram;
    auto dsp = std::make_unique<apu::Dsp>(seen.ram.data());
    if (!c.from_reset) dsp->load_registers(c.registers);
    seen.frames.resize(2 * (c.clocks / 32 + 1));
    dsp->set_output(seen.frames.data(), seen.frames.size() / 2);
    uint64_t at = 0;
    auto run_to = [&](uint64_t clock) {
        for (; at < clock; at += one_clock_at_a_time ? 1 : clock - at)
            dsp->run(one_clock_at_a_time ? 1 : static_cast<uint32_t>(clock - at));
    };
    for (const Access& a : c.accesses) {
        if (a.write) {
            const apu::Dsp::WritePlan plan = dsp->plan_write(a.address, a.clock - at);
            run_to(at + plan.clocks);
            if (plan.deferred) dsp->write_deferred(a.address, a.value);
            else dsp->write(a.address, a.value);
        } else {
            run_to(at + dsp->clocks_before_access(a.address, a.clock - at, false));
            seen.reads.push_back(dsp->read(a.address));
        }
    }
    run_to(c.clocks);
    seen.frames.resize(2 * dsp->frames_written());
    return seen;
}

// The reference, clock by clock; `late` is an access it takes one clock
// later than given (none when past the end).
Observed run_reference(const Case& c, size_t late = SIZE_MAX) {
    Observed seen;
    seen.ram = c.ram;
    ReferenceDsp dsp(seen.ram.data());
    if (!c.from_reset) dsp.load_registers(c.registers);
    uint64_t at = 0;
    for (size_t i = 0; i < c.accesses.size(); ++i) {
        const Access& a = c.accesses[i];
        const uint64_t clock = std::max(a.clock + (i == late), at);
        dsp.run(clock - at);
        at = clock;
        if (a.write) dsp.write(a.address, a.value);
        else seen.reads.push_back(dsp.read(a.address));
    }
    dsp.run(c.clocks - at);
    seen.frames = dsp.frames();
    return seen;
}

TEST(ReferenceDsp, RandomAccessesAtRandomClocksMatchTheOptimisedDsp) {
    constexpr int kCases = 24;
    for (uint32_t seed = 1; seed <= kCases; ++seed) {
        const Case c = random_case(seed, 1500);
        const Observed reference = run_reference(c);
        EXPECT_EQ(first_difference(run_fast(c), reference), "") << "seed " << seed;
        if (seed <= 4) {
            EXPECT_EQ(first_difference(run_fast(c, true), reference), "") << "seed " << seed;
        }
    }
}

// The comparison tells a one-bit change in one frame, and one write taken a
// clock late, from a match.
TEST(ReferenceDsp, ComparisonCatchesASingleBitAndASingleClock) {
    Case c = random_case(100, 400);  // loaded as a snapshot
    const Observed fast = run_fast(c);
    Observed reference = run_reference(c);
    ASSERT_EQ(first_difference(fast, reference), "");
    reference.frames[2 * 200 + 1] ^= 1;
    EXPECT_NE(first_difference(fast, reference), "");

    // The mute written just before the clock that outputs the left side,
    // against just after: that frame's left side is heard only in the second.
    std::erase_if(c.accesses, [](const Access& a) { return a.write && a.address == r::kFlg; });
    c.registers[r::kFlg] &= static_cast<uint8_t>(~0x40);
    const uint64_t use = 300 * 32 + r::clock_of(r::Step::echo_output_left, 0);
    const auto before = std::find_if(c.accesses.begin(), c.accesses.end(), [&](const Access& a) { return a.clock >= use; });
    const size_t index = static_cast<size_t>(before - c.accesses.begin());
    c.accesses.insert(before, {use, r::kFlg, static_cast<uint8_t>(c.registers[r::kFlg] | 0x40), true});
    ASSERT_EQ(first_difference(run_fast(c), run_reference(c)), "");
    const Observed late = run_reference(c, index);
    ASSERT_NE(late.frames[2 * 300], 0);
    EXPECT_NE(first_difference(run_fast(c), late), "");
}

// ---------------------------------------------------------------------------
// Songs: the reference follows the DSP of a playing sound system.

// At each CPU access to a DSP register both DSPs are brought to the
// access's clock over the same RAM: the CPU's writes since the last access
// are taken over first, so only the two DSPs' own echo writes may differ.
// After the last access the system's DSP runs on alone, with no such
// point to compare RAM at, so the reference stops there.
class Follower {
public:
    Follower(apu::SoundSystem& system, const uint8_t registers[128])
        : system_(system), ram_(system.ram(), system.ram() + 0x10000), reference_(ram_.data()),
          at_(system.bus().dsp_cycle()) {
        reference_.load_registers(registers);
        system_.bus().observe_dsp_accesses(&Follower::on_access, this);
    }
    ~Follower() { system_.bus().observe_dsp_accesses(nullptr, nullptr); }

    Observed fast() const { return {{}, fast_reads_, {system_.ram(), system_.ram() + 0x10000}}; }
    Observed reference() const { return {reference_.frames(), reference_reads_, ram_}; }
    const std::string& ram_difference() const { return ram_difference_; }

private:
    static void on_access(void* context, uint64_t cycle, uint8_t address, uint8_t value, bool write) {
        auto& self = *static_cast<Follower*>(context);
        self.catch_up(cycle);
        if (write) {
            self.reference_.write(address, value);
        } else {
            self.fast_reads_.push_back(self.system_.dsp().read(address));
            self.reference_reads_.push_back(self.reference_.read(address));
        }
    }

    void catch_up(uint64_t cycle) {
        if (cycle <= at_) return;
        std::memcpy(ram_.data(), system_.ram(), ram_.size());
        reference_.run(cycle - at_);
        system_.bus().sync_dsp(cycle);
        at_ = cycle;
        if (ram_difference_.empty() && std::memcmp(ram_.data(), system_.ram(), ram_.size()))
            ram_difference_ = "RAM after clock " + std::to_string(cycle);
    }

    apu::SoundSystem& system_;
    std::vector<uint8_t> ram_;
    ReferenceDsp reference_;
    uint64_t at_;
    std::vector<uint8_t> fast_reads_, reference_reads_;
    std::string ram_difference_;
};

TEST(ReferenceDsp, SongsPlayTheSameThroughBothDsps) {
    constexpr size_t kFrames = 32000 * 3 / 2;  // 1.5 s: the whole test stays quick under the sanitizers
    int audible = 0;  // some songs of the corpus are silent tag tests
    for (const auto& song : apu_test::songs()) {
        SCOPED_TRACE(song.name);
        uint8_t registers[128] = {};
        for (size_t i = 0; i < 128 && apu::spc::kDspRegisters + i < song.image.size(); ++i)
            registers[i] = song.image[apu::spc::kDspRegisters + i];
        // The DSP of a system the reference follows is brought level with
        // the CPU at every access; playing alone it mostly runs behind, in
        // whole periods. Both must sound the same.
        const std::vector<int16_t> alone = apu_test::render(*apu_test::load(song.image), kFrames);
        auto system = apu_test::load(song.image);
        Follower follower(*system, registers);
        const std::vector<int16_t> frames = apu_test::render(*system, kFrames);
        Observed reference = follower.reference();
        Observed fast = follower.fast();
        ASSERT_GE(reference.frames.size(), frames.size() * 9 / 10);
        fast.frames.assign(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(reference.frames.size()));
        reference.ram = fast.ram;  // compared at each access instead
        EXPECT_EQ(first_difference(fast, reference), "");
        EXPECT_EQ(follower.ram_difference(), "");
        EXPECT_EQ(first_difference({alone, {}, {}}, {frames, {}, {}}), "") << "played alone";
        audible += std::any_of(frames.begin(), frames.end(), [](int16_t x) { return x != 0; });
    }
    EXPECT_GT(audible, 0);
}

}  // namespace
