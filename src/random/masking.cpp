#include "random/masking.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/bytes.h"
#include "common/ct.h"
#include "common/wipe.h"
#include "gost28147/builtin_tables.h"
#include "gost28147/transform.h"
#include "random/generator.h"

namespace vantix {

namespace {

// Draws 32 bytes of new mask and a 32-byte one-time key K, then enciphers the four blocks
// of the mask under K with the GOST R 34.11-94 test table. Both buffers start zeroed so
// that a refusing generator gives a deterministic (if not fresh) result.
void fresh_mask(RND_State* rnd, uint32_t* out) {
    struct {
        uint8_t mask[32];
        uint8_t k[32];
        uint32_t key[8];
        uint32_t blk[4][2];
    } w = {};
    WipeOnExit<decltype(w)> wipe(w);
    // An unseeded generator refuses and leaves the zeros: masking never fails.
    static_cast<void>(rnd_generate(rnd, w.mask, 4));
    static_cast<void>(rnd_generate(rnd, w.k, 4));
    words_from_le(w.key, w.k, 8);
    const RoundTable& t = builtin_round_table(Sbox::HashTest);
    for (int i = 0; i < 4; ++i) {
        w.blk[i][0] = load_le32(w.mask + 8 * i);
        w.blk[i][1] = load_le32(w.mask + 8 * i + 4);
    }
    encrypt_blocks_plain(t, w.key, w.blk, 4);  // the four blocks are independent: enciphered together
    for (int i = 0; i < 4; ++i) {
        out[2 * i] = w.blk[i][0];
        out[2 * i + 1] = w.blk[i][1];
    }
}

}  // namespace

void mask_key(RND_State* rnd, uint32_t* value, uint32_t* mask) {
    fresh_mask(rnd, mask);
    for (int i = 0; i < 8; ++i) value[i] ^= mask[i];
}

void mask_key_bytes(RND_State* rnd, const uint8_t* key, uint8_t* out) {
    uint32_t value[8], mask[8];
    WipeOnExit<uint32_t[8]> wipe_value(value);
    WipeOnExit<uint32_t[8]> wipe_mask(mask);
    words_from_le(value, key, 8);
    mask_key(rnd, value, mask);
    words_to_le(out, value, 8);
    words_to_le(out + 32, mask, 8);
}

void remask_key(RND_State* rnd, uint32_t* value, uint32_t* mask) {
    uint32_t n[8];
    WipeOnExit<uint32_t[8]> wipe(n);
    fresh_mask(rnd, n);
    for (int i = 0; i < 8; ++i) {
        value[i] ^= mask[i] ^ n[i];
        mask[i] = n[i];
    }
}

namespace {

constexpr uint32_t kCrcPolynomial = 0xEDB88320u;  // CRC-32 (ISO 3309), reflected

// Thirty-two register steps of the reflected CRC, c -> (c >> 1) ^ (poly if c was odd), form
// a linear map over GF(2); column i is the image of bit i alone.
struct CrcColumns {
    uint32_t col[32];
};
constexpr CrcColumns crc_columns() {
    CrcColumns m{};
    for (int i = 0; i < 32; ++i) {
        uint32_t c = uint32_t(1) << i;
        for (int b = 0; b < 32; ++b) c = (c >> 1) ^ (kCrcPolynomial & (0u - (c & 1)));
        m.col[i] = c;
    }
    return m;
}
alignas(16) constexpr CrcColumns kCrcColumns = crc_columns();  // read 16 bytes at a time below

// Four bytes at once: the register XOR the little-endian word, through the map. Every
// column is read and masked by its bit, so neither time nor address depends on the data.
#if defined(__SSE2__)
// Four columns per step: each lane compares its own bit of the word, and the mask it
// gives selects that lane's column. The checksum is sealed and verified around every
// context operation, so this is a visible part of a short call.
struct alignas(16) CrcBits {
    uint32_t bit[32];
};
constexpr CrcBits crc_bits() {
    CrcBits b{};
    for (int i = 0; i < 32; ++i) b.bit[i] = uint32_t(1) << i;
    return b;
}
constexpr CrcBits kCrcBits = crc_bits();

// The map applied k times, for k = 1..8: a 32-byte block folds in as
// M^8(reg ^ w0) ^ M^7(w1) ^ ... ^ M(w7), eight independent products instead of a chain.
struct alignas(16) CrcPowers {
    CrcColumns power[8];  // power[k - 1] is M^k
};
constexpr CrcPowers crc_powers() {
    CrcPowers p{};
    p.power[0] = kCrcColumns;
    for (int k = 1; k < 8; ++k) {
        for (int i = 0; i < 32; ++i) {
            uint32_t c = p.power[k - 1].col[i];
            for (int b = 0; b < 32; ++b) c = (c >> 1) ^ (kCrcPolynomial & (0u - (c & 1)));
            p.power[k].col[i] = c;
        }
    }
    return p;
}
constexpr CrcPowers kCrcPowers = crc_powers();

// The four lanes whose XOR is m applied to v (the XOR is left to the caller: it is linear).
inline __m128i crc_lanes(const CrcColumns& m, uint32_t v) {
    const __m128i w = _mm_set1_epi32(static_cast<int>(v));
    __m128i t[8];
    for (int g = 0; g < 8; ++g) {
        const __m128i bits = _mm_load_si128(reinterpret_cast<const __m128i*>(kCrcBits.bit + 4 * g));
        const __m128i col = _mm_load_si128(reinterpret_cast<const __m128i*>(m.col + 4 * g));
        t[g] = _mm_and_si128(_mm_cmpeq_epi32(_mm_and_si128(w, bits), bits), col);
    }
    const __m128i a = _mm_xor_si128(_mm_xor_si128(t[0], t[1]), _mm_xor_si128(t[2], t[3]));
    const __m128i b = _mm_xor_si128(_mm_xor_si128(t[4], t[5]), _mm_xor_si128(t[6], t[7]));
    return _mm_xor_si128(a, b);
}

inline uint32_t crc_fold(__m128i lanes) {
    lanes = _mm_xor_si128(lanes, _mm_shuffle_epi32(lanes, 0x4E));  // lanes 0^2, 1^3
    lanes = _mm_xor_si128(lanes, _mm_shuffle_epi32(lanes, 0xB1));  // then all four
    return static_cast<uint32_t>(_mm_cvtsi128_si32(lanes));
}

inline uint32_t crc_word(uint32_t reg, uint32_t word) { return crc_fold(crc_lanes(kCrcColumns, reg ^ word)); }

// Thirty-two bytes at once.
inline uint32_t crc_block(uint32_t reg, const uint8_t* p) {
    __m128i t[8];
    for (int j = 0; j < 8; ++j) {
        const uint32_t w = load_le32(p + 4 * j) ^ (j == 0 ? reg : 0u);
        t[j] = crc_lanes(kCrcPowers.power[7 - j], w);
    }
    const __m128i a = _mm_xor_si128(_mm_xor_si128(t[0], t[1]), _mm_xor_si128(t[2], t[3]));
    const __m128i b = _mm_xor_si128(_mm_xor_si128(t[4], t[5]), _mm_xor_si128(t[6], t[7]));
    return crc_fold(_mm_xor_si128(a, b));
}
constexpr size_t kCrcBlockBytes = 32;
#else
inline uint32_t crc_word(uint32_t reg, uint32_t word) {
    const uint32_t v = reg ^ word;
    uint32_t r = 0;
    for (int i = 0; i < 32; ++i) r ^= kCrcColumns.col[i] & (0u - ((v >> i) & 1));
    return r;
}
#endif

}  // namespace

uint32_t state_checksum(uint32_t finish, uint32_t reg, const uint8_t* data, size_t length) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + kCrcBlockBytes <= length; i += kCrcBlockBytes) reg = crc_block(reg, data + i);
#endif
    for (; i + 4 <= length; i += 4) reg = crc_word(reg, load_le32(data + i));
    for (; i < length; ++i) {
        uint32_t c = data[i] ^ (reg & 0xFF);
        // Bit by bit and without a branch: the data is a masked key.
        for (int b = 0; b < 8; ++b) c = (c >> 1) ^ (kCrcPolynomial & (0u - (c & 1)));
        reg = c ^ (reg >> 8);
    }
    return (finish & 0xFF) != 0 ? reg : reg ^ 0xDEBB20E3u;
}

uint32_t checksum_seal(const uint32_t* value) {
    uint8_t bytes[32];
    WipeOnExit<decltype(bytes)> wipe_bytes(bytes);
    words_to_le(bytes, value, 8);
    const uint32_t crc = ~state_checksum(1, 0xFFFFFFFFu, bytes, sizeof bytes);
    return crc;
}

bool checksum_verify(const uint32_t* value, uint32_t stored) {
    uint8_t bytes[40];
    words_to_le(bytes, value, 8);
    store_le32(bytes + 32, stored);
    uint32_t r = state_checksum(1, 0xFFFFFFFFu, bytes, 32);
    WipeOnExit<decltype(bytes)> wipe_bytes(bytes);
    r = state_checksum(0, r, bytes + 32, 4);
    return ct_declassify_bit(ct_is_zero32(r));  // the one bit "intact" is public
}

}  // namespace vantix
