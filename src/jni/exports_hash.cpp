// GOST R 34.11-94 hash context exports, and the finish with the whole length of VantixHash.
#include "jni/exports.h"

#include "com_norvane_security_gost_VantixHash.h"
#include "contexts/hash.h"
#include "jni/pins.h"

using namespace vantix;
using namespace vantix::jni;

namespace {
constexpr jlong kHashBytes = 32;
}  // namespace

JNIEXPORT jint JNICALL VX(vantix_1GOST_1R34_111_11994_1init)(JNIEnv* env, jclass, jlong ctx, jlong com, jlong rnd,
                                                             jbyteArray start) {
    // The hash stores its generator and never draws from it: kept, not pinned. The export
    // still demands one, after the table's expansion, as its callers have always seen.
    const Handle<HashContext> c(ctx);
    const Handle<COM_State> t(com, PinMode::Shared);
    const Handle<RND_State> g(rnd, PinMode::Kept);
    if (!ArgCheck(env, true).optional(start, kHashBytes).ok()) {
        expand_given_table(t);
        return RC_MISSING;
    }
    Borrowed s(env, start);
    if (s.failed()) {
        expand_given_table(t);
        return RC_MISSING;
    }
    jint r = RC_MISSING;
    if (g.get() == nullptr)
        expand_given_table(t);
    else
        r = hash_init(c.get(), t.get(), g.get(), s.data());
    s.release(JNI_ABORT);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1GOST_1R34_111_11994_1update)(JNIEnv* env, jclass, jlong ctx, jbyteArray data,
                                                               jint offset, jint length) {
    if (!ArgCheck(env, true).region(data, offset, length).ok()) return RC_MISSING;
    const ContextPin<HashContext> c(ctx, Generator::Kept);
    if (const jint refused = c.refusal()) return refused;
    Borrowed d(env, data);
    if (d.failed()) return RC_MISSING;
    const jint r = hash_update(c.get(), d.at(offset), length);
    d.release(JNI_ABORT);
    return r;
}

namespace {

// The finishes: out checked and borrowed around one call of `finish` on the pinned context.
template <class Finish>
jint hash_finish_export(JNIEnv* env, jlong ctx, jbyteArray out, Finish finish) {
    if (!ArgCheck(env, true).need(out, kHashBytes).ok()) return RC_MISSING;
    const ContextPin<HashContext> c(ctx, Generator::Kept);
    if (const jint refused = c.refusal()) return refused;
    Borrowed o(env, out);
    if (o.failed()) return RC_MISSING;
    const jint r = finish(c.get(), o.data());
    o.release(0);
    return r;
}

}  // namespace

JNIEXPORT jint JNICALL VX(vantix_1GOST_1R34_111_11994_1final)(JNIEnv* env, jclass, jlong ctx, jbyteArray out) {
    return hash_finish_export(env, ctx, out, [](HashContext* c, uint8_t* o) { return hash_final(c, o); });
}

JNIEXPORT jint JNICALL Java_com_norvane_security_gost_VantixHash_vantix_1GOST_1R34_111_11994_1final_1length(
    JNIEnv* env, jclass, jlong ctx, jlong length, jbyteArray out) {
    return hash_finish_export(env, ctx, out,
                              [length](HashContext* c, uint8_t* o) { return hash_final_length(c, length, o); });
}

JNIEXPORT jint JNICALL VX(vantix_1GOST_1R34_111_11994_1clear)(JNIEnv*, jclass, jlong ctx) {
    return hash_clear(Handle<HashContext>(ctx).get());
}
