// Points of the curve y^2 = x^3 + a*x + b over GF(p).
//
// The record is 100 bytes as allocated for Java; the first 98 are significant and whole
// point copies copy exactly those. Working form: Jacobian coordinates (x = X/Z^2,
// y = Y/Z^3) in Montgomery form (flag 0x80). Z = 0 is the point at infinity.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vantix {

struct SignContext;

struct LPoint {
    uint32_t x[8];
    uint32_t y[8];
    uint32_t z[8];
    uint16_t flags;  // 0x80: Montgomery form; 0x01: projective with meaningful Z
    uint16_t unused;
};
static_assert(offsetof(LPoint, x) == 0);
static_assert(offsetof(LPoint, y) == 32);
static_assert(offsetof(LPoint, z) == 64);
static_assert(offsetof(LPoint, flags) == 96);
static_assert(sizeof(LPoint) == 100);

constexpr size_t LPOINT_BYTES = 98;  // the significant part
constexpr uint16_t LPOINT_MONT = 0x80;
constexpr uint16_t LPOINT_PROJECTIVE = 0x01;

// Copies the 98 significant bytes between a record and a byte slot of the context.
void lpoint_load(LPoint* p, const uint8_t* slot);
void lpoint_store(uint8_t* slot, const LPoint* p);

// The conversions between the forms, modulo the context's p. A point enters the working
// form by lpoint_to_projective then lpoint_to_mont, and leaves it by lpoint_to_affine then
// lpoint_from_mont; the point arithmetic itself works on the same numbers in 64-bit limbs
// (curve.h).
//
// Z = one: R mod p when the flags have LPOINT_MONT, else 1; the flags become
// LPOINT_MONT | LPOINT_PROJECTIVE or LPOINT_PROJECTIVE.
void lpoint_to_projective(const SignContext* ctx, LPoint* p);
// X, Y and Z (any values below 2^256) times R mod p, into Montgomery form; flags gain
// LPOINT_MONT. The flags are not consulted: the caller knows the point's form.
void lpoint_to_mont(const SignContext* ctx, LPoint* p);
// X, Y and Z times R^-1 mod p, out of Montgomery form; flags lose LPOINT_MONT.
void lpoint_from_mont(const SignContext* ctx, LPoint* p);
// X = X/Z^2, Y = Y/Z^3 in the form the point had; Z becomes 1/Z (0 for the point at
// infinity, whose X and Y become 0). Flags: LPOINT_MONT or 0.
void lpoint_to_affine(const SignContext* ctx, LPoint* p);

}  // namespace vantix
