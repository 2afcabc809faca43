#include "lnum/mod256.h"

#include "common/wipe.h"

#include <atomic>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace vantix {

void mod256_setup(Mod256* md, const uint32_t* m_words, const uint32_t* r_words, const uint32_t* r2_words) {
    limbs_from_words(md->m, m_words);
    limbs_from_words(md->one, r_words);
    limbs_from_words(md->r2, r2_words);
    // Newton's iteration doubles the correct low bits of m^-1: 3 -> 6 -> ... -> 96.
    const uint64_t m0 = md->m[0];
    uint64_t inv = m0;  // correct to 3 bits for odd m0
    for (int i = 0; i < 5; ++i) inv *= 2 - m0 * inv;
    md->m_inv = 0 - inv;
}

ModShape mod256_shape(const Mod256& md) {
    const uint64_t ones = ~uint64_t(0);
    if (md.m[1] == ones && md.m[2] == ones && md.m[3] == ones) return ModShape::MinusC;
    if (md.m[1] == 0 && md.m[2] == 0 && md.m[3] == (uint64_t(1) << 63)) return ModShape::HalfPlusC;
    return ModShape::Generic;
}

bool cpu_has_mulx_adx() {
    // 0 not asked yet, 1 no, 2 yes. Threads that ask at once all get the same answer and
    // store the same value, so a relaxed atomic suffices.
    static std::atomic<int> answer{0};
    int a = answer.load(std::memory_order_relaxed);
    if (a == 0) {
        bool has = false;
#if defined(__x86_64__)
        unsigned ea = 0, eb = 0, ec = 0, ed = 0;
        if (__get_cpuid_count(7, 0, &ea, &eb, &ec, &ed))
            has = (eb & (1u << 8)) != 0 && (eb & (1u << 19)) != 0;  // BMI2, ADX
#endif
        a = has ? 2 : 1;
        answer.store(a, std::memory_order_relaxed);
    }
    return a == 2;
}

ModShape mod256_best_shape(const Mod256& md) {
    const ModShape shape = mod256_shape(md);
    if (!cpu_has_mulx_adx()) return shape;
    if (shape == ModShape::MinusC) return ModShape::MulxMinusC;
    if (shape == ModShape::HalfPlusC) return ModShape::MulxHalfPlusC;
    return ModShape::Mulx;
}

void fe_reduce(uint64_t* r, const uint64_t* a, const Mod256& md) {
    // a < 2^256 < 4m: three conditional subtractions always leave a value below m.
    uint64_t t[4];
    fe_copy(t, a);
    for (int i = 0; i < 3; ++i) fe_final_sub(t, t[0], t[1], t[2], t[3], 0, md.m);
    fe_copy(r, t);
}

namespace {

// r = a^(2^n - 1) by the chain x_2k = x_k^(2^k) * x_k, x_k+1 = x_k^2 * a over the bits of n.
template <ModShape S>
void pow_ones(uint64_t* r, const uint64_t* a, int n, const Mod256& md) {
    int top = 31;
    while (((n >> top) & 1) == 0) --top;
    uint64_t x[4], t[4];
    WipeOnExit<decltype(t)> wipe_t(t);
    WipeOnExit<decltype(x)> wipe_x(x);
    fe_copy(x, a);
    int k = 1;
    for (int bit = top - 1; bit >= 0; --bit) {
        fe_copy(t, x);
        for (int i = 0; i < k; ++i) fe_sqr<S>(t, t, md);
        fe_mul<S>(x, t, x, md);
        k *= 2;
        if ((n >> bit) & 1) {
            fe_sqr<S>(x, x, md);
            fe_mul<S>(x, x, a, md);
            ++k;
        }
    }
    fe_copy(r, x);
}

}  // namespace

template <ModShape S>
void fe_inv(uint64_t* r, const uint64_t* a, const Mod256& md) {
    // The exponent m - 2 is public: its bits may steer the loops; a may not.
    uint64_t e[4];
    fe_copy(e, md.m);
    e[0] -= 2;  // m is odd and above 2, so no borrow leaves limb 0
    auto bit = [&](int i) { return unsigned(e[i / 64] >> (i % 64)) & 1; };
    int ones = 0;
    while (ones < 256 && bit(255 - ones)) ++ones;
    uint64_t acc[4];
    WipeOnExit<decltype(acc)> wipe_acc(acc);
    if (ones >= 64) {
        // m = 2^256 - c: a long run of ones on top (246 of them for CryptoPro A) costs a
        // dozen multiplications by the chain, then the few low bits one by one.
        pow_ones<S>(acc, a, ones, md);
        for (int i = 255 - ones; i >= 0; --i) {
            fe_sqr<S>(acc, acc, md);
            if (bit(i)) fe_mul<S>(acc, acc, a, md);
        }
        fe_copy(r, acc);
        return;
    }
    uint64_t table[16][4];  // a^0 .. a^15
    WipeOnExit<decltype(table)> wipe_table(table);
    fe_copy(table[0], md.one);
    fe_copy(table[1], a);
    for (int i = 2; i < 16; ++i) fe_mul<S>(table[i], table[i - 1], a, md);
    fe_copy(acc, md.one);
    for (int i = 63; i >= 0; --i) {
        for (int s = 0; s < 4; ++s) fe_sqr<S>(acc, acc, md);
        const unsigned w = unsigned(e[i / 16] >> (4 * (i % 16))) & 15;
        if (w != 0) fe_mul<S>(acc, acc, table[w], md);  // w is a digit of the public exponent
    }
    fe_copy(r, acc);
}

template void fe_inv<ModShape::Generic>(uint64_t*, const uint64_t*, const Mod256&);
template void fe_inv<ModShape::MinusC>(uint64_t*, const uint64_t*, const Mod256&);
template void fe_inv<ModShape::HalfPlusC>(uint64_t*, const uint64_t*, const Mod256&);
template void fe_inv<ModShape::Mulx>(uint64_t*, const uint64_t*, const Mod256&);
template void fe_inv<ModShape::MulxMinusC>(uint64_t*, const uint64_t*, const Mod256&);
template void fe_inv<ModShape::MulxHalfPlusC>(uint64_t*, const uint64_t*, const Mod256&);

}  // namespace vantix
