#include "jni/arrays.h"

#include "common/wipe.h"

namespace vantix::jni {

void throw_java(JNIEnv* env, const char* cls, const char* msg) {
    jclass c = env->FindClass(cls);
    if (c != nullptr) {
        env->ThrowNew(c, msg);
        env->DeleteLocalRef(c);
    }
}

jint array_length(JNIEnv* env, jbyteArray a) { return a ? env->GetArrayLength(a) : 0; }

void ArgCheck::missing() {
    ok_ = false;
    if (!returns_code_) throw_java(env_, "java/lang/NullPointerException", "array argument is null");
}

bool ArgCheck::fits(jbyteArray a, jlong offset, jlong length) {
    const jlong size = env_->GetArrayLength(a);
    if (length < 0) length = 0;
    // All operands are at most 2^32 in magnitude, so the 64-bit sum cannot overflow.
    if (offset < 0 || offset + length > size) {
        ok_ = false;
        throw_java(env_, "java/lang/ArrayIndexOutOfBoundsException", "array region out of bounds");
        return false;
    }
    return true;
}

ArgCheck& ArgCheck::need(jbyteArray a, jlong size) {
    if (!ok_) return *this;
    if (a == nullptr) {
        missing();
        return *this;
    }
    fits(a, 0, size);
    return *this;
}

ArgCheck& ArgCheck::optional(jbyteArray a, jlong size) {
    if (ok_ && a != nullptr) fits(a, 0, size);
    return *this;
}

ArgCheck& ArgCheck::region(jbyteArray a, jint offset, jint length) {
    if (!ok_) return *this;
    if (a == nullptr) {
        missing();
        return *this;
    }
    fits(a, offset, length);
    return *this;
}

ArgCheck& ArgCheck::handle(jlong h) {
    if (ok_ && h == 0) {
        ok_ = false;
        throw_java(env_, "java/lang/NullPointerException", "native handle is 0");
    }
    return *this;
}

Borrowed::Borrowed(JNIEnv* env, jbyteArray a, Holds holds) : env_(env), array_(a), data_(nullptr) {
    if (a == nullptr) return;
    if (holds == Holds::Public) {
        data_ = reinterpret_cast<uint8_t*>(env->GetByteArrayElements(a, nullptr));
        return;
    }
    jboolean is_copy = JNI_FALSE;
    data_ = reinterpret_cast<uint8_t*>(env->GetByteArrayElements(a, &is_copy));
    if (data_ != nullptr && is_copy == JNI_TRUE) wipe_bytes_ = size_t(env->GetArrayLength(a));
}

Borrowed::~Borrowed() {
    if (data_ != nullptr) release(JNI_ABORT);
}

void Borrowed::release(jint mode) {
    if (data_ == nullptr) return;
    jbyte* elements = reinterpret_cast<jbyte*>(data_);
    if (wipe_bytes_ > 0) {
        if (mode == 0) env_->ReleaseByteArrayElements(array_, elements, JNI_COMMIT);
        secure_wipe(data_, wipe_bytes_);
        mode = JNI_ABORT;
    }
    env_->ReleaseByteArrayElements(array_, elements, mode);
    data_ = nullptr;
}

}  // namespace vantix::jni
