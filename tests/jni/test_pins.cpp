// The pin rules through the real exports: which blocks a call pins and how it answers when
// one is refused. A generator is held only by the calls that draw from it, and then alone;
// a block held by another call is refused with 15 ("in use"), never 17; a table is not
// cleared under a call that reads it; a non-zero handle is never taken as absent; a
// context's stored addresses are checked whenever its own operation would use them (the
// marker does not decide that for the MAC and the hash, which never test it).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "contexts/hash.h"
#include "contexts/mac.h"
#include "gost3410/sign_context.h"
#include "jni/hostile_fixture.h"
#include "unit/param_sets.h"

using namespace vantix;

namespace {

using Pins = Hostile;

// Runs `hold` on its own thread, where it keeps a block busy for a long call (it sets
// `started` just before that call), and `probe` on this thread while it does. The probe
// counts only if the long call was still running when the probe ended, so a slow machine
// cannot make the test pass vacuously: then it tries again with the long call made longer.
using Hold = std::function<void(int scale, std::atomic<bool>& started)>;
void while_held(const Hold& hold, const std::function<void()>& probe) {
    for (int scale = 1; scale <= 4; scale *= 2) {
        std::atomic<bool> started{false}, finished{false};
        std::thread t([&] {
            hold(scale, started);
            finished = true;
        });
        while (!started) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        const bool held_before = !finished;
        if (held_before) probe();
        const bool held_after = !finished;
        t.join();
        if (held_before && held_after) return;
    }
    ADD_FAILURE() << "the long call never outlasted the probe";
}

}  // namespace

// A generator is pinned only by the calls that draw from it. While one call draws from it,
// the hash (which only stores it), verification, the public-key and parameter operations go
// on; every other call that would draw is refused with 15, and the generator exports say
// "in use".
TEST_F(Pins, AGeneratorIsHeldOnlyByTheCallsThatDrawFromIt) {
    const jlong hash = hash_context(com, rnd);
    const jlong sign = sign_context(rnd);
    const jlong other = gamma_context(com, rnd);
    jbyteArray digest = jni.array(32, "digest", 9), sig = jni.array(64, "sig");
    ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1sign)(env, nullptr, sign, digest, sig), 0);
    while_held(
        [&](int scale, std::atomic<bool>& started) {
            FakeJni own;  // a long draw: entropy is gathered every 16 KiB
            jbyteArray big = own.array(size_t(scale) * 320 * 1024, "big");
            started = true;
            VANTIX_CALL(vantix_1Random_1Fill)(own.env(), nullptr, rnd, big);
        },
        [&] {
            jni.clear();
            EXPECT_EQ(VANTIX_CALL(vantix_1GOST_1R34_111_11994_1update)(env, nullptr, hash, data, 0, 100), 0);
            EXPECT_EQ(VANTIX_CALL(vantix_1GOST_1R34_111_11994_1final)(env, nullptr, hash, b32), 0);
            EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1verify)(env, nullptr, sign, digest, sig), 0);
            const jlong pt = VANTIX_CALL(vantix_1LPoint)(env, nullptr);
            EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1get_1public_1key)(env, nullptr, sign, pt), 0);
            EXPECT_EQ(
                VANTIX_CALL(vantix_1LR34_110_12001_1get_1parms)(env, nullptr, sign, b32, nullptr, nullptr, nullptr, pt),
                0);
            VANTIX_CALL(mem_1free)(env, nullptr, pt);
            // A second signature context may take the same generator: set_parms only looks.
            const jlong second = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
            EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, second, rnd, nullptr, nullptr,
                                                                      nullptr, nullptr, 0),
                      0);
            VANTIX_CALL(mem_1free)(env, nullptr, second);
            // Those that draw are refused as "in use".
            EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(env, nullptr, other, data, 0, out, 0, 100), 15);
            EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1sign)(env, nullptr, sign, digest, sig), 15);
            EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1get_1secret_1key)(env, nullptr, sign, b64), 15);
            EXPECT_EQ(VANTIX_CALL(vantix_1Mask_1SecretKey_1)(env, nullptr, rnd, b64), 15);
            const jlong fresh = VANTIX_CALL(vantix_1G28147_11989_1mac)(env, nullptr);
            EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1mac_1init)(env, nullptr, fresh, com, rnd, key, nullptr), 15);
            VANTIX_CALL(mem_1free)(env, nullptr, fresh);
            EXPECT_EQ(jni.exception, "");
            VANTIX_CALL(vantix_1Random_1Fill)(env, nullptr, rnd, b32);
            EXPECT_EQ(jni.exception, "java/lang/IllegalStateException");
            EXPECT_NE(std::find(jni.events.begin(), jni.events.end(),
                                "throw java/lang/IllegalStateException: random generator is in use"),
                      jni.events.end());
            jni.clear();
            VANTIX_CALL(vantix_1ForceRandom_1)(env, nullptr, rnd, b64);
            EXPECT_EQ(jni.events.back(), "throw java/lang/IllegalStateException: random generator is in use");
            jni.clear();
            EXPECT_EQ(VANTIX_CALL(clone_1vantix_1RND_1State)(env, nullptr, rnd), 0);
            EXPECT_EQ(jni.events.back(), "throw java/lang/IllegalStateException: random generator is in use");
            jni.clear();
        });
    // Afterwards everything works again.
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(env, nullptr, other, data, 0, out, 0, 100), 0);
    free_all({hash, sign, other});
}

