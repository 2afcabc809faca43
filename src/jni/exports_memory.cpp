// Native memory: mem_alloc, mem_free, mem_read, mem_write and the fixed-size allocators.
#include "jni/exports.h"

#include <cstdlib>
#include <cstring>

#include "contexts/block_context.h"
#include "contexts/gamma.h"
#include "contexts/gamma_ofb.h"
#include "contexts/hash.h"
#include "contexts/mac.h"
#include "gost28147/sbox.h"
#include "jni/native_memory.h"
#include "jni/pins.h"
#include "random/rnd_state.h"

namespace vantix::jni {

bool generator_pinned(JNIEnv* env, const Pin& pin, jlong handle) {
    if (pin.in_use()) {
        throw_java(env, "java/lang/IllegalStateException", "random generator is in use");
        return false;
    }
    return ArgCheck(env, false).handle(pin.ok() ? handle : 0).ok();
}

jlong allocate_block(JNIEnv* env, jlong size, BlockKind kind) {
    void* p = size >= 0 ? registry_alloc(size_t(size), kind) : nullptr;
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

// A block pinned for mem_read or mem_write, with its size; a handle that is not a live
// block raises NullPointerException as 0 does, a block that another call holds
// IllegalStateException, and a region outside the block ArrayIndexOutOfBoundsException.
bool block_region(JNIEnv* env, const Pin& pin, size_t size, jint offset, jint length) {
    if (pin.in_use()) {
        throw_java(env, "java/lang/IllegalStateException", "native block is in use");
        return false;
    }
    if (!pin.ok()) {
        throw_java(env, "java/lang/NullPointerException", "native handle is not a live block");
        return false;
    }
    const jlong len = length > 0 ? length : 0;
    if (offset < 0 || jlong(offset) + len > jlong(size)) {
        throw_java(env, "java/lang/ArrayIndexOutOfBoundsException", "native block region out of bounds");
        return false;
    }
    return true;
}

class AnyBlock : public Pin {
public:
    AnyBlock(jlong handle, PinMode mode) {
        const void* p = reinterpret_cast<const void*>(static_cast<intptr_t>(handle));
        adopt(p, mode, registry_pin_any(p, mode, &size_));
    }
    size_t size() const { return size_; }

private:
    size_t size_ = 0;
};

}  // namespace

JNIEXPORT jlong JNICALL VX(mem_1alloc)(JNIEnv* env, jclass, jint size) {
    return allocate_block(env, size, BlockKind::Raw);
}

JNIEXPORT void JNICALL VX(mem_1free)(JNIEnv*, jclass, jlong handle) {
    // Anything but a live block is ignored, as 0 is; a block in use is freed when its
    // operation ends.
    registry_free(reinterpret_cast<const void*>(static_cast<intptr_t>(handle)));
}

JNIEXPORT void JNICALL VX(mem_1read)(JNIEnv* env, jclass, jlong handle, jint offset, jbyteArray dst, jint dst_offset,
                                     jint length) {
    if (!ArgCheck(env, false).handle(handle).region(dst, dst_offset, length).ok()) return;
    const AnyBlock block(handle, PinMode::Shared);
    if (!block_region(env, block, block.size(), offset, length) || length <= 0) return;
    const uint8_t* src = block.get<uint8_t>() + offset;
    env->SetByteArrayRegion(dst, dst_offset, length, reinterpret_cast<const jbyte*>(src));
}

JNIEXPORT void JNICALL VX(mem_1write)(JNIEnv* env, jclass, jlong handle, jint offset, jbyteArray src, jint src_offset,
                                      jint length) {
    if (!ArgCheck(env, false).handle(handle).region(src, src_offset, length).ok()) return;
    const AnyBlock block(handle, PinMode::Exclusive);
    if (!block_region(env, block, block.size(), offset, length) || length <= 0) return;
    uint8_t* dst = block.get<uint8_t>() + offset;
    env->GetByteArrayRegion(src, src_offset, length, reinterpret_cast<jbyte*>(dst));
}

JNIEXPORT jlong JNICALL VX(vantix_1RND_1State)(JNIEnv* env, jclass) {
    return allocate_block(env, sizeof(RND_State), BlockKind::Rnd);
}

JNIEXPORT jlong JNICALL VX(clone_1vantix_1RND_1State)(JNIEnv* env, jclass, jlong state) {
    const Handle<RND_State> from(state, PinMode::Shared);
    if (!generator_pinned(env, from, state)) return 0;
    const jlong h = allocate_block(env, sizeof(RND_State), BlockKind::Rnd);
    if (h != 0) std::memcpy(reinterpret_cast<RND_State*>(static_cast<intptr_t>(h)), from.get(), sizeof(RND_State));
    return h;
}

JNIEXPORT jlong JNICALL VX(vantix_1COM_1State)(JNIEnv* env, jclass) {
    return allocate_block(env, sizeof(COM_State), BlockKind::Com);
}

JNIEXPORT jint JNICALL VX(vantix_1COM_1State_1params_1clear)(JNIEnv*, jclass, jlong com) {
    // Exclusive: a table that an operation is reading is not cleared under it (RC_MISSING).
    const Handle<COM_State> t(com, PinMode::Exclusive);
    COM_State* c = t.get();
    if (c == nullptr) return RC_MISSING;
    std::memset(c->expanded, 0, sizeof c->expanded);
    return RC_OK;
}

JNIEXPORT jlong JNICALL VX(vantix_1G28147_11989_1block)(JNIEnv* env, jclass) {
    return allocate_block(env, sizeof(BlockContext), BlockKind::Cipher);
}

JNIEXPORT jlong JNICALL VX(vantix_1G28147_11989_1gamma)(JNIEnv* env, jclass) {
    return allocate_block(env, GAMMA_CONTEXT_BLOCK, BlockKind::Cipher);
}

JNIEXPORT jlong JNICALL VX(vantix_1G28147_11989_1gamma_1ofb)(JNIEnv* env, jclass) {
    return allocate_block(env, GAMMA_OFB_CONTEXT_BLOCK, BlockKind::Cipher);
}

JNIEXPORT jlong JNICALL VX(vantix_1G28147_11989_1mac)(JNIEnv* env, jclass) {
    return allocate_block(env, MAC_CONTEXT_BLOCK, BlockKind::Cipher);
}

JNIEXPORT jlong JNICALL VX(vantix_1R34_111_11994)(JNIEnv* env, jclass) {
    return allocate_block(env, sizeof(HashContext), BlockKind::Hash);
}

JNIEXPORT jlong JNICALL VX(vantix_1LPoint)(JNIEnv* env, jclass) {
    return allocate_block(env, sizeof(LPoint), BlockKind::Point);
}

JNIEXPORT jlong JNICALL VX(vantix_1LR34_110_12001)(JNIEnv* env, jclass) {
    return allocate_block(env, SIGN_CONTEXT_BLOCK, BlockKind::Sign);
}
