#include "contexts/gamma.h"

#include <cstring>

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "contexts/context_key.h"
#include "contexts/word_order.h"
#include "gost28147/transform.h"

namespace vantix {

Result gamma_init(GammaContext* ctx, COM_State* com, RND_State* rnd, const uint8_t* masked_key, const uint8_t* iv) {
    if (const Result r = context_init_start(ctx, com, rnd, masked_key, SeedCheck::Required)) return r;
    if (ctx->magic != MAGIC_GAMMA) static_cast<void>(gamma_clear(ctx));  // ctx is not null: it cannot fail
    ctx->rnd_state = rnd;
    ctx->com_state = com;
    context_key_load(rnd, ctx->key, masked_key);
    ctx->counter[0] = iv ? load_be32(iv) : 0;
    ctx->counter[1] = iv ? load_be32(iv + 4) : 0;
    // The standard's initial encipherment of the synchronisation message.
    encrypt_block(com->expanded, ctx->key, ctx->counter, ctx->counter);
    ctx->position = 8;
    ctx->checksum = context_key_remask(rnd, ctx->key);
    ctx->initialised = 1;
    ctx->mesh_count = 0;
    return RC_OK;
}

namespace {

// Up to this many keystream blocks are enciphered together (a multiple of four: the
// cores' room). Four AVX-512 registers of sixteen blocks.
constexpr int kGammaBatch = 64;

// The next counter value: N4 + C1 modulo 2^32 - 1, N3 + C2 modulo 2^32.
void counter_step(uint32_t* counter) {
    counter[1] = gamma_add_c1(counter[1]);
    counter[0] += GAMMA_C2;
}

// The keystream XORed into `length` bytes: the mode's loop, after the checks. Little-endian
// words are XORed with the keystream words reversed, which is the big-endian call on the
// reversed groups when the position in the block and the length are whole words (no
// group then straddles two keystream words): the caller sees to that.
Result gamma_run(GammaContext* ctx, const RoundTable& rt, const uint8_t* in, uint8_t* out, int32_t length,
                 WordOrder order) {
    const bool little = order == WordOrder::Little;
    struct {
        uint32_t blk[kGammaBatch][2];
    } w;
    WipeOnExit<decltype(w)> wipe(w);
    int32_t i = 0;
    while (i < length) {
        if (ctx->position < 8 && little) {  // a whole keystream word of the held block
            for (int k = 0; k < 4; ++k) out[i + k] = uint8_t(ctx->gamma[ctx->position + 3 - k] ^ in[i + k]);
            ctx->position += 4;
            i += 4;
            continue;
        }
        if (ctx->position < 8) {
            out[i] = ctx->gamma[ctx->position] ^ in[i];
            ++ctx->position;
            ++i;
            continue;
        }
        // Whole blocks of keystream are made together, but never past a meshing point, so
        // the keystream, the counter and the meshing points are those of one block at a time.
        int32_t n = blocks_before_mesh(length - i, ctx->mesh_count);
        if (n > kGammaBatch) n = kGammaBatch;
        if (n == 0) n = 1;  // a tail: one block, of which only some bytes are used now
        for (int b = 0; b < n; ++b) {
            counter_step(ctx->counter);
            w.blk[b][0] = ctx->counter[0];
            w.blk[b][1] = ctx->counter[1];
        }
        encrypt_blocks(rt, ctx->key, w.blk, n);
        store_be32(ctx->gamma, w.blk[n - 1][0]);
        store_be32(ctx->gamma + 4, w.blk[n - 1][1]);
        ctx->position = 0;
        const int32_t whole = (length - i) / 8 < n ? n - 1 : n;  // blocks used up entirely here
        for (int b = 0; b < whole; ++b, i += 8) {
            // Eight bytes at once: the keystream block as its big-endian byte string, or
            // with each word reversed.
            uint8_t g[8];
            if (little) {
                store_le32(g, w.blk[b][0]);
                store_le32(g + 4, w.blk[b][1]);
            } else {
                store_be32(g, w.blk[b][0]);
                store_be32(g + 4, w.blk[b][1]);
            }
            uint64_t x, k;
            std::memcpy(&x, in + i, 8);
            std::memcpy(&k, g, 8);
            x ^= k;
            std::memcpy(out + i, &x, 8);
        }
        if (whole == n) ctx->position = 8;
        if (const Result r = context_count_blocks(ctx->com_state, ctx->key, ctx->counter, &ctx->checksum,
                                                  &ctx->mesh_count, uint32_t(n), rt))
            return r;
    }
    return RC_OK;
}

Result gamma_crypt_in(GammaContext* ctx, const uint8_t* in, uint8_t* out, int32_t length, WordOrder order) {
    if (ctx == nullptr || in == nullptr || out == nullptr || !word_order_allows(order, length)) return RC_MISSING;
    if (const Result r = gamma_ready(ctx)) return r;
    if (!stream_fields_valid(ctx->position, ctx->mesh_count, ctx->com_state, ctx->rnd_state)) return RC_CHECKSUM;
    if (!context_key_intact(ctx->key, ctx->checksum)) return RC_CHECKSUM;
    RoundTable rt;
    round_table_prepare(ctx->com_state->expanded, &rt);
    // Little-endian words straight through the loop while they line up with the keystream
    // words; from inside a word (a big-endian call of a length that is no whole number of
    // words came before) through reversed copies.
    const Result r = order == WordOrder::Little && ctx->position % 4 != 0
                         ? run_in_word_order(order, in, out, length,
                                             [&](const uint8_t* i, uint8_t* o, int32_t n) {
                                                 return gamma_run(ctx, rt, i, o, n, WordOrder::Big);
                                             })
                         : gamma_run(ctx, rt, in, out, length, order);
    if (r != RC_OK) return r;
    ctx->checksum = context_key_remask(ctx->rnd_state, ctx->key);
    return RC_OK;
}

}  // namespace

Result gamma_crypt(GammaContext* ctx, const uint8_t* in, uint8_t* out, int32_t length) {
    return gamma_crypt_in(ctx, in, out, length, WordOrder::Big);
}

Result gamma_crypt_le(GammaContext* ctx, const uint8_t* in, uint8_t* out, int32_t length) {
    return gamma_crypt_in(ctx, in, out, length, WordOrder::Little);
}

Result gamma_clear(GammaContext* ctx) {
    if (ctx == nullptr) return RC_MISSING;
    secure_wipe(ctx, sizeof *ctx);
    ctx->magic = MAGIC_GAMMA;
    return RC_OK;
}

}  // namespace vantix
