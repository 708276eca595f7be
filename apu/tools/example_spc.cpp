#include "tools/example_spc.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/snapshot.h"
#include "sdk/snesapu_entry_points.h"
#include "spc/xid6_chunk.h"
#include "tools/spc_assembler.h"

namespace apu::example {
namespace {

constexpr uint16_t kCodeBase = 0x0200;
constexpr uint8_t kDirPage = 0x03;       // sample directory at 0x0300
constexpr uint16_t kSampleBase = 0x0400;
// Direct-page variables of the driver.
constexpr uint8_t kNoteIndex = 0x00, kTicksLeft = 0x01, kNotesPlayed = 0x02;

constexpr uint8_t kTicksPerStep = 25;    // 100 Hz ticks: a quarter second
constexpr int kSongSeconds = 12;         // first pass plus two loops
constexpr int kFadeMs = 2000;

// A sine quantised to the 4-bit BRR range: 32 samples, two looping blocks.
std::vector<uint8_t> brr_instrument() {
    constexpr double kPi = 3.14159265358979323846;
    std::vector<uint8_t> brr;
    for (int block = 0; block < 2; ++block) {
        brr.push_back(uint8_t(0xC0 | 0x02 | (block == 1 ? 0x01 : 0x00)));  // range 12, loop, end
        for (int i = 0; i < 16; i += 2) {
            auto nibble = [&](int n) {
                return int(std::lround(7.0 * std::sin(2 * kPi * (block * 16 + n) / 32.0))) & 0x0F;
            };
            brr.push_back(uint8_t(nibble(i) << 4 | nibble(i + 1)));
        }
    }
    return brr;
}

// 32-sample loop played at 32 kHz: pitch = f * 4096 * 32 / 32000.
uint16_t pitch_of(double hz) { return uint16_t(std::lround(hz * 4.096)); }

struct Note {
    double hz;  // 0 for a rest
    uint8_t ticks;
};

std::vector<Note> melody() {
    const double C5 = 523.25, D5 = 587.33, E5 = 659.26, F5 = 698.46, G5 = 783.99, A5 = 880.0, B5 = 987.77,
                 C6 = 1046.50;
    const double steps[16] = {C5, E5, G5, C6, B5, G5, E5, G5, A5, F5, D5, F5, G5, E5, C5, 0};
    std::vector<Note> notes;
    for (double hz : steps) {
        if (hz == 0) {
            notes.push_back({0, kTicksPerStep});
            continue;
        }
        notes.push_back({hz, kTicksPerStep - 3});
        notes.push_back({0, 3});  // a short gap so repeated notes are heard
    }
    return notes;
}

void put_text(std::vector<uint8_t>& image, size_t offset, size_t field, const std::string& text) {
    std::memcpy(image.data() + offset, text.data(), text.size() < field ? text.size() : field);
}

}  // namespace

ExampleSpc build_example_spc() {
    ExampleSpc out;
    Assembler a(kCodeBase);

    a.label("start");
    a.clrp();
    a.mov_x_imm(0xEF);
    a.mov_sp_x();
    a.mov_x_imm(0);
    a.label("init");  // DSP registers from a (register, value) list ending in 0xFF
    a.mov_a_abs_x("dsp_init");
    a.cmp_a_imm(0xFF);
    a.beq("init_done");
    a.mov_dp_a(0xF2);
    a.inc_x();
    a.mov_a_abs_x("dsp_init");
    a.mov_dp_a(0xF3);
    a.inc_x();
    a.bra("init");
    a.label("init_done");
    a.mov_dp_imm(kNoteIndex, 0);
    a.mov_dp_imm(kTicksLeft, 1);
    a.mov_dp_imm(kNotesPlayed, 0);
    a.mov_dp_imm(0xFA, 80);    // timer 0: 80 x 125 us = 10 ms
    a.mov_dp_imm(0xF1, 0x01);  // timer 0 on, IPL ROM off

    a.label("main_loop");
    a.mov_a_dp(0xFD);
    a.beq("main_loop");
    a.dec_dp(kTicksLeft);
    a.bne("main_loop");
    a.call("next_note");
    a.bra("main_loop");

    // Song entries: ticks, pitch high, pitch low; ticks 0 starts over.
    a.label("next_note");
    a.mov_x_dp(kNoteIndex);
    a.mov_a_abs_x("song");
    a.bne("play");
    a.mov_x_imm(0);
    a.mov_a_abs_x("song");
    a.label("play");
    a.mov_dp_a(kTicksLeft);
    a.inc_x();
    a.mov_a_abs_x("song");
    a.beq("rest");
    a.dsp_write_a(0x03);  // V0 pitch high
    a.inc_x();
    a.mov_a_abs_x("song");
    a.dsp_write_a(0x02);  // V0 pitch low
    a.dsp_write(0x5C, 0x00);  // KOFF
    a.dsp_write(0x4C, 0x01);  // KON voice 0
    a.inc_dp(kNotesPlayed);
    a.bra("advance");
    a.label("rest");
    a.inc_x();
    a.dsp_write(0x5C, 0x01);  // KOFF voice 0
    a.label("advance");
    a.inc_x();
    a.byte(0xD8);  // MOV dp,X
    a.byte(kNoteIndex);
    a.ret();
    a.label("player_end");

    a.label("dsp_init");
    const uint8_t init[][2] = {
        {0x6C, 0x20},                // FLG: out of reset, unmuted, echo writes off
        {0x4C, 0x00}, {0x5C, 0x00},  // KON, KOFF
        {0x0C, 0x50}, {0x1C, 0x50},  // main volume
        {0x2C, 0x00}, {0x3C, 0x00},  // echo volume
        {0x0D, 0x00}, {0x4D, 0x00}, {0x3D, 0x00}, {0x2D, 0x00},  // EFB, EON, NON, PMON
        {0x5D, kDirPage}, {0x6D, 0x80}, {0x7D, 0x00},            // DIR, ESA, EDL
        {0x00, 0x60}, {0x01, 0x60},  // voice 0 volume
        {0x04, 0x00},                // source 0
        {0x05, 0xBF}, {0x06, 0x6A},  // ADSR: instant attack, decay to half, slow release
        {0x07, 0x00},
    };
    for (const auto& pair : init) {
        a.byte(pair[0]);
        a.byte(pair[1]);
    }
    a.byte(0xFF);

    a.label("song");
    const std::vector<Note> notes = melody();
    for (const Note& n : notes) {
        const uint16_t p = n.hz ? pitch_of(n.hz) : 0;
        a.byte(n.ticks);
        a.byte(uint8_t(p >> 8));
        a.byte(uint8_t(p));
    }
    a.byte(0);

    const std::vector<uint8_t> code = a.finish();
    if (kCodeBase + code.size() > kDirPage * 0x100u) throw std::runtime_error("driver too long");

    std::vector<uint8_t> image(spc::kSnapshotSize, 0);
    uint8_t* ram = image.data() + spc::kRam;
    std::memcpy(ram + kCodeBase, code.data(), code.size());
    const uint16_t dir = kDirPage * 0x100;
    ram[dir + 0] = ram[dir + 2] = uint8_t(kSampleBase);
    ram[dir + 1] = ram[dir + 3] = uint8_t(kSampleBase >> 8);
    const std::vector<uint8_t> brr = brr_instrument();
    std::memcpy(ram + kSampleBase, brr.data(), brr.size());
    image[spc::kDspRegisters + 0x6C] = 0xE0;  // FLG as after a DSP reset

    // Header, registers and the text form of the ID666 tag.
    put_text(image, 0x00, 33, "SNES-SPC700 Sound File Data v0.30");
    image[0x21] = image[0x22] = 26;
    image[0x23] = 26;  // tag present
    image[0x24] = 30;
    out.entry = a.address_of("start");
    image[spc::kPc] = uint8_t(out.entry);
    image[spc::kPc + 1] = uint8_t(out.entry >> 8);
    image[spc::kPsw] = 0x02;
    image[spc::kSp] = 0xEF;
    put_text(image, 0x2E, 32, "Velmo Example Tune");
    put_text(image, 0x4E, 32, "Velmo Sound Tests");
    put_text(image, 0x6E, 16, "make-example-spc");
    put_text(image, 0x7E, 32, "Sine lead on voice 0");
    put_text(image, 0x9E, 11, "12/08/2026");
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", kSongSeconds);
    put_text(image, 0xA9, 3, digits);
    std::snprintf(digits, sizeof digits, "%05d", kFadeMs);
    put_text(image, 0xAC, 5, digits);
    put_text(image, 0xB1, 32, "Velmo Team");
    image[0xD2] = '0';

    xid6_chunk xid6;
    const auto text = [&](uint8_t id, std::string_view value) { xid6.text_item(id, {value.begin(), value.end()}); };
    const auto number = [&](uint8_t id, uint32_t value) { xid6.number_item(id, tag_field_of(id)->storage, value); };
    text(xid6_item::title, "Velmo Example Tune");
    text(xid6_item::game, "Velmo Sound Tests");
    text(xid6_item::artist, "Ada Composer, Ben Arranger");
    text(xid6_item::dumper, "make-example-spc");
    number(xid6_item::dump_date, 2026u << 16 | 12u << 8 | 8u);
    text(xid6_item::comment, "Sine lead on voice 0, built from source");
    text(xid6_item::ost_title, "Velmo Original Soundtrack");
    number(xid6_item::ost_disc, 1);
    number(xid6_item::ost_track, 0x0341);  // track 3A
    text(xid6_item::publisher, "Velmo Records");
    number(xid6_item::copyright_year, 2026);
    uint32_t pass_ticks = 0;
    for (const Note& n : notes) pass_ticks += n.ticks;  // 100 Hz driver ticks
    const uint32_t pass_length = pass_ticks * (snesapu::kTicksPerSecond / 100);
    number(xid6_item::intro, pass_length);  // the first pass
    number(xid6_item::loop, pass_length);   // each further pass
    number(xid6_item::fade, uint32_t(kFadeMs) * snesapu::kTicksPerMs);
    number(xid6_item::loop_count, 2);
    // Amplification 0x10000, the default level, shown in the info; in the
    // header's field, the shorter of its two forms.
    xid6.number_item(xid6_item::amplification, xid6_storage::in_header, 16);
    const std::vector<uint8_t> chunk = xid6.chunk();
    image.insert(image.end(), chunk.begin(), chunk.end());

    out.image = std::move(image);
    out.player_begin = a.address_of("main_loop");
    out.player_end = a.address_of("player_end");
    out.notes_played_address = kNotesPlayed;
    out.first_pitch = pitch_of(notes.front().hz);
    return out;
}

}  // namespace apu::example
