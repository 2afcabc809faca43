#include "gost3410/modarith.h"

#include <cstring>

#include "common/wipe.h"
#include "gost3410/sign_context.h"
#include "lnum/lnum.h"

namespace vantix {

const uint32_t LNUM_ONE[MONT_MAX_WORDS] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1,
};

namespace {

constexpr int W = MONT_MAX_WORDS + 1;  // working copies carry one extra word on top

// Copies n words into n + 1 words with a zero word on top.
void widen(uint32_t* out, const uint32_t* in, int n) {
    out[0] = 0;
    std::memcpy(out + 1, in, size_t(n) * 4);
}

// Subtracts the n-word m from the w-word x (w >= n) when x >= m, without branching on x.
void cond_sub(uint32_t* x, int w, const uint32_t* m, int n) {
    uint32_t d[W];
    uint64_t borrow = 0;
    for (int i = w - 1; i >= 0; --i) {
        const int j = i - (w - n);  // m's word aligned with x's word i
        const uint64_t mi = j >= 0 ? m[j] : 0;
        const uint64_t t = uint64_t(x[i]) - mi - borrow;
        d[i] = uint32_t(t);
        borrow = (t >> 32) & 1;
    }
    const uint32_t keep = 0u - uint32_t(borrow);  // x < m: keep x
    for (int i = 0; i < w; ++i) x[i] = (x[i] & keep) | (d[i] & ~keep);
}

// m has one of its two top bits set: then every value handled here is below a small
// multiple of m and a fixed number of conditional subtractions reduces it.
bool modulus_large(const uint32_t* m) { return (m[0] & 0xC0000000u) != 0; }

// x (w words, w <= n + 1) = x mod m, exactly, for any non-zero m: shift-and-subtract over
// the bits of x, a fixed 32w steps whatever the value. A zero m leaves x unchanged.
void mod_exact(uint32_t* x, int w, const uint32_t* m, int n) {
    if (lnum_is_zero(n, m)) return;
    uint32_t r[W] = {}, mm[W];
    WipeOnExit<decltype(r)> wipe_r(r);
    widen(mm, m, n);
    for (int i = 0; i < 32 * w; ++i) {
        const uint32_t bit = (x[i / 32] >> (31 - i % 32)) & 1;
        lnum_shl1(n + 1, r);
        r[n] |= bit;
        cond_sub(r, n + 1, mm, n + 1);  // r < 2m after the shift
    }
    for (int i = 0; i < w; ++i) x[i] = 0;
    for (int i = 0; i < n && i < w; ++i) x[w - 1 - i] = r[n - i];
}

// x (n + 1 words) mod m into its low n words, where x < k*m for m large (k subtractions).
void reduce_wide(uint32_t* x, const uint32_t* m, int n, int k) {
    uint32_t mm[W];
    widen(mm, m, n);
    if (modulus_large(m)) {
        for (int i = 0; i < k; ++i) cond_sub(x, n + 1, mm, n + 1);
    } else {
        mod_exact(x, n + 1, m, n);
    }
}

// Three-word column accumulator of the product scanning: t0, t1 and a carry count t2.
struct Acc {
    uint32_t t0 = 0, t1 = 0, t2 = 0;
    void add(uint64_t p) {
        uint64_t s = uint64_t(t0) + uint32_t(p);
        t0 = uint32_t(s);
        s = uint64_t(t1) + (p >> 32) + (s >> 32);
        t1 = uint32_t(s);
        t2 += uint32_t(s >> 32);
    }
    void shift() {
        t0 = t1;
        t1 = t2;
        t2 = 0;
    }
};

// Montgomery reduction in product-scanning form, shared by multiplication and squaring.
// `products(acc, j, lo, hi)` adds the operand products of column j whose first index lies
// in [lo, hi]; indices count from the least significant word. The columns of the double
// product are processed from the least significant upward with a three-word accumulator.
template <class Products>
void mont_columns(uint32_t* out, Products products, const uint32_t* m, int n) {
    const uint32_t mp = m[n];
    auto m_at = [&](int i) { return m[n - 1 - i]; };
    uint32_t u[MONT_MAX_WORDS];
    WipeOnExit<decltype(u)> wipe_u(u);
    uint32_t res[MONT_MAX_WORDS];
    WipeOnExit<decltype(res)> wipe_res(res);
    Acc acc;
    for (int j = 0; j < n; ++j) {
        products(acc, j, 0, j);
        for (int i = 1; i <= j; ++i) acc.add(uint64_t(m_at(i)) * u[j - i]);
        u[j] = acc.t0 * mp;
        acc.add(uint64_t(m_at(0)) * u[j]);  // clears the low word
        acc.shift();
    }
    for (int j = n; j <= 2 * n - 2; ++j) {
        products(acc, j, j - n + 1, n - 1);
        for (int i = j - n + 1; i <= n - 1; ++i) acc.add(uint64_t(m_at(i)) * u[j - i]);
        res[n - 1 - (j - n)] = acc.t0;
        acc.shift();
    }
    res[0] = acc.t0;
    // The result is res + t1*R < R + m; it is written only at the end, so `out` may be an
    // operand. The correction is a fixed sequence of conditional subtractions.
    uint32_t x[W];
    WipeOnExit<decltype(x)> wipe_x(x);
    x[0] = acc.t1;
    std::memcpy(x + 1, res, size_t(n) * 4);
    reduce_wide(x, m, n, 4);  // R + m < 5m for m >= R/4
    std::memcpy(out, x + 1, size_t(n) * 4);
}

// a*b with the words of b fetched through b_at(i), so a masked operand is never stored whole.
template <class B>
void mont_product(uint32_t* a, B b_at, const uint32_t* m, int n) {
    mont_columns(
        a,
        [&](Acc& acc, int j, int lo, int hi) {
            for (int i = lo; i <= hi; ++i) acc.add(uint64_t(a[n - 1 - i]) * b_at(j - i));
        },
        m, n);
}

}  // namespace

