// Fixed-length unsigned integers (LNum): n 32-bit words, word 0 most significant, the form
// numbers are stored in (the signature context). No sign, no stored length; every
// operation is told n. The arithmetic on them is done in 64-bit limbs (mod256.h).
#pragma once
#include <cstdint>

namespace vantix {

int lnum_cmp(int n, const uint32_t* a, const uint32_t* b);  // -1, 0, +1 (unsigned)
bool lnum_is_zero(int n, const uint32_t* a);

// a += b over len bytes, byte 0 least significant (the opposite order to LNum words);
// returns the final carry. Used for the running control sum of the hash.
int bytes_add(int len, uint8_t* a, const uint8_t* b);

}  // namespace vantix
