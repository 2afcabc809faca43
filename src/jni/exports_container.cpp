// Password-sealed container exports. The password's length is its whole array length.
//
// The extract exports only read their container, yet release it with copy-back (mode 0):
// that is the interface's documented release order and mode, and a caller may observe the
// difference only through a JVM that copies arrays; it writes back the unchanged bytes.
#include "jni/exports.h"

#include "container/container.h"
#include "jni/pins.h"

using namespace vantix;
using namespace vantix::jni;

JNIEXPORT jint JNICALL VX(vantix_1MakeRndContainer)(JNIEnv* env, jclass, jlong rnd, jbyteArray password,
                                                    jbyteArray container) {
    if (!ArgCheck(env, true).need(password, 0).need(container, RND_CONTAINER_BYTES).ok()) return RC_MISSING;
    const jint length = array_length(env, password);
    const Handle<RND_State> g(rnd);
    Borrowed pw(env, password, Holds::Secret);
    Borrowed c(env, container, Holds::Secret);
    if (pw.failed() || c.failed()) return RC_MISSING;
    const jint r = make_rnd_container(g.get(), pw.data(), length, c.data());
    pw.release(JNI_ABORT);
    c.release(0);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1ExtractRndContainer)(JNIEnv* env, jclass, jbyteArray container, jbyteArray password,
                                                       jlong rnd) {
    if (!ArgCheck(env, true).need(container, RND_CONTAINER_BYTES).need(password, 0).ok()) return RC_MISSING;
    const jint length = array_length(env, password);
    const Handle<RND_State> g(rnd);
    Borrowed pw(env, password, Holds::Secret);
    Borrowed c(env, container, Holds::Secret);
    if (pw.failed() || c.failed()) return RC_MISSING;
    const jint r = extract_rnd_container(c.data(), pw.data(), length, g.get());
    pw.release(JNI_ABORT);
    c.release(0);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1MakeKeyContainer)(JNIEnv* env, jclass, jlong rnd, jbyteArray key, jbyteArray password,
                                                    jbyteArray container) {
    if (!ArgCheck(env, true).need(key, MASKED_KEY_BYTES).need(password, 0).need(container, KEY_CONTAINER_BYTES).ok())
        return RC_MISSING;
    const jint length = array_length(env, password);
    const Handle<RND_State> g(rnd);
    Borrowed k(env, key, Holds::Secret);
    Borrowed pw(env, password, Holds::Secret);
    Borrowed c(env, container, Holds::Secret);
    if (k.failed() || pw.failed() || c.failed()) return RC_MISSING;
    const jint r = make_key_container(g.get(), k.data(), pw.data(), length, c.data());
    pw.release(JNI_ABORT);
    k.release(JNI_ABORT);
    c.release(0);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1ExtractKeyContainer)(JNIEnv* env, jclass, jlong rnd, jbyteArray container,
                                                       jbyteArray password, jbyteArray key) {
    if (!ArgCheck(env, true).need(container, KEY_CONTAINER_BYTES).need(password, 0).need(key, MASKED_KEY_BYTES).ok())
        return RC_MISSING;
    const jint length = array_length(env, password);
    const Handle<RND_State> g(rnd);
    Borrowed k(env, key, Holds::Secret);
    Borrowed pw(env, password, Holds::Secret);
    Borrowed c(env, container, Holds::Secret);
    if (k.failed() || pw.failed() || c.failed()) return RC_MISSING;
    const jint r = extract_key_container(g.get(), c.data(), pw.data(), length, k.data());
    pw.release(JNI_ABORT);
    k.release(0);
    c.release(0);
    return r;
}
