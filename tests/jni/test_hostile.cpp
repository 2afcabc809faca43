// A hostile caller against the real module: every export that takes a native handle, with
// handles that are not what they should be (0, garbage, freed, interior, another kind),
// and every field of a context that indexes memory or bounds a loop rewritten out of range
// through mem_write. Each case must be refused with the export's documented answer (the
// code or exception of a missing argument for a bad handle; 17 for a damaged context) and
// must neither crash nor touch memory outside the module's blocks (the sanitizer build runs
// this same program).
#include <atomic>
#include <cstddef>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "contexts/gamma.h"
#include "contexts/gamma_ofb.h"
#include "contexts/hash.h"
#include "contexts/mac.h"
#include "gost3410/sign_context.h"
#include "jni/hostile_fixture.h"

using namespace vantix;

namespace {

// Calls with a handle in one argument position; the answer is the code, or kVoid.
using Call = std::function<jint(jlong)>;

}  // namespace

TEST_F(Hostile, EveryHandleArgumentRefusesWhatIsNotALiveBlockOfItsKind) {
    const jlong hash = VANTIX_CALL(vantix_1R34_111_11994)(env, nullptr);
    const jlong gamma = VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, nullptr);
    const jlong sign = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
    const jlong point = VANTIX_CALL(vantix_1LPoint)(env, nullptr);
    struct Case {
        const char* name;
        jlong other_kind;  // a live block of a kind this argument must refuse
        Call call;
        jint missing;  // the answer to a missing argument: a code, or kVoid
        const char* exception;
    };
    const std::vector<Case> cases = {
        {"gamma_init ctx", hash,
         [&](jlong h) { return VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, h, com, rnd, key, iv); },
         15, ""},
        {"gamma_init com", gamma,
         [&](jlong h) {
             const jlong c = VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, nullptr);
             const jint r = VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, c, h, rnd, key, iv);
             VANTIX_CALL(mem_1free)(env, nullptr, c);
             return r;
         },
         15, ""},
        {"gamma_init rnd", gamma,
         [&](jlong h) {
             const jlong c = VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, nullptr);
             const jint r = VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, c, com, h, key, iv);
             VANTIX_CALL(mem_1free)(env, nullptr, c);
             return r;
         },
         15, ""},
        {"gamma_crypt", hash,
         [&](jlong h) {
             return VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(env, nullptr, h, data, 0, out, 0, 100);
         },
         15, ""},
        {"gamma_clear", hash, [&](jlong h) { return VANTIX_CALL(vantix_1G28147_11989_1gamma_1clear)(env, nullptr, h); },
         15, ""},
        {"ofb_init", hash,
         [&](jlong h) {
             return VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1init)(env, nullptr, h, com, rnd, key, iv);
         },
         15, ""},
        {"ofb_encrypt", hash,
         [&](jlong h) {
             return VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1encrypt)(env, nullptr, h, data, 0, out, 0, 100);
         },
         15, ""},
        {"ofb_decrypt", hash,
         [&](jlong h) {
             return VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1decrypt)(env, nullptr, h, data, 0, out, 0, 100);
         },
         15, ""},
        {"mac_init", hash,
         [&](jlong h) { return VANTIX_CALL(vantix_1G28147_11989_1mac_1init)(env, nullptr, h, com, rnd, key, nullptr); },
         15, ""},
        {"mac_update", hash,
         [&](jlong h) { return VANTIX_CALL(vantix_1G28147_11989_1mac_1update)(env, nullptr, h, data, 0, 100); }, 15,
         ""},
        {"mac_final", hash,
         [&](jlong h) { return VANTIX_CALL(vantix_1G28147_11989_1mac_1final)(env, nullptr, h, b64); }, 15, ""},
        {"block_init", hash,
         [&](jlong h) { return VANTIX_CALL(vantix_1G28147_11989_1block_1init)(env, nullptr, h, com, rnd, key); }, 15,
         ""},
        {"block_encrypt", hash,
         [&](jlong h) {
             return VANTIX_CALL(vantix_1G28147_11989_1block_1encrypt)(env, nullptr, h, data, 0, out, 0, 4);
         },
         15, ""},
        {"hash_init", gamma,
         [&](jlong h) { return VANTIX_CALL(vantix_1GOST_1R34_111_11994_1init)(env, nullptr, h, com, rnd, nullptr); },
         15, ""},
        {"hash_update", gamma,
         [&](jlong h) { return VANTIX_CALL(vantix_1GOST_1R34_111_11994_1update)(env, nullptr, h, data, 0, 100); }, 15,
         ""},
        {"hash_final", gamma,
         [&](jlong h) { return VANTIX_CALL(vantix_1GOST_1R34_111_11994_1final)(env, nullptr, h, b32); }, 15, ""},
        {"hash_clear", gamma, [&](jlong h) { return VANTIX_CALL(vantix_1GOST_1R34_111_11994_1clear)(env, nullptr, h); },
         15, ""},
        {"com_params_clear", gamma,
         [&](jlong h) { return VANTIX_CALL(vantix_1COM_1State_1params_1clear)(env, nullptr, h); }, 15, ""},
        {"set_parms ctx", gamma,
         [&](jlong h) {
             return VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, h, rnd, nullptr, nullptr, nullptr,
                                                                    nullptr, 0);
         },
         15, ""},
        {"set_parms rnd", gamma,
         [&](jlong h) {
             const jlong c = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
             const jint r = VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, c, h, nullptr, nullptr,
                                                                            nullptr, nullptr, 0);
             VANTIX_CALL(mem_1free)(env, nullptr, c);
             return r;
         },
         15, ""},
        {"get_parms", gamma,
         [&](jlong h) {
             return VANTIX_CALL(vantix_1LR34_110_12001_1get_1parms)(env, nullptr, h, b32, nullptr, nullptr, nullptr, 0);
         },
         15, ""},
        {"gen_secret_key", gamma,
         [&](jlong h) { return VANTIX_CALL(vantix_1LR34_110_12001_1gen_1secret_1key)(env, nullptr, h); }, 15, ""},
        {"gen_public_key", gamma,
         [&](jlong h) { return VANTIX_CALL(vantix_1LR34_110_12001_1gen_1public_1key)(env, nullptr, h); }, 15, ""},
        {"set_public_key point", sign,
         [&](jlong h) {
             const jlong c = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
             VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)
             (env, nullptr, c, rnd, nullptr, nullptr, nullptr, nullptr, 0);
             const jint r = VANTIX_CALL(vantix_1LR34_110_12001_1set_1public_1key)(env, nullptr, c, h);
             VANTIX_CALL(mem_1free)(env, nullptr, c);
             return r;
         },
         15, ""},
        {"sign", gamma, [&](jlong h) { return VANTIX_CALL(vantix_1LR34_110_12001_1sign)(env, nullptr, h, b32, b64); },
         15, ""},
        {"verify", gamma,
         [&](jlong h) { return VANTIX_CALL(vantix_1LR34_110_12001_1verify)(env, nullptr, h, b32, b64); }, 15, ""},
        {"vko ctx", gamma,
         [&](jlong h) { return VANTIX_KA_CALL(vantix_1LR34_110_12001_1vko)(env, nullptr, h, point, b32, b64); }, 15,
         ""},
        {"vko point", sign,
         [&](jlong h) {
             const jlong c = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
             VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)
             (env, nullptr, c, rnd, nullptr, nullptr, nullptr, nullptr, 0);
             VANTIX_CALL(vantix_1LR34_110_12001_1gen_1secret_1key)(env, nullptr, c);
             const jint r = VANTIX_KA_CALL(vantix_1LR34_110_12001_1vko)(env, nullptr, c, h, b32, b64);
             VANTIX_CALL(mem_1free)(env, nullptr, c);
             return r;
         },
         15, ""},
        {"sign_clear", point, [&](jlong h) { return VANTIX_CALL(vantix_1LR34_110_12001_1clear)(env, nullptr, h); }, 15,
         ""},
        {"make_rnd_container", gamma,
         [&](jlong h) {
             return VANTIX_CALL(vantix_1MakeRndContainer)(env, nullptr, h, jni.array(12, "pw", 'p'),
                                                          jni.array(84, "c"));
         },
         15, ""},
        {"mask_secret_key", gamma,
         [&](jlong h) { return VANTIX_CALL(vantix_1Mask_1SecretKey_1)(env, nullptr, h, b64); }, 15, ""},
        {"force_random", gamma,
         [&](jlong h) {
             VANTIX_CALL(vantix_1ForceRandom_1)(env, nullptr, h, b64);
             return kVoid;
         },
         kVoid, "java/lang/NullPointerException"},
        {"random_fill", gamma,
         [&](jlong h) {
             VANTIX_CALL(vantix_1Random_1Fill)(env, nullptr, h, b32);
             return kVoid;
         },
         kVoid, "java/lang/NullPointerException"},
        {"clone_rnd", gamma, [&](jlong h) { return jint(VANTIX_CALL(clone_1vantix_1RND_1State)(env, nullptr, h)); }, 0,
         "java/lang/NullPointerException"},
        {"mem_read", -1,
         [&](jlong h) {
             VANTIX_CALL(mem_1read)(env, nullptr, h, 0, b32, 0, 4);
             return kVoid;
         },
         kVoid, "java/lang/NullPointerException"},
        {"mem_write", -1,
         [&](jlong h) {
             VANTIX_CALL(mem_1write)(env, nullptr, h, 0, b32, 0, 4);
             return kVoid;
         },
         kVoid, "java/lang/NullPointerException"},
    };
    for (const Case& c : cases) {
        for (const auto& [what, h] : bad_handles(c.other_kind)) {
            if (c.other_kind == -1 && std::string(what) == "other kind") continue;  // any live block is fine there
            jni.clear();
            const jint r = c.call(h);
            EXPECT_EQ(r, c.missing) << c.name << " with a " << what << " handle";
            EXPECT_EQ(jni.exception, c.exception) << c.name << " with a " << what << " handle";
            EXPECT_EQ(jni.outstanding, 0) << c.name;
        }
    }
    // mem_free of anything but a live block does nothing (an interior pointer included).
    jni.clear();
    VANTIX_CALL(mem_1free)(env, nullptr, gamma + 8);
    VANTIX_CALL(mem_1free)(env, nullptr, 0x1000);
    VANTIX_CALL(mem_1free)(env, nullptr, -1);
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1clear)(env, nullptr, gamma), 0);  // still live
    // A block from mem_alloc serves as any kind when it is large enough.
    const jlong raw = VANTIX_CALL(mem_1alloc)(env, nullptr, 120);
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, raw, com, rnd, key, iv), 0);
    const jlong small = VANTIX_CALL(mem_1alloc)(env, nullptr, 16);
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, small, com, rnd, key, iv), 15);
    for (jlong h : {hash, gamma, sign, point, raw, small}) VANTIX_CALL(mem_1free)(env, nullptr, h);
}

