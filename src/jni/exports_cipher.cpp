// GOST 28147-89 mode context exports: simple replacement, gamma, gamma with feedback, MAC;
// and the stream modes on the peers' little-endian words (class VantixPeerOrder).
#include "jni/exports.h"

#include "com_norvane_security_gost_VantixPeerOrder.h"
#include "contexts/block_context.h"
#include "contexts/gamma.h"
#include "contexts/gamma_ofb.h"
#include "contexts/mac.h"
#include "jni/pins.h"

using namespace vantix;
using namespace vantix::jni;

namespace {

constexpr jlong kIvBytes = 8;
constexpr jlong kMacBytes = 8;

// The blocks of a cipher init: the context, the table it expands and reads, and the
// generator it draws its masks from.
template <class Ctx>
struct InitBlocks {
    InitBlocks(jlong ctx, jlong com, jlong rnd) : c(ctx), t(com, PinMode::Shared), g(rnd) {}
    Handle<Ctx> c;
    Handle<COM_State> t;
    Handle<RND_State> g;
};

// init(ctx, com, rnd, key, iv) of the modes with a vector: key borrowed first, then the
// optional vector; both read only, the vector released first.
template <class Ctx, class Init>
jint init_with_iv(JNIEnv* env, jlong ctx, jlong com, jlong rnd, jbyteArray key, jbyteArray iv, Init init) {
    const InitBlocks<Ctx> b(ctx, com, rnd);
    if (!ArgCheck(env, true).need(key, MASKED_KEY_BYTES).optional(iv, kIvBytes).ok()) {
        expand_given_table(b.t);
        return RC_MISSING;
    }
    Borrowed k(env, key, Holds::Secret);
    Borrowed v(env, iv);
    if (k.failed() || v.failed()) {
        expand_given_table(b.t);
        return RC_MISSING;
    }
    const jint r = init(b.c.get(), b.t.get(), b.g.get(), k.data(), v.data());
    v.release(JNI_ABORT);
    k.release(JNI_ABORT);
    return r;
}

// op(ctx, in, out, count) with in read only and out copied back; out released first.
// `unit` is the number of bytes per counted item (8 for blocks, 1 for bytes).
template <class Ctx, class Op>
jint in_out(JNIEnv* env, jlong ctx, jbyteArray in, jint in_off, jbyteArray out, jint out_off, jint count, jint unit,
            Op op) {
    const jlong bytes = count > 0 ? jlong(count) * unit : 0;
    if (bytes > 0x7FFFFFFF) {
        throw_java(env, "java/lang/ArrayIndexOutOfBoundsException", "array region out of bounds");
        return RC_MISSING;
    }
    if (!ArgCheck(env, true).region(in, in_off, jint(bytes)).region(out, out_off, jint(bytes)).ok()) return RC_MISSING;
    const ContextPin<Ctx> c(ctx, Generator::Draws);
    if (const jint refused = c.refusal()) return refused;
    Borrowed i(env, in);
    Borrowed o(env, out);
    if (i.failed() || o.failed()) return RC_MISSING;
    const jint r = op(c.get(), i.at(in_off), o.at(out_off), count);
    o.release(0);
    i.release(JNI_ABORT);
    return r;
}

// op(ctx, data, length) with data read only.
template <class Ctx, class Op>
jint data_in(JNIEnv* env, jlong ctx, jbyteArray data, jint offset, jint length, Op op) {
    if (!ArgCheck(env, true).region(data, offset, length).ok()) return RC_MISSING;
    const ContextPin<Ctx> c(ctx, Generator::Draws);
    if (const jint refused = c.refusal()) return refused;
    Borrowed d(env, data);
    if (d.failed()) return RC_MISSING;
    const jint r = op(c.get(), d.at(offset), length);
    d.release(JNI_ABORT);
    return r;
}

}  // namespace

// ---- simple replacement ----

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1block_1init)(JNIEnv* env, jclass, jlong ctx, jlong com, jlong rnd,
                                                             jbyteArray key) {
    const InitBlocks<BlockContext> b(ctx, com, rnd);
    if (!ArgCheck(env, true).need(key, MASKED_KEY_BYTES).ok()) {
        expand_given_table(b.t);
        return RC_MISSING;
    }
    Borrowed k(env, key, Holds::Secret);
    if (k.failed()) {
        expand_given_table(b.t);
        return RC_MISSING;
    }
    const jint r = block_init(b.c.get(), b.t.get(), b.g.get(), k.data());
    k.release(JNI_ABORT);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1block_1encrypt)(JNIEnv* env, jclass, jlong ctx, jbyteArray in,
                                                                jint in_off, jbyteArray out, jint out_off,
                                                                jint blocks) {
    return in_out<BlockContext>(env, ctx, in, in_off, out, out_off, blocks, 8, block_encrypt);
}

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1block_1decrypt)(JNIEnv* env, jclass, jlong ctx, jbyteArray in,
                                                                jint in_off, jbyteArray out, jint out_off,
                                                                jint blocks) {
    return in_out<BlockContext>(env, ctx, in, in_off, out, out_off, blocks, 8, block_decrypt);
}

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1block_1clear)(JNIEnv*, jclass, jlong ctx) {
    return block_clear(Handle<BlockContext>(ctx).get());
}

