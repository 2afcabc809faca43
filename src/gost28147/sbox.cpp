#include "gost28147/sbox.h"

namespace vantix {

namespace {
inline uint32_t rotl11(uint32_t v) { return (v << 11) | (v >> 21); }
}  // namespace

void sbox_expand(const uint8_t* s, uint32_t* t) {
    for (uint32_t i = 0; i < 256; ++i) {
        const uint32_t h = i >> 4, l = i & 15;
        const uint32_t b0 = ((uint32_t(s[0 * 16 + h]) << 4) ^ s[1 * 16 + l]) & 0xFF;
        const uint32_t b1 = ((uint32_t(s[2 * 16 + h]) << 4) ^ s[3 * 16 + l]) & 0xFF;
        const uint32_t b2 = ((uint32_t(s[4 * 16 + h]) << 4) ^ s[5 * 16 + l]) & 0xFF;
        const uint32_t b3 = ((uint32_t(s[6 * 16 + h]) << 4) ^ s[7 * 16 + l]) & 0xFF;
        t[i] = rotl11(b0 << 24);
        t[256 + i] = rotl11(b1 << 16);
        t[512 + i] = rotl11(b2 << 8);
        t[768 + i] = rotl11(b3);
    }
}

}  // namespace vantix
