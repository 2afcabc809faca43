// The key-agreement export (class VantixKeyAgreement): VKO GOST R 34.10-2001.
#include "com_norvane_security_gost_VantixKeyAgreement.h"
#include "common/result.h"
#include "gost3410/agreement.h"
#include "jni/arrays.h"
#include "jni/java_forms.h"
#include "jni/pins.h"

using namespace vantix;
using namespace vantix::jni;

#define VKA(name) Java_com_norvane_security_gost_VantixKeyAgreement_##name

namespace {
constexpr jlong kMultiplierBytes = 32;
constexpr jlong kSharedBytes = 64;
}  // namespace

JNIEXPORT jint JNICALL VKA(vantix_1LR34_110_12001_1vko)(JNIEnv* env, jclass, jlong ctx, jlong pt, jbyteArray multiplier,
                                                        jbyteArray shared) {
    if (!ArgCheck(env, true).need(multiplier, kMultiplierBytes).need(shared, kSharedBytes).ok()) return RC_MISSING;
    Borrowed m(env, multiplier), s(env, shared, Holds::Secret);
    if (m.failed() || s.failed()) return RC_MISSING;
    const ContextPin<SignContext> c(ctx, Generator::Draws);  // the key is re-masked
    if (const jint refused = c.refusal()) return refused;
    const Handle<LPoint> point(pt, PinMode::Shared);
    LPoint peer;
    if (point.get() != nullptr) point_from_java(&peer, point.get());
    const jint r = sign_agree(c.get(), point.get() != nullptr ? &peer : nullptr, m.data(), s.data());
    s.release(0);
    m.release(JNI_ABORT);
    return r;
}