// ---- gamma ----

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1gamma_1init)(JNIEnv* env, jclass, jlong ctx, jlong com, jlong rnd,
                                                             jbyteArray key, jbyteArray iv) {
    return init_with_iv<GammaContext>(env, ctx, com, rnd, key, iv, gamma_init);
}

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1gamma_1crypt)(JNIEnv* env, jclass, jlong ctx, jbyteArray in,
                                                              jint in_off, jbyteArray out, jint out_off, jint length) {
    return in_out<GammaContext>(env, ctx, in, in_off, out, out_off, length, 1, gamma_crypt);
}

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1gamma_1clear)(JNIEnv*, jclass, jlong ctx) {
    return gamma_clear(Handle<GammaContext>(ctx).get());
}

// ---- gamma with feedback ----

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1gamma_1ofb_1init)(JNIEnv* env, jclass, jlong ctx, jlong com, jlong rnd,
                                                                  jbyteArray key, jbyteArray iv) {
    return init_with_iv<GammaFeedbackContext>(env, ctx, com, rnd, key, iv, gamma_ofb_init);
}

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1gamma_1ofb_1encrypt)(JNIEnv* env, jclass, jlong ctx, jbyteArray in,
                                                                     jint in_off, jbyteArray out, jint out_off,
                                                                     jint length) {
    return in_out<GammaFeedbackContext>(env, ctx, in, in_off, out, out_off, length, 1, gamma_ofb_encrypt);
}

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1gamma_1ofb_1decrypt)(JNIEnv* env, jclass, jlong ctx, jbyteArray in,
                                                                     jint in_off, jbyteArray out, jint out_off,
                                                                     jint length) {
    return in_out<GammaFeedbackContext>(env, ctx, in, in_off, out, out_off, length, 1, gamma_ofb_decrypt);
}

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1gamma_1ofb_1clear)(JNIEnv*, jclass, jlong ctx) {
    return gamma_ofb_clear(Handle<GammaFeedbackContext>(ctx).get());
}

// ---- MAC ----

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1mac_1init)(JNIEnv* env, jclass, jlong ctx, jlong com, jlong rnd,
                                                           jbyteArray key, jbyteArray iv) {
    return init_with_iv<MacContext>(env, ctx, com, rnd, key, iv, mac_init);
}

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1mac_1update)(JNIEnv* env, jclass, jlong ctx, jbyteArray data,
                                                             jint offset, jint length) {
    return data_in<MacContext>(env, ctx, data, offset, length, mac_update);
}

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1mac_1final)(JNIEnv* env, jclass, jlong ctx, jbyteArray mac) {
    if (!ArgCheck(env, true).need(mac, kMacBytes).ok()) return RC_MISSING;
    const ContextPin<MacContext> c(ctx, Generator::Draws);
    if (const jint refused = c.refusal()) return refused;
    Borrowed m(env, mac);
    if (m.failed()) return RC_MISSING;
    const jint r = mac_final(c.get(), m.data());
    m.release(0);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1G28147_11989_1mac_1clear)(JNIEnv*, jclass, jlong ctx) {
    return mac_clear(Handle<MacContext>(ctx).get());
}

// ---- the stream modes on little-endian words (class VantixPeerOrder) ----

#define VPO(name) Java_com_norvane_security_gost_VantixPeerOrder_##name

JNIEXPORT jint JNICALL VPO(vantix_1G28147_11989_1gamma_1crypt_1le)(JNIEnv* env, jclass, jlong ctx, jbyteArray in,
                                                                   jint in_off, jbyteArray out, jint out_off,
                                                                   jint length) {
    return in_out<GammaContext>(env, ctx, in, in_off, out, out_off, length, 1, gamma_crypt_le);
}

JNIEXPORT jint JNICALL VPO(vantix_1G28147_11989_1gamma_1ofb_1encrypt_1le)(JNIEnv* env, jclass, jlong ctx, jbyteArray in,
                                                                          jint in_off, jbyteArray out, jint out_off,
                                                                          jint length) {
    return in_out<GammaFeedbackContext>(env, ctx, in, in_off, out, out_off, length, 1, gamma_ofb_encrypt_le);
}

JNIEXPORT jint JNICALL VPO(vantix_1G28147_11989_1gamma_1ofb_1decrypt_1le)(JNIEnv* env, jclass, jlong ctx, jbyteArray in,
                                                                          jint in_off, jbyteArray out, jint out_off,
                                                                          jint length) {
    return in_out<GammaFeedbackContext>(env, ctx, in, in_off, out, out_off, length, 1, gamma_ofb_decrypt_le);
}

JNIEXPORT jint JNICALL VPO(vantix_1G28147_11989_1mac_1update_1le)(JNIEnv* env, jclass, jlong ctx, jbyteArray data,
                                                                  jint offset, jint length) {
    return data_in<MacContext>(env, ctx, data, offset, length, mac_update_le);
}
