#include "random/masking.h"

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
constexpr CrcColumns kCrcColumns = crc_columns();

// Four bytes at once: the register XOR the little-endian word, through the map. Every
// column is read and masked by its bit, so neither time nor address depends on the data.
inline uint32_t crc_word(uint32_t reg, uint32_t word) {
    const uint32_t v = reg ^ word;
    uint32_t r = 0;
    for (int i = 0; i < 32; ++i) r ^= kCrcColumns.col[i] & (0u - ((v >> i) & 1));
    return r;
}

}  // namespace

uint32_t state_checksum(uint32_t finish, uint32_t reg, const uint8_t* data, size_t length) {
    size_t i = 0;
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