TEST_F(Hostile, MemReadAndWriteStayInsideTheBlock) {
    const jlong h = VANTIX_CALL(mem_1alloc)(env, nullptr, 16);
    jbyteArray a = jni.array(32, "a", 9);
    struct Region {
        jint offset, length;
    };
    for (const Region& r : {Region{-1, 4}, Region{13, 4}, Region{16, 1}, Region{0x7FFFFFFF, 1}, Region{0, 17}}) {
        jni.clear();
        VANTIX_CALL(mem_1write)(env, nullptr, h, r.offset, a, 0, r.length);
        EXPECT_EQ(jni.exception, "java/lang/ArrayIndexOutOfBoundsException") << r.offset << "+" << r.length;
        jni.clear();
        VANTIX_CALL(mem_1read)(env, nullptr, h, r.offset, a, 0, r.length);
        EXPECT_EQ(jni.exception, "java/lang/ArrayIndexOutOfBoundsException") << r.offset << "+" << r.length;
    }
    jni.clear();
    VANTIX_CALL(mem_1read)(env, nullptr, h, 0, a, 0, 16);  // the whole block is fine
    EXPECT_EQ(jni.exception, "");
    EXPECT_EQ(jni.bytes(a)[0], 0);
    VANTIX_CALL(mem_1free)(env, nullptr, h);
}

