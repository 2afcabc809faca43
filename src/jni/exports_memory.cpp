// Native memory: mem_alloc, mem_free, mem_read, mem_write and the fixed-size allocators.
#include <cstdlib>
#include <cstring>

#include "gost28147/ecb.h"
#include "gost28147/gamma.h"
#include "gost28147/sbox.h"
#include "gost3411/hash.h"
#include "jni/exports.h"
#include "jni/native_memory.h"
#include "random/rnd_state.h"

namespace vantix::jni {

jlong allocate_block(JNIEnv* env, jlong size) {
    void* p = nullptr;
    if (size >= 0) p = std::calloc(size > 0 ? size_t(size) : 1, 1);
    if (p == nullptr) {
        jclass c = env->FindClass("java/lang/OutOfMemoryError");
        if (c != nullptr) {
            env->ThrowNew(c, nullptr);
            env->DeleteLocalRef(c);
        }
        return 0;
    }
    return static_cast<jlong>(reinterpret_cast<intptr_t>(p));
}

}  // namespace vantix::jni

using namespace vantix;
using namespace vantix::jni;

namespace {
// Block sizes of the state kinds that Java allocates.
constexpr jlong kLPointBytes = 100;
constexpr jlong kSignatureContextBytes = 760;
}  // namespace

JNIEXPORT jlong JNICALL VX(mem_1alloc)(JNIEnv* env, jclass, jint size) { return allocate_block(env, size); }

JNIEXPORT void JNICALL VX(mem_1free)(JNIEnv*, jclass, jlong handle) {
    if (handle > 0) std::free(from_handle<void>(handle));
}

JNIEXPORT void JNICALL VX(mem_1read)(JNIEnv* env, jclass, jlong handle, jint offset, jbyteArray dst,
                                     jint dst_offset, jint length) {
    if (!ArgCheck(env, false).handle(handle).region(dst, dst_offset, length).ok()) return;
    if (length <= 0) return;
    const uint8_t* src = from_handle<uint8_t>(handle) + offset;
    env->SetByteArrayRegion(dst, dst_offset, length, reinterpret_cast<const jbyte*>(src));
}

JNIEXPORT void JNICALL VX(mem_1write)(JNIEnv* env, jclass, jlong handle, jint offset, jbyteArray src,
                                      jint src_offset, jint length) {
    if (!ArgCheck(env, false).handle(handle).region(src, src_offset, length).ok()) return;
    if (length <= 0) return;
    uint8_t* dst = from_handle<uint8_t>(handle) + offset;
    env->GetByteArrayRegion(src, src_offset, length, reinterpret_cast<jbyte*>(dst));
}

JNIEXPORT jlong JNICALL VX(vantix_1RND_1State)(JNIEnv* env, jclass) {
    return allocate_block(env, sizeof(RND_State));
}

JNIEXPORT jlong JNICALL VX(clone_1vantix_1RND_1State)(JNIEnv* env, jclass, jlong state) {
    if (!ArgCheck(env, false).handle(state).ok()) return 0;
    const jlong h = allocate_block(env, sizeof(RND_State));
    if (h != 0) std::memcpy(from_handle<RND_State>(h), from_handle<RND_State>(state), sizeof(RND_State));
    return h;
}

JNIEXPORT jlong JNICALL VX(vantix_1COM_1State)(JNIEnv* env, jclass) {
    return allocate_block(env, sizeof(COM_State));
}

JNIEXPORT jint JNICALL VX(vantix_1COM_1State_1params_1clear)(JNIEnv*, jclass, jlong com) {
    COM_State* c = from_handle<COM_State>(com);
    if (c == nullptr) return RC_MISSING;
    std::memset(c->expanded, 0, sizeof c->expanded);
    return RC_OK;
}

JNIEXPORT jlong JNICALL VX(vantix_1G28147_11989_1block)(JNIEnv* env, jclass) {
    return allocate_block(env, sizeof(BlockContext));
}

JNIEXPORT jlong JNICALL VX(vantix_1G28147_11989_1gamma)(JNIEnv* env, jclass) {
    return allocate_block(env, GAMMA_CONTEXT_BLOCK);
}

JNIEXPORT jlong JNICALL VX(vantix_1G28147_11989_1gamma_1ofb)(JNIEnv* env, jclass) {
    return allocate_block(env, GAMMA_CONTEXT_BLOCK);
}

JNIEXPORT jlong JNICALL VX(vantix_1G28147_11989_1mac)(JNIEnv* env, jclass) {
    return allocate_block(env, GAMMA_CONTEXT_BLOCK);
}

JNIEXPORT jlong JNICALL VX(vantix_1R34_111_11994)(JNIEnv* env, jclass) {
    return allocate_block(env, sizeof(HashContext));
}

JNIEXPORT jlong JNICALL VX(vantix_1LPoint)(JNIEnv* env, jclass) { return allocate_block(env, kLPointBytes); }

JNIEXPORT jlong JNICALL VX(vantix_1LR34_110_12001)(JNIEnv* env, jclass) {
    return allocate_block(env, kSignatureContextBytes);
}
