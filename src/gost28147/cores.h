// The cipher cores behind transform.h, feedback_chain.h and mac_chain.h: one set of
// operations per way of computing the round (round_table.h), and the choice among them.
// Internal to gost28147/.
//
// Keys come as value and mask (eight words each); every round key is formed as value XOR
// mask in the round that uses it, so the plain key is never held in memory. A plain key is
// passed with an all-zero mask.
#pragma once
#include <cstdint>

#include "gost28147/round_table.h"

namespace vantix::cores {

enum class Order : int { Encrypt = 0, Decrypt = 1 };

#define VX_INLINE inline __attribute__((always_inline))

// Round kinds: the 32 rounds of encipherment and of decipherment, and the MAC's 16.
enum Kind : int { kEnc = 0, kDec = 1, kMac = 2 };

constexpr int rounds_of(int kind) { return kind == kMac ? 16 : 32; }

// Key index of round r (0-based): encipherment K0..K7 three times then K7..K0;
// decipherment K0..K7 then K7..K0 three times; the MAC K0..K7 twice.
constexpr int key_at(int kind, int r) {
    if (kind == kEnc) return r < 24 ? r % 8 : 7 - r % 8;
    if (kind == kDec) return r < 8 ? r : 7 - r % 8;
    return r % 8;
}

struct Core {
    // n blocks (first word, second word) in place, 32 rounds each. The array has room for
    // n rounded up to a multiple of four blocks; the blocks past n may be overwritten.
    void (*crypt)(const RoundTable& rt, const uint32_t* value, const uint32_t* mask, uint32_t (*blocks)[2], int n,
                  Order order);
    // Four blocks in place, block l enciphered under the plain key keys[l].
    void (*encrypt4)(const RoundTable& rt, const uint32_t* const* keys, uint32_t (*blocks)[2]);
    // Cipher feedback encryption of n whole blocks (feedback_chain.h).
    void (*feedback)(const RoundTable& rt, const uint32_t* value, const uint32_t* mask, uint32_t* reg, uint32_t* gamma,
                     const uint8_t* in, uint8_t* out, int n);
    // n MAC blocks, each eight bytes of data read as two big-endian words (mac_chain.h).
    void (*mac)(const RoundTable& rt, const uint32_t* value, const uint32_t* mask, uint32_t* state, const uint8_t* data,
                int n);
};

extern const Core kTable;
extern const Core kScalar;
extern const Core kSsse3;
extern const Core kAvx2;
extern const Core kAvx512;

// The core that computes rt: the table-driven one for a table without the nibble form,
// else the one cipher_path() names.
inline const Core& core_for(const RoundTable& rt) {
    if (!rt.nibble_form) return kTable;
    switch (cipher_path()) {
        case CipherPath::Avx512: return kAvx512;
        case CipherPath::Avx2: return kAvx2;
        case CipherPath::Ssse3: return kSsse3;
        case CipherPath::Scalar: return kScalar;
        case CipherPath::Table: break;
    }
    return kTable;
}

}  // namespace vantix::cores
