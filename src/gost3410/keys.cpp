#include "gost3410/keys.h"

#include <cstring>

#include "common/bytes.h"
#include "common/ct.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost3410/params.h"
#include "gost3410/scalar_mul.h"
#include "random/generator.h"
#include "random/masking.h"

namespace vantix {

namespace {

constexpr int N = SIGN_WORDS;

// The secret slot's value and mask halves.
uint32_t* value_half(SignContext* c) { return c->secret; }
uint32_t* mask_half(SignContext* c) { return c->secret + 8; }

// Common checks of every key operation: RC_MISSING, RC_NOT_INITIALISED, RC_CHECKSUM.
Result common_checks(const SignContext* ctx) {
    if (ctx == nullptr) return RC_MISSING;
    if (!sign_params_loaded(ctx)) return RC_NOT_INITIALISED;
    if (!sign_fields_valid(ctx)) return RC_CHECKSUM;
    return RC_OK;
}

}  // namespace

bool sign_key_intact(const SignContext* ctx) { return checksum_verify(ctx->secret, load_le32(ctx->key_crc)); }

void sign_key_seal(SignContext* ctx) { store_le32(ctx->key_crc, checksum_seal(ctx->secret)); }

Result sign_key_usable(const SignContext* ctx) {
    if (!sign_params_loaded(ctx)) return RC_NOT_INITIALISED;
    if (!(ctx->flags & SIGN_SECRET)) return RC_NO_KEY;
    if (!sign_fields_valid(ctx)) return RC_CHECKSUM;
    if (!sign_key_intact(ctx)) return RC_CHECKSUM;
    if (!rnd_is_seeded(ctx->rnd)) return RC_MISSING;
    return RC_OK;
}

void sign_key_remask(SignContext* ctx) {
    remask_key(ctx->rnd, value_half(ctx), mask_half(ctx));
    sign_key_seal(ctx);
}

void mul_secret_key(const Curve& c, const SignContext* ctx, uint64_t* r, const uint64_t* a) {
    const uint32_t* key = ctx->secret;  // value words, then mask words
    fe_mul_with<ModShape::Generic>(
        r, a,
        [key](int i) {
            return (uint64_t(key[6 - 2 * i] ^ key[N + 6 - 2 * i]) << 32) | (key[7 - 2 * i] ^ key[N + 7 - 2 * i]);
        },
        c.q);
}

Result sign_gen_secret_key(SignContext* ctx) {
    if (Result r = common_checks(ctx)) return r;
    if (ctx->flags & (SIGN_SECRET | SIGN_PUBLIC)) return RC_KEY_PRESENT;
    if (!rnd_is_seeded(ctx->rnd)) return RC_MISSING;
    struct {
        uint8_t bytes[32];
        uint32_t value[N], mask[N];  // their XOR is the key
    } w;
    WipeOnExit<decltype(w)> wipe(w);
    if (const Result r = rnd_fill(ctx->rnd, w.bytes, 32)) return r;  // seeded: cannot fail
    // The drawn bytes are byte-swapped into words, masked, and the value and mask words
    // swapped again into the slot: each key word is the little-endian reading of its four
    // drawn bytes.
    words_from_le(w.value, w.bytes, N);
    mask_key(ctx->rnd, w.value, w.mask);
    std::memcpy(value_half(ctx), w.value, sizeof w.value);
    std::memcpy(mask_half(ctx), w.mask, sizeof w.mask);
    sign_key_seal(ctx);
    ctx->flags |= SIGN_SECRET;
    return RC_OK;
}

Result sign_gen_public_key(SignContext* ctx) {
    if (Result r = common_checks(ctx)) return r;
    if (ctx->flags & SIGN_PUBLIC) return RC_KEY_PRESENT;
    if (!(ctx->flags & SIGN_SECRET)) return RC_NO_KEY;
    if (!sign_key_intact(ctx)) return RC_CHECKSUM;
    // The plain key is formed in a local buffer, never in the context.
    FixedBase base;
    fixed_base_load(&base, ctx);
    struct {
        uint32_t d[N];
        uint64_t limbs[4];
        JPoint q;
        LPoint out;
    } w = {};
    WipeOnExit<decltype(w)> wipe(w);
    for (int i = 0; i < N; ++i) w.d[i] = value_half(ctx)[i] ^ mask_half(ctx)[i];
    limbs_from_words(w.limbs, w.d);
    fixed_base_mul(base, w.limbs, &w.q);
    jpoint_to_lpoint(base.c, &w.out, &w.q);
    lpoint_store(ctx->public_key, &w.out);
    ct_declassify(ctx->public_key, sizeof ctx->public_key);  // Q = d*P is public
    sign_key_remask(ctx);
    ctx->flags |= SIGN_PUBLIC;
    return RC_OK;
}

Result sign_set_secret_key(SignContext* ctx, const uint8_t* masked_key) {
    if (ctx == nullptr || masked_key == nullptr) return RC_MISSING;
    if (!sign_params_loaded(ctx)) return RC_NOT_INITIALISED;
    if (!sign_fields_valid(ctx)) return RC_CHECKSUM;
    if (ctx->flags & SIGN_SECRET) return RC_KEY_PRESENT;
    words_from_be(value_half(ctx), masked_key, N);
    words_from_be(mask_half(ctx), masked_key + 32, N);
    sign_key_seal(ctx);
    ctx->flags |= SIGN_SECRET;
    return RC_OK;
}

Result sign_get_secret_key(SignContext* ctx, uint8_t* masked_key, int32_t* length) {
    if (Result r = common_checks(ctx)) return r;
    if (!(ctx->flags & SIGN_SECRET)) {
        if (length) *length = 32;
        return RC_NO_KEY;
    }
    if (length) *length = 64;
    if (masked_key == nullptr) return RC_OK;
    if (!sign_key_intact(ctx)) return RC_CHECKSUM;
    struct {
        uint32_t value[N], mask[N];
    } out;
    WipeOnExit<decltype(out)> wipe(out);
    for (int i = 0; i < N; ++i) out.value[i] = value_half(ctx)[i] ^ mask_half(ctx)[i];
    remask_key(ctx->rnd, value_half(ctx), mask_half(ctx));
    mask_key(ctx->rnd, out.value, out.mask);
    words_to_be(masked_key, out.value, N);
    words_to_be(masked_key + 32, out.mask, N);
    sign_key_seal(ctx);
    return RC_OK;
}

Result sign_set_public_key(SignContext* ctx, const LPoint* point) {
    if (ctx == nullptr || point == nullptr) return RC_MISSING;
    if (!sign_params_loaded(ctx)) return RC_NOT_INITIALISED;
    if (!sign_fields_valid(ctx)) return RC_CHECKSUM;
    if (ctx->flags & SIGN_PUBLIC) return RC_KEY_PRESENT;
    LPoint q;
    std::memcpy(&q, point, LPOINT_BYTES);
    q.flags = 0;  // the input form is plain; the record's other flag bits are ignored
    lpoint_to_projective(ctx, &q);
    lpoint_to_mont(ctx, &q);
    // A point off the curve would make verification meaningless (and invalid-curve points
    // can have small order): refuse it, leaving the context as it was.
    Curve c;
    curve_load(&c, ctx);
    APoint a;
    limbs_from_words(a.x, q.x);
    limbs_from_words(a.y, q.y);
    curve_from_mont(c, a.x, a.x);
    curve_from_mont(c, a.y, a.y);
    if (!curve_contains(c, a)) return RC_MISSING;
    lpoint_store(ctx->public_key, &q);
    ctx->flags |= SIGN_PUBLIC;
    return RC_OK;
}

Result sign_get_public_key(const SignContext* ctx, LPoint* point, int32_t* length) {
    if (Result r = common_checks(ctx)) return r;
    if (length) *length = 32;
    if (!(ctx->flags & SIGN_PUBLIC)) return RC_NO_KEY;
    if (point == nullptr) return RC_OK;
    LPoint q;
    lpoint_load(&q, ctx->public_key);
    lpoint_to_affine(ctx, &q);
    lpoint_from_mont(ctx, &q);
    std::memcpy(point, &q, LPOINT_BYTES);
    return RC_OK;
}

Result sign_clear_secret_key(SignContext* ctx) {
    if (Result r = common_checks(ctx)) return r;
    if (!sign_key_intact(ctx)) return RC_CHECKSUM;
    secure_wipe(value_half(ctx), 32);
    ctx->flags &= ~SIGN_SECRET;
    return RC_OK;
}

Result sign_clear_public_key(SignContext* ctx) {
    if (Result r = common_checks(ctx)) return r;
    secure_wipe(ctx->public_key, sizeof ctx->public_key);
    ctx->flags &= ~SIGN_PUBLIC;
    return RC_OK;
}

}  // namespace vantix
