// Allocation of native blocks for Java: zero-filled, with OutOfMemoryError on failure.
#pragma once
#include <cstddef>

#include <jni.h>

#include "jni/registry.h"

namespace vantix::jni {

// Returns the handle of `size` zero bytes, registered as a block of `kind`, or raises
// java/lang/OutOfMemoryError (no message) and returns 0. A negative size fails.
jlong allocate_block(JNIEnv* env, jlong size, BlockKind kind);

// The answer of the generator exports without a result code to a generator handle they
// could not pin: IllegalStateException "in use" when another call holds it,
// NullPointerException when it is not a live generator. True when pinned.
bool generator_pinned(JNIEnv* env, const Pin& pin, jlong handle);

}  // namespace vantix::jni
