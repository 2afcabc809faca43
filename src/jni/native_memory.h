// Allocation of native blocks for Java: zero-filled, with OutOfMemoryError on failure.
#pragma once
#include <jni.h>

#include <cstddef>

#include "jni/registry.h"

namespace vantix::jni {

// Returns the handle of `size` zero bytes, registered as a block of `kind`, or raises
// java/lang/OutOfMemoryError (no message) and returns 0. A negative size fails.
jlong allocate_block(JNIEnv* env, jlong size, BlockKind kind);

}  // namespace vantix::jni