// A clear of a table that a call is reading is refused (15), and the running call's output
// is the one it would have had; an init naming the same table goes on (it writes identical
// values into the expanded table).
TEST_F(Pins, ATableIsNotClearedUnderACallReadingIt) {
    write_table(com);
    const jlong ctx = gamma_context(com, rnd);
    const jlong twin = gamma_context(com, rnd);
    const jlong rnd2 = VANTIX_CALL(clone_1vantix_1RND_1State)(env, nullptr, rnd);
    jint during = -1, init_during = -1;
    while_held(
        [&](int scale, std::atomic<bool>& started) {
            FakeJni own;
            const size_t n = size_t(scale) << 23;
            jbyteArray i = own.array(n, "i", 0x5A), o = own.array(n, "o");
            started = true;
            ASSERT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(own.env(), nullptr, ctx, i, 0, o, 0, jint(n)), 0);
            // The held call's output against the same stream from the twin context.
            const std::vector<uint8_t> held = own.bytes(o);
            ASSERT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(own.env(), nullptr, twin, i, 0, o, 0, jint(n)),
                      0);
            EXPECT_TRUE(held == own.bytes(o)) << "the call's output changed under it";
        },
        [&] {
            during = VANTIX_CALL(vantix_1COM_1State_1params_1clear)(env, nullptr, com);
            // The running call draws from rnd: the init takes a generator of its own.
            const jlong g = VANTIX_CALL(clone_1vantix_1RND_1State)(env, nullptr, rnd2);
            const jlong c = VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, nullptr);
            init_during = VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, c, com, g, key, iv);
            free_all({c, g});
        });
    EXPECT_EQ(during, 15);
    EXPECT_EQ(init_during, 0);
    EXPECT_EQ(VANTIX_CALL(vantix_1COM_1State_1params_1clear)(env, nullptr, com), 0);  // once no call reads it
    EXPECT_TRUE(all_zero(expanded(com)));
    free_all({ctx, twin, rnd2});
}