TEST_F(Hostile, ContextFieldsOutOfRangeAreRefusedAsDamaged) {
    struct Field {
        const char* name;
        size_t offset;
        int64_t value;
        size_t width;
    };
    auto init_gamma = [&] { return gamma_context(com, rnd); };
    auto init_ofb = [&] {
        const jlong c = VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb)(env, nullptr);
        EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1init)(env, nullptr, c, com, rnd, key, iv), 0);
        return c;
    };
    auto init_mac = [&] {
        const jlong c = VANTIX_CALL(vantix_1G28147_11989_1mac)(env, nullptr);
        EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1mac_1init)(env, nullptr, c, com, rnd, key, nullptr), 0);
        return c;
    };
    auto init_hash = [&] { return hash_context(com, rnd); };
    auto init_sign = [&] { return sign_context(rnd); };
    const int64_t garbage = 0x1000, freed = [&] {
        const jlong f = VANTIX_CALL(mem_1alloc)(env, nullptr, 4228);
        VANTIX_CALL(mem_1free)(env, nullptr, f);
        return f;
    }();
    struct Family {
        const char* name;
        std::function<jlong()> init;
        std::vector<Field> fields;
        std::vector<std::function<jint(jlong)>> ops;
    };
    const std::vector<Family> families = {
        {"gamma",
         init_gamma,
         {{"position -1", offsetof(GammaContext, position), -1, 4},
          {"position 9", offsetof(GammaContext, position), 9, 4},
          {"mesh_count 1020", offsetof(GammaContext, mesh_count), 1020, 4},
          {"mesh_count 4096", offsetof(GammaContext, mesh_count), 4096, 4},
          {"com_state garbage", offsetof(GammaContext, com_state), garbage, 8},
          {"com_state freed", offsetof(GammaContext, com_state), freed, 8},
          {"rnd_state null", offsetof(GammaContext, rnd_state), 0, 8},
          {"rnd_state is the table", offsetof(GammaContext, rnd_state), com, 8}},
         {[&](jlong c) {
             return VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(env, nullptr, c, data, 0, out, 0, 100);
         }}},
        {"feedback",
         init_ofb,
         {{"position 1000", offsetof(GammaFeedbackContext, position), 1000, 4},
          {"mesh_count 7", offsetof(GammaFeedbackContext, mesh_count), 7, 4},
          {"com_state null", offsetof(GammaFeedbackContext, com_state), 0, 8},
          {"rnd_state garbage", offsetof(GammaFeedbackContext, rnd_state), garbage, 8}},
         {[&](jlong c) {
              return VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1encrypt)(env, nullptr, c, data, 0, out, 0, 100);
          },
          [&](jlong c) {
              return VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1decrypt)(env, nullptr, c, data, 0, out, 0, 100);
          }}},
        {"mac",
         init_mac,
         {{"position -5", offsetof(MacContext, position), -5, 4},
          {"position 200", offsetof(MacContext, position), 200, 4},
          {"mesh_count 1024", offsetof(MacContext, mesh_count), 1024, 4},
          {"com_state garbage", offsetof(MacContext, com_state), garbage, 8}},
         {[&](jlong c) { return VANTIX_CALL(vantix_1G28147_11989_1mac_1update)(env, nullptr, c, data, 0, 100); },
          [&](jlong c) { return VANTIX_CALL(vantix_1G28147_11989_1mac_1final)(env, nullptr, c, b64); }}},
        {"hash",
         init_hash,
         {{"fill -1", offsetof(HashContext, fill), -1, 4},
          {"fill 33", offsetof(HashContext, fill), 33, 4},
          {"com_state garbage", offsetof(HashContext, com_state), garbage, 8},
          {"com_state null", offsetof(HashContext, com_state), 0, 8}},
         {[&](jlong c) { return VANTIX_CALL(vantix_1GOST_1R34_111_11994_1update)(env, nullptr, c, data, 0, 100); },
          [&](jlong c) { return VANTIX_CALL(vantix_1GOST_1R34_111_11994_1final)(env, nullptr, c, b32); }}},
        {"signature",
         init_sign,
         {{"p_length 64", offsetof(SignContext, p_length), 64, 4},
          {"p_length -4", offsetof(SignContext, p_length), -4, 4},
          {"q_length 0", offsetof(SignContext, q_length), 0, 4},
          {"rnd garbage", offsetof(SignContext, rnd), garbage, 8}},
         {[&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1sign)(env, nullptr, c, b32, b64); },
          [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1verify)(env, nullptr, c, b32, b64); },
          [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1get_1secret_1key)(env, nullptr, c, b64); },
          [&](jlong c) {
              const jlong pt = VANTIX_CALL(vantix_1LPoint)(env, nullptr);
              const jint r = VANTIX_CALL(vantix_1LR34_110_12001_1get_1public_1key)(env, nullptr, c, pt);
              VANTIX_CALL(mem_1free)(env, nullptr, pt);
              return r;
          },
          [&](jlong c) {
              const jlong pt = VANTIX_CALL(vantix_1LPoint)(env, nullptr);
              const jint r = VANTIX_KA_CALL(vantix_1LR34_110_12001_1vko)(env, nullptr, c, pt, b32, b64);
              VANTIX_CALL(mem_1free)(env, nullptr, pt);
              return r;
          }}},
    };
    for (const Family& f : families) {
        for (const Field& field : f.fields) {
            for (size_t op = 0; op < f.ops.size(); ++op) {
                const jlong c = f.init();
                if (field.width == 4)
                    set(c, field.offset, int32_t(field.value));
                else
                    set(c, field.offset, field.value);
                jni.clear();
                EXPECT_EQ(f.ops[op](c), 17) << f.name << ": " << field.name << ", operation " << op;
                EXPECT_EQ(jni.exception, "") << f.name << ": " << field.name;
                VANTIX_CALL(mem_1free)(env, nullptr, c);
            }
        }
    }
}

