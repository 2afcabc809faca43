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
// The entries of row 0 and column 0 of table w (byte k) in the shape of two nibble
// substitutions: reads lo and hi from them, returns non-zero when one is out of shape.
uint32_t nibble_pair(const uint32_t* w, int k, uint8_t* lo, uint8_t* hi) {
    const uint32_t outside = ~(0xFFu << (8 * k));
    const uint32_t b0 = rotr11(w[0]) >> (8 * k);
    uint32_t bad = 0;
    for (int n = 0; n < 16; ++n) {
        const uint32_t el = rotr11(w[n]), eh = rotr11(w[16 * n]);
        const uint32_t bl = el >> (8 * k), bh = eh >> (8 * k);
        bad |= ((el | eh) & outside) | ((bl ^ b0) & 0xF0) | ((bh ^ b0) & 0x0F);
        lo[n] = uint8_t(bl & 15);
        hi[n] = uint8_t(bh & 0xF0);
    }
    return bad;
}

// Over the four tables, OR of w[16h + l] ^ w[16h] ^ w[l] ^ w[0]: zero when every entry
// follows from row 0 and column 0 (which with their shape gives the nibble form). The
// whole 4 KiB is read on every preparation, so the loop is compiled also for AVX2 and
// AVX-512 and the widest the processor has runs.
inline __attribute__((always_inline)) uint32_t separable_residue(const uint32_t* t) {
    uint32_t bad = 0;
    for (int k = 0; k < 4; ++k) {
        const uint32_t* w = t + 256 * k;
        for (int h = 0; h < 16; ++h) {
            const uint32_t base = w[16 * h] ^ w[0];
            for (int l = 0; l < 16; ++l) bad |= w[16 * h + l] ^ base ^ w[l];
        }
    }
    return bad;
}

uint32_t separable_residue_base(const uint32_t* t) { return separable_residue(t); }
__attribute__((target("avx2"))) uint32_t separable_residue_avx2(const uint32_t* t) { return separable_residue(t); }
__attribute__((target("avx512f"))) uint32_t separable_residue_avx512(const uint32_t* t) { return separable_residue(t); }

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
    uint32_t bad = 0;
    for (int k = 0; k < 4; ++k) bad |= nibble_pair(expanded + 256 * (3 - k), k, rt->lo + 16 * k, rt->hi + 16 * k);
    const CipherPath best = cipher_path_supported();
    bad |= best == CipherPath::Avx512 ? separable_residue_avx512(expanded)
           : best == CipherPath::Avx2 ? separable_residue_avx2(expanded)
                                      : separable_residue_base(expanded);
    rt->nibble_form = bad == 0;
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
