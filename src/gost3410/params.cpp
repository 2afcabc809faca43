#include "gost3410/params.h"

#include <cstring>

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost28147/builtin_tables.h"
#include "gost3410/curve.h"
#include "gost3410/scalar_mul.h"
#include "gost3411/hash_step.h"
#include "platform/once.h"

namespace vantix {

namespace {

constexpr int N = SIGN_WORDS;

// GOST R 34.10-2001, appendix A.1 (id-GostR3410-2001-TestParamSet in RFC 4357).
constexpr uint8_t kTestA[32] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7};
constexpr uint8_t kTestB[32] = {0x5F, 0xBF, 0xF4, 0x98, 0xAA, 0x93, 0x8C, 0xE7, 0x39, 0xB8, 0xE0,
                                0x22, 0xFB, 0xAF, 0xEF, 0x40, 0x56, 0x3F, 0x6E, 0x6A, 0x34, 0x72,
                                0xFC, 0x2A, 0x51, 0x4C, 0x0C, 0xE9, 0xDA, 0xE2, 0x3B, 0x7E};
constexpr uint8_t kTestY[32] = {0x08, 0xE2, 0xA8, 0xA0, 0xE6, 0x51, 0x47, 0xD4, 0xBD, 0x63, 0x16,
                                0x03, 0x0E, 0x16, 0xD1, 0x9C, 0x85, 0xC9, 0x7F, 0x0A, 0x9C, 0xA2,
                                0x67, 0x12, 0x2B, 0x96, 0xAB, 0xBC, 0xEA, 0x7E, 0x8F, 0xC8};

// A modulus must be odd and at least 2^254: the reduction loops and Montgomery constants
// assume it (GOST R 34.10-2001 requires p, q > 2^254).
bool modulus_acceptable(const uint8_t* be) { return (be[31] & 1) != 0 && (be[0] & 0xC0) != 0; }

// The Montgomery record of an odd modulus m >= 2^254 (8 words) from m alone: R mod m is
// (2^256 - m) reduced, R^2 mod m that doubled 256 times.
void modulus_record(Mod256* md, const uint32_t* m) {
    const uint32_t none[N] = {};
    mod256_setup(md, m, none, none);
    const uint64_t zero[4] = {0, 0, 0, 0};
    unsigned char borrow = 0;
    for (int i = 0; i < 4; ++i) md->one[i] = sbb64(zero[i], md->m[i], borrow);
    fe_reduce(md->one, md->one, *md);
    fe_copy(md->r2, md->one);
    for (int i = 0; i < 256; ++i) fe_add(md->r2, md->r2, md->r2, *md);
}

// Stores the record's m' = -m^-1 mod 2^32 after the modulus words, and R mod m, R^2 mod m.
void store_record(const Mod256& md, uint32_t* m, uint32_t* r, uint32_t* r2) {
    m[N] = uint32_t(md.m_inv);  // -m^-1 mod 2^64, taken mod 2^32
    limbs_to_words(r, md.one);
    limbs_to_words(r2, md.r2);
}

void compute_parms(SignContext* ctx, const uint8_t* p, int32_t p_length, const uint8_t* q, const uint8_t* a,
                   const uint8_t* b, const LPoint* point) {
    ctx->p_length = p_length;
    words_from_be(ctx->p, p, N);
    ctx->q_length = 32;
    words_from_be(ctx->q, q, N);
    Mod256 mp, mq;
    modulus_record(&mp, ctx->p);
    modulus_record(&mq, ctx->q);
    store_record(mp, ctx->p, ctx->r_p, ctx->r2_p);
    store_record(mq, ctx->q, ctx->r_q, ctx->r2_q);
    words_from_be(ctx->a_mont, a, N);
    words_from_be(ctx->b_mont, b, N);
    fe_mul_words(ctx->a_mont, mp.r2, mp);  // a*R mod p
    fe_mul_words(ctx->b_mont, mp.r2, mp);
    // base_copy keeps the point as it was given, its coordinates as big-endian words.
    LPoint given;
    std::memcpy(&given, point, LPOINT_BYTES);
    for (int i = 0; i < 8; ++i) {
        given.x[i] = byte_swap(given.x[i]);
        given.y[i] = byte_swap(given.y[i]);
        given.z[i] = byte_swap(given.z[i]);
    }
    std::memcpy(ctx->base_copy, &given, LPOINT_BYTES);
    LPoint base;
    std::memcpy(&base, point, LPOINT_BYTES);
    lpoint_to_projective(ctx, &base);
    lpoint_to_mont(ctx, &base);
    lpoint_store(ctx->base, &base);
    // q widened to p's word count (both have 8 words here) and R mod that q: no operation
    // reads them, but they are part of the context as callers can read it.
    std::memcpy(ctx->q_wide, ctx->q, sizeof ctx->q);
    std::memcpy(ctx->r_pq, ctx->r_q, sizeof ctx->r_pq);
    // One half in Montgomery form, (p + 1)/2 * R mod p; kept for the same reason.
    uint64_t half[4];
    unsigned char carry = 0;
    for (int i = 0; i < 4; ++i) half[i] = adc64(mp.m[i], i == 0 ? 1 : 0, carry);
    for (int i = 0; i < 4; ++i) half[i] = (half[i] >> 1) | (i < 3 ? half[i + 1] << 63 : uint64_t(carry) << 63);
    fe_mul(half, half, mp.r2, mp);
    limbs_to_words(ctx->half, half);
}

// The p and q of the published parameter sets (GOST R 34.10-2001 appendix A.1; RFC 4357,
// section 11.4): known primes, loaded without the primality test.
constexpr uint8_t kPublishedPrimes[][32] = {
    {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x31},
    {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
     0x50, 0xFE, 0x8A, 0x18, 0x92, 0x97, 0x61, 0x54, 0xC5, 0x9C, 0xFC, 0x19, 0x3A, 0xCC, 0xF5, 0xB3},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFD, 0x97},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
     0x6C, 0x61, 0x10, 0x70, 0x99, 0x5A, 0xD1, 0x00, 0x45, 0x84, 0x1B, 0x09, 0xB7, 0x61, 0xB8, 0x93},
    {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x99},
    {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
     0x5F, 0x70, 0x0C, 0xFF, 0xF1, 0xA6, 0x24, 0xE5, 0xE4, 0x97, 0x16, 0x1B, 0xCC, 0x8A, 0x19, 0x8F},
    {0x9B, 0x9F, 0x60, 0x5F, 0x5A, 0x85, 0x81, 0x07, 0xAB, 0x1E, 0xC8, 0x5E, 0x6B, 0x41, 0xC8, 0xAA,
     0xCF, 0x84, 0x6E, 0x86, 0x78, 0x90, 0x51, 0xD3, 0x79, 0x98, 0xF7, 0xB9, 0x02, 0x2D, 0x75, 0x9B},
    {0x9B, 0x9F, 0x60, 0x5F, 0x5A, 0x85, 0x81, 0x07, 0xAB, 0x1E, 0xC8, 0x5E, 0x6B, 0x41, 0xC8, 0xAA,
     0x58, 0x2C, 0xA3, 0x51, 0x1E, 0xDD, 0xFB, 0x74, 0xF0, 0x2F, 0x3A, 0x65, 0x98, 0x98, 0x0B, 0xB9},
};

