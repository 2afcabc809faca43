// A GMP integer that clears itself, and four-limb values (limb 0 least significant) to and
// from GMP, for the oracle tests of the field arithmetic.
#pragma once
#include <cstddef>
#include <cstdint>

#include <gmp.h>

struct Z {
    mpz_t v;
    Z() { mpz_init(v); }
    explicit Z(const char* hex) { mpz_init_set_str(v, hex, 16); }
    ~Z() { mpz_clear(v); }
    Z(const Z&) = delete;
    Z& operator=(const Z&) = delete;
};

inline void limbs_to_mpz(mpz_t out, const uint64_t* limbs) { mpz_import(out, 4, -1, 8, 0, 0, limbs); }

inline void mpz_to_limbs(uint64_t* out, const mpz_t x) {
    out[0] = out[1] = out[2] = out[3] = 0;
    size_t n = 0;
    mpz_export(out, &n, -1, 8, 0, 0, x);
}
