#include "contexts/mac.h"

#include <cstring>

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "contexts/context_key.h"
#include "contexts/word_order.h"
#include "gost28147/mac_chain.h"
#include "gost28147/transform.h"

namespace vantix {

Result mac_init(MacContext* ctx, COM_State* com, RND_State* rnd, const uint8_t* masked_key, const uint8_t* iv) {
    if (const Result r = context_init_start(ctx, com, rnd, masked_key, SeedCheck::Required)) return r;
    if (ctx->magic != MAGIC_MAC) static_cast<void>(mac_clear(ctx));  // ctx is not null: it cannot fail
    ctx->rnd_state = rnd;
    ctx->com_state = com;
    ctx->state[0] = iv ? load_be32(iv) : 0;
    ctx->state[1] = iv ? load_be32(iv + 4) : 0;
    ctx->position = 0;
    ctx->checksum = context_key_load(rnd, ctx->key, masked_key);
    ctx->mesh_count = 0;
    ctx->initialised = 1;
    return RC_OK;
}

namespace {

// The absorbing of `length` bytes, after the checks.
Result mac_absorb(MacContext* ctx, const RoundTable& rt, const uint8_t* data, int32_t length) {
    for (int32_t i = 0; i < length; ++i) {
        if (ctx->position == 8) {
            // A full buffer is absorbed only when a further byte arrives.
            mac_blocks(rt, ctx->key, ctx->state, ctx->buffer, 1);
            ctx->position = 0;
            if (const Result r =
                    context_count_blocks(ctx->com_state, ctx->key, ctx->state, &ctx->checksum, &ctx->mesh_count, 1, rt))
                return r;
            // Whole blocks straight from the data, each followed by a further byte (so each
            // would be absorbed from the buffer anyway), up to the next meshing point.
            const int32_t n = blocks_before_mesh(length - i - 1, ctx->mesh_count);
            if (n > 0) {
                mac_blocks(rt, ctx->key, ctx->state, data + i, n);
                i += 8 * n;
                std::memcpy(ctx->buffer, data + i - 8, 8);  // the buffer as absorbing block by block leaves it
                if (const Result r = context_count_blocks(ctx->com_state, ctx->key, ctx->state, &ctx->checksum,
                                                          &ctx->mesh_count, uint32_t(n), rt))
                    return r;
            }
            if (length - i >= 8) {  // a whole block at once into the buffer
                std::memcpy(ctx->buffer, data + i, 8);
                ctx->position = 8;
                i += 7;
                continue;
            }
        }
        if (ctx->position == 0 && length - i >= 8) {
            std::memcpy(ctx->buffer, data + i, 8);
            ctx->position = 8;
            i += 7;
            continue;
        }
        ctx->buffer[ctx->position++] = data[i];
    }
    return RC_OK;
}

Result mac_update_in(MacContext* ctx, const uint8_t* data, int32_t length, WordOrder order) {
    if (ctx == nullptr || data == nullptr || !word_order_allows(order, length)) return RC_MISSING;
    if (const Result r = mac_ready(ctx)) return r;
    if (!stream_fields_valid(ctx->position, ctx->mesh_count, ctx->com_state, ctx->rnd_state)) return RC_CHECKSUM;
    if (!context_key_intact(ctx->key, ctx->checksum)) return RC_CHECKSUM;
    RoundTable rt;
    round_table_prepare(ctx->com_state->expanded, &rt);
    const Result r = run_in_word_order(
        order, data, nullptr, length, [&](const uint8_t* d, uint8_t*, int32_t n) { return mac_absorb(ctx, rt, d, n); });
    if (r != RC_OK) return r;
    ctx->checksum = context_key_remask(ctx->rnd_state, ctx->key);
    return RC_OK;
}

}  // namespace

Result mac_update(MacContext* ctx, const uint8_t* data, int32_t length) {
    return mac_update_in(ctx, data, length, WordOrder::Big);
}

Result mac_update_le(MacContext* ctx, const uint8_t* data, int32_t length) {
    return mac_update_in(ctx, data, length, WordOrder::Little);
}

Result mac_final(MacContext* ctx, uint8_t* mac) {
    if (ctx == nullptr || mac == nullptr) return RC_MISSING;
    if (const Result r = mac_ready(ctx)) return r;
    if (!stream_fields_valid(ctx->position, ctx->mesh_count, ctx->com_state, ctx->rnd_state)) return RC_CHECKSUM;
    uint32_t result[2] = {ctx->state[0], ctx->state[1]};
    if (ctx->position != 0) {
        // The key is checked before the buffer is padded, so a refused call changes nothing.
        if (!context_key_intact(ctx->key, ctx->checksum)) return RC_CHECKSUM;
        if (ctx->position < 8) std::memset(ctx->buffer + ctx->position, 0, size_t(8 - ctx->position));
        // The buffer is converted in place into its two big-endian words.
        const uint32_t d[2] = {load_be32(ctx->buffer), load_be32(ctx->buffer + 4)};
        std::memcpy(ctx->buffer, d, 8);
        mac_rounds(ctx->com_state->expanded, ctx->key, result, d);
    }
    store_be32(mac, result[0]);
    store_be32(mac + 4, result[1]);
    ctx->checksum = context_key_remask(ctx->rnd_state, ctx->key);
    return RC_OK;
}

Result mac_clear(MacContext* ctx) {
    if (ctx == nullptr) return RC_MISSING;
    secure_wipe(ctx, sizeof *ctx);
    ctx->magic = MAGIC_MAC;
    return RC_OK;
}

}  // namespace vantix
