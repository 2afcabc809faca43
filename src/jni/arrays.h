// The only place that checks, borrows and releases Java arrays and raises Java exceptions.
//
// Every export first checks its arrays with an ArgCheck (nothing is borrowed yet, so a
// refused call changes nothing), then borrows them with Borrowed in the order its family
// prescribes, makes one call, and releases them explicitly in the prescribed order and modes.
#pragma once
#include <cstdint>

#include <jni.h>

namespace vantix::jni {

// A masked key as Java passes it: 32 bytes of key XOR mask, then the 32-byte mask.
constexpr jlong MASKED_KEY_BYTES = 64;

void throw_java(JNIEnv* env, const char* cls, const char* msg);

// Argument checks of one export. `returns_code`: a null required array is answered with
// RC_MISSING and no exception; otherwise it raises NullPointerException. A region or
// fixed-size array that does not fit raises ArrayIndexOutOfBoundsException. After the first
// failure later checks do nothing, so at most one exception is raised.
class ArgCheck {
public:
    ArgCheck(JNIEnv* env, bool returns_code) : env_(env), returns_code_(returns_code) {}

    // Required array holding at least `size` bytes.
    ArgCheck& need(jbyteArray a, jlong size);
    // Optional array: null passes; otherwise it must hold at least `size` bytes.
    ArgCheck& optional(jbyteArray a, jlong size);
    // Required array containing [offset, offset + length); a negative length counts as 0.
    ArgCheck& region(jbyteArray a, jint offset, jint length);
    // A native handle that must not be 0.
    ArgCheck& handle(jlong h);

    bool ok() const { return ok_; }

private:
    bool fits(jbyteArray a, jlong offset, jlong length);
    void missing();

    JNIEnv* env_;
    bool returns_code_;
    bool ok_ = true;
};

// Whether an array carries a secret (a key, masked or not, a password, a seed, random
// bytes, a container while it is opened or made).
enum class Holds { Public, Secret };

// One borrowed array. A null array gives a null pointer and no JNI call. Release happens
// once, explicitly or, failing that, with JNI_ABORT at scope exit.
//
// A secret array asks whether the JVM handed out a copy. A copy is wiped before it goes
// back (for mode 0: copied back with JNI_COMMIT, wiped, then freed with JNI_ABORT), so no
// secret is left in memory the JVM frees without wiping; the array Java holds is never
// touched beyond the copy-back, and an array the JVM pinned in place is not wiped.
class Borrowed {
public:
    Borrowed(JNIEnv* env, jbyteArray a, Holds holds = Holds::Public);
    ~Borrowed();
    Borrowed(const Borrowed&) = delete;
    Borrowed& operator=(const Borrowed&) = delete;

    uint8_t* data() const { return data_; }
    uint8_t* at(jint offset) const { return data_ ? data_ + offset : nullptr; }
    // True when a non-null array could not be borrowed (the JVM has raised an error).
    bool failed() const { return array_ != nullptr && data_ == nullptr; }
    // Mode 0 copies back and frees; JNI_ABORT frees without copying back.
    void release(jint mode);

private:
    JNIEnv* env_;
    jbyteArray array_;
    uint8_t* data_;
    size_t wipe_bytes_ = 0;  // the size of a secret array's copy, 0 when nothing is wiped
};

jint array_length(JNIEnv* env, jbyteArray a);

}  // namespace vantix::jni
