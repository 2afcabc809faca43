#include <cstring>

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost3410/signature.h"
#include "random/generator.h"
#include "random/masking.h"

namespace vantix {

namespace {

constexpr int N = SIGN_WORDS;

// The secret slot's value and mask halves.
uint32_t* value_half(SignContext* c) { return c->secret; }
uint32_t* mask_half(SignContext* c) { return c->secret + 8; }

// Common checks of every key operation: 15 missing context, 2 parameters not loaded.
int common_checks(const SignContext* ctx) {
    if (ctx == nullptr) return RC_MISSING;
    if (!(ctx->flags & SIGN_PARAMS)) return RC_NOT_INITIALISED;
    return RC_OK;
}

}  // namespace

bool sign_key_intact(const SignContext* ctx) { return checksum_verify(ctx->secret, load_le32(ctx->key_crc)); }

void sign_key_seal(SignContext* ctx) { store_le32(ctx->key_crc, checksum_seal(ctx->secret)); }

int sign_gen_secret_key(SignContext* ctx) {
    if (int r = common_checks(ctx)) return r;
    if (ctx->flags & (SIGN_SECRET | SIGN_PUBLIC)) return RC_KEY_PRESENT;
    if (!rnd_is_seeded(ctx->rnd)) return RC_MISSING;
    uint8_t bytes[32];
    uint32_t value[N], mask[N];
    rnd_fill(ctx->rnd, bytes, 32);
    words_from_be(value, bytes, N);  // each drawn word byte-swapped into a native word
    mask_key(ctx->rnd, value, mask);
    std::memcpy(value_half(ctx), value, sizeof value);
    std::memcpy(mask_half(ctx), mask, sizeof mask);
    sign_key_seal(ctx);
    ctx->flags |= SIGN_SECRET;
    secure_wipe(bytes, sizeof bytes);
    return RC_OK;
}

int sign_gen_public_key(SignContext* ctx) {
    if (int r = common_checks(ctx)) return r;
    if (ctx->flags & SIGN_PUBLIC) return RC_KEY_PRESENT;
    if (!(ctx->flags & SIGN_SECRET)) return RC_NO_KEY;
    if (!sign_key_intact(ctx)) return RC_CHECKSUM;
    // The plain key is formed in a local buffer, never in the context.
    uint32_t d[N];
    for (int i = 0; i < N; ++i) d[i] = value_half(ctx)[i] ^ mask_half(ctx)[i];
    LPoint base, q;
    lpoint_load(&base, ctx->base);
    lpoint_mul(&base, d, &q, ctx);
    lpoint_store(ctx->public_key, &q);
    secure_wipe(d, sizeof d);
    remask_key(ctx->rnd, value_half(ctx), mask_half(ctx));
    sign_key_seal(ctx);
    ctx->flags |= SIGN_PUBLIC;
    return RC_OK;
}

int sign_set_secret_key(SignContext* ctx, const uint8_t* masked_key) {
    if (ctx == nullptr || masked_key == nullptr) return RC_MISSING;
    if (!(ctx->flags & SIGN_PARAMS)) return RC_NOT_INITIALISED;
    if (ctx->flags & SIGN_SECRET) return RC_KEY_PRESENT;
    words_from_be(value_half(ctx), masked_key, N);
    words_from_be(mask_half(ctx), masked_key + 32, N);
    sign_key_seal(ctx);
    ctx->flags |= SIGN_SECRET;
    return RC_OK;
}

int sign_get_secret_key(SignContext* ctx, uint8_t* masked_key, int32_t* length) {
    if (int r = common_checks(ctx)) return r;
    if (!(ctx->flags & SIGN_SECRET)) {
        if (length) *length = 32;
        return RC_NO_KEY;
    }
    if (length) *length = 64;
    if (masked_key == nullptr) return RC_OK;
    if (!sign_key_intact(ctx)) return RC_CHECKSUM;
    uint32_t out_value[N], out_mask[N];
    for (int i = 0; i < N; ++i) out_value[i] = value_half(ctx)[i] ^ mask_half(ctx)[i];
    remask_key(ctx->rnd, value_half(ctx), mask_half(ctx));
    mask_key(ctx->rnd, out_value, out_mask);
    words_to_be(masked_key, out_value, N);
    words_to_be(masked_key + 32, out_mask, N);
    sign_key_seal(ctx);
    secure_wipe(out_value, sizeof out_value);
    return RC_OK;
}

int sign_set_public_key(SignContext* ctx, const LPoint* point) {
    if (ctx == nullptr || point == nullptr) return RC_MISSING;
    if (!(ctx->flags & SIGN_PARAMS)) return RC_NOT_INITIALISED;
    if (ctx->flags & SIGN_PUBLIC) return RC_KEY_PRESENT;
    LPoint q;
    std::memcpy(&q, point, LPOINT_BYTES);
    for (int i = 0; i < N; ++i) {
        q.x[i] = byte_swap(q.x[i]);
        q.y[i] = byte_swap(q.y[i]);
    }
    q.flags = 0;  // the input form is plain; the record's other flag bits are ignored
    lpoint_to_projective(ctx, &q);
    lpoint_to_mont(ctx, &q);
    lpoint_store(ctx->public_key, &q);
    ctx->flags |= SIGN_PUBLIC;
    return RC_OK;
}

int sign_get_public_key(const SignContext* ctx, LPoint* point, int32_t* length) {
    if (int r = common_checks(ctx)) return r;
    if (length) *length = 32;
    if (!(ctx->flags & SIGN_PUBLIC)) return RC_NO_KEY;
    if (point == nullptr) return RC_OK;
    LPoint q;
    lpoint_load(&q, ctx->public_key);
    lpoint_to_affine(ctx, &q);
    lpoint_from_mont(ctx, &q);
    for (int i = 0; i < N; ++i) {
        q.x[i] = byte_swap(q.x[i]);
        q.y[i] = byte_swap(q.y[i]);
    }
    std::memcpy(point, &q, LPOINT_BYTES);
    return RC_OK;
}

int sign_clear_secret_key(SignContext* ctx) {
    if (int r = common_checks(ctx)) return r;
    if (!sign_key_intact(ctx)) return RC_CHECKSUM;
    secure_wipe(value_half(ctx), 32);
    ctx->flags &= ~SIGN_SECRET;
    return RC_OK;
}

int sign_clear_public_key(SignContext* ctx) {
    if (int r = common_checks(ctx)) return r;
    secure_wipe(ctx->public_key, sizeof ctx->public_key);
    ctx->flags &= ~SIGN_PUBLIC;
    return RC_OK;
}

}  // namespace vantix