void lnum_add_mod(int n, uint32_t* a, const uint32_t* b, const uint32_t* m) {
    uint32_t x[W], y[W];
    WipeOnExit<decltype(x)> wipe_x(x);
    WipeOnExit<decltype(y)> wipe_y(y);
    widen(x, a, n);
    widen(y, b, n);
    lnum_add(n + 1, x, y);  // < 2R < 8m for a large m
    reduce_wide(x, m, n, 7);
    std::memcpy(a, x + 1, size_t(n) * 4);
}

void lnum_sub_mod(int n, uint32_t* a, const uint32_t* b, const uint32_t* m) {
    uint32_t x[W], y[W], mm[W];
    WipeOnExit<decltype(x)> wipe_x(x);
    WipeOnExit<decltype(y)> wipe_y(y);
    widen(x, a, n);
    widen(y, b, n);
    widen(mm, m, n);
    reduce_wide(x, m, n, 3);  // inputs need not be reduced
    reduce_wide(y, m, n, 3);
    const uint32_t borrow = uint32_t(lnum_sub(n + 1, x, y));
    for (int i = 0; i <= n; ++i) mm[i] &= 0u - borrow;  // a < b: add m back
    lnum_add(n + 1, x, mm);
    std::memcpy(a, x + 1, size_t(n) * 4);
}

int lnum_mul_r_mod(uint32_t* out, const uint32_t* x, const uint32_t* m, int n) {
    uint32_t v[W], mm[W];
    WipeOnExit<decltype(v)> wipe_v(v);
    widen(v, x, n);
    widen(mm, m, n);
    reduce_wide(v, m, n, 3);
    for (int i = 0; i < 32 * n; ++i) {
        lnum_shl1(n + 1, v);
        cond_sub(v, n + 1, mm, n + 1);  // v < m before the shift, so one subtraction
    }
    std::memcpy(out, v + 1, size_t(n) * 4);
    return 0;
}

int mont_mul(uint32_t* a, const uint32_t* b, const uint32_t* m, int n) {
    if (n > MONT_MAX_WORDS) return 1;
    mont_product(
        a, [&](int i) { return b[n - 1 - i]; }, m, n);
    return 0;
}

int mont_mul_masked(uint32_t* a, const uint32_t* b2, const uint32_t* m, int n) {
    if (n > MONT_MAX_WORDS) return 1;
    mont_product(
        a, [&](int i) { return b2[n - 1 - i] ^ b2[2 * n - 1 - i]; }, m, n);
    return 0;
}

int mont_sqr(uint32_t* a, const uint32_t* m, int n) {
    if (n > MONT_MAX_WORDS) return 1;
    // Squaring form: each cross product a_i*a_k (i < k) is computed once and added twice.
    mont_columns(
        a,
        [&](Acc& acc, int j, int lo, int hi) {
            for (int i = lo; i <= hi && i <= j - i; ++i) {
                const uint64_t p = uint64_t(a[n - 1 - i]) * a[n - 1 - (j - i)];
                acc.add(p);
                if (i != j - i) acc.add(p);
            }
        },
        m, n);
    return 0;
}

