// Silent passes: the decoding of a voice silent in release, checked
// instead of redone while its loop repeats.
#include <cstring>

#include "core/dsp.h"
#include "core/dsp_brr.h"

namespace apu {

// A voice silent in release goes on decoding, only for the history a later
// key-on starts from. Decoding from a loop jump to the next (a pass)
// depends only on the bytes read and the history the pass begins with. So
// once the history at a jump comes back to one a recorded pass began with,
// the passes from that one on repeat for as long as they read the same
// bytes: they are then compared byte for byte instead of decoded, and the
// ring is rebuilt when a key-on needs it or a byte differs.

// A group of a silent voice that is recorded, or that differs from the
// recorded one.
void Dsp::silent_group(Voice& v, int n, uint32_t group) {
    if (v.pass_state == kPassRepeating) replay_silent_passes(v, n);
    decode_into_ring(*brr_cache_, v.buf, v.buf_pos, group);
    if (v.pass_state != kPassRecording) return;
    PassRecord& record = pass_records_[n];
    if (record.count < kPassCapacity) record.groups[record.count++] = group;
    else v.pass_state = kPassOff;  // too long to record
}

// At a loop jump of a voice silent in release; the jump target is in
// brr_addr and the ring has moved on to the next group's slot.
void Dsp::silent_pass_end(Voice& v, int n) {
    PassRecord& record = pass_records_[n];
    if (v.pass_state == kPassRepeating) {
        if (v.pass_index == record.count) {  // the recorded passes begin again
            v.pass_index = 0;
            record.ring_pos = v.buf_pos;
        }
        return;
    }
    const int prev1 = v.buf[v.buf_pos + 11], prev2 = v.buf[v.buf_pos + 10];
    if (v.pass_state == kPassRecording) {
        for (int p = 0; p < record.passes; ++p) {
            if (prev1 != record.prev1[p] || prev2 != record.prev2[p]) continue;
            // Back at the history pass p began with: the passes from p on
            // repeat, and the ones before it are dropped.
            const int first = record.start[p];
            record.count -= first;
            std::memmove(record.groups, record.groups + first, record.count * sizeof record.groups[0]);
            std::memcpy(record.ring, v.buf + v.buf_pos, sizeof record.ring);
            v.pass_state = kPassRepeating;
            v.pass_index = 0;
            record.ring_pos = v.buf_pos;
            return;
        }
        if (record.passes < kMaxPasses) {
            record.start[record.passes] = record.count;
            record.prev1[record.passes] = prev1;
            record.prev2[record.passes] = prev2;
            ++record.passes;
            return;
        }
    }
    // Recording starts over from this jump.
    v.pass_state = kPassRecording;
    record.passes = 1;
    record.count = 0;
    record.start[0] = 0;
    record.prev1[0] = prev1;
    record.prev2[0] = prev2;
}

// Rebuilds the ring as decoding would have left it: as it was when the
// recorded passes began again, then the groups decoded since.
void Dsp::replay_silent_passes(Voice& v, int n) const {
    const PassRecord& record = pass_records_[n];
    int pos = record.ring_pos;
    for (int i = 0; i < 12; ++i) v.buf[(pos + i) % 12] = v.buf[(pos + i) % 12 + 12] = record.ring[i];
    for (int i = 0; i < v.pass_index; ++i) {
        decode_into_ring(*brr_cache_, v.buf, pos, record.groups[i]);
        pos = pos == 8 ? 0 : pos + 4;
    }
    v.pass_state = kPassOff;
}

// The records only spare work: voices can take the rings they stand for
// and record afresh after their next loop jump.
void Dsp::close_silent_passes(Voice voices[8]) const {
    for (int n = 0; n < 8; ++n) {
        if (voices[n].pass_state == kPassRepeating) replay_silent_passes(voices[n], n);
        voices[n].pass_state = kPassOff;
    }
}

// A state holds no records.
void Dsp::save(DspState& state) const {
    state = *this;
    close_silent_passes(state.voices_);
}

}  // namespace apu
