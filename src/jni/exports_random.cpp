// Random generator, bio-random seed and key masking exports.
#include "jni/exports.h"

#include "companion/qel_initbiornd.h"
#include "jni/native_memory.h"
#include "jni/pins.h"
#include "random/generator.h"
#include "random/masking.h"

using namespace vantix;
using namespace vantix::jni;

namespace {
constexpr jlong kSeedBytes = 64;
constexpr jlong kBioSeedBytes = 64;  // what the companion writes
}  // namespace

JNIEXPORT void JNICALL VX(vantix_1ForceRandom_1)(JNIEnv* env, jclass, jlong state, jbyteArray seed) {
    const Handle<RND_State> g(state);
    if (!generator_pinned(env, g, state) || !ArgCheck(env, false).optional(seed, kSeedBytes).ok()) return;
    Borrowed s(env, seed, Holds::Secret);
    if (s.failed()) return;
    rnd_seed(g.get(), s.data());
    s.release(JNI_ABORT);
}

JNIEXPORT void JNICALL VX(vantix_1Random_1Fill)(JNIEnv* env, jclass, jlong state, jbyteArray buffer) {
    if (!ArgCheck(env, false).need(buffer, 0).ok()) return;
    const Handle<RND_State> g(state);
    if (!generator_pinned(env, g, state)) return;
    RND_State* rnd = g.get();
    if (!rnd_is_seeded(rnd)) {
        throw_java(env, "java/lang/IllegalStateException", "random generator is not seeded");
        return;
    }
    Borrowed b(env, buffer, Holds::Secret);
    if (b.failed()) return;
    static_cast<void>(rnd_fill(rnd, b.data(), array_length(env, buffer)));  // seeded and borrowed: cannot fail
    b.release(0);
}

JNIEXPORT jint JNICALL VX(vantix_1InitBioRnd)(JNIEnv* env, jclass, jbyteArray buffer) {
    if (!ArgCheck(env, true).need(buffer, kBioSeedBytes).ok()) return RC_MISSING;
    Borrowed b(env, buffer, Holds::Secret);
    if (b.failed()) return RC_MISSING;
    const jint r = Qel_InitBioRnd(b.data());
    b.release(0);
    return r;
}

JNIEXPORT jint JNICALL VX(vantix_1Mask_1SecretKey_1)(JNIEnv* env, jclass, jlong generator, jbyteArray key) {
    if (!ArgCheck(env, true).need(key, MASKED_KEY_BYTES).ok()) return RC_MISSING;
    const Handle<RND_State> g(generator);
    RND_State* rnd = g.get();
    // Without a seeded generator the mask would not be fresh: refuse instead of pretending.
    if (!rnd_is_seeded(rnd)) return RC_MISSING;
    Borrowed k(env, key, Holds::Secret);
    if (k.failed()) return RC_MISSING;
    mask_key_bytes(rnd, k.data(), k.data());
    k.release(0);
    return RC_OK;
}
