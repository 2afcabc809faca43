// psi, the linear map that ends the GOST R 34.11-94 step, as the three powers the step
// uses, and a form of them in AVX2 registers. Internal to gost3411/.
#pragma once
#include <cstdint>

namespace vantix {

// psi shifts the sixteen 16-bit words down by one and appends y0^y1^y2^y3^y12^y15: a
// linear map, so psi^n is one too. Output word i of psi^n is the XOR of the input words
// whose bits are set in row i, found by running that recurrence on one-bit masks (at
// compile time). col[j][q] holds 0xFFFF in lane p of quarter q when output word 4q + p
// takes input word j.
struct PsiPower {
    uint64_t col[16][4];
};

constexpr PsiPower psi_power(int n) {
    uint16_t r[16 + 80] = {};
    for (int j = 0; j < 16; ++j) r[j] = uint16_t(1u << j);
    for (int t = 0; t < n; ++t) r[16 + t] = r[t] ^ r[t + 1] ^ r[t + 2] ^ r[t + 3] ^ r[t + 12] ^ r[t + 15];
    PsiPower p{};
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 16; ++j)
            if ((r[n + i] >> j) & 1) p.col[j][i / 4] |= uint64_t(0xFFFF) << (16 * (i % 4));
    return p;
}

// The step ends with h' = psi^61(h ^ psi(m ^ psi^12(s))), which by linearity is
// psi^61(h) ^ psi^62(m) ^ psi^74(s): the terms of h and m do not wait for the
// encipherments that give s.
inline constexpr PsiPower kPsi61 = psi_power(61);
inline constexpr PsiPower kPsi62 = psi_power(62);
inline constexpr PsiPower kPsi74 = psi_power(74);

// The AVX2 forms (psi_avx2.cpp), on 32-byte values read and written little-endian. Call
// them only where the processor and the operating system support AVX2.
// out = psi^61(h) ^ psi^62(m).
void psi_early_avx2(const uint8_t* h, const uint8_t* m, uint8_t* out);
// out = early ^ psi^74(s).
void psi_late_avx2(const uint8_t* early, const uint8_t* s, uint8_t* out);

}  // namespace vantix
