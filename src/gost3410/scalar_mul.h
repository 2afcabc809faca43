// Scalar multiplication on the curve of a signature context.
//
// Secret scalars (the key d, the nonce k) go through the constant-time methods: a fixed
// sequence of doublings and additions, table entries chosen by scanning every entry with
// masks, exceptional cases resolved with selects. Verification works on public data and
// uses the variable-time methods.
#pragma once
#include <cstdint>

#include "gost3410/curve.h"

namespace vantix {

// Fixed-base comb: the scalar in 37 signed digits of 7 bits (|digit| <= 64), one table of
// 64 affine multiples per digit position: entry j of window i is (j+1) * 2^(7i) * G.
// Seven bits rather than six: six fewer additions per signature for twice the entries
// scanned per window, which the scan's wide loads make the cheaper side.
constexpr int COMB_BITS = 7;
constexpr int COMB_WINDOWS = 37;  // 259 bits: a 256-bit scalar and the recoding's carry
constexpr int COMB_ENTRIES = 64;

struct BaseTable {
    // What the cache finds the table by: p, a, the affine base point (working form) as limbs,
    // and the form.
    uint64_t cache_key[17];
    APoint entry[COMB_WINDOWS][COMB_ENTRIES];
};

// Constant time: out = k*G for any 256-bit k (four limbs), G the table's base point.
void mul_base_ct(const Curve& c, const BaseTable& table, const uint64_t* k, JPoint* out);

// Constant time: out = k*P for any point P (infinity included) and any 256-bit k.
void mul_ct(const Curve& c, const JPoint& p, const uint64_t* k, JPoint* out);

// Variable time, public data only: out = k*P.
void mul_vartime(const Curve& c, const JPoint& p, const uint64_t* k, JPoint* out);

// Variable time, public data only: out = u1*G + u2*Q, with G's table when there is one.
void mul2_vartime(const Curve& c, const BaseTable* table, const JPoint& g, const JPoint& q, const uint64_t* u1,
                  const uint64_t* u2, JPoint* out);

// A context's fixed base: its curve, working base point and the process-wide table.
struct FixedBase {
    Curve c;
    JPoint g;
    const BaseTable* table;
};
void fixed_base_load(FixedBase* fb, const SignContext* ctx);
// Constant time: out = k*G, through the table when there is one, else the window method.
void fixed_base_mul(const FixedBase& fb, const uint64_t* k, JPoint* out);

// Fills the entries of a table for G (variable time: G is public). Work buffers are
// static: callers serialise (base_table_get holds its lock).
void comb_table_build(const Curve& c, const APoint& g, BaseTable* table);

}  // namespace vantix