// Frees and rewrites racing operations on the same blocks: the registry keeps a block in
// use alive until the operation ends, and a second user of a context is refused instead of
// racing it. Nothing may crash (the sanitizer build makes any touch of freed memory fatal).
TEST_F(Hostile, FreesAndSecondUsersRacingOperationsNeverTouchFreedMemory) {
    // Bounded work on both sides (valgrind runs the threads one at a time, so an open-ended
    // loop could starve the main thread): each worker makes a fixed number of calls, and
    // the main thread frees the context once the workers are under way.
    constexpr int kCalls = 150;
    std::atomic<int> done{0};
    const jlong ctx = VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, nullptr);
    ASSERT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, ctx, com, rnd, key, iv), 0);
    auto worker = [&](int seed) {
        FakeJni own;
        JNIEnv* e = own.env();
        jbyteArray in = own.array(1024, "in", uint8_t(seed)), o = own.array(1024, "o");
        for (int i = 0; i < kCalls; ++i) {
            const jint r = VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(e, nullptr, ctx, in, 0, o, 0, 1024);
            EXPECT_TRUE(r == 0 || r == 15) << r;
            // Allocation and freeing race the registry from every thread.
            const jlong t = VANTIX_CALL(vantix_1COM_1State)(e, nullptr);
            VANTIX_CALL(mem_1free)(e, nullptr, t);
            own.clear();
            ++done;
        }
    };
    std::thread a(worker, 1), b(worker, 2);
    while (done.load() < kCalls / 2) std::this_thread::yield();
    // Freed while the workers may be inside an operation on it: freed at its last use.
    VANTIX_CALL(mem_1free)(env, nullptr, ctx);
    a.join();
    b.join();
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(env, nullptr, ctx, data, 0, out, 0, 100), 15);
}
