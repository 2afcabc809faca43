// Allocation of native blocks for Java: zero-filled, with OutOfMemoryError on failure.
#pragma once
#include <jni.h>

#include <cstddef>

namespace vantix::jni {

// Returns the handle of `size` zero bytes, or raises java/lang/OutOfMemoryError (no
// message) and returns 0. A negative size fails.
jlong allocate_block(JNIEnv* env, jlong size);

}  // namespace vantix::jni
