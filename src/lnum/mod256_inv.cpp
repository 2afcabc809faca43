// Inversion modulo an odd 256-bit modulus in constant time, by Bernstein and Yang's
// division steps ("Fast constant-time gcd computation and modular inversion", TCHES 2019).
//
// Fermat's a^(m-2) costs 255 squarings; the division steps cost about a third of that and
// need no primality. Each step looks only at the low bit of g and the sign of delta, so 62
// steps run on the low words of f and g alone and yield a matrix of small integers; the
// matrix is then applied to the full f, g and to the cofactors d, e. The number of steps
// is fixed (ten rounds of 62, above the bound given with kStepsNeeded below), and every
// choice inside a step is made with masks, so neither the time nor the memory addresses
// depend on the value inverted.
#include "lnum/mod256.h"

#include "common/wipe.h"

namespace vantix {

namespace {

using i128 = __int128;

// A signed number in five limbs of 62 bits: limbs 0..3 in [0, 2^62), limb 4 signed.
// 62-bit limbs leave room for the products of a limb and a matrix entry (below 2^62 in
// absolute value) to be summed in 128 bits.
constexpr int kLimbBits = 62;
constexpr uint64_t kLimbMask = (uint64_t(1) << kLimbBits) - 1;

struct Signed62 {
    int64_t v[5];
};

// 2^62 * (f', g') = (u*f + v*g, q*f + r*g) after 62 steps. Each row's absolute values sum
// to at most 2^62 (a step doubles the first row and adds the rows into the second).
struct Transition {
    int64_t u, v, q, r;
};

// The steps start from delta = 1/2 instead of the paper's 1 (P. Wuille, "Bounds on divsteps
// iterations in safegcd", github.com/sipa/safegcd-bounds: with delta = 1/2, 590 steps bring
// g to zero for any odd f and any g, both below 2^256, against 724 from delta = 1 and the paper's
// Theorem 11.2 bound of 741). delta is held doubled, an odd integer. Ten rounds of 62 make
// 620.
constexpr int kStepsPerRound = 62;
constexpr int kRounds = 10;
constexpr int kStepsNeeded = 590;
static_assert(kStepsPerRound * kRounds >= kStepsNeeded);

inline uint64_t as_u64(int64_t x) { return static_cast<uint64_t>(x); }
inline int64_t as_i64(uint64_t x) { return static_cast<int64_t>(x); }
inline int64_t low_limb(i128 c) { return as_i64(static_cast<uint64_t>(c) & kLimbMask); }

Signed62 from_limbs(const uint64_t* a) {
    return {{as_i64(a[0] & kLimbMask), as_i64(((a[0] >> 62) | (a[1] << 2)) & kLimbMask),
             as_i64(((a[1] >> 60) | (a[2] << 4)) & kLimbMask), as_i64(((a[2] >> 58) | (a[3] << 6)) & kLimbMask),
             as_i64(a[3] >> 56)}};
}

// For a value in [0, 2^256).
void to_limbs(uint64_t* r, const Signed62& a) {
    r[0] = as_u64(a.v[0]) | (as_u64(a.v[1]) << 62);
    r[1] = (as_u64(a.v[1]) >> 2) | (as_u64(a.v[2]) << 60);
    r[2] = (as_u64(a.v[2]) >> 4) | (as_u64(a.v[3]) << 58);
    r[3] = (as_u64(a.v[3]) >> 6) | (as_u64(a.v[4]) << 56);
}

// a += m when a < 0 (mask all ones), limbs normalised again.
void add_masked(Signed62& a, const Signed62& m, int64_t mask) {
    int64_t c = 0;
    for (int i = 0; i < 4; ++i) {
        c += a.v[i] + (m.v[i] & mask);
        a.v[i] = as_i64(as_u64(c) & kLimbMask);
        c >>= kLimbBits;
    }
    a.v[4] += c + (m.v[4] & mask);
}

// a = -a when mask is all ones.
void negate_masked(Signed62& a, int64_t mask) {
    int64_t c = 0;
    for (int i = 0; i < 4; ++i) {
        c += (a.v[i] ^ mask) - mask;
        a.v[i] = as_i64(as_u64(c) & kLimbMask);
        c >>= kLimbBits;
    }
    a.v[4] = ((a.v[4] ^ mask) - mask) + c;
}

// 62 division steps on the low words of f (odd) and g, with delta2 = 2 * delta. A step is
//   delta > 0 and g odd:  (delta, f, g) <- (1 - delta, g, (g - f) / 2)
//   g odd otherwise:      (delta, f, g) <- (1 + delta, f, (g + f) / 2)
//   g even:               (delta, f, g) <- (1 + delta, f, g / 2)
// written as s = g + (g odd ? (delta > 0 ? -f : f) : 0), f += (swap ? s : 0), g = s / 2:
// in the first case s = g - f, so f + s = g. The matrix rows follow the same pattern, the
// first row doubled where g is halved.
Transition divsteps(int64_t& delta2, uint64_t f, uint64_t g) {
    int64_t u = 1, v = 0, q = 0, r = 1;
    for (int i = 0; i < kStepsPerRound; ++i) {
        const int64_t pos = (-delta2) >> 63;  // all ones when delta > 0
        const int64_t odd = -as_i64(g & 1);   // all ones when g is odd
        const int64_t swap = pos & odd;
        const uint64_t s = g + (((f ^ as_u64(pos)) - as_u64(pos)) & as_u64(odd));
        const int64_t sq = q + (((u ^ pos) - pos) & odd);
        const int64_t sr = r + (((v ^ pos) - pos) & odd);
        f += s & as_u64(swap);
        u = (u + (sq & swap)) * 2;
        v = (v + (sr & swap)) * 2;
        g = s >> 1;
        q = sq;
        r = sr;
        delta2 = ((delta2 ^ swap) - swap) + 2;
    }
    return {u, v, q, r};
}

// (f, g) <- T (f, g) / 2^62; the division is exact.
void apply_fg(Signed62& f, Signed62& g, const Transition& t) {
    i128 cf = i128(t.u) * f.v[0] + i128(t.v) * g.v[0];
    i128 cg = i128(t.q) * f.v[0] + i128(t.r) * g.v[0];
    cf >>= kLimbBits;
    cg >>= kLimbBits;
    for (int i = 1; i < 5; ++i) {
        cf += i128(t.u) * f.v[i] + i128(t.v) * g.v[i];
        cg += i128(t.q) * f.v[i] + i128(t.r) * g.v[i];
        f.v[i - 1] = low_limb(cf);
        g.v[i - 1] = low_limb(cg);
        cf >>= kLimbBits;
        cg >>= kLimbBits;
    }
    f.v[4] = static_cast<int64_t>(cf);
    g.v[4] = static_cast<int64_t>(cg);
}

// (d, e) <- T (d, e) / 2^62 mod m, for |d|, |e| <= m, and again |d|, |e| <= m after.
// A multiple k*m with k in [-2^62, 0) makes each sum divisible by 2^62; the quotient lies
// in [-2m, m), and m is added back when it is negative. m_inv is -m^-1 mod 2^64.
void apply_de(Signed62& d, Signed62& e, const Transition& t, const Signed62& m, uint64_t m_inv) {
    const uint64_t low_d = as_u64(t.u) * as_u64(d.v[0]) + as_u64(t.v) * as_u64(e.v[0]);
    const uint64_t low_e = as_u64(t.q) * as_u64(d.v[0]) + as_u64(t.r) * as_u64(e.v[0]);
    const int64_t kd = as_i64((low_d * m_inv) & kLimbMask) - (int64_t(1) << kLimbBits);
    const int64_t ke = as_i64((low_e * m_inv) & kLimbMask) - (int64_t(1) << kLimbBits);
    i128 cd = i128(t.u) * d.v[0] + i128(t.v) * e.v[0] + i128(kd) * m.v[0];
    i128 ce = i128(t.q) * d.v[0] + i128(t.r) * e.v[0] + i128(ke) * m.v[0];
    cd >>= kLimbBits;
    ce >>= kLimbBits;
    for (int i = 1; i < 5; ++i) {
        cd += i128(t.u) * d.v[i] + i128(t.v) * e.v[i] + i128(kd) * m.v[i];
        ce += i128(t.q) * d.v[i] + i128(t.r) * e.v[i] + i128(ke) * m.v[i];
        d.v[i - 1] = low_limb(cd);
        e.v[i - 1] = low_limb(ce);
        cd >>= kLimbBits;
        ce >>= kLimbBits;
    }
    d.v[4] = static_cast<int64_t>(cd);
    e.v[4] = static_cast<int64_t>(ce);
    add_masked(d, m, d.v[4] >> 63);
    add_masked(e, m, e.v[4] >> 63);
}

}  // namespace

void fe_inv(uint64_t* r, const uint64_t* a, const Mod256& md) {
    // Invariants: f = d * a / K and g = e * a / K (mod m), with K = R^2. At the end g = 0
    // and f = +-1 (m prime, a nonzero), so d * f = K / a: for a = x*R in Montgomery form
    // that is x^-1 * R, the inverse in Montgomery form. a = 0 leaves d = 0.
    struct State {
        Signed62 f, g, d, e;
        Transition t;
        int64_t delta2;
    } s;
    WipeOnExit<State> wipe(s);
    const Signed62 m = from_limbs(md.m);
    s.f = m;
    s.g = from_limbs(a);
    s.d = Signed62{};
    s.e = from_limbs(md.r2);
    s.delta2 = 1;  // delta = 1/2
    for (int round = 0; round < kRounds; ++round) {
        const uint64_t f_low = as_u64(s.f.v[0]) | (as_u64(s.f.v[1]) << 62);
        const uint64_t g_low = as_u64(s.g.v[0]) | (as_u64(s.g.v[1]) << 62);
        s.t = divsteps(s.delta2, f_low, g_low);
        apply_fg(s.f, s.g, s.t);
        apply_de(s.d, s.e, s.t, m, md.m_inv);
    }
    // d in [-m, m]; times the sign of f, then into [0, m).
    negate_masked(s.d, s.f.v[4] >> 63);
    add_masked(s.d, m, s.d.v[4] >> 63);
    uint64_t out[4];
    WipeOnExit<decltype(out)> wipe_out(out);
    to_limbs(out, s.d);
    fe_final_sub(r, out[0], out[1], out[2], out[3], 0, md.m);
}

}  // namespace vantix