// A point handle that is not 0 and not a live point of at least 100 bytes is refused with
// 15: never taken as "absent" (for set_parms that would load the test set silently).
TEST_F(Pins, ANonZeroPointHandleIsNeverAbsent) {
    const ParamSetHex& set = kCryptoProA;
    jbyteArray p = jni.array(unhex(set.p), "p"), q = jni.array(unhex(set.q), "q"), a = jni.array(unhex(set.a), "a"),
               b = jni.array(unhex(set.b), "b");
    const jlong gamma = VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, nullptr);
    const jlong small = VANTIX_CALL(mem_1alloc)(env, nullptr, 16);
    const jlong sign = sign_context(rnd);
    std::vector<std::pair<const char*, jlong>> bad = bad_handles(gamma);
    bad.emplace_back("16-byte block", small);
    bad.emplace_back("interior of a point", [&] {
        const jlong pt = VANTIX_CALL(vantix_1LPoint)(env, nullptr);
        return pt + 4;  // leaked with the test: its block is freed below
    }());
    for (const auto& [what, h] : bad) {
        if (h == 0) continue;
        const jlong c = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
        jni.clear();
        EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, c, rnd, p, q, a, b, h), 15) << what;
        EXPECT_EQ(
            VANTIX_CALL(vantix_1LR34_110_12001_1get_1parms)(env, nullptr, c, nullptr, nullptr, nullptr, nullptr, 0), 2)
            << what << ": nothing loaded";
        EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1get_1public_1key)(env, nullptr, sign, h), 15) << what;
        EXPECT_EQ(
            VANTIX_CALL(vantix_1LR34_110_12001_1get_1parms)(env, nullptr, sign, b32, nullptr, nullptr, nullptr, h), 15)
            << what;
        EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1set_1public_1key)(env, nullptr, sign, h), 15) << what;
        EXPECT_EQ(jni.exception, "") << what;
        VANTIX_CALL(mem_1free)(env, nullptr, c);
    }
    // 0 keeps its meaning: the built-in set, or only asking whether the key is held.
    const jlong c = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, c, rnd, p, q, a, b, 0), 0);
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1get_1public_1key)(env, nullptr, sign, 0), 0);
    free_all({c, gamma, small, sign, bad.back().second - 4});
}

// The four cipher blocks differ only in their allocator: a block of another cipher kind is
// answered by the marker rules (14 from an operation, cleared by an init); only a block
// too small for the context is refused as missing.
TEST_F(Pins, CipherBlocksOfAnotherModeFollowTheMarkerRules) {
    const jlong feedback = VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb)(env, nullptr);
    ASSERT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1init)(env, nullptr, feedback, com, rnd, key, iv), 0);
    const jlong mac = VANTIX_CALL(vantix_1G28147_11989_1mac)(env, nullptr);
    ASSERT_EQ(VANTIX_CALL(vantix_1G28147_11989_1mac_1init)(env, nullptr, mac, com, rnd, key, iv), 0);
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(env, nullptr, feedback, data, 0, out, 0, 100), 14);
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1block_1encrypt)(env, nullptr, mac, data, 0, out, 0, 1), 14);
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1decrypt)(env, nullptr, mac, data, 0, out, 0, 8), 14);
    // An init on a fresh block of another cipher kind clears it and initialises it.
    for (auto alloc : {VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb), VANTIX_CALL(vantix_1G28147_11989_1mac)}) {
        const jlong fresh = alloc(env, nullptr);
        EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, fresh, com, rnd, key, iv), 0);
        EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(env, nullptr, fresh, data, 0, out, 0, 100), 0);
        VANTIX_CALL(mem_1free)(env, nullptr, fresh);
    }
    // Simple replacement's 104-byte block is too small for a gamma context.
    const jlong ecb = VANTIX_CALL(vantix_1G28147_11989_1block)(env, nullptr);
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, ecb, com, rnd, key, iv), 15);
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1block_1init)(env, nullptr, ecb, com, rnd, key), 0);
    free_all({feedback, mac, ecb});
}

