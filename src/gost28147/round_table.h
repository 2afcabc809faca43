// The GOST 28147-89 round function, in its two forms, and the choice of core.
//
// An expanded table (sbox.h) is four 256-entry word tables; looking them up (gost_f)
// indexes memory by key and data. When the expanded table is that of eight 4-bit substitutions (as every
// table expanded from a 128-byte table with entries 0 to 15 is, and many others), the round
// is computed instead from the sixteen-entry nibble tables held in processor registers:
// byte shuffles (pshufb, vpshufb, vpermb) or, without them, shifts of packed nibbles, so no
// memory address depends on a key or on data. An expanded table that has no such form
// (one written by hand, or expanded from entries above 15 that mix the nibbles) is used as
// it is, by table lookups: correct, but not constant time.
//
// The cores, fastest first: AVX-512 (F, BW, VL and VBMI: 16 words per register, vpermb),
// AVX2 (8 words, vpshufb), SSSE3 (4 words, pshufb), scalar (packed nibble tables rotated by
// the nibble's value: constant time where rotations by a register count are, as on every
// x86-64). The vector cores run one block alone, the feedback and the MAC chains on the
// scalar round, whose latency is lower. The best core the processor and the operating
// system support is chosen at run time.
#pragma once
#include <cstdint>

namespace vantix {

// The round function on an expanded table: substitution by the eight rows, then rotation
// left by 11, as four lookups. The table-driven core's round; not constant time.
inline uint32_t gost_f(const uint32_t* t, uint32_t x) {
    return t[x >> 24] ^ t[256 + ((x >> 16) & 0xFF)] ^ t[512 + ((x >> 8) & 0xFF)] ^ t[768 + (x & 0xFF)];
}

enum class CipherPath : int { Table = 0, Scalar = 1, Ssse3 = 2, Avx2 = 3, Avx512 = 4 };

// One expanded table, prepared for the cores. Built per operation from the table the
// context reads (the caller may rewrite it between operations); no secret in it.
struct RoundTable {
    // lo[16k + n]: the substitution of value n in the low nibble of byte k of the round
    // input (k = 0 the least significant byte); hi[16k + n]: that of the high nibble,
    // already in bits 4 to 7. Row order: byte k's low nibble is row 7 - 2k.
    alignas(64) uint8_t lo[64];
    alignas(64) uint8_t hi[64];
    const uint32_t* expanded;  // the table itself, for the table-driven core
    bool nibble_form;          // false: only the table-driven core can compute this table
};

// Prepares `rt` for the expanded table `expanded` (1024 words, read, kept by address).
void round_table_prepare(const uint32_t* expanded, RoundTable* rt);

// The core that runs for a table in nibble form: the best the processor supports, or less
// when limited below.
CipherPath cipher_path();

// The best core this processor and operating system support.
CipherPath cipher_path_supported();

// Limits the cores to `path` and below (tests and benchmarks compare the cores); returns
// false, changing nothing, when the processor lacks it. Process-wide.
bool cipher_path_limit(CipherPath path);

}  // namespace vantix
