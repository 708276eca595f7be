#include "core/dsp_envelope.h"

namespace apu {

namespace {

constexpr RateCheck make_check(uint16_t period) {
    if (period == 0) return {0xFFFFFFFFu, 0, 0, 1, 0};  // x >= 1 never has all bits clear
    const uint32_t odd = period % 3 == 0 ? 3 : period % 5 == 0 ? 5 : 1;
    const uint32_t power = period / odd;
    uint8_t shift = 0;
    while ((1u << shift) < power) ++shift;
    const uint16_t phase = rate_phase(period);
    if (odd == 3) return {power - 1, 0xAAAAAAABu, 0x55555555u, phase, shift};
    if (odd == 5) return {power - 1, 0xCCCCCCCDu, 0x33333333u, phase, shift};
    return {power - 1, 0, 0, phase, shift};
}

constexpr RateCheck make_one(int rate) { return make_check(kRatePeriods[rate]); }

}  // namespace

const RateCheck kRateChecks[32] = {
    make_one(0),  make_one(1),  make_one(2),  make_one(3),  make_one(4),  make_one(5),  make_one(6),
    make_one(7),  make_one(8),  make_one(9),  make_one(10), make_one(11), make_one(12), make_one(13),
    make_one(14), make_one(15), make_one(16), make_one(17), make_one(18), make_one(19), make_one(20),
    make_one(21), make_one(22), make_one(23), make_one(24), make_one(25), make_one(26), make_one(27),
    make_one(28), make_one(29), make_one(30), make_one(31),
};

namespace {

struct FamilyMasks {
    uint32_t m[3][17] = {};
};

constexpr FamilyMasks make_family_masks() {
    FamilyMasks f;
    for (int rate = 1; rate < 32; ++rate) {
        const uint32_t period = kRatePeriods[rate];
        const int family = period % 3 == 0 ? 1 : period % 5 == 0 ? 2 : 0;
        const uint32_t power = period / (family == 1 ? 3 : family == 2 ? 5 : 1);
        int shift = 0;
        while ((1u << shift) < power) ++shift;
        for (int t = shift; t < 17; ++t) f.m[family][t] |= 1u << rate;
    }
    return f;
}

constexpr FamilyMasks kFamilies = make_family_masks();

}  // namespace

const uint32_t kRateFamilyMasks[3][17] = {
#define APU_ROW(f) {kFamilies.m[f][0], kFamilies.m[f][1], kFamilies.m[f][2], kFamilies.m[f][3], \
    kFamilies.m[f][4], kFamilies.m[f][5], kFamilies.m[f][6], kFamilies.m[f][7], kFamilies.m[f][8], \
    kFamilies.m[f][9], kFamilies.m[f][10], kFamilies.m[f][11], kFamilies.m[f][12], kFamilies.m[f][13], \
    kFamilies.m[f][14], kFamilies.m[f][15], kFamilies.m[f][16]}
    APU_ROW(0), APU_ROW(1), APU_ROW(2),
#undef APU_ROW
};

}  // namespace apu
