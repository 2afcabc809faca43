#include "contexts/hash.h"

#include <cstring>

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost3411/hash_step.h"
#include "lnum/lnum.h"

namespace vantix {

namespace {

// A caller can rewrite the block with mem_write: the fill count bounds every copy into the
// buffer and the table drives every step, so a block with either out of range is refused
// as damaged (RC_CHECKSUM) before anything is read through it.
bool hash_fields_valid(const HashContext* ctx) {
    return ctx->fill >= 0 && ctx->fill <= 32 && ctx->com_state != nullptr;
}

}  // namespace

Result hash_init(HashContext* ctx, COM_State* com, RND_State* rnd, const uint8_t* start) {
    if (com == nullptr) return RC_MISSING;  // the expansion below would read through it
    sbox_expand(com->sbox, com->expanded);
    if (ctx == nullptr) return RC_MISSING;
    if (ctx->state != 0) return RC_ALREADY_INITIALISED;
    if (ctx->marker != MAGIC_HASH) static_cast<void>(hash_clear(ctx));  // ctx is not null: it cannot fail
    ctx->rnd_state = rnd;
    ctx->com_state = com;
    if (start == nullptr) {
        std::memset(ctx->h, 0, 32);
    } else {
        std::memcpy(ctx->h, start, 32);
        byte_swap_groups(ctx->h, 8);
    }
    std::memset(ctx->sum, 0, 32);
    ctx->byte_count = 0;
    ctx->fill = 0;
    ctx->state = 1;
    return RC_OK;
}

Result hash_update(HashContext* ctx, const uint8_t* data, int32_t length) {
    if (ctx == nullptr || data == nullptr) return RC_MISSING;
    if (const Result r = hash_ready(ctx)) return r;
    if (!hash_fields_valid(ctx)) return RC_CHECKSUM;
    RoundTable t;
    round_table_prepare(ctx->com_state->expanded, &t);
    for (int32_t i = 0; i < length;) {
        if (ctx->fill == 32) {
            hash_step(t, ctx->h, ctx->buffer);
            bytes_add(32, ctx->sum, ctx->buffer);
            ctx->byte_count += 32;
            ctx->fill = 0;
        }
        // Whole blocks with a further byte after them go straight from the caller's data; the
        // last of them is then copied once, so the buffer holds what it would have held.
        if (ctx->fill == 0 && length - i > 32) {
            const uint8_t* block = nullptr;
            for (; length - i > 32; i += 32) {
                block = data + i;
                hash_step(t, ctx->h, block);
                bytes_add(32, ctx->sum, block);
                ctx->byte_count += 32;
            }
            std::memcpy(ctx->buffer, block, 32);
        }
        // Copy as much as fits; the buffer is absorbed only when a further byte arrives.
        int32_t take = 32 - ctx->fill;
        if (take > length - i) take = length - i;
        std::memcpy(ctx->buffer + ctx->fill, data + i, size_t(take));
        ctx->fill += take;
        i += take;
    }
    return RC_OK;
}

namespace {

// The finalisation on copies: the buffered bytes (padded), the length block, the control
// sum. `bits` writes the bit length into the zeroed length block.
template <class LengthBlock>
Result hash_finish(HashContext* ctx, uint8_t* out, LengthBlock bits) {
    RoundTable t;
    round_table_prepare(ctx->com_state->expanded, &t);
    uint8_t h[32], sum[32], block[32];
    WipeOnExit<decltype(h)> wipe_h(h);
    WipeOnExit<decltype(sum)> wipe_sum(sum);
    std::memcpy(h, ctx->h, 32);
    std::memcpy(sum, ctx->sum, 32);
    if (ctx->fill > 0) {
        std::memset(ctx->buffer + ctx->fill, 0, size_t(32 - ctx->fill));
        hash_step(t, h, ctx->buffer);
        bytes_add(32, sum, ctx->buffer);
    } else if (ctx->byte_count == 0) {
        // Nothing was ever hashed: one zero block is absorbed before the length block.
        std::memset(block, 0, 32);
        hash_step(t, h, block);
    }
    std::memset(block, 0, 32);
    bits(block);
    hash_step(t, h, block);
    hash_step(t, h, sum);
    std::memcpy(out, h, 32);
    return RC_OK;
}

Result final_checks(const HashContext* ctx, const uint8_t* out) {
    if (ctx == nullptr || out == nullptr) return RC_MISSING;
    if (const Result r = hash_ready(ctx)) return r;
    if (!hash_fields_valid(ctx)) return RC_CHECKSUM;
    return RC_OK;
}

}  // namespace

Result hash_final(HashContext* ctx, uint8_t* out) {
    if (const Result r = final_checks(ctx, out)) return r;
    const uint32_t length = ctx->byte_count + uint32_t(ctx->fill);
    return hash_finish(ctx, out, [length](uint8_t* block) { store_le32(block, length * 8u); });
}

Result hash_final_length(HashContext* ctx, int64_t length, uint8_t* out) {
    if (ctx == nullptr) return RC_MISSING;
    // The length is an argument: checked with the others, before the state.
    if (length < 0 || uint32_t(uint64_t(length)) != ctx->byte_count + uint32_t(ctx->fill)) return RC_MISSING;
    if (const Result r = final_checks(ctx, out)) return r;
    const uint64_t bytes = uint64_t(length);
    return hash_finish(ctx, out, [bytes](uint8_t* block) {
        store_le64(block, bytes << 3);
        block[8] = uint8_t(bytes >> 61);
    });
}

Result hash_clear(HashContext* ctx) {
    if (ctx == nullptr) return RC_MISSING;
    secure_wipe(ctx, sizeof *ctx);
    ctx->marker = MAGIC_HASH;
    return RC_OK;
}

}  // namespace vantix