const uint8_t (&kTestP)[32] = kPublishedPrimes[0];
const uint8_t (&kTestQ)[32] = kPublishedPrimes[1];

// Miller-Rabin rounds for a modulus the caller chose: with bases the caller cannot steer,
// a composite passes one round with probability at most 1/4, so 64 rounds leave at most
// 2^-128 (FIPS 186-5, B.3.1, asks for far fewer with random candidates; a caller may pick
// the worst composite, hence the full count).
constexpr int kPrimeRounds = 64;

// a^e in Montgomery form (a in Montgomery form); public values, variable time.
void mont_power(uint64_t* r, const uint64_t* a, const uint64_t* e, const Mod256& md) {
    fe_copy(r, md.one);
    for (int bit = 255; bit >= 0; --bit) {
        fe_sqr(r, r, md);
        if ((e[bit / 64] >> (bit % 64)) & 1) fe_mul(r, r, a, md);
    }
}

// True when the odd modulus m (> 2^254) passes Miller-Rabin with base 2 and with
// kPrimeRounds - 1 bases derived from m by the GOST R 34.11-94 step (no generator draw:
// loading parameters leaves the generator as it was).
bool probably_prime(const Mod256& md) {
    uint64_t d[4], minus_one[4], x[4], base[4];
    fe_copy(d, md.m);
    d[0] -= 1;  // m is odd: no borrow
    int s = 0;
    while ((d[0] & 1) == 0) {  // m - 1 = 2^s * d, d odd (m - 1 is not 0)
        for (int i = 0; i < 3; ++i) d[i] = (d[i] >> 1) | (d[i + 1] << 63);
        d[3] >>= 1;
        ++s;
    }
    fe_neg(minus_one, md.one, md);  // -1 in Montgomery form
    const uint32_t* t = builtin_expanded(Sbox::HashTest);
    uint8_t h[32] = {}, block[32];
    for (int i = 0; i < 4; ++i) store_le64(block + 8 * i, md.m[i]);
    for (int round = 0; round < kPrimeRounds; ++round) {
        if (round == 0) {
            const uint64_t two[4] = {2, 0, 0, 0};
            fe_copy(base, two);
        } else {
            hash_step(t, h, block);  // h chains: a new base every round
            for (int i = 0; i < 4; ++i) base[i] = load_le64(h + 8 * i);
            fe_reduce(base, base, md);
        }
        fe_mul(base, base, md.r2, md);  // into Montgomery form
        // Bases 0, 1 and m - 1 prove nothing; the derived ones almost never are.
        if (fe_zero_mask(base) || fe_equal_mask(base, md.one) || fe_equal_mask(base, minus_one)) continue;
        mont_power(x, base, d, md);
        if (fe_equal_mask(x, md.one) || fe_equal_mask(x, minus_one)) continue;
        bool witness = true;
        for (int i = 1; i < s && witness; ++i) {
            fe_sqr(x, x, md);
            if (fe_equal_mask(x, minus_one)) witness = false;
            if (fe_equal_mask(x, md.one)) break;  // 1 without passing -1: composite
        }
        if (witness) return false;
    }
    return true;
}

