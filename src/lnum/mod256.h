// Arithmetic modulo an odd 256-bit modulus on four 64-bit limbs, in constant time.
//
// This is the fast path of the signature code: every accepted parameter set has a 256-bit
// p and q, so the working values fit four limbs (limb 0 least significant) and the
// Montgomery radix is R = 2^256, the same R as the eight-word LNum operations. A value in
// Montgomery form here and an LNum in Montgomery form are the same number.
//
// Contracts shared by every operation below:
// - inputs are fully reduced (below m) unless stated otherwise; outputs are fully reduced;
// - no branch and no memory address depends on a value: the modulus is public, operands
//   may be secret;
// - outputs may alias inputs.
#pragma once
#include <x86intrin.h>

#include <cstdint>

#include "common/ct.h"

namespace vantix {

using u128 = unsigned __int128;

// Carry chains through the compiler's add-with-carry intrinsics, which it turns into
// adc/sbb chains far better than it does 128-bit sums.
inline uint64_t adc64(uint64_t a, uint64_t b, unsigned char& c) {
    unsigned long long r;
    c = _addcarry_u64(c, a, b, &r);
    return r;
}
inline uint64_t sbb64(uint64_t a, uint64_t b, unsigned char& c) {
    unsigned long long r;
    c = _subborrow_u64(c, a, b, &r);
    return r;
}
inline void mul64(uint64_t a, uint64_t b, uint64_t& lo, uint64_t& hi) {
    const u128 p = u128(a) * b;
    lo = uint64_t(p);
    hi = uint64_t(p >> 64);
}

struct Mod256 {
    uint64_t m[4];    // the modulus, odd
    uint64_t m_inv;   // -m^-1 mod 2^64
    uint64_t one[4];  // R mod m: one in Montgomery form
    uint64_t r2[4];   // R^2 mod m: multiplying by it converts into Montgomery form
};

// Eight LNum words (most significant first) to four limbs and back.
inline void limbs_from_words(uint64_t* out, const uint32_t* w) {
    for (int i = 0; i < 4; ++i) out[i] = (uint64_t(w[6 - 2 * i]) << 32) | w[7 - 2 * i];
}
inline void limbs_to_words(uint32_t* w, const uint64_t* in) {
    for (int i = 0; i < 4; ++i) {
        w[7 - 2 * i] = uint32_t(in[i]);
        w[6 - 2 * i] = uint32_t(in[i] >> 32);
    }
}

// Builds the record from the modulus and its R and R^2 residues as LNum words (the
// signature context already holds them).
void mod256_setup(Mod256* md, const uint32_t* m_words, const uint32_t* r_words, const uint32_t* r2_words);

inline void fe_copy(uint64_t* r, const uint64_t* a) {
    r[0] = a[0];
    r[1] = a[1];
    r[2] = a[2];
    r[3] = a[3];
}

// r = mask ? b : a, with mask all-ones or zero.
__attribute__((always_inline)) inline void fe_select(uint64_t* r, const uint64_t* a, const uint64_t* b, uint64_t mask) {
    for (int i = 0; i < 4; ++i) r[i] = a[i] ^ (mask & (a[i] ^ b[i]));
}

// All-ones when a is zero.
__attribute__((always_inline)) inline uint64_t fe_zero_mask(const uint64_t* a) {
    return ct_mask64(ct_is_zero64(a[0] | a[1] | a[2] | a[3]));
}
inline uint64_t fe_equal_mask(const uint64_t* a, const uint64_t* b) {
    return ct_mask64(ct_is_zero64((a[0] ^ b[0]) | (a[1] ^ b[1]) | (a[2] ^ b[2]) | (a[3] ^ b[3])));
}

// r = t - m when the five-limb value t (t4 the top) is at least m, else t. For t < 2m.
__attribute__((always_inline)) inline void fe_final_sub(uint64_t* r, uint64_t t0, uint64_t t1, uint64_t t2, uint64_t t3,
                                                        uint64_t t4, const uint64_t* m) {
    unsigned char b = 0;
    const uint64_t d0 = sbb64(t0, m[0], b);
    const uint64_t d1 = sbb64(t1, m[1], b);
    const uint64_t d2 = sbb64(t2, m[2], b);
    const uint64_t d3 = sbb64(t3, m[3], b);
    const uint64_t keep = ct_mask64(uint64_t(b) & (t4 ^ 1));  // t < m: keep t
    r[0] = d0 ^ (keep & (t0 ^ d0));
    r[1] = d1 ^ (keep & (t1 ^ d1));
    r[2] = d2 ^ (keep & (t2 ^ d2));
    r[3] = d3 ^ (keep & (t3 ^ d3));
}

// The shape of a modulus decides how u*m is formed in a reduction step. The moduli of
// the common parameter sets need fewer multiplications: p = 2^256 - c (CryptoPro A) has
// three all-ones limbs, p = 2^255 + c (the test set, CryptoPro B) two zero limbs and a top
// limb of 2^63. The shape is public, so choosing by it is not a secret-dependent branch.
//
// The two Plain shapes leave Montgomery's method for p = 2^256 - c with c < 2^32: their
// fe_mul and fe_sqr give a*b mod m (not a*b*R^-1), the high half of the product folded in
// as c times itself. The fold needs no quotient digit per limb, so it is the shorter chain.
// Values worked on by them are plain residues, not Montgomery forms (curve.h converts at
// the edges); fe_add, fe_sub, fe_neg and the masks serve both.
enum class ModShape { Generic, MinusC, HalfPlusC, Mulx, MulxMinusC, MulxHalfPlusC, PlainMinusC, MulxPlainMinusC };

constexpr bool is_mulx(ModShape s) {
    return s == ModShape::Mulx || s == ModShape::MulxMinusC || s == ModShape::MulxHalfPlusC ||
           s == ModShape::MulxPlainMinusC;
}
constexpr bool is_plain(ModShape s) { return s == ModShape::PlainMinusC || s == ModShape::MulxPlainMinusC; }

// True when m = 2^256 - c with 0 < c < 2^32: the Plain shapes may serve it.
bool mod256_plain_capable(const Mod256& md);

// True when the processor has mulx, adcx and adox (BMI2 and ADX): the Mulx path, which
// serves any modulus, may then be used. Checked once per process.
bool cpu_has_mulx_adx();
// True when the processor and the operating system support AVX2 (256-bit integer vectors).
bool cpu_has_avx2();

ModShape mod256_shape(const Mod256& md);

// lo[j], hi[j] = the two halves of u * m[j].
template <ModShape S>
__attribute__((always_inline)) inline void um_products(uint64_t u, const Mod256& md, uint64_t* lo, uint64_t* hi) {
    const u128 p0 = u128(u) * md.m[0];
    lo[0] = uint64_t(p0);
    hi[0] = uint64_t(p0 >> 64);
    if constexpr (S == ModShape::Generic) {
        for (int j = 1; j < 4; ++j) {
            const u128 p = u128(u) * md.m[j];
            lo[j] = uint64_t(p);
            hi[j] = uint64_t(p >> 64);
        }
    } else if constexpr (S == ModShape::MinusC) {
        // u * (2^64 - 1) = (u - [u != 0]) * 2^64 + (2^64 - u) mod 2^64
        const uint64_t nz = (u | (0 - u)) >> 63;
        for (int j = 1; j < 4; ++j) {
            lo[j] = 0 - u;
            hi[j] = u - nz;
        }
    } else {
        static_assert(S == ModShape::HalfPlusC, "the mulx path has its own reduction");
        lo[1] = hi[1] = lo[2] = hi[2] = 0;
        lo[3] = u << 63;  // u * 2^63
        hi[3] = u >> 1;
    }
}

// One reduction step on the window t[0..5]: adds u*m, which clears t[0], and shifts the
// window down one limb (t[5] becomes free).
template <ModShape S>
__attribute__((always_inline)) inline void redc_step(unsigned long long* t, const Mod256& md) {
    const uint64_t u = t[0] * md.m_inv;
    uint64_t lo[4], hi[4];
    um_products<S>(u, md, lo, hi);
    unsigned long long z;
    unsigned char c = _addcarry_u64(0, t[0], lo[0], &z);  // z is zero
    c = _addcarry_u64(c, t[1], lo[1], &t[1]);
    c = _addcarry_u64(c, t[2], lo[2], &t[2]);
    c = _addcarry_u64(c, t[3], lo[3], &t[3]);
    c = _addcarry_u64(c, t[4], 0, &t[4]);
    t[5] += c;
    c = _addcarry_u64(0, t[1], hi[0], &t[0]);
    c = _addcarry_u64(c, t[2], hi[1], &t[1]);
    c = _addcarry_u64(c, t[3], hi[2], &t[2]);
    c = _addcarry_u64(c, t[4], hi[3], &t[3]);
    t[4] = t[5] + c;
    t[5] = 0;
}

// r = a*b*R^-1 mod m (operand scanning, one reduction step per limb of b). b's limbs come
// from b_at(i), so that a masked operand is formed limb by limb and never stored whole.
template <ModShape S, class B>
__attribute__((always_inline)) inline void fe_mul_with(uint64_t* r, const uint64_t* a, B b_at, const Mod256& md) {
    unsigned long long t[6] = {0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        const uint64_t bi = b_at(i);
        uint64_t lo0, lo1, lo2, lo3, hi0, hi1, hi2, hi3;
        mul64(a[0], bi, lo0, hi0);
        mul64(a[1], bi, lo1, hi1);
        mul64(a[2], bi, lo2, hi2);
        mul64(a[3], bi, lo3, hi3);
        unsigned char c = _addcarry_u64(0, t[0], lo0, &t[0]);
        c = _addcarry_u64(c, t[1], lo1, &t[1]);
        c = _addcarry_u64(c, t[2], lo2, &t[2]);
        c = _addcarry_u64(c, t[3], lo3, &t[3]);
        c = _addcarry_u64(c, t[4], 0, &t[4]);
        t[5] = c;
        c = _addcarry_u64(0, t[1], hi0, &t[1]);
        c = _addcarry_u64(c, t[2], hi1, &t[2]);
        c = _addcarry_u64(c, t[3], hi2, &t[3]);
        c = _addcarry_u64(c, t[4], hi3, &t[4]);
        t[5] += c;
        redc_step<S>(t, md);
    }
    fe_final_sub(r, t[0], t[1], t[2], t[3], t[4], md.m);  // t < 2m for a, b < m
}

// r = a*b*R^-1 mod m with mulx and the two carry chains of adcx/adox (BMI2 and ADX):
// the same operand scanning as fe_mul_with. The five-limb window t0..t4 (t5 takes its
// carry) is renamed from step to step instead of moved: step i works on the registers
// rotated by i. A reduction step adds u*m, which clears the window's low limb; for the two
// special shapes u*m needs one multiplication instead of four: m = 2^256 - c has limbs
// 1..3 all ones (u*(2^64 - 1) = u*2^64 - u), m = 2^255 + c has zero limbs 1 and 2 and
// 2^63 on top (u*2^255 is a shift). The final conditional subtraction uses a borrow mask:
// no branch, no cmov. The caller checks the processor (cpu_has_mulx_adx) first.
// The assembly below is aligned by hand, one instruction group per line.
// clang-format off
#define VX_STR(x) #x
#define VX_REG(t) "%[" VX_STR(t) "]"
// window += a * b[off/8]
#define VX_MUL_ROW(off, T0, T1, T2, T3, T4, T5)                                                          \
    "movq " VX_STR(off) "(%[b]), %%rdx\n\t"                                                             \
    "xorl %%eax, %%eax\n\t"                                                                             \
    "mulxq 0(%[a]), %[lo], %[hi]\n\t"  "adoxq %[lo], " VX_REG(T0) "\n\t" "adcxq %[hi], " VX_REG(T1) "\n\t" \
    "mulxq 8(%[a]), %[lo], %[hi]\n\t"  "adoxq %[lo], " VX_REG(T1) "\n\t" "adcxq %[hi], " VX_REG(T2) "\n\t" \
    "mulxq 16(%[a]), %[lo], %[hi]\n\t" "adoxq %[lo], " VX_REG(T2) "\n\t" "adcxq %[hi], " VX_REG(T3) "\n\t" \
    "mulxq 24(%[a]), %[lo], %[hi]\n\t" "adoxq %[lo], " VX_REG(T3) "\n\t" "adcxq %[hi], " VX_REG(T4) "\n\t" \
    "adoxq %%rax, " VX_REG(T4) "\n\t" "adcxq %%rax, " VX_REG(T5) "\n\t" "adoxq %%rax, " VX_REG(T5) "\n\t"
// u = t0 * m' into rdx
#define VX_U(T0) "movq " VX_REG(T0) ", %%rdx\n\t" "imulq %[minv], %%rdx\n\t"
// window += u * m, any m
#define VX_RED_GENERIC(T0, T1, T2, T3, T4, T5)                                                           \
    VX_U(T0) "xorl %%eax, %%eax\n\t"                                                                    \
    "mulxq 0(%[m]), %[lo], %[hi]\n\t"  "adoxq %[lo], " VX_REG(T0) "\n\t" "adcxq %[hi], " VX_REG(T1) "\n\t" \
    "mulxq 8(%[m]), %[lo], %[hi]\n\t"  "adoxq %[lo], " VX_REG(T1) "\n\t" "adcxq %[hi], " VX_REG(T2) "\n\t" \
    "mulxq 16(%[m]), %[lo], %[hi]\n\t" "adoxq %[lo], " VX_REG(T2) "\n\t" "adcxq %[hi], " VX_REG(T3) "\n\t" \
    "mulxq 24(%[m]), %[lo], %[hi]\n\t" "adoxq %[lo], " VX_REG(T3) "\n\t" "adcxq %[hi], " VX_REG(T4) "\n\t" \
    "adoxq %%rax, " VX_REG(T4) "\n\t" "adcxq %%rax, " VX_REG(T5) "\n\t" "adoxq %%rax, " VX_REG(T5) "\n\t"
// window += u * m for m = 2^256 - c: u*m0 at limb 0, and -u (low) and u - [u != 0] (high)
// at each of limbs 1..3
#define VX_RED_MINUSC(T0, T1, T2, T3, T4, T5)                                                            \
    VX_U(T0) "mulxq 0(%[m]), %[lo], %[hi]\n\t"                                                          \
    "movq %%rdx, %%rax\n\t" "negq %%rax\n\t" "sbbq $0, %%rdx\n\t"                                        \
    "addq %[lo], " VX_REG(T0) "\n\t" "adcq %[hi], " VX_REG(T1) "\n\t" "adcq %%rdx, " VX_REG(T2) "\n\t"  \
    "adcq %%rdx, " VX_REG(T3) "\n\t" "adcq %%rdx, " VX_REG(T4) "\n\t" "adcq $0, " VX_REG(T5) "\n\t"     \
    "addq %%rax, " VX_REG(T1) "\n\t" "adcq %%rax, " VX_REG(T2) "\n\t" "adcq %%rax, " VX_REG(T3) "\n\t"  \
    "adcq $0, " VX_REG(T4) "\n\t" "adcq $0, " VX_REG(T5) "\n\t"
// window += u * m for m = 2^255 + c: u*m0 at limb 0, u << 63 at limb 3, u >> 1 at limb 4
#define VX_RED_HALF(T0, T1, T2, T3, T4, T5)                                                              \
    VX_U(T0) "mulxq 0(%[m]), %[lo], %[hi]\n\t"                                                          \
    "movq %%rdx, %%rax\n\t" "shlq $63, %%rax\n\t" "shrq $1, %%rdx\n\t"                                    \
    "addq %[lo], " VX_REG(T0) "\n\t" "adcq %[hi], " VX_REG(T1) "\n\t" "adcq $0, " VX_REG(T2) "\n\t"     \
    "adcq %%rax, " VX_REG(T3) "\n\t" "adcq %%rdx, " VX_REG(T4) "\n\t" "adcq $0, " VX_REG(T5) "\n\t"
// R0..R3 (top R4) -= m unless that borrows; FREE is a spare register for the mask
#define VX_FINAL(R0, R1, R2, R3, R4, FREE)                                                               \
    "movq " VX_REG(R0) ", %%rax\n\t" "movq " VX_REG(R1) ", %%rdx\n\t"                                    \
    "movq " VX_REG(R2) ", %[lo]\n\t" "movq " VX_REG(R3) ", %[hi]\n\t"                                    \
    "subq 0(%[m]), %%rax\n\t" "sbbq 8(%[m]), %%rdx\n\t" "sbbq 16(%[m]), %[lo]\n\t" "sbbq 24(%[m]), %[hi]\n\t" \
    "sbbq $0, " VX_REG(R4) "\n\t" "sbbq " VX_REG(FREE) ", " VX_REG(FREE) "\n\t"                            \
    "xorq %%rax, " VX_REG(R0) "\n\t" "andq " VX_REG(FREE) ", " VX_REG(R0) "\n\t" "xorq %%rax, " VX_REG(R0) "\n\t" \
    "xorq %%rdx, " VX_REG(R1) "\n\t" "andq " VX_REG(FREE) ", " VX_REG(R1) "\n\t" "xorq %%rdx, " VX_REG(R1) "\n\t" \
    "xorq %[lo], " VX_REG(R2) "\n\t" "andq " VX_REG(FREE) ", " VX_REG(R2) "\n\t" "xorq %[lo], " VX_REG(R2) "\n\t" \
    "xorq %[hi], " VX_REG(R3) "\n\t" "andq " VX_REG(FREE) ", " VX_REG(R3) "\n\t" "xorq %[hi], " VX_REG(R3) "\n\t"
#define VX_MONT_MUL(RED)                                                                                 \
    VX_MUL_ROW(0, t0, t1, t2, t3, t4, t5) RED(t0, t1, t2, t3, t4, t5)                                    \
    VX_MUL_ROW(8, t1, t2, t3, t4, t5, t0) RED(t1, t2, t3, t4, t5, t0)                                    \
    VX_MUL_ROW(16, t2, t3, t4, t5, t0, t1) RED(t2, t3, t4, t5, t0, t1)                                   \
    VX_MUL_ROW(24, t3, t4, t5, t0, t1, t2) RED(t3, t4, t5, t0, t1, t2)                                   \
    VX_FINAL(t4, t5, t0, t1, t2, t3)

template <ModShape S>
__attribute__((always_inline)) inline void fe_mul_mulx(uint64_t* r, const uint64_t* a, const uint64_t* b,
                                                       const Mod256& md) {
    uint64_t t0 = 0, t1 = 0, t2 = 0, t3 = 0, t4 = 0, t5 = 0, lo, hi;
#define VX_OPERANDS                                                                                      \
    : [t0] "+&r"(t0), [t1] "+&r"(t1), [t2] "+&r"(t2), [t3] "+&r"(t3), [t4] "+&r"(t4), [t5] "+&r"(t5),     \
      [lo] "=&r"(lo), [hi] "=&r"(hi)                                                                      \
    : [a] "r"(a), [b] "r"(b), [m] "r"(md.m), [minv] "rm"(md.m_inv)                                       \
    : "rax", "rdx", "cc", "memory"
    if constexpr (S == ModShape::MulxMinusC) {
        __asm__(VX_MONT_MUL(VX_RED_MINUSC) VX_OPERANDS);
    } else if constexpr (S == ModShape::MulxHalfPlusC) {
        __asm__(VX_MONT_MUL(VX_RED_HALF) VX_OPERANDS);
    } else {
        __asm__(VX_MONT_MUL(VX_RED_GENERIC) VX_OPERANDS);
    }
#undef VX_OPERANDS
    // clang-format on
    r[0] = t4;  // the window after four steps: t4, t5, t0, t1
    r[1] = t5;
    r[2] = t0;
    r[3] = t1;
}

// r = a^2*R^-1 mod m with mulx: the six cross products a_i*a_j (i < j) once, doubled, plus
// the four squares, then the four reduction steps of fe_mul_mulx over the low half, the high
// half entering limb by limb (ten multiplications instead of sixteen). The eight product
// limbs live in t0..t5, lo and hi; the high four go to w while lo and hi serve the reduction.
// clang-format off
#define VX_SQR_PRODUCT                                                                                   \
    "movq 0(%[a]), %%rdx\n\t"                                                                           \
    "mulxq 8(%[a]), %[t1], %[t2]\n\t" "mulxq 16(%[a]), %%rax, %[t3]\n\t" "mulxq 24(%[a]), %[t5], %[t4]\n\t" \
    "addq %%rax, %[t2]\n\t" "adcq %[t5], %[t3]\n\t" "adcq $0, %[t4]\n\t"                                \
    "movq 8(%[a]), %%rdx\n\t"                                                                           \
    "mulxq 16(%[a]), %%rax, %[lo]\n\t" "mulxq 24(%[a]), %[hi], %[t5]\n\t"                                \
    "addq %%rax, %[t3]\n\t" "adcq %[lo], %[t4]\n\t" "adcq $0, %[t5]\n\t"                                 \
    "addq %[hi], %[t4]\n\t" "adcq $0, %[t5]\n\t"                                                        \
    "movq 16(%[a]), %%rdx\n\t"                                                                          \
    "mulxq 24(%[a]), %%rax, %[lo]\n\t"                                                                  \
    "addq %%rax, %[t5]\n\t" "adcq $0, %[lo]\n\t"                                                         \
    "xorl %k[hi], %k[hi]\n\t"                                                                           \
    "addq %[t1], %[t1]\n\t" "adcq %[t2], %[t2]\n\t" "adcq %[t3], %[t3]\n\t" "adcq %[t4], %[t4]\n\t"     \
    "adcq %[t5], %[t5]\n\t" "adcq %[lo], %[lo]\n\t" "adcq $0, %[hi]\n\t"                                 \
    "movq 0(%[a]), %%rdx\n\t"  "mulxq %%rdx, %[t0], %%rax\n\t" "addq %%rax, %[t1]\n\t"                    \
    "movq 8(%[a]), %%rdx\n\t"  "mulxq %%rdx, %%rax, %%rdx\n\t" "adcq %%rax, %[t2]\n\t" "adcq %%rdx, %[t3]\n\t" \
    "movq 16(%[a]), %%rdx\n\t" "mulxq %%rdx, %%rax, %%rdx\n\t" "adcq %%rax, %[t4]\n\t" "adcq %%rdx, %[t5]\n\t" \
    "movq 24(%[a]), %%rdx\n\t" "mulxq %%rdx, %%rax, %%rdx\n\t" "adcq %%rax, %[lo]\n\t" "adcq %%rdx, %[hi]\n\t" \
    "movq %[t4], %[w4]\n\t" "movq %[t5], %[w5]\n\t" "movq %[lo], %[w6]\n\t" "movq %[hi], %[w7]\n\t"         \
    "xorl %k[t4], %k[t4]\n\t" "xorl %k[t5], %k[t5]\n\t"
// one reduction step on the window, then the next high limb W into T4 (carry into T5)
#define VX_SQR_RED(RED, W, T0, T1, T2, T3, T4, T5)                                                       \
    RED(T0, T1, T2, T3, T4, T5) "addq %[" #W "], " VX_REG(T4) "\n\t" "adcq $0, " VX_REG(T5) "\n\t"
#define VX_MONT_SQR(RED)                                                                                 \
    VX_SQR_PRODUCT                                                                                       \
    VX_SQR_RED(RED, w4, t0, t1, t2, t3, t4, t5)                                                          \
    VX_SQR_RED(RED, w5, t1, t2, t3, t4, t5, t0)                                                          \
    VX_SQR_RED(RED, w6, t2, t3, t4, t5, t0, t1)                                                          \
    VX_SQR_RED(RED, w7, t3, t4, t5, t0, t1, t2)                                                          \
    VX_FINAL(t4, t5, t0, t1, t2, t3)

template <ModShape S>
__attribute__((always_inline)) inline void fe_sqr_mulx(uint64_t* r, const uint64_t* a, const Mod256& md) {
    uint64_t t0, t1, t2, t3, t4, t5, lo, hi, w[4];
#define VX_OPERANDS                                                                                      \
    : [t0] "=&r"(t0), [t1] "=&r"(t1), [t2] "=&r"(t2), [t3] "=&r"(t3), [t4] "=&r"(t4), [t5] "=&r"(t5),     \
      [lo] "=&r"(lo), [hi] "=&r"(hi), [w4] "=m"(w[0]), [w5] "=m"(w[1]), [w6] "=m"(w[2]), [w7] "=m"(w[3])  \
    : [a] "r"(a), [m] "r"(md.m), [minv] "rm"(md.m_inv)                                                   \
    : "rax", "rdx", "cc", "memory"
    if constexpr (S == ModShape::MulxMinusC) {
        __asm__(VX_MONT_SQR(VX_RED_MINUSC) VX_OPERANDS);
    } else if constexpr (S == ModShape::MulxHalfPlusC) {
        __asm__(VX_MONT_SQR(VX_RED_HALF) VX_OPERANDS);
    } else {
        __asm__(VX_MONT_SQR(VX_RED_GENERIC) VX_OPERANDS);
    }
#undef VX_OPERANDS
    // clang-format on
    r[0] = t4;
    r[1] = t5;
    r[2] = t0;
    r[3] = t1;
}

// ---- the Plain shapes: a*b mod m for m = 2^256 - c, c < 2^32 ----------------------------
//
// With the product split as H*2^256 + L, 2^256 = c (mod m) gives L + H*c: five limbs, the
// top one at most c. Its c-fold (below 2^64) goes into limb 0; a carry out of limb 3 is
// worth c more, and leaves a value below 2^64 that cannot carry again. One conditional
// subtraction of m (add c, keep the sum when it carries) ends the reduction. No step
// branches; the portable form chooses by masks, the mulx form by cmov on the carry (a move
// either way, no address depends on it, and one step shorter than the mask).

// r = (w[0..3] + w[4..7] * c) mod m, fully reduced.
__attribute__((always_inline)) inline void plain_fold(uint64_t* r, const uint64_t* w, uint64_t c) {
    uint64_t s[4], top;
    u128 acc = 0;
    for (int j = 0; j < 4; ++j) {
        acc += u128(w[4 + j]) * c + w[j];
        s[j] = uint64_t(acc);
        acc >>= 64;
    }
    top = uint64_t(acc) * c;  // top <= c < 2^32
    unsigned char k = 0;
    s[0] = adc64(s[0], top, k);
    s[1] = adc64(s[1], 0, k);
    s[2] = adc64(s[2], 0, k);
    s[3] = adc64(s[3], 0, k);
    const uint64_t wrap = ct_mask64(k) & c;
    k = 0;
    s[0] = adc64(s[0], wrap, k);
    s[1] = adc64(s[1], 0, k);
    s[2] = adc64(s[2], 0, k);
    s[3] = adc64(s[3], 0, k);
    k = 0;  // s >= m exactly when s + c carries out of 2^256
    const uint64_t d0 = adc64(s[0], c, k);
    const uint64_t d1 = adc64(s[1], 0, k);
    const uint64_t d2 = adc64(s[2], 0, k);
    const uint64_t d3 = adc64(s[3], 0, k);
    const uint64_t take = ct_mask64(k);
    r[0] = s[0] ^ (take & (s[0] ^ d0));
    r[1] = s[1] ^ (take & (s[1] ^ d1));
    r[2] = s[2] ^ (take & (s[2] ^ d2));
    r[3] = s[3] ^ (take & (s[3] ^ d3));
}

// Portable form: the eight-limb product by rows, then the fold.
__attribute__((always_inline)) inline void fe_mul_plain(uint64_t* r, const uint64_t* a, const uint64_t* b,
                                                        const Mod256& md) {
    uint64_t w[8] = {};
    for (int i = 0; i < 4; ++i) {
        uint64_t carry = 0;
        for (int j = 0; j < 4; ++j) {
            const u128 p = u128(a[i]) * b[j] + w[i + j] + carry;
            w[i + j] = uint64_t(p);
            carry = uint64_t(p >> 64);
        }
        w[i + 4] = carry;
    }
    plain_fold(r, w, 0 - md.m[0]);
}

// mulx/adx form. The product's eight limbs stay in registers (rows by mulx with the two
// carry chains, as in fe_mul_mulx); the fold multiplies the high four by c in one more row
// and the rest follows plain_fold step for step. The caller checks the processor first.
// clang-format off
// T0..T4 += a * b[off/8], T4 a new limb (zeroed here). No carry leaves T4: the rows so far
// are a * (b mod 2^(off + 64)), which fits the limbs up to T4.
#define VX_PLAIN_ROW(off, T0, T1, T2, T3, T4)                                                            \
    "movq " VX_STR(off) "(%[b]), %%rdx\n\t"                                                             \
    "xorl %k[" #T4 "], %k[" #T4 "]\n\t"                                                                 \
    "mulxq 0(%[a]), %[lo], %[hi]\n\t"  "adoxq %[lo], %[" #T0 "]\n\t" "adcxq %[hi], %[" #T1 "]\n\t"       \
    "mulxq 8(%[a]), %[lo], %[hi]\n\t"  "adoxq %[lo], %[" #T1 "]\n\t" "adcxq %[hi], %[" #T2 "]\n\t"       \
    "mulxq 16(%[a]), %[lo], %[hi]\n\t" "adoxq %[lo], %[" #T2 "]\n\t" "adcxq %[hi], %[" #T3 "]\n\t"       \
    "mulxq 24(%[a]), %[lo], %[hi]\n\t" "adoxq %[lo], %[" #T3 "]\n\t" "adcxq %[hi], %[" #T4 "]\n\t"       \
    "movl $0, %%edx\n\t" "adoxq %%rdx, %[" #T4 "]\n\t"
// t0..t3 = (t0..t3 + t4..t7 * c) mod m, fully reduced (t4..t7 and lo are overwritten)
#define VX_PLAIN_FOLD                                                                                    \
    "movq %[c], %%rdx\n\t" "xorl %k[lo], %k[lo]\n\t"                                                    \
    "mulxq %[t4], %[lo], %[hi]\n\t" "adoxq %[lo], %[t0]\n\t" "adcxq %[hi], %[t1]\n\t"                    \
    "mulxq %[t5], %[lo], %[hi]\n\t" "adoxq %[lo], %[t1]\n\t" "adcxq %[hi], %[t2]\n\t"                    \
    "mulxq %[t6], %[lo], %[hi]\n\t" "adoxq %[lo], %[t2]\n\t" "adcxq %[hi], %[t3]\n\t"                    \
    "mulxq %[t7], %[lo], %[t4]\n\t" "adoxq %[lo], %[t3]\n\t" "movl $0, %%edx\n\t"                         \
    "adcxq %%rdx, %[t4]\n\t" "adoxq %%rdx, %[t4]\n\t"                                                   \
    "imulq %[c], %[t4]\n\t"                                                                             \
    "addq %[t4], %[t0]\n\t" "adcq $0, %[t1]\n\t" "adcq $0, %[t2]\n\t" "adcq $0, %[t3]\n\t"                \
    "sbbq %[lo], %[lo]\n\t" "andq %[c], %[lo]\n\t"                                                      \
    "addq %[lo], %[t0]\n\t" "adcq $0, %[t1]\n\t" "adcq $0, %[t2]\n\t" "adcq $0, %[t3]\n\t"                \
    "movq %[t0], %[t4]\n\t" "movq %[t1], %[t5]\n\t" "movq %[t2], %[t6]\n\t" "movq %[t3], %[t7]\n\t"     \
    "addq %[c], %[t4]\n\t" "adcq $0, %[t5]\n\t" "adcq $0, %[t6]\n\t" "adcq $0, %[t7]\n\t"                 \
    "cmovcq %[t4], %[t0]\n\t" "cmovcq %[t5], %[t1]\n\t" "cmovcq %[t6], %[t2]\n\t" "cmovcq %[t7], %[t3]\n\t"
#define VX_PLAIN_OPERANDS                                                                                \
    : [t0] "=&r"(t0), [t1] "=&r"(t1), [t2] "=&r"(t2), [t3] "=&r"(t3), [t4] "=&r"(t4), [t5] "=&r"(t5),     \
      [t6] "=&r"(t6), [t7] "=&r"(t7), [lo] "=&r"(lo), [hi] "=&r"(hi)

__attribute__((always_inline)) inline void fe_mul_plain_mulx(uint64_t* r, const uint64_t* a, const uint64_t* b,
                                                             const Mod256& md) {
    uint64_t t0, t1, t2, t3, t4, t5, t6, t7, lo, hi;
    const uint64_t c = 0 - md.m[0];
    __asm__(
        "movq 0(%[b]), %%rdx\n\t"
        "mulxq 0(%[a]), %[t0], %[t1]\n\t"
        "mulxq 8(%[a]), %[lo], %[t2]\n\t"  "addq %[lo], %[t1]\n\t"
        "mulxq 16(%[a]), %[lo], %[t3]\n\t" "adcq %[lo], %[t2]\n\t"
        "mulxq 24(%[a]), %[lo], %[t4]\n\t" "adcq %[lo], %[t3]\n\t" "adcq $0, %[t4]\n\t"
        VX_PLAIN_ROW(8, t1, t2, t3, t4, t5)
        VX_PLAIN_ROW(16, t2, t3, t4, t5, t6)
        VX_PLAIN_ROW(24, t3, t4, t5, t6, t7)
        VX_PLAIN_FOLD
        VX_PLAIN_OPERANDS
        : [a] "r"(a), [b] "r"(b), [c] "m"(c)
        : "rdx", "cc", "memory");
    r[0] = t0;
    r[1] = t1;
    r[2] = t2;
    r[3] = t3;
}

// The square: six cross products once, doubled, plus the four squares (ten mulx), then
// the same fold.
__attribute__((always_inline)) inline void fe_sqr_plain_mulx(uint64_t* r, const uint64_t* a, const Mod256& md) {
    uint64_t t0, t1, t2, t3, t4, t5, t6, t7, lo, hi;
    const uint64_t c = 0 - md.m[0];
    __asm__(
        "movq 0(%[a]), %%rdx\n\t"
        "mulxq 8(%[a]), %[t1], %[t2]\n\t" "mulxq 16(%[a]), %[lo], %[t3]\n\t" "mulxq 24(%[a]), %[t5], %[t4]\n\t"
        "addq %[lo], %[t2]\n\t" "adcq %[t5], %[t3]\n\t" "adcq $0, %[t4]\n\t"
        "movq 8(%[a]), %%rdx\n\t"
        "mulxq 16(%[a]), %[lo], %[hi]\n\t" "mulxq 24(%[a]), %[t6], %[t5]\n\t"
        "addq %[lo], %[t3]\n\t" "adcq %[hi], %[t4]\n\t" "adcq $0, %[t5]\n\t"
        "addq %[t6], %[t4]\n\t" "adcq $0, %[t5]\n\t"
        "movq 16(%[a]), %%rdx\n\t"
        "mulxq 24(%[a]), %[lo], %[t6]\n\t"
        "addq %[lo], %[t5]\n\t" "adcq $0, %[t6]\n\t"
        "xorl %k[t7], %k[t7]\n\t"
        "addq %[t1], %[t1]\n\t" "adcq %[t2], %[t2]\n\t" "adcq %[t3], %[t3]\n\t" "adcq %[t4], %[t4]\n\t"
        "adcq %[t5], %[t5]\n\t" "adcq %[t6], %[t6]\n\t" "adcq $0, %[t7]\n\t"
        "movq 0(%[a]), %%rdx\n\t"  "mulxq %%rdx, %[t0], %[hi]\n\t" "addq %[hi], %[t1]\n\t"
        "movq 8(%[a]), %%rdx\n\t"  "mulxq %%rdx, %[lo], %[hi]\n\t" "adcq %[lo], %[t2]\n\t" "adcq %[hi], %[t3]\n\t"
        "movq 16(%[a]), %%rdx\n\t" "mulxq %%rdx, %[lo], %[hi]\n\t" "adcq %[lo], %[t4]\n\t" "adcq %[hi], %[t5]\n\t"
        "movq 24(%[a]), %%rdx\n\t" "mulxq %%rdx, %[lo], %[hi]\n\t" "adcq %[lo], %[t6]\n\t" "adcq %[hi], %[t7]\n\t"
        VX_PLAIN_FOLD
        VX_PLAIN_OPERANDS
        : [a] "r"(a), [c] "m"(c)
        : "rdx", "cc", "memory");
    // clang-format on
    r[0] = t0;
    r[1] = t1;
    r[2] = t2;
    r[3] = t3;
}
#undef VX_PLAIN_ROW
#undef VX_PLAIN_FOLD
#undef VX_PLAIN_OPERANDS

template <ModShape S = ModShape::Generic>
__attribute__((always_inline)) inline void fe_mul(uint64_t* r, const uint64_t* a, const uint64_t* b, const Mod256& md) {
    if constexpr (S == ModShape::MulxPlainMinusC) {
        fe_mul_plain_mulx(r, a, b, md);
    } else if constexpr (S == ModShape::PlainMinusC) {
        fe_mul_plain(r, a, b, md);
    } else if constexpr (is_mulx(S)) {
        fe_mul_mulx<S>(r, a, b, md);
    } else {
        fe_mul_with<S>(
            r, a, [b](int i) { return b[i]; }, md);
    }
}

// r = a^2*R^-1 mod m: the six cross products once, doubled, plus the four squares, then
// four reduction steps over the eight-limb square.
template <ModShape S>
inline void fe_sqr_scanning(uint64_t* r, const uint64_t* a, const Mod256& md) {
    uint64_t w[8];
    // cross products a_i*a_j, i < j
    u128 c = u128(a[0]) * a[1];
    w[1] = uint64_t(c);
    c = u128(a[0]) * a[2] + uint64_t(c >> 64);
    w[2] = uint64_t(c);
    c = u128(a[0]) * a[3] + uint64_t(c >> 64);
    w[3] = uint64_t(c);
    w[4] = uint64_t(c >> 64);
    c = u128(a[1]) * a[2] + w[3];
    w[3] = uint64_t(c);
    c = u128(a[1]) * a[3] + w[4] + uint64_t(c >> 64);
    w[4] = uint64_t(c);
    w[5] = uint64_t(c >> 64);
    c = u128(a[2]) * a[3] + w[5];
    w[5] = uint64_t(c);
    w[6] = uint64_t(c >> 64);
    // doubled
    w[7] = w[6] >> 63;
    w[6] = (w[6] << 1) | (w[5] >> 63);
    w[5] = (w[5] << 1) | (w[4] >> 63);
    w[4] = (w[4] << 1) | (w[3] >> 63);
    w[3] = (w[3] << 1) | (w[2] >> 63);
    w[2] = (w[2] << 1) | (w[1] >> 63);
    w[1] = w[1] << 1;
    // plus the squares
    c = u128(a[0]) * a[0];
    w[0] = uint64_t(c);
    uint64_t hi = uint64_t(c >> 64);
    c = u128(w[1]) + hi;
    w[1] = uint64_t(c);
    uint64_t carry = uint64_t(c >> 64);
    for (int i = 1; i < 4; ++i) {
        const u128 sq = u128(a[i]) * a[i];
        c = u128(w[2 * i]) + uint64_t(sq) + carry;
        w[2 * i] = uint64_t(c);
        c = u128(w[2 * i + 1]) + uint64_t(sq >> 64) + uint64_t(c >> 64);
        w[2 * i + 1] = uint64_t(c);
        carry = uint64_t(c >> 64);
    }
    // reduction: the window starts at the low half; the high half enters limb by limb
    unsigned long long t[6] = {w[0], w[1], w[2], w[3], 0, 0};
    for (int i = 0; i < 4; ++i) {
        redc_step<S>(t, md);
        unsigned char cc = _addcarry_u64(0, t[3], w[4 + i], &t[3]);
        t[4] += cc;
    }
    fe_final_sub(r, t[0], t[1], t[2], t[3], t[4], md.m);
}

template <ModShape S = ModShape::Generic>
__attribute__((always_inline)) inline void fe_sqr(uint64_t* r, const uint64_t* a, const Mod256& md) {
    if constexpr (S == ModShape::MulxPlainMinusC)
        fe_sqr_plain_mulx(r, a, md);
    else if constexpr (S == ModShape::PlainMinusC)
        fe_mul_plain(r, a, a, md);
    else if constexpr (is_mulx(S))
        fe_sqr_mulx<S>(r, a, md);
    else
        fe_sqr_scanning<S>(r, a, md);
}

__attribute__((always_inline)) inline void fe_add(uint64_t* r, const uint64_t* a, const uint64_t* b, const Mod256& md) {
    unsigned char c = 0;
    const uint64_t s0 = adc64(a[0], b[0], c);
    const uint64_t s1 = adc64(a[1], b[1], c);
    const uint64_t s2 = adc64(a[2], b[2], c);
    const uint64_t s3 = adc64(a[3], b[3], c);
    fe_final_sub(r, s0, s1, s2, s3, c, md.m);
}

__attribute__((always_inline)) inline void fe_sub(uint64_t* r, const uint64_t* a, const uint64_t* b, const Mod256& md) {
    unsigned char c = 0;
    const uint64_t d0 = sbb64(a[0], b[0], c);
    const uint64_t d1 = sbb64(a[1], b[1], c);
    const uint64_t d2 = sbb64(a[2], b[2], c);
    const uint64_t d3 = sbb64(a[3], b[3], c);
    const uint64_t mask = ct_mask64(c);  // a < b: add m back
    c = 0;
    r[0] = adc64(d0, md.m[0] & mask, c);
    r[1] = adc64(d1, md.m[1] & mask, c);
    r[2] = adc64(d2, md.m[2] & mask, c);
    r[3] = adc64(d3, md.m[3] & mask, c);
}

__attribute__((always_inline)) inline void fe_neg(uint64_t* r, const uint64_t* a, const Mod256& md) {
    const uint64_t zero[4] = {0, 0, 0, 0};
    fe_sub(r, zero, a, md);
}

// r = a mod m for any a below 2^256 when m > 2^254 (at most three subtractions, all made).
void fe_reduce(uint64_t* r, const uint64_t* a, const Mod256& md);

// An eight-word LNum a, any value below 2^256, becomes a*b*R^-1 mod m (b below m): with
// b = R^2 mod m into Montgomery form, with b = 1 out of it.
void fe_mul_words(uint32_t* a, const uint64_t* b, const Mod256& md);

// r = a^-1 in Montgomery form (a in Montgomery form; 0 gives 0), by division steps in a
// fixed number of rounds (mod256_inv.cpp). m must be prime.
void fe_inv(uint64_t* r, const uint64_t* a, const Mod256& md);

}  // namespace vantix
