// A model of the curve arithmetic on 32-bit words, independent of the library's 64-bit
// limbs: the tests compare the library with it, and it with GMP.
//
// Arithmetic modulo an odd modulus m of n words (n up to 64), with Montgomery
// multiplication in product-scanning form (R = 2^(32n)). A Montgomery modulus record is
// the n words of m followed by m' = -m^-1 mod 2^32 in word n. Values are LNum words, most
// significant first. Points are LPoint records in the working form of the signature
// context (Jacobian, Montgomery form).
#pragma once
#include <cstdint>

#include "gost3410/lpoint.h"
#include "gost3410/sign_context.h"

namespace vantix::model {

// The carry chains on n words: a += b, a -= b, a <<= 1 and a >>= 1 return the carry, the
// borrow, the old top bit and the old low bit.
int lnum_add(int n, uint32_t* a, const uint32_t* b);
int lnum_sub(int n, uint32_t* a, const uint32_t* b);
int lnum_shl1(int n, uint32_t* a);
int lnum_shr1(int n, uint32_t* a);

constexpr int MONT_MAX_WORDS = 64;

// The 64-word value 1; an n-word 1 is its last n words.
extern const uint32_t LNUM_ONE[MONT_MAX_WORDS];
inline const uint32_t* lnum_one(int n) { return LNUM_ONE + (MONT_MAX_WORDS - n); }

void lnum_add_mod(int n, uint32_t* a, const uint32_t* b, const uint32_t* m);      // a = (a+b) mod m
void lnum_sub_mod(int n, uint32_t* a, const uint32_t* b, const uint32_t* m);      // a = (a-b) mod m
void lnum_mul_r_mod(uint32_t* out, const uint32_t* x, const uint32_t* m, int n);  // x*R mod m

// a = a*b*R^-1 mod m, fully reduced; b may be a. 1 (a unchanged) when n > 64.
int mont_mul(uint32_t* a, const uint32_t* b, const uint32_t* m, int n);
// As mont_mul with b = b2[0..n-1] XOR b2[n..2n-1], formed word by word (never stored whole).
int mont_mul_masked(uint32_t* a, const uint32_t* b2, const uint32_t* m, int n);
int mont_sqr(uint32_t* a, const uint32_t* m, int n);
// out = base^e in Montgomery form, or taken out of it when `plain` is non-zero.
void mont_pow(const uint32_t* base, const uint32_t* e, uint32_t* out, int plain, const uint32_t* m, int n);
// -w^-1 mod 2^32 for odd w; 0 for even w.
uint32_t mont_neg_inv32(uint32_t w);

// Kaliski's almost inverse: out = a^-1 * 2^k mod m; returns k (0 when a = 0).
int almost_inverse(const uint32_t* a, const uint32_t* m, uint32_t* out, int n);
// out = a^-1 mod m (plain values, n <= 8); 0 for a = 0.
void mod_inverse(const uint32_t* a, const uint32_t* m, uint32_t* out, int n);

// x mod q for x of p's word count, with the widened q of a signature context.
void order_reduce_wide(uint32_t* x, const SignContext* ctx);

// The conversions between point forms on the words above: Z = one (R mod p for a point in
// Montgomery form, else 1) and flags 0x81 or 0x01; X, Y, Z into Montgomery form (flags gain
// 0x80) and out of it (flags lose 0x80); X/Z^2, Y/Z^3 with Z = 1/Z by Fermat's little
// theorem (flags 0x80 or 0).
void to_projective(const SignContext* ctx, LPoint* p);
void to_mont(const SignContext* ctx, LPoint* p);
void from_mont(const SignContext* ctx, LPoint* p);
void to_affine(const SignContext* ctx, LPoint* p);

// P = 2P and P = P + Q (Q unchanged) in working form, Jacobian formulas for a general a
// (IEEE P1363), with the context's p, a and half.
void lpoint_double(const SignContext* ctx, LPoint* p);
void lpoint_add(const SignContext* ctx, LPoint* p, const LPoint* q);
// out = k*P in working form through the library's constant-time mul_ct (a Jacobian
// representative that may differ from the one a double-and-add would give; the point is
// the same). k has p's word count. The point at infinity comes out as X = Y = one, Z = 0,
// flags 0x80.
void lpoint_mul(const LPoint* p, const uint32_t* k, LPoint* out, const SignContext* ctx);

}  // namespace vantix::model
