// Raw single-block cipher entry points: all data in Java arrays, words little-endian.
#include "jni/exports.h"

#include <cstring>

#include "common/bytes.h"
#include "common/wipe.h"
#include "gost28147/mac_chain.h"
#include "gost28147/sbox.h"
#include "gost28147/transform.h"

using namespace vantix;
using namespace vantix::jni;

namespace {

constexpr jlong kKeyBytes = 64;
constexpr jlong kBlockBytes = 8;

using BlockOp = void (*)(const uint32_t*, const uint32_t*, const uint32_t*, uint32_t*);

// Words are read from the borrowed bytes into aligned locals, so no byte pointer is ever
// treated as a word pointer.
struct RawWork {
    uint32_t table[EXPANDED_WORDS];
    uint32_t key[16];
    uint32_t a[2];
    uint32_t b[2];
};

void load_common(RawWork& w, const uint8_t* expanded, const uint8_t* key) {
    words_from_le(w.table, expanded, EXPANDED_WORDS);
    words_from_le(w.key, key, 16);
}

// GOSTE and GOSTD: four arrays borrowed in argument order and released in argument order;
// only `out` is copied back.
void raw_block(JNIEnv* env, jbyteArray expanded, jbyteArray key, jbyteArray in, jbyteArray out, BlockOp op) {
    if (!ArgCheck(env, false)
             .need(expanded, EXPANDED_BYTES)
             .need(key, kKeyBytes)
             .need(in, kBlockBytes)
             .need(out, kBlockBytes)
             .ok())
        return;
    Borrowed e(env, expanded), k(env, key, Holds::Secret), i(env, in), o(env, out);
    if (e.failed() || k.failed() || i.failed() || o.failed()) return;
    RawWork w;
    WipeOnExit<decltype(w.key)> wipe(w.key);
    load_common(w, e.data(), k.data());
    words_from_le(w.a, i.data(), 2);
    op(w.table, w.key, w.a, w.b);
    words_to_le(o.data(), w.b, 2);
    e.release(JNI_ABORT);
    k.release(JNI_ABORT);
    i.release(JNI_ABORT);
    o.release(0);
}

}  // namespace

JNIEXPORT void JNICALL VX(vantix_1_1InitGost)(JNIEnv* env, jclass, jbyteArray table, jbyteArray expanded) {
    if (!ArgCheck(env, false).need(table, SBOX_BYTES).need(expanded, EXPANDED_BYTES).ok()) return;
    Borrowed t(env, table), e(env, expanded);
    if (t.failed() || e.failed()) return;
    uint32_t words[EXPANDED_WORDS];
    sbox_expand(t.data(), words);
    words_to_le(e.data(), words, EXPANDED_WORDS);
    e.release(0);
    t.release(JNI_ABORT);
}

JNIEXPORT void JNICALL VX(vantix_1_1GOSTE)(JNIEnv* env, jclass, jbyteArray expanded, jbyteArray key, jbyteArray in,
                                           jbyteArray out) {
    raw_block(env, expanded, key, in, out, encrypt_block);
}

JNIEXPORT void JNICALL VX(vantix_1_1GOSTD)(JNIEnv* env, jclass, jbyteArray expanded, jbyteArray key, jbyteArray in,
                                           jbyteArray out) {
    raw_block(env, expanded, key, in, out, decrypt_block);
}

JNIEXPORT void JNICALL VX(vantix_1_1GOSTA)(JNIEnv* env, jclass, jbyteArray expanded, jbyteArray key, jbyteArray state,
                                           jbyteArray data) {
    if (!ArgCheck(env, false)
             .need(expanded, EXPANDED_BYTES)
             .need(key, kKeyBytes)
             .need(state, kBlockBytes)
             .need(data, kBlockBytes)
             .ok())
        return;
    Borrowed e(env, expanded), k(env, key, Holds::Secret), s(env, state), d(env, data);
    if (e.failed() || k.failed() || s.failed() || d.failed()) return;
    RawWork w;
    WipeOnExit<decltype(w.key)> wipe(w.key);
    load_common(w, e.data(), k.data());
    words_from_le(w.a, s.data(), 2);
    words_from_le(w.b, d.data(), 2);
    mac_rounds(w.table, w.key, w.a, w.b);
    words_to_le(s.data(), w.a, 2);
    e.release(JNI_ABORT);
    k.release(JNI_ABORT);
    s.release(0);
    d.release(JNI_ABORT);
}
