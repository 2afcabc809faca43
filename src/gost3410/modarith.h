// Arithmetic modulo an odd modulus m of n words, with Montgomery multiplication
// (R = 2^(32n)). A Montgomery modulus record is the n words of m followed by
// m' = -m^-1 mod 2^32 in word n. Values are LNum words, most significant first.
#pragma once
#include <cstdint>

namespace vantix {

struct SignContext;

constexpr int MONT_MAX_WORDS = 64;

// The 64-word value 1; an n-word 1 is its last n words.
extern const uint32_t LNUM_ONE[MONT_MAX_WORDS];
inline const uint32_t* lnum_one(int n) { return LNUM_ONE + (MONT_MAX_WORDS - n); }

void lnum_add_mod(int n, uint32_t* a, const uint32_t* b, const uint32_t* m);     // a = (a+b) mod m
void lnum_sub_mod(int n, uint32_t* a, const uint32_t* b, const uint32_t* m);     // a = (a-b) mod m
int lnum_mul_r_mod(uint32_t* out, const uint32_t* x, const uint32_t* m, int n);  // x*R mod m

// a = a*b*R^-1 mod m, fully reduced; b may be a. 1 (a unchanged) when n > 64.
int mont_mul(uint32_t* a, const uint32_t* b, const uint32_t* m, int n);
// As mont_mul with b = b2[0..n-1] XOR b2[n..2n-1], formed word by word (never stored whole).
int mont_mul_masked(uint32_t* a, const uint32_t* b2, const uint32_t* m, int n);
int mont_sqr(uint32_t* a, const uint32_t* m, int n);
// out = base^e in Montgomery form, or taken out of it when `plain` is non-zero.
int mont_pow(const uint32_t* base, const uint32_t* e, uint32_t* out, int plain, const uint32_t* m, int n);
// -w^-1 mod 2^32 for odd w; 0 for even w.
uint32_t mont_neg_inv32(uint32_t w);

// Kaliski's almost inverse: out = a^-1 * 2^k mod m; returns k (0 when a = 0).
int almost_inverse(const uint32_t* a, const uint32_t* m, uint32_t* out, int n);
// out = a^-1 mod m (plain values, n <= 8); 0 for a = 0.
void mod_inverse(const uint32_t* a, const uint32_t* m, uint32_t* out, int n);

// x mod q for x of q's word count, and for x of p's word count, with the constants of a
// signature context.
void order_reduce(uint32_t* x, const SignContext* ctx);
void order_reduce_wide(uint32_t* x, const SignContext* ctx);

}  // namespace vantix