int mont_pow(const uint32_t* base, const uint32_t* e, uint32_t* out, int plain, const uint32_t* m, int n) {
    uint32_t acc[MONT_MAX_WORDS], copy[MONT_MAX_WORDS];
    WipeOnExit<decltype(acc)> wipe_acc(acc);
    WipeOnExit<decltype(copy)> wipe_copy(copy);
    lnum_mul_r_mod(acc, lnum_one(n), m, n);
    const int bits = 32 * n;
    int first = bits;
    for (int i = 0; i < bits; ++i) {
        if ((e[i / 32] >> (31 - i % 32)) & 1) {
            first = i;
            break;
        }
    }
    std::memcpy(copy, base, size_t(n) * 4);
    for (int i = first; i < bits - 1; ++i) {
        if ((e[i / 32] >> (31 - i % 32)) & 1) mont_mul(acc, copy, m, n);
        mont_sqr(acc, m, n);
    }
    if (e[n - 1] & 1) mont_mul(acc, copy, m, n);
    if (plain) mont_mul(acc, lnum_one(n), m, n);
    std::memcpy(out, acc, size_t(n) * 4);
    return 0;
}

uint32_t mont_neg_inv32(uint32_t w) {
    if ((w & 1) == 0) return 0;
    // Newton's iteration doubles the number of correct low bits: 1 -> 2 -> ... -> 32.
    uint32_t inv = w;  // correct to 3 bits for odd w
    for (int i = 0; i < 4; ++i) inv *= 2 - w * inv;
    return 0u - inv;
}

int almost_inverse(const uint32_t* a, const uint32_t* m, uint32_t* out, int n) {
    // u, v, r, s carry one extra word: r reaches up to 2m - 2, above 2^(32n) when m is close to R.
    uint32_t u[W], v[W], r[W], s[W], mm[W];
    WipeOnExit<decltype(r)> wipe_r(r);
    WipeOnExit<decltype(s)> wipe_s(s);
    widen(u, m, n);
    widen(v, a, n);
    widen(mm, m, n);
    std::memset(r, 0, sizeof r);
    widen(s, lnum_one(n), n);
    int k = 0;
    const int w = n + 1;
    // For odd m and 0 < a < m the loop ends within twice m's bit length; the bound only
    // matters for moduli that break that rule (a rewritten context), which must not hang.
    const int limit = 2 * 32 * w + 2;
    while (!lnum_is_zero(w, v) && k < limit) {
        if ((u[n] & 1) == 0) {
            lnum_shr1(w, u);
            lnum_shl1(w, s);
        } else if ((v[n] & 1) == 0) {
            lnum_shr1(w, v);
            lnum_shl1(w, r);
        } else if (lnum_cmp(w, u, v) > 0) {
            lnum_sub(w, u, v);
            lnum_shr1(w, u);
            lnum_add(w, r, s);
            lnum_shl1(w, s);
        } else {
            lnum_sub(w, v, u);
            lnum_shr1(w, v);
            lnum_add(w, s, r);
            lnum_shl1(w, r);
        }
        ++k;
    }
    if (lnum_cmp(w, r, mm) >= 0) lnum_sub(w, r, mm);
    lnum_sub(w, mm, r);
    std::memcpy(out, mm + 1, size_t(n) * 4);
    return k;
}

void mod_inverse(const uint32_t* a, const uint32_t* m, uint32_t* out, int n) {
    int k = almost_inverse(a, m, out, n);
    if (k == 0) {
        std::memset(out, 0, size_t(n) * 4);
        return;
    }
    if (k > 32 * n) {
        mont_mul(out, lnum_one(n), m, n);
        k -= 32 * n;
    }
    const int t = 32 * n - k;
    uint32_t pow2[8] = {};
    pow2[n - 1 - t / 32] = 1u << (t % 32);
    mont_mul(out, pow2, m, n);
}

void order_reduce(uint32_t* x, const SignContext* ctx) {
    const int nq = ctx->q_length / 4;
    if (nq < 1 || nq > 8) return;  // a rewritten context: nothing sensible to do
    uint32_t t[W];
    widen(t, x, nq);
    reduce_wide(t, ctx->q, nq, 3);  // x < R < 4q for a large q
    std::memcpy(x, t + 1, size_t(nq) * 4);
}

void order_reduce_wide(uint32_t* x, const SignContext* ctx) {
    const int np = ctx->p_length / 4;
    const int nq = ctx->q_length / 4;
    if (np < 1 || np > 8 || nq < 1 || nq > np) return;
    uint32_t t[W];
    widen(t, x, np);
    if (np == nq) {
        reduce_wide(t, ctx->q, nq, 3);
    } else {
        mod_exact(t + 1, np, ctx->q_wide, np);
    }
    std::memcpy(x, t + 1, size_t(np) * 4);
}

}  // namespace vantix
