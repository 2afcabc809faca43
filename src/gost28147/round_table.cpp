#include "gost28147/round_table.h"

#include <atomic>

#if !defined(__x86_64__)
#error "the cipher cores are written for x86-64"
#endif

namespace vantix {

namespace {

inline uint32_t rotr11(uint32_t v) { return (v >> 11) | (v << 21); }

// Table w (256 words) serves byte k of the round input. It has the nibble form when every
// entry is rotl11(((hi[i >> 4] << 4) | lo[i & 15]) << 8k): read hi and lo from the entries
// of row 0 and column 0, check that those 32 entries have that shape, and that every entry
// is w[16h] ^ w[l] ^ w[0], which with the shape of the 32 gives exactly the form above.
bool nibble_pair(const uint32_t* w, int k, uint8_t* lo, uint8_t* hi) {
    const uint32_t outside = ~(0xFFu << (8 * k));
    const uint32_t b0 = rotr11(w[0]) >> (8 * k);
    bool shaped = true;
    for (int n = 0; n < 16; ++n) {
        const uint32_t el = rotr11(w[n]), eh = rotr11(w[16 * n]);
        const uint32_t bl = el >> (8 * k), bh = eh >> (8 * k);
        shaped = shaped && ((el | eh) & outside) == 0 && (bl >> 4) == (b0 >> 4) && (bh & 15) == (b0 & 15);
        lo[n] = uint8_t(bl & 15);
        hi[n] = uint8_t(bh & 0xF0);
    }
    uint32_t diff = 0;
    for (int h = 0; h < 16; ++h) {
        const uint32_t base = w[16 * h] ^ w[0];
        for (int l = 0; l < 16; ++l) diff |= w[16 * h + l] ^ base ^ w[l];
    }
    return shaped && diff == 0;
}

CipherPath detect() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512vbmi"))
        return CipherPath::Avx512;
    if (__builtin_cpu_supports("avx2")) return CipherPath::Avx2;
    if (__builtin_cpu_supports("ssse3")) return CipherPath::Ssse3;
    return CipherPath::Scalar;
}

std::atomic<int> g_supported{-1};
std::atomic<int> g_limit{int(CipherPath::Avx512)};

}  // namespace

void round_table_prepare(const uint32_t* expanded, RoundTable* rt) {
    rt->expanded = expanded;
    bool form = true;
    for (int k = 0; k < 4; ++k)
        form = nibble_pair(expanded + 256 * (3 - k), k, rt->lo + 16 * k, rt->hi + 16 * k) && form;
    for (int j = 0; j < 8; ++j) {
        const uint8_t* row = (j % 2 == 0 ? rt->lo : rt->hi) + 16 * (j / 2);
        uint64_t packed = 0;
        for (int n = 0; n < 16; ++n) packed |= uint64_t(j % 2 == 0 ? row[n] : row[n] >> 4) << (4 * n);
        rt->nibbles[j] = packed;
    }
    rt->nibble_form = form;
}

CipherPath cipher_path_supported() {
    int s = g_supported.load(std::memory_order_relaxed);
    if (s < 0) {
        s = int(detect());  // the same answer in every thread: a race only repeats it
        g_supported.store(s, std::memory_order_relaxed);
    }
    return CipherPath(s);
}

CipherPath cipher_path() {
    const int s = int(cipher_path_supported()), l = g_limit.load(std::memory_order_relaxed);
    return CipherPath(l < s ? l : s);
}

bool cipher_path_limit(CipherPath path) {
    if (int(path) > int(cipher_path_supported())) return false;
    g_limit.store(int(path), std::memory_order_relaxed);
    return true;
}

}  // namespace vantix