// p and q of freshly computed parameters must be prime: a composite q lets a base point of
// small order pass the q*P check below (and the public key tell d modulo that order), and
// a composite p is no field at all.
bool published_prime(const uint8_t* be) {
    for (const auto& known : kPublishedPrimes)
        if (std::memcmp(known, be, 32) == 0) return true;
    return false;
}

bool moduli_prime(const SignContext* ctx, const uint8_t* p, const uint8_t* q) {
    Curve c;
    curve_load(&c, ctx);
    return (published_prime(q) || probably_prime(c.q)) && (published_prime(p) || probably_prime(c.p));
}

// The base point of freshly computed parameters must be a point of the curve other than
// infinity with q*P = infinity; otherwise every k*P could be infinity (r = 0 for ever) or
// the signatures would live in a small subgroup.
bool base_point_acceptable(const SignContext* ctx) {
    Curve c;
    curve_load(&c, ctx);
    JPoint g, qg;
    APoint a;
    sign_base_point(c, ctx, &g, &a);
    if (!curve_contains(c, a)) return false;  // a zero record is (0, 0): off the curve unless b = 0
    uint32_t qw[N];
    std::memcpy(qw, ctx->q, sizeof qw);
    uint64_t q[4];
    limbs_from_words(q, qw);
    mul_vartime(c, g, q, &qg);
    return fe_zero_mask(qg.z) != 0;
}

SignContext make_builtin() {
    SignContext c{};
    c.magic = MAGIC_SIGN;
    LPoint g{};
    // The base point: X = 2 and Y, words most significant first.
    g.x[7] = 2;
    words_from_be(g.y, kTestY, 8);
    compute_parms(&c, kTestP, 32, kTestQ, kTestA, kTestB, &g);
    c.flags = SIGN_PARAMS;
    return c;
}

}  // namespace

namespace {
Once g_builtin_once;
SignContext g_builtin;  // written once under g_builtin_once, then only read
}  // namespace

const SignContext& sign_builtin_image() {
    g_builtin_once.run([] { g_builtin = make_builtin(); });
    return g_builtin;
}

