// The forms in which records cross the Java boundary. A point record as Java holds it has its
// coordinates as big-endian words; the layers below see native words only.
#pragma once
#include <cstring>

#include "common/bytes.h"
#include "gost3410/lpoint.h"

namespace vantix::jni {

// From Java: the 98 significant bytes of `record`, X, Y and Z turned into native words.
inline void point_from_java(LPoint* out, const LPoint* record) {
    std::memcpy(out, record, LPOINT_BYTES);
    for (int i = 0; i < 8; ++i) {
        out->x[i] = byte_swap(out->x[i]);
        out->y[i] = byte_swap(out->y[i]);
        out->z[i] = byte_swap(out->z[i]);
    }
}

// To Java: X and Y turned into big-endian words, Z and the flags as they are; 98 bytes
// written.
inline void point_to_java(LPoint* record, const LPoint* p) {
    LPoint q;
    std::memcpy(&q, p, LPOINT_BYTES);
    for (int i = 0; i < 8; ++i) {
        q.x[i] = byte_swap(q.x[i]);
        q.y[i] = byte_swap(q.y[i]);
    }
    std::memcpy(record, &q, LPOINT_BYTES);
}

}  // namespace vantix::jni
