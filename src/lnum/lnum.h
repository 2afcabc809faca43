// Fixed-length unsigned integers (LNum): n 32-bit words, word 0 most significant.
// No sign, no stored length; every operation is told n. Operations work in place on
// their first array and return a carry, a borrow, a shifted-out bit or a comparison.
#pragma once
#include <cstdint>

namespace vantix {

int lnum_cmp(int n, const uint32_t* a, const uint32_t* b);  // -1, 0, +1 (unsigned)
int lnum_add(int n, uint32_t* a, const uint32_t* b);        // a += b, returns carry
int lnum_sub(int n, uint32_t* a, const uint32_t* b);        // a -= b, returns borrow
int lnum_shl1(int n, uint32_t* a);                          // a <<= 1, returns old top bit
int lnum_shr1(int n, uint32_t* a);                          // a >>= 1, returns old low bit

// a += b over len bytes, byte 0 least significant (the opposite order to LNum words);
// returns the final carry. Used for the running control sum of the hash.
int bytes_add(int len, uint8_t* a, const uint8_t* b);

bool lnum_is_zero(int n, const uint32_t* a);

}  // namespace vantix
