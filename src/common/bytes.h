// Byte-order helpers. Every conversion between byte strings and 32-bit words in the
// library goes through these functions: no code casts a byte pointer to a wider type.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vantix {

inline uint32_t load_le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void store_le32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

inline uint32_t load_be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline void store_be32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// On a little-endian processor (every one this library is built for) one move each; the
// compiler does not always merge the two 32-bit halves into one (it did not in the hash's
// control sum).
inline uint64_t load_le64(const uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    } else {
        return uint64_t(load_le32(p)) | (uint64_t(load_le32(p + 4)) << 32);
    }
}

inline void store_le64(uint8_t* p, uint64_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, 8);
    } else {
        store_le32(p, uint32_t(v));
        store_le32(p + 4, uint32_t(v >> 32));
    }
}

// Reverses the four bytes of a word: converts between the big-endian strings of the
// Java boundary and native words.
inline uint32_t byte_swap(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}

// Writes the n_words 4-byte groups of src to dst, each reversed (dst may be src). Two
// groups at a time as one 64-bit value whose bytes are exchanged within each half by shifts
// and masks: whatever the processor's byte order, and only operations that the baseline
// vector instructions have (a per-word byte swap vectorises badly without SSSE3).
inline void byte_swap_groups_into(uint8_t* dst, const uint8_t* src, size_t n_words) {
    size_t i = 0;
    for (; i + 2 <= n_words; i += 2) {
        uint64_t v;
        std::memcpy(&v, src + 4 * i, 8);
        v = ((v & 0x00FF00FF00FF00FFu) << 8) | ((v >> 8) & 0x00FF00FF00FF00FFu);
        v = ((v & 0x0000FFFF0000FFFFu) << 16) | ((v >> 16) & 0x0000FFFF0000FFFFu);
        std::memcpy(dst + 4 * i, &v, 8);
    }
    if (i < n_words) store_be32(dst + 4 * i, load_le32(src + 4 * i));
}

// Reverses each 4-byte group of a byte string in place (n_words groups).
inline void byte_swap_groups(uint8_t* p, size_t n_words) {
    for (size_t i = 0; i < n_words; ++i, p += 4) {
        uint8_t t0 = p[0], t1 = p[1];
        p[0] = p[3];
        p[1] = p[2];
        p[2] = t1;
        p[3] = t0;
    }
}

// Big-endian byte string (4n bytes) to n native words, word order unchanged.
inline void words_from_be(uint32_t* w, const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) w[i] = load_be32(p + 4 * i);
}

inline void words_to_be(uint8_t* p, const uint32_t* w, size_t n) {
    for (size_t i = 0; i < n; ++i) store_be32(p + 4 * i, w[i]);
}

inline void words_from_le(uint32_t* w, const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) w[i] = load_le32(p + 4 * i);
}

inline void words_to_le(uint8_t* p, const uint32_t* w, size_t n) {
    for (size_t i = 0; i < n; ++i) store_le32(p + 4 * i, w[i]);
}

}  // namespace vantix