// Every init expands the table it is given first, whatever follows: also when its key or
// start-value array is missing or too short.
TEST_F(Pins, EveryInitExpandsItsTableWhateverFollows) {
    jbyteArray short_array = jni.array(7, "short");
    struct Init {
        const char* name;
        std::function<jint(jlong ctx, jlong table)> call;
        jlong (*alloc)(JNIEnv*, jclass);
    };
    const std::vector<Init> inits = {
        {"block, null key",
         [&](jlong c, jlong t) {
             return VANTIX_CALL(vantix_1G28147_11989_1block_1init)(env, nullptr, c, t, rnd, nullptr);
         },
         VANTIX_CALL(vantix_1G28147_11989_1block)},
        {"gamma, null key",
         [&](jlong c, jlong t) {
             return VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, c, t, rnd, nullptr, iv);
         },
         VANTIX_CALL(vantix_1G28147_11989_1gamma)},
        {"feedback, short vector",
         [&](jlong c, jlong t) {
             return VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1init)(env, nullptr, c, t, rnd, key, short_array);
         },
         VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb)},
        {"mac, short key",
         [&](jlong c, jlong t) {
             return VANTIX_CALL(vantix_1G28147_11989_1mac_1init)(env, nullptr, c, t, rnd, short_array, nullptr);
         },
         VANTIX_CALL(vantix_1G28147_11989_1mac)},
        {"hash, short start",
         [&](jlong c, jlong t) {
             return VANTIX_CALL(vantix_1GOST_1R34_111_11994_1init)(env, nullptr, c, t, rnd, short_array);
         },
         VANTIX_CALL(vantix_1R34_111_11994)},
        {"gamma, no context",
         [&](jlong, jlong t) {
             return VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, 0, t, rnd, key, iv);
         },
         VANTIX_CALL(vantix_1G28147_11989_1gamma)},
    };
    for (const Init& init : inits) {
        const jlong table = VANTIX_CALL(vantix_1COM_1State)(env, nullptr);
        write_table(table);
        const jlong c = init.alloc(env, nullptr);
        jni.clear();
        const jint r = init.call(c, table);
        EXPECT_TRUE(r == 15 || jni.exception == "java/lang/ArrayIndexOutOfBoundsException") << init.name << ": " << r;
        jni.clear();
        EXPECT_FALSE(all_zero(expanded(table))) << init.name << ": the table was not expanded";
        free_all({table, c});
    }
}

// A context's stored addresses are checked and pinned whenever its own operation would use
// them. The MAC and the hash never test their marker, so a rewritten marker must not hide a
// rewritten or freed table from the check (the old check looked at the marker too).
TEST_F(Pins, StoredAddressesAreCheckedWhereverTheOperationUsesThem) {
    const jlong freed_table = [&] {
        const jlong t = VANTIX_CALL(vantix_1COM_1State)(env, nullptr);
        VANTIX_CALL(mem_1free)(env, nullptr, t);
        return t;
    }();
    struct Case {
        const char* name;
        std::function<jlong(jlong table)> make;
        size_t table_at;
        std::vector<std::function<jint(jlong)>> ops;
    };
    const std::vector<Case> cases = {
        {"mac",
         [&](jlong t) {
             const jlong c = VANTIX_CALL(vantix_1G28147_11989_1mac)(env, nullptr);
             EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1mac_1init)(env, nullptr, c, t, rnd, key, nullptr), 0);
             return c;
         },
         offsetof(MacContext, com_state),
         {[&](jlong c) { return VANTIX_CALL(vantix_1G28147_11989_1mac_1update)(env, nullptr, c, data, 0, 64); },
          [&](jlong c) {
              VANTIX_CALL(vantix_1G28147_11989_1mac_1update)(env, nullptr, c, data, 0, 3);
              return VANTIX_CALL(vantix_1G28147_11989_1mac_1final)(env, nullptr, c, b64);
          }}},
        {"hash",
         [&](jlong t) { return hash_context(t, rnd); },
         offsetof(HashContext, com_state),
         {[&](jlong c) { return VANTIX_CALL(vantix_1GOST_1R34_111_11994_1update)(env, nullptr, c, data, 0, 64); },
          [&](jlong c) {
              VANTIX_CALL(vantix_1GOST_1R34_111_11994_1update)(env, nullptr, c, data, 0, 3);
              return VANTIX_CALL(vantix_1GOST_1R34_111_11994_1final)(env, nullptr, c, b32);
          }}},
    };
    for (const Case& k : cases) {
        for (size_t op = 0; op < k.ops.size(); ++op) {
            // Marker rewritten and the table address pointing at nothing.
            const jlong c = k.make(com);
            set(c, 0, uint32_t(0));
            set(c, k.table_at, int64_t(0x4141414141414140));
            EXPECT_EQ(k.ops[op](c), 17) << k.name << " op " << op << ": marker 0, garbage table";
            // Marker rewritten and the table freed: nothing may be read from freed memory.
            const jlong t = VANTIX_CALL(vantix_1COM_1State)(env, nullptr);
            const jlong d = k.make(t);
            set(d, 0, uint32_t(0));
            VANTIX_CALL(mem_1free)(env, nullptr, t);
            EXPECT_EQ(k.ops[op](d), 17) << k.name << " op " << op << ": marker 0, table freed";
            // Also with the marker intact.
            const jlong e = k.make(com);
            set(e, k.table_at, int64_t(freed_table));
            EXPECT_EQ(k.ops[op](e), 17) << k.name << " op " << op << ": freed table";
            free_all({c, d, e});
        }
    }
}

