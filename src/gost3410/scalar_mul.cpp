#include "gost3410/scalar_mul.h"

#include <cstring>

#include "common/wipe.h"
#include "gost3410/base_table.h"
#include "gost3410/comb_select.h"

namespace vantix {

namespace {

// n bits of k starting at bit `pos` (public; -1 shifts in a zero bit); bits above 255 are 0.
uint64_t scalar_bits(const uint64_t* k, int pos, int n) {
    if (pos < 0) return (scalar_bits(k, 0, n - 1) << 1) & ((uint64_t(1) << n) - 1);
    const int limb = pos / 64, off = pos % 64;
    if (limb >= 4) return 0;
    uint64_t v = k[limb] >> off;
    if (off + n > 64 && limb + 1 < 4) v |= k[limb + 1] << (64 - off);
    return v & ((uint64_t(1) << n) - 1);
}

// Signed digit i of the w-bit recoding: bits [w*i, w*i + w) plus the carry-in bit w*i - 1,
// minus 2^w when the window's top bit is set. k = sum of digit_i * 2^(w*i); |digit| <= 2^(w-1).
int64_t signed_digit(const uint64_t* k, int i, int w) {
    const uint64_t x = scalar_bits(k, w * i - 1, w + 1);
    const uint64_t top = (x >> w) & 1;
    return int64_t((x >> 1) + (x & 1)) - int64_t(top << w);
}

// The magnitude of a digit and its sign as a mask, without branching on the digit.
void digit_parts(int64_t d, uint64_t* magnitude, uint64_t* negative) {
    const uint64_t s = uint64_t(d >> 63);  // all-ones for negative digits
    *magnitude = (uint64_t(d) ^ s) - s;
    *negative = s;
}

template <ModShape S>
void to_jacobian(const Curve& c, JPoint* r, const APoint& a) {
    fe_copy(r->x, a.x);
    fe_copy(r->y, a.y);
    fe_copy(r->z, c.one);
}

// p + q for any two points, constant time: infinity on either side and p = q resolved by
// selects (both branches of the formula computed).
template <ModShape S>
void add_complete_ct(const Curve& c, JPoint* r, const JPoint& p, const JPoint& q) {
    JPoint sum, dbl;
    uint64_t hz, rz;
    jpoint_add<S>(c, &sum, &p, &q, &hz, &rz);
    jpoint_double<S>(c, &dbl, &p);
    const uint64_t p_inf = fe_zero_mask(p.z), q_inf = fe_zero_mask(q.z);
    jpoint_select(&sum, &sum, &dbl, hz & rz & ~p_inf & ~q_inf);
    jpoint_select(&sum, &sum, &q, p_inf);
    jpoint_select(r, &sum, &p, q_inf);
}

// p + q for public points: the exceptional cases by branching.
template <ModShape S>
void add_vartime(const Curve& c, JPoint* r, const JPoint& p, const JPoint& q) {
    if (fe_zero_mask(p.z)) {
        *r = q;
        return;
    }
    if (fe_zero_mask(q.z)) {
        *r = p;
        return;
    }
    uint64_t hz, rz;
    JPoint sum;
    jpoint_add<S>(c, &sum, &p, &q, &hz, &rz);
    if (hz && rz) {
        jpoint_double<S>(c, r, &p);
        return;
    }
    *r = sum;  // hz alone: p = -q, and the formula already gives Z = 0
}

template <ModShape S>
void add_affine_vartime(const Curve& c, JPoint* acc, const APoint& t) {
    if (fe_zero_mask(acc->z)) {
        to_jacobian<S>(c, acc, t);
        return;
    }
    uint64_t hz, rz;
    JPoint sum;
    jpoint_add_affine<S>(c, &sum, acc, &t, &hz, &rz);
    if (hz && rz) {
        JPoint tj;
        to_jacobian<S>(c, &tj, t);
        jpoint_double<S>(c, acc, &tj);
        return;
    }
    *acc = sum;
}

template <ModShape S>
void mul_base_ct_impl(const Curve& c, const BaseTable& table, const uint64_t* k, JPoint* out) {
    struct {
        JPoint acc, sum, tj, dbl;
        APoint t;
        uint64_t neg_y[4];
    } w;
    WipeOnExit<decltype(w)> wipe(w);
    const CombSelectFn pick = comb_select_current();
    jpoint_set_infinity(c, &w.acc);
    for (int i = 0; i < COMB_WINDOWS; ++i) {
        uint64_t mag, neg;
        digit_parts(signed_digit(k, i, COMB_BITS), &mag, &neg);
        // Every entry is read; the one that matches the digit's magnitude is kept.
        pick(&w.t, table.entry[i], COMB_ENTRIES, mag);
        fe_neg(w.neg_y, w.t.y, c.p);
        fe_select(w.t.y, w.t.y, w.neg_y, neg);
        to_jacobian<S>(c, &w.tj, w.t);
        if (i == 0) {  // the sum so far is infinity: it becomes the entry (none for a zero digit)
            jpoint_select(&w.acc, &w.tj, &w.acc, ct_mask64(ct_is_zero64(mag)));
            continue;
        }
        uint64_t hz, rz;
        jpoint_add_affine<S>(c, &w.sum, &w.acc, &w.t, &hz, &rz);
        const uint64_t acc_inf = fe_zero_mask(w.acc.z);
        if (i == COMB_WINDOWS - 1) {
            // Below the top window the partial sum is smaller in magnitude than any entry
            // and than q, so it can equal neither +T nor -T; only here can it equal T.
            jpoint_double<S>(c, &w.dbl, &w.tj);
            jpoint_select(&w.sum, &w.sum, &w.dbl, hz & rz & ~acc_inf);
        }
        jpoint_select(&w.sum, &w.sum, &w.tj, acc_inf);
        jpoint_select(&w.acc, &w.sum, &w.acc, ct_mask64(ct_is_zero64(mag)));
    }
    // The infinity record the other point operations use.
    jpoint_set_infinity(c, &w.tj);
    jpoint_select(out, &w.acc, &w.tj, fe_zero_mask(w.acc.z));
}

constexpr int kWindowBits = 5;
constexpr int kWindows = 52;  // 260 bits
constexpr int kWindowEntries = 16;

template <ModShape S>
void mul_ct_impl(const Curve& c, const JPoint& p, const uint64_t* k, JPoint* out) {
    struct {
        JPoint table[kWindowEntries + 1];  // 0*P .. 16*P
        JPoint acc, t;
        uint64_t neg_y[4];
    } w;
    WipeOnExit<decltype(w)> wipe(w);
    jpoint_set_infinity(c, &w.table[0]);
    w.table[1] = p;
    for (int j = 2; j <= kWindowEntries; ++j) add_complete_ct<S>(c, &w.table[j], w.table[j - 1], p);
    jpoint_set_infinity(c, &w.acc);
    for (int i = kWindows - 1; i >= 0; --i) {
        for (int d = 0; d < kWindowBits; ++d) jpoint_double<S>(c, &w.acc, &w.acc);
        uint64_t mag, neg;
        digit_parts(signed_digit(k, i, kWindowBits), &mag, &neg);
        std::memset(&w.t, 0, sizeof w.t);
        for (int j = 0; j <= kWindowEntries; ++j) {
            const uint64_t m = ct_mask64(ct_eq64(mag, uint64_t(j)));
            for (int l = 0; l < 4; ++l) {
                w.t.x[l] |= w.table[j].x[l] & m;
                w.t.y[l] |= w.table[j].y[l] & m;
                w.t.z[l] |= w.table[j].z[l] & m;
            }
        }
        fe_neg(w.neg_y, w.t.y, c.p);
        fe_select(w.t.y, w.t.y, w.neg_y, neg);
        add_complete_ct<S>(c, &w.acc, w.acc, w.t);
    }
    jpoint_set_infinity(c, &w.t);
    jpoint_select(out, &w.acc, &w.t, fe_zero_mask(w.acc.z));
}

// Width-5 NAF of a public scalar: digits odd in [-15, 15] or zero, at most one non-zero
// digit in any five consecutive positions. Returns the number of digits.
int wnaf5(const uint64_t* k_in, int8_t* digits) {
    uint64_t k[5] = {k_in[0], k_in[1], k_in[2], k_in[3], 0};
    int n = 0;
    while ((k[0] | k[1] | k[2] | k[3] | k[4]) != 0) {
        int d = 0;
        if (k[0] & 1) {
            d = int(k[0] & 31);
            if (d >= 16) d -= 32;
            // k -= d: a subtraction for positive digits, an addition for negative ones
            unsigned char c = 0;
            if (d > 0) {
                k[0] = sbb64(k[0], uint64_t(d), c);
                for (int i = 1; i < 5; ++i) k[i] = sbb64(k[i], 0, c);
            } else {
                k[0] = adc64(k[0], uint64_t(-d), c);
                for (int i = 1; i < 5; ++i) k[i] = adc64(k[i], 0, c);
            }
        }
        digits[n++] = int8_t(d);
        for (int i = 0; i < 4; ++i) k[i] = (k[i] >> 1) | (k[i + 1] << 63);
        k[4] >>= 1;
    }
    return n;
}

template <ModShape S>
void mul_vartime_impl(const Curve& c, const JPoint& p, const uint64_t* k, JPoint* out) {
    JPoint odd[8], twice;  // P, 3P, ..., 15P
    odd[0] = p;
    add_vartime<S>(c, &twice, p, p);
    for (int j = 1; j < 8; ++j) add_vartime<S>(c, &odd[j], odd[j - 1], twice);
    int8_t digits[260];
    const int n = wnaf5(k, digits);
    JPoint acc, t;
    jpoint_set_infinity(c, &acc);
    for (int i = n - 1; i >= 0; --i) {
        if (!fe_zero_mask(acc.z)) jpoint_double<S>(c, &acc, &acc);
        const int d = digits[i];
        if (d == 0) continue;
        t = odd[(d < 0 ? -d : d) / 2];
        if (d < 0) fe_neg(t.y, t.y, c.p);
        add_vartime<S>(c, &acc, acc, t);
    }
    *out = acc;
}

template <ModShape S>
void comb_vartime(const Curve& c, const BaseTable& table, const uint64_t* k, JPoint* out) {
    JPoint acc;
    jpoint_set_infinity(c, &acc);
    for (int i = 0; i < COMB_WINDOWS; ++i) {
        const int64_t digit = signed_digit(k, i, COMB_BITS);
        if (digit == 0) continue;
        APoint t = table.entry[i][(digit < 0 ? -digit : digit) - 1];
        if (digit < 0) fe_neg(t.y, t.y, c.p);
        add_affine_vartime<S>(c, &acc, t);
    }
    *out = acc;
}

template <ModShape S>
void comb_table_build_impl(const Curve& c, const APoint& g, BaseTable* table) {
    constexpr int N = COMB_WINDOWS * COMB_ENTRIES;
    static JPoint points[N];
    static uint64_t prefix[N][4];
    JPoint base;
    to_jacobian<S>(c, &base, g);
    for (int i = 0; i < COMB_WINDOWS; ++i) {
        JPoint* row = points + i * COMB_ENTRIES;
        row[0] = base;
        for (int j = 1; j < COMB_ENTRIES; ++j) add_vartime<S>(c, &row[j], row[j - 1], base);
        for (int d = 0; d < COMB_BITS; ++d) jpoint_double<S>(c, &base, &base);
    }
    // Montgomery's trick: one inversion for all Z; a point at infinity (only for a base of
    // small order) contributes one and is stored as (0, 0).
    uint64_t acc[4], inv[4], zi[4], zi2[4];
    fe_copy(acc, c.one);
    for (int n = 0; n < N; ++n) {
        fe_copy(prefix[n], acc);
        if (!fe_zero_mask(points[n].z)) fe_mul<S>(acc, acc, points[n].z, c.p);
    }
    curve_inv(c, inv, acc);
    for (int n = N - 1; n >= 0; --n) {
        APoint& e = table->entry[n / COMB_ENTRIES][n % COMB_ENTRIES];
        if (fe_zero_mask(points[n].z)) {
            std::memset(&e, 0, sizeof e);
            continue;
        }
        fe_mul<S>(zi, inv, prefix[n], c.p);     // 1/Z_n
        fe_mul<S>(inv, inv, points[n].z, c.p);  // 1/(Z_0 ... Z_{n-1})
        fe_sqr<S>(zi2, zi, c.p);
        fe_mul<S>(e.x, points[n].x, zi2, c.p);
        fe_mul<S>(zi2, zi2, zi, c.p);
        fe_mul<S>(e.y, points[n].y, zi2, c.p);
    }
}

}  // namespace

void fixed_base_load(FixedBase* fb, const SignContext* ctx) {
    curve_load(&fb->c, ctx);
    APoint g_affine;
    sign_base_point(fb->c, ctx, &fb->g, &g_affine);
    fb->table = base_table_get(fb->c, g_affine);
}

void fixed_base_mul(const FixedBase& fb, const uint64_t* k, JPoint* out) {
    if (fb.table != nullptr)
        mul_base_ct(fb.c, *fb.table, k, out);
    else
        mul_ct(fb.c, fb.g, k, out);
}

void comb_table_build(const Curve& c, const APoint& g, BaseTable* table) {
    with_shape(c.shape, [&]<ModShape S>() { comb_table_build_impl<S>(c, g, table); });
}

void mul_base_ct(const Curve& c, const BaseTable& table, const uint64_t* k, JPoint* out) {
    with_shape(c.shape, [&]<ModShape S>() { mul_base_ct_impl<S>(c, table, k, out); });
}

void mul_ct(const Curve& c, const JPoint& p, const uint64_t* k, JPoint* out) {
    with_shape(c.shape, [&]<ModShape S>() { mul_ct_impl<S>(c, p, k, out); });
}

void mul_vartime(const Curve& c, const JPoint& p, const uint64_t* k, JPoint* out) {
    with_shape(c.shape, [&]<ModShape S>() { mul_vartime_impl<S>(c, p, k, out); });
}

void mul2_vartime(const Curve& c, const BaseTable* table, const JPoint& g, const JPoint& q, const uint64_t* u1,
                  const uint64_t* u2, JPoint* out) {
    with_shape(c.shape, [&]<ModShape S>() {
        JPoint a, b;
        if (table != nullptr)
            comb_vartime<S>(c, *table, u1, &a);
        else
            mul_vartime_impl<S>(c, g, u1, &a);
        mul_vartime_impl<S>(c, q, u2, &b);
        add_vartime<S>(c, out, a, b);
    });
}

}  // namespace vantix
