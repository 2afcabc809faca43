// Constant-time helpers and the secret markers.
//
// Secrets (keys, nonces and every value derived from them) never steer a branch or an
// address, with one exception: the GOST 28147-89 round on an expanded table that is not
// eight 4-bit substitutions (one written by hand, or expanded from entries above 15) runs
// the table-driven core, which indexes memory by key and data. For every other table the
// round is computed in processor registers (gost28147/round_table.h).
//
// Where a one-bit outcome of a secret computation must steer control — a nonce rejected,
// r or s equal to zero, a key-integrity check — it passes through `ct_declassify_bit`, the
// one place that turns a secret bit into a public one.
//
// Under valgrind's memcheck the markers make this checkable: `ct_mark_secret` marks bytes
// as undefined, so any branch or address that depends on them is reported, and
// `ct_declassify_bit` / `ct_declassify` mark their result defined again. Outside valgrind
// each marker costs a few instructions (a client request is a no-op sequence).
#pragma once
#include <cstddef>
#include <cstdint>

namespace vantix {

// All-ones when the condition holds, zero otherwise; no branch.
inline uint64_t ct_mask64(uint64_t bit) { return 0 - (bit & 1); }
inline uint64_t ct_is_zero64(uint64_t x) { return ((~x & (x - 1)) >> 63) & 1; }
inline uint64_t ct_eq64(uint64_t a, uint64_t b) { return ct_is_zero64(a ^ b); }
inline uint32_t ct_is_zero32(uint32_t x) { return ((~x & (x - 1)) >> 31) & 1; }

// All-ones when the n bytes at a and b are equal; every byte is compared whatever the
// data (for MACs and checksums that decide acceptance).
inline uint64_t ct_equal_mask(const void* a, const void* b, size_t n) {
    const uint8_t* x = static_cast<const uint8_t*>(a);
    const uint8_t* y = static_cast<const uint8_t*>(b);
    uint32_t diff = 0;
    for (size_t i = 0; i < n; ++i) diff |= uint32_t(x[i] ^ y[i]);
    return ct_mask64(ct_is_zero32(diff));
}

// Marks bytes as secret for memcheck (undefined); a no-op outside valgrind.
void ct_mark_secret(const void* p, size_t n);
// Marks bytes as public (defined): for results that are published, such as a signature.
void ct_declassify(const void* p, size_t n);
// Makes one secret-derived bit public: returns v != 0 as a defined value. Never inlined,
// so that every such decision shows up under one name in a profile or a review.
bool ct_declassify_bit(uint64_t v);

}  // namespace vantix