// A signature context whose generator address was rewritten to 0 (or to anything that is
// not a live generator) is damaged for every operation that needs loaded parameters.
TEST_F(Pins, ASignatureContextWithoutItsGeneratorIsDamagedForEveryOperation) {
    jbyteArray digest = jni.array(32, "digest", 3), sig = jni.array(64, "sig");
    const jlong pt = VANTIX_CALL(vantix_1LPoint)(env, nullptr);
    const std::vector<std::pair<const char*, std::function<jint(jlong)>>> ops = {
        {"get_parms",
         [&](jlong c) {
             return VANTIX_CALL(vantix_1LR34_110_12001_1get_1parms)(env, nullptr, c, b32, nullptr, nullptr, nullptr, 0);
         }},
        {"gen_secret_key",
         [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1gen_1secret_1key)(env, nullptr, c); }},
        {"gen_public_key",
         [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1gen_1public_1key)(env, nullptr, c); }},
        {"set_secret_key",
         [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1set_1secret_1key)(env, nullptr, c, key); }},
        {"get_secret_key",
         [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1get_1secret_1key)(env, nullptr, c, b64); }},
        {"get_secret_key presence",
         [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1get_1secret_1key)(env, nullptr, c, nullptr); }},
        {"set_public_key",
         [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1set_1public_1key)(env, nullptr, c, pt); }},
        {"get_public_key",
         [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1get_1public_1key)(env, nullptr, c, pt); }},
        {"clear_secret_key",
         [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1clear_1secret_1key)(env, nullptr, c); }},
        {"clear_public_key",
         [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1clear_1public_1key)(env, nullptr, c); }},
        {"sign", [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1sign)(env, nullptr, c, digest, sig); }},
        {"verify", [&](jlong c) { return VANTIX_CALL(vantix_1LR34_110_12001_1verify)(env, nullptr, c, digest, sig); }},
    };
    const jlong freed = [&] {
        const jlong g = VANTIX_CALL(vantix_1RND_1State)(env, nullptr);
        VANTIX_CALL(mem_1free)(env, nullptr, g);
        return g;
    }();
    for (const int64_t address : {int64_t(0), int64_t(freed), int64_t(com)}) {
        for (const auto& [name, op] : ops) {
            const jlong c = sign_context(rnd);
            jbyteArray before = jni.array(760, "before"), after = jni.array(760, "after");
            set(c, offsetof(SignContext, rnd), address);
            VANTIX_CALL(mem_1read)(env, nullptr, c, 0, before, 0, 760);
            jni.clear();
            EXPECT_EQ(op(c), 17) << name << " with the generator address " << address;
            VANTIX_CALL(mem_1read)(env, nullptr, c, 0, after, 0, 760);
            EXPECT_TRUE(jni.bytes(before) == jni.bytes(after)) << name << ": a refused call changed the context";
            VANTIX_CALL(mem_1free)(env, nullptr, c);
        }
    }
    VANTIX_CALL(mem_1free)(env, nullptr, pt);
}