Result sign_set_parms(SignContext* ctx, RND_State* rnd, const uint8_t* p, int32_t p_length, const uint8_t* q,
                      int32_t q_length, const uint8_t* a, const uint8_t* b, const LPoint* point) {
    builtin_expanded(Sbox::HashTest);  // the mask table, expanded once per process
    if (ctx == nullptr || rnd == nullptr) return RC_MISSING;
    if (q_length != 32) return RC_Q_LENGTH;
    if (sign_params_loaded(ctx)) return RC_ALREADY_INITIALISED;
    if (!rnd_is_seeded(rnd)) return RC_MISSING;
    const bool builtin = p == nullptr || q == nullptr || a == nullptr || b == nullptr || point == nullptr;
    if (!builtin && (p_length != 32 || !modulus_acceptable(p) || !modulus_acceptable(q))) return RC_MISSING;
    // Explicit parameters are computed aside and checked before the context changes.
    SignContext computed{};
    WipeOnExit<SignContext> wipe(computed);
    if (!builtin) {
        computed.magic = MAGIC_SIGN;
        compute_parms(&computed, p, p_length, q, a, b, point);
        if (!moduli_prime(&computed, p, q) || !base_point_acceptable(&computed)) return RC_MISSING;
    }
    if (ctx->magic != MAGIC_SIGN) static_cast<void>(sign_clear(ctx));  // ctx is not null: it cannot fail
    ctx->rnd = rnd;
    if (builtin) {
        std::memcpy(ctx, &sign_builtin_image(), SIGN_CONTEXT_BYTES);
    } else {
        // Only the parameter fields: the key slots stay as they are, as when computed in place.
        const size_t from = offsetof(SignContext, p_length), to = offsetof(SignContext, rnd);
        std::memcpy(reinterpret_cast<uint8_t*>(ctx) + from, reinterpret_cast<const uint8_t*>(&computed) + from,
                    to - from);
        const size_t from2 = offsetof(SignContext, a_mont), to2 = offsetof(SignContext, secret);
        std::memcpy(reinterpret_cast<uint8_t*>(ctx) + from2, reinterpret_cast<const uint8_t*>(&computed) + from2,
                    to2 - from2);
        std::memcpy(ctx->base_copy, computed.base_copy, sizeof ctx->base_copy);
        std::memcpy(ctx->base, computed.base, sizeof ctx->base);
    }
    ctx->rnd = rnd;
    ctx->flags |= SIGN_PARAMS;
    return RC_OK;
}

Result sign_get_parms(const SignContext* ctx, uint8_t* p, int32_t* p_length, uint8_t* q, int32_t* q_length, uint8_t* a,
                      uint8_t* b, LPoint* point) {
    if (ctx == nullptr) return RC_MISSING;
    if (!sign_params_loaded(ctx)) return RC_NOT_INITIALISED;
    if (!sign_fields_valid(ctx)) return RC_CHECKSUM;
    if (p_length) *p_length = ctx->p_length;
    if (q_length) *q_length = ctx->q_length;
    if (p) words_to_be(p, ctx->p, N);
    if (q) words_to_be(q, ctx->q, N);
    Mod256 field;
    mod256_setup(&field, ctx->p, ctx->r_p, ctx->r2_p);
    const uint64_t one[4] = {1, 0, 0, 0};
    uint32_t t[N];
    if (a) {
        std::memcpy(t, ctx->a_mont, sizeof t);
        fe_mul_words(t, one, field);  // out of Montgomery form
        words_to_be(a, t, N);
    }
    if (b) {
        std::memcpy(t, ctx->b_mont, sizeof t);
        fe_mul_words(t, one, field);
        words_to_be(b, t, N);
    }
    if (point) {
        LPoint g;
        lpoint_load(&g, ctx->base);
        lpoint_to_affine(ctx, &g);
        lpoint_from_mont(ctx, &g);
        std::memcpy(point, &g, LPOINT_BYTES);
    }
    return RC_OK;
}

Result sign_clear(SignContext* ctx) {
    if (ctx == nullptr) return RC_MISSING;
    secure_wipe(ctx, SIGN_CONTEXT_BYTES);
    ctx->magic = MAGIC_SIGN;
    return RC_OK;
}

}  // namespace vantix
