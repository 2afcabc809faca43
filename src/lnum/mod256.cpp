#include "lnum/mod256.h"

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

bool mod256_plain_capable(const Mod256& md) {
    const uint64_t ones = ~uint64_t(0);
    const uint64_t c = 0 - md.m[0];  // m is odd: c is not 0
    return md.m[1] == ones && md.m[2] == ones && md.m[3] == ones && c < (uint64_t(1) << 32);
}

namespace {

// 0 not asked yet, 1 no, 2 yes. Threads that ask at once all get the same answer and store
// the same value, so a relaxed atomic suffices.
template <class Probe>
bool cached_answer(std::atomic<int>& answer, Probe probe) {
    int a = answer.load(std::memory_order_relaxed);
    if (a == 0) {
        a = probe() ? 2 : 1;
        answer.store(a, std::memory_order_relaxed);
    }
    return a == 2;
}

}  // namespace

bool cpu_has_mulx_adx() {
    static std::atomic<int> answer{0};
    return cached_answer(answer, [] {
#if defined(__x86_64__)
        unsigned ea = 0, eb = 0, ec = 0, ed = 0;
        if (__get_cpuid_count(7, 0, &ea, &eb, &ec, &ed))
            return (eb & (1u << 8)) != 0 && (eb & (1u << 19)) != 0;  // BMI2, ADX
#endif
        return false;
    });
}

bool cpu_has_avx2() {
    static std::atomic<int> answer{0};
    return cached_answer(answer, [] {
#if defined(__x86_64__)
        unsigned ea = 0, eb = 0, ec = 0, ed = 0;
        // OSXSAVE and AVX (leaf 1), the system saving the SSE and AVX state (XCR0 bits 1
        // and 2), and AVX2 (leaf 7).
        if (!__get_cpuid(1, &ea, &eb, &ec, &ed) || (ec & (1u << 27)) == 0 || (ec & (1u << 28)) == 0) return false;
        unsigned xcr0 = 0, xcr0_high = 0;
        __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0_high) : "c"(0));
        if ((xcr0 & 6u) != 6u) return false;
        if (!__get_cpuid_count(7, 0, &ea, &eb, &ec, &ed)) return false;
        return (eb & (1u << 5)) != 0;
#else
        return false;
#endif
    });
}

void fe_reduce(uint64_t* r, const uint64_t* a, const Mod256& md) {
    // a < 2^256 < 4m: three conditional subtractions always leave a value below m.
    uint64_t t[4];
    fe_copy(t, a);
    for (int i = 0; i < 3; ++i) fe_final_sub(t, t[0], t[1], t[2], t[3], 0, md.m);
    fe_copy(r, t);
}

void fe_mul_words(uint32_t* a, const uint64_t* b, const Mod256& md) {
    uint64_t v[4];
    limbs_from_words(v, a);
    fe_reduce(v, v, md);
    fe_mul(v, v, b, md);
    limbs_to_words(a, v);
}

}  // namespace vantix
