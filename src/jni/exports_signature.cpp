// GOST R 34.10-2001 exports: parameters, key pair, sign and verify.
#include "jni/exports.h"

#include "gost3410/keys.h"
#include "gost3410/params.h"
#include "gost3410/sign.h"
#include "jni/java_forms.h"
#include "jni/pins.h"

using namespace vantix;
using namespace vantix::jni;

namespace {
constexpr jlong kNumberBytes = 32;
constexpr jlong kSignatureBytes = 64;

}  // namespace

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1set_1parms)(JNIEnv* env, jclass, jlong ctx, jlong rnd, jbyteArray p,
                                                              jbyteArray q, jbyteArray a, jbyteArray b, jlong pt) {
    // A missing array selects the built-in parameter set, so every array is optional.
    if (!ArgCheck(env, true)
             .optional(p, kNumberBytes)
             .optional(q, kNumberBytes)
             .optional(a, kNumberBytes)
             .optional(b, kNumberBytes)
             .ok())
        return RC_MISSING;
    // A point handle of 0 selects the built-in set; any other handle must be a point.
    const OptionalHandle<LPoint> point(pt, PinMode::Shared);
    if (point.refused()) return RC_MISSING;
    Borrowed bp(env, p), bq(env, q), ba(env, a), bb(env, b);
    if (bp.failed() || bq.failed() || ba.failed() || bb.failed()) return RC_MISSING;
    const Handle<SignContext> c(ctx);
    // Only its seeded flag is looked at and its address stored: kept, not pinned.
    const Handle<RND_State> g(rnd, PinMode::Kept);
    LPoint base;
    const LPoint* given = nullptr;
    if (point.get() != nullptr) {
        point_from_java(&base, point.get());
        given = &base;
    }
    const jint r = sign_set_parms(c.get(), g.get(), bp.data(), 32, bq.data(), 32, ba.data(), bb.data(), given);
    bb.release(JNI_ABORT);
    ba.release(JNI_ABORT);
    bq.release(JNI_ABORT);
    bp.release(JNI_ABORT);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1get_1parms)(JNIEnv* env, jclass, jlong ctx, jbyteArray p,
                                                              jbyteArray q, jbyteArray a, jbyteArray b, jlong pt) {
    if (!ArgCheck(env, true)
             .optional(p, kNumberBytes)
             .optional(q, kNumberBytes)
             .optional(a, kNumberBytes)
             .optional(b, kNumberBytes)
             .ok())
        return RC_MISSING;
    const OptionalHandle<LPoint> point(pt, PinMode::Exclusive);
    if (point.refused()) return RC_MISSING;
    Borrowed bp(env, p), bq(env, q), ba(env, a), bb(env, b);
    if (bp.failed() || bq.failed() || ba.failed() || bb.failed()) return RC_MISSING;
    int32_t p_length = 0, q_length = 0;  // reported by the operation, not needed here
    const ContextPin<SignContext> c(ctx, Generator::Kept);
    if (const jint refused = c.refusal()) return refused;
    LPoint base;
    const jint r = sign_get_parms(c.get(), bp.data(), &p_length, bq.data(), &q_length, ba.data(), bb.data(),
                                  point.get() != nullptr ? &base : nullptr);
    if (r == RC_OK && point.get() != nullptr) point_to_java(point.get(), &base);
    bb.release(0);
    ba.release(0);
    bq.release(0);
    bp.release(0);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1clear)(JNIEnv*, jclass, jlong ctx) {
    return sign_clear(Handle<SignContext>(ctx).get());
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1gen_1secret_1key)(JNIEnv*, jclass, jlong ctx) {
    const ContextPin<SignContext> c(ctx, Generator::Draws);
    if (const jint refused = c.refusal()) return refused;
    return sign_gen_secret_key(c.get());
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1gen_1public_1key)(JNIEnv*, jclass, jlong ctx) {
    const ContextPin<SignContext> c(ctx, Generator::Draws);
    if (const jint refused = c.refusal()) return refused;
    return sign_gen_public_key(c.get());
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1set_1secret_1key)(JNIEnv* env, jclass, jlong ctx, jbyteArray key) {
    if (!ArgCheck(env, true).need(key, MASKED_KEY_BYTES).ok()) return RC_MISSING;
    Borrowed k(env, key, Holds::Secret);
    if (k.failed()) return RC_MISSING;
    const ContextPin<SignContext> c(ctx, Generator::Kept);
    if (const jint refused = c.refusal()) return refused;
    const jint r = sign_set_secret_key(c.get(), k.data());
    k.release(JNI_ABORT);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1get_1secret_1key)(JNIEnv* env, jclass, jlong ctx, jbyteArray key) {
    // A null array only asks whether a key is held.
    if (!ArgCheck(env, true).optional(key, MASKED_KEY_BYTES).ok()) return RC_MISSING;
    Borrowed k(env, key, Holds::Secret);
    if (k.failed()) return RC_MISSING;
    int32_t length = 0;
    const ContextPin<SignContext> c(ctx, key != nullptr ? Generator::Draws : Generator::Kept);
    if (const jint refused = c.refusal()) return refused;
    const jint r = sign_get_secret_key(c.get(), k.data(), &length);
    k.release(0);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1set_1public_1key)(JNIEnv*, jclass, jlong ctx, jlong pt) {
    const Handle<LPoint> point(pt, PinMode::Shared);
    const ContextPin<SignContext> c(ctx, Generator::Kept);
    if (const jint refused = c.refusal()) return refused;
    if (point.get() == nullptr) return sign_set_public_key(c.get(), nullptr);
    LPoint q;
    point_from_java(&q, point.get());
    return sign_set_public_key(c.get(), &q);
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1get_1public_1key)(JNIEnv*, jclass, jlong ctx, jlong pt) {
    // A point handle of 0 only asks whether the key is held; any other must be a point.
    const OptionalHandle<LPoint> point(pt, PinMode::Exclusive);
    if (point.refused()) return RC_MISSING;
    int32_t length = 0;
    const ContextPin<SignContext> c(ctx, Generator::Kept);
    if (const jint refused = c.refusal()) return refused;
    LPoint q;
    const jint r = sign_get_public_key(c.get(), point.get() != nullptr ? &q : nullptr, &length);
    if (r == RC_OK && point.get() != nullptr) point_to_java(point.get(), &q);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1clear_1secret_1key)(JNIEnv*, jclass, jlong ctx) {
    const ContextPin<SignContext> c(ctx, Generator::Kept);
    if (const jint refused = c.refusal()) return refused;
    return sign_clear_secret_key(c.get());
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1clear_1public_1key)(JNIEnv*, jclass, jlong ctx) {
    const ContextPin<SignContext> c(ctx, Generator::Kept);
    if (const jint refused = c.refusal()) return refused;
    return sign_clear_public_key(c.get());
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1sign)(JNIEnv* env, jclass, jlong ctx, jbyteArray digest,
                                                        jbyteArray signature) {
    if (!ArgCheck(env, true).need(digest, kNumberBytes).need(signature, kSignatureBytes).ok()) return RC_MISSING;
    Borrowed d(env, digest), s(env, signature);
    if (d.failed() || s.failed()) return RC_MISSING;
    const ContextPin<SignContext> c(ctx, Generator::Draws);
    if (const jint refused = c.refusal()) return refused;
    const jint r = sign_digest(c.get(), d.data(), s.data());
    s.release(0);
    d.release(JNI_ABORT);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1LR34_110_12001_1verify)(JNIEnv* env, jclass, jlong ctx, jbyteArray digest,
                                                          jbyteArray signature) {
    if (!ArgCheck(env, true).need(digest, kNumberBytes).need(signature, kSignatureBytes).ok()) return RC_MISSING;
    Borrowed d(env, digest), s(env, signature);
    if (d.failed() || s.failed()) return RC_MISSING;
    const ContextPin<SignContext> c(ctx, Generator::Kept);
    if (const jint refused = c.refusal()) return refused;
    const jint r = sign_verify(c.get(), d.data(), s.data());
    s.release(JNI_ABORT);
    d.release(JNI_ABORT);
    return r;
}
