// The real exports driven through the recording fake JNIEnv: borrow and release order and
// modes of each array pattern, and refusal of bad input without a borrow or a write.
#include <algorithm>
#include <cstring>
#include <set>

#include <gtest/gtest.h>

#include "gost28147/builtin_tables.h"
#include "jni/fake_jni.h"
#include "jni/module.h"
#include "unit/hex.h"

using vantix::builtin_sbox;
using vantix::Sbox;

namespace {

using Events = std::vector<std::string>;

struct ExportFixture : ::testing::Test {
    FakeJni jni;
    JNIEnv* env = jni.env();
    jlong rnd = 0, com = 0;

    void SetUp() override {
        rnd = VANTIX_CALL(vantix_1RND_1State)(env, nullptr);
        jbyteArray seed = jni.array(64, "seed", 0x42);
        VANTIX_CALL(vantix_1ForceRandom_1)(env, nullptr, rnd, seed);
        com = VANTIX_CALL(vantix_1COM_1State)(env, nullptr);
        jni.clear();
    }
    void TearDown() override {
        EXPECT_EQ(jni.outstanding, 0) << "an array was not released";
        VANTIX_CALL(mem_1free)(env, nullptr, rnd);
        VANTIX_CALL(mem_1free)(env, nullptr, com);
    }
};

}  // namespace

TEST_F(ExportFixture, MemoryExportsAndAllocationFailure) {
    EXPECT_EQ(VANTIX_CALL(mem_1alloc)(env, nullptr, -1), 0);
    EXPECT_EQ(jni.exception, "java/lang/OutOfMemoryError");
    EXPECT_EQ(jni.events.back(), "throw java/lang/OutOfMemoryError: (null)");
    jni.clear();
    const jlong h = VANTIX_CALL(mem_1alloc)(env, nullptr, 8);
    jbyteArray a = jni.array({1, 2, 3, 4, 5, 6, 7, 8}, "a");
    VANTIX_CALL(mem_1write)(env, nullptr, h, 0, a, 0, 8);
    jbyteArray b = jni.array(4, "b");
    VANTIX_CALL(mem_1read)(env, nullptr, h, 2, b, 1, 3);
    EXPECT_EQ(hex(jni.bytes(b)), "00030405");
    // Handle 0 and out-of-bounds regions are refused before any copy.
    jni.clear();
    VANTIX_CALL(mem_1read)(env, nullptr, 0, 0, b, 0, 4);
    EXPECT_EQ(jni.exception, "java/lang/NullPointerException");
    jni.clear();
    VANTIX_CALL(mem_1write)(env, nullptr, h, 0, a, 6, 3);
    EXPECT_EQ(jni.exception, "java/lang/ArrayIndexOutOfBoundsException");
    for (const auto& e : jni.events) EXPECT_EQ(e.rfind("region", 0), std::string::npos) << e;
    VANTIX_CALL(mem_1free)(env, nullptr, h);
}

TEST_F(ExportFixture, RawEntryPointsReleaseInArgumentOrder) {
    jbyteArray expanded = jni.array(4096, "expanded");
    jbyteArray key = jni.array(64, "key", 0x11);
    jbyteArray in = jni.array(8, "in", 0x22);
    jbyteArray out = jni.array(8, "out");
    VANTIX_CALL(vantix_1_1GOSTE)(env, nullptr, expanded, key, in, out);
    EXPECT_EQ(jni.borrows(), (Events{"get expanded", "get key", "get in", "get out", "release expanded abort",
                                     "release key abort", "release in abort", "release out 0"}));
    jni.clear();
    jbyteArray table = jni.array(128, "table", 3);
    VANTIX_CALL(vantix_1_1InitGost)(env, nullptr, table, expanded);
    EXPECT_EQ(jni.borrows(), (Events{"get table", "get expanded", "release expanded 0", "release table abort"}));
    jni.clear();
    jbyteArray state = jni.array(8, "state");
    VANTIX_CALL(vantix_1_1GOSTA)(env, nullptr, expanded, key, state, in);
    EXPECT_EQ(jni.borrows(), (Events{"get expanded", "get key", "get state", "get in", "release expanded abort",
                                     "release key abort", "release state 0", "release in abort"}));
    // A short block is refused with nothing borrowed and nothing written.
    jni.clear();
    jbyteArray short_out = jni.array(7, "short", 0x77);
    VANTIX_CALL(vantix_1_1GOSTE)(env, nullptr, expanded, key, in, short_out);
    EXPECT_EQ(jni.exception, "java/lang/ArrayIndexOutOfBoundsException");
    EXPECT_TRUE(jni.borrows().empty());
    EXPECT_EQ(hex(jni.bytes(short_out)), "77777777777777");
    jni.clear();
    VANTIX_CALL(vantix_1_1GOSTD)(env, nullptr, nullptr, key, in, out);
    EXPECT_EQ(jni.exception, "java/lang/NullPointerException");
}

TEST_F(ExportFixture, ModeInitAndDataCallsFollowTheirOrders) {
    jbyteArray table = jni.array(std::vector<uint8_t>(128, 1), "table");
    VANTIX_CALL(mem_1write)(env, nullptr, com, 0, table, 0, 128);
    const jlong ctx = VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb)(env, nullptr);
    jbyteArray key = jni.array(64, "key", 0x5A);
    jbyteArray iv = jni.array(8, "iv", 1);
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1init)(env, nullptr, ctx, com, rnd, key, iv), 0);
    EXPECT_EQ(jni.borrows(), (Events{"get key", "get iv", "release iv abort", "release key abort"}));
    jbyteArray in = jni.array(20, "in", 9);
    jbyteArray out = jni.array(20, "out");
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1encrypt)(env, nullptr, ctx, in, 2, out, 4, 16), 0);
    EXPECT_EQ(jni.borrows(), (Events{"get in", "get out", "release out 0", "release in abort"}));
    const auto written = jni.bytes(out);
    EXPECT_EQ(hex(written.data(), 4), "00000000");  // the offset is honoured
    // Regions out of bounds: 15, an exception, nothing borrowed, nothing written.
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1encrypt)(env, nullptr, ctx, in, 2, out, 5, 16), 15);
    EXPECT_EQ(jni.exception, "java/lang/ArrayIndexOutOfBoundsException");
    EXPECT_TRUE(jni.borrows().empty());
    EXPECT_EQ(jni.bytes(out), written);
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1encrypt)(env, nullptr, ctx, nullptr, 0, out, 0, 1), 15);
    EXPECT_TRUE(jni.exception.empty());
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1init)(env, nullptr, ctx, com, rnd, key, jni.array(7, "s")),
              15);
    EXPECT_EQ(jni.exception, "java/lang/ArrayIndexOutOfBoundsException");
    VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1clear)(env, nullptr, ctx);
    VANTIX_CALL(mem_1free)(env, nullptr, ctx);
}

// The exports on little-endian words: the borrow orders of their big-endian counterparts,
// the data words reversed against them (the gamma keystream XORed in is the same), and a
// length that is not a whole number of words refused with 15 after the bounds checks,
// without an exception or anything written.
TEST_F(ExportFixture, PeerOrderExportsFollowTheirCounterparts) {
    jbyteArray table = jni.array(std::vector<uint8_t>(128, 1), "table");
    VANTIX_CALL(mem_1write)(env, nullptr, com, 0, table, 0, 128);
    jbyteArray key = jni.array(64, "key", 0x5A);
    const jlong le = VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, nullptr);
    const jlong be = VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, nullptr);
    ASSERT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, le, com, rnd, key, nullptr), 0);
    ASSERT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, be, com, rnd, key, nullptr), 0);
    jbyteArray in = jni.array({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, "in");
    jbyteArray zeros = jni.array(12, "zeros");
    jbyteArray out = jni.array(12, "out"), ks = jni.array(12, "keystream");
    jni.clear();
    EXPECT_EQ(VANTIX_PO_CALL(vantix_1G28147_11989_1gamma_1crypt_1le)(env, nullptr, le, in, 0, out, 0, 12), 0);
    EXPECT_EQ(jni.borrows(), (Events{"get in", "get out", "release out 0", "release in abort"}));
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(env, nullptr, be, zeros, 0, ks, 0, 12), 0);
    std::vector<uint8_t> expect = jni.bytes(ks);
    for (size_t i = 0; i < 12; i += 4) std::reverse(expect.begin() + long(i), expect.begin() + long(i) + 4);
    for (size_t i = 0; i < 12; ++i) expect[i] ^= uint8_t(i + 1);
    EXPECT_EQ(hex(jni.bytes(out)), hex(expect));
    const auto before = jni.bytes(out);
    jni.clear();
    EXPECT_EQ(VANTIX_PO_CALL(vantix_1G28147_11989_1gamma_1crypt_1le)(env, nullptr, le, in, 0, out, 0, 6), 15);
    EXPECT_TRUE(jni.exception.empty());
    EXPECT_EQ(jni.bytes(out), before);
    jni.clear();
    EXPECT_EQ(VANTIX_PO_CALL(vantix_1G28147_11989_1gamma_1crypt_1le)(env, nullptr, le, in, 4, out, 0, 12), 15);
    EXPECT_EQ(jni.exception, "java/lang/ArrayIndexOutOfBoundsException");
    EXPECT_TRUE(jni.borrows().empty());
    VANTIX_CALL(mem_1free)(env, nullptr, le);
    VANTIX_CALL(mem_1free)(env, nullptr, be);

    const jlong f = VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb)(env, nullptr);
    ASSERT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1init)(env, nullptr, f, com, rnd, key, nullptr), 0);
    for (auto call : {VANTIX_PO_CALL(vantix_1G28147_11989_1gamma_1ofb_1encrypt_1le),
                      VANTIX_PO_CALL(vantix_1G28147_11989_1gamma_1ofb_1decrypt_1le)}) {
        jni.clear();
        EXPECT_EQ(call(env, nullptr, f, in, 0, out, 0, 8), 0);
        EXPECT_EQ(jni.borrows(), (Events{"get in", "get out", "release out 0", "release in abort"}));
        EXPECT_EQ(call(env, nullptr, f, in, 0, out, 0, 3), 15);
    }
    VANTIX_CALL(mem_1free)(env, nullptr, f);

    const jlong m = VANTIX_CALL(vantix_1G28147_11989_1mac)(env, nullptr);
    ASSERT_EQ(VANTIX_CALL(vantix_1G28147_11989_1mac_1init)(env, nullptr, m, com, rnd, key, nullptr), 0);
    jni.clear();
    EXPECT_EQ(VANTIX_PO_CALL(vantix_1G28147_11989_1mac_1update_1le)(env, nullptr, m, in, 4, 8), 0);
    EXPECT_EQ(jni.borrows(), (Events{"get in", "release in abort"}));
    EXPECT_EQ(VANTIX_PO_CALL(vantix_1G28147_11989_1mac_1update_1le)(env, nullptr, m, in, 0, 10), 15);
    EXPECT_EQ(VANTIX_PO_CALL(vantix_1G28147_11989_1mac_1update_1le)(env, nullptr, m, nullptr, 0, 8), 15);
    EXPECT_TRUE(jni.exception.empty());
    VANTIX_CALL(mem_1free)(env, nullptr, m);
}

TEST_F(ExportFixture, HashFinalCopiesBackAndUpdateAddsTheOffset) {
    jbyteArray table = jni.array(std::vector<uint8_t>(128, 2), "table");
    VANTIX_CALL(mem_1write)(env, nullptr, com, 0, table, 0, 128);
    const jlong ctx = VANTIX_CALL(vantix_1R34_111_11994)(env, nullptr);
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1GOST_1R34_111_11994_1init)(env, nullptr, ctx, com, rnd, nullptr), 0);
    EXPECT_TRUE(jni.borrows().empty());
    jbyteArray data = jni.array(bytes_of("xxabc"), "data");
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1GOST_1R34_111_11994_1update)(env, nullptr, ctx, data, 2, 3), 0);
    EXPECT_EQ(jni.borrows(), (Events{"get data", "release data abort"}));
    jbyteArray out = jni.array(32, "out");
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1GOST_1R34_111_11994_1final)(env, nullptr, ctx, out), 0);
    EXPECT_EQ(jni.borrows(), (Events{"get out", "release out 0"}));
    VANTIX_CALL(mem_1free)(env, nullptr, ctx);
}

// The hash never draws from its generator, but the init export demands a live one: without
// it the table is still expanded, 15 comes back and the context stays as allocated.
TEST_F(ExportFixture, HashInitWithoutGeneratorExpandsTheTableAndRefuses) {
    jbyteArray table = jni.array(std::vector<uint8_t>(128, 2), "table");
    VANTIX_CALL(mem_1write)(env, nullptr, com, 0, table, 0, 128);
    const jlong ctx = VANTIX_CALL(vantix_1R34_111_11994)(env, nullptr);
    jbyteArray before = jni.array(128, "before"), after = jni.array(128, "after");
    VANTIX_CALL(mem_1read)(env, nullptr, ctx, 0, before, 0, 128);
    jbyteArray expanded = jni.array(8, "expanded");
    const jlong freed = VANTIX_CALL(vantix_1RND_1State)(env, nullptr);
    VANTIX_CALL(mem_1free)(env, nullptr, freed);
    for (const jlong g : {jlong(0), freed, com}) {
        VANTIX_CALL(mem_1write)(env, nullptr, com, 128, jni.array(8, "zero"), 0, 8);
        jni.clear();
        EXPECT_EQ(VANTIX_CALL(vantix_1GOST_1R34_111_11994_1init)(env, nullptr, ctx, com, g, nullptr), 15);
        EXPECT_TRUE(jni.exception.empty());
        VANTIX_CALL(mem_1read)(env, nullptr, ctx, 0, after, 0, 128);
        EXPECT_EQ(jni.bytes(before), jni.bytes(after));
        VANTIX_CALL(mem_1read)(env, nullptr, com, 128, expanded, 0, 8);
        EXPECT_NE(jni.bytes(expanded), std::vector<uint8_t>(8, 0)) << "the table was not expanded";
    }
    EXPECT_EQ(VANTIX_CALL(vantix_1GOST_1R34_111_11994_1init)(env, nullptr, ctx, com, rnd, nullptr), 0);
    VANTIX_CALL(mem_1free)(env, nullptr, ctx);
}

TEST_F(ExportFixture, ContainerAndSignatureOrders) {
    jbyteArray pw = jni.array(bytes_of("a long enough password"), "password");
    jbyteArray c = jni.array(84, "container");
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1MakeRndContainer)(env, nullptr, rnd, pw, c), 0);
    // A secret array that is written back goes back in two steps, so that its copy can be
    // wiped in between: copied back (commit), then freed (abort).
    EXPECT_EQ(jni.borrows(), (Events{"get password", "get container", "release password abort",
                                     "release container commit", "release container abort"}));
    const jlong target = VANTIX_CALL(vantix_1RND_1State)(env, nullptr);
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1ExtractRndContainer)(env, nullptr, c, pw, target), 0);
    EXPECT_EQ(jni.borrows(), (Events{"get password", "get container", "release password abort",
                                     "release container commit", "release container abort"}));
    VANTIX_CALL(mem_1free)(env, nullptr, target);

    const jlong ctx = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
    jni.clear();
    EXPECT_EQ(
        VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, ctx, rnd, nullptr, nullptr, nullptr, nullptr, 0),
        0);
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1gen_1secret_1key)(env, nullptr, ctx), 0);
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1gen_1public_1key)(env, nullptr, ctx), 0);
    jbyteArray digest = jni.array(32, "digest", 0x33);
    jbyteArray sig = jni.array(64, "signature");
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1sign)(env, nullptr, ctx, digest, sig), 0);
    EXPECT_EQ(jni.borrows(), (Events{"get digest", "get signature", "release signature 0", "release digest abort"}));
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1verify)(env, nullptr, ctx, digest, sig), 0);
    EXPECT_EQ(jni.borrows(),
              (Events{"get digest", "get signature", "release signature abort", "release digest abort"}));
    jbyteArray key = jni.array(64, "key");
    jbyteArray kc = jni.array(48, "container");
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1get_1secret_1key)(env, nullptr, ctx, key), 0);
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1MakeKeyContainer)(env, nullptr, rnd, key, pw, kc), 0);
    EXPECT_EQ(jni.borrows(), (Events{"get key", "get password", "get container", "release password abort",
                                     "release key abort", "release container commit", "release container abort"}));
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1ExtractKeyContainer)(env, nullptr, rnd, kc, pw, key), 0);
    EXPECT_EQ(jni.borrows(),
              (Events{"get key", "get password", "get container", "release password abort", "release key commit",
                      "release key abort", "release container commit", "release container abort"}));
    VANTIX_CALL(vantix_1LR34_110_12001_1clear)(env, nullptr, ctx);
    VANTIX_CALL(mem_1free)(env, nullptr, ctx);
}

TEST_F(ExportFixture, KeyAgreementBorrowsInArgumentOrderAndRefusesShortArrays) {
    const jlong ctx = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
    const jlong point = VANTIX_CALL(vantix_1LPoint)(env, nullptr);
    ASSERT_EQ(
        VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, ctx, rnd, nullptr, nullptr, nullptr, nullptr, 0),
        0);
    ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1gen_1secret_1key)(env, nullptr, ctx), 0);
    ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1gen_1public_1key)(env, nullptr, ctx), 0);
    ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1get_1public_1key)(env, nullptr, ctx, point), 0);
    jbyteArray m = jni.array(32, "multiplier", 0);
    jbyteArray shared = jni.array(64, "shared", 0xEE);
    jni.clear();
    EXPECT_EQ(VANTIX_KA_CALL(vantix_1LR34_110_12001_1vko)(env, nullptr, ctx, point, m, shared), 15);  // m = 0
    // The shared point is a secret: copied back, its copy wiped, then freed.
    EXPECT_EQ(jni.borrows(), (Events{"get multiplier", "get shared", "release shared commit", "release shared abort",
                                     "release multiplier abort"}));
    EXPECT_EQ(jni.bytes(shared), std::vector<uint8_t>(64, 0xEE));
    m = jni.array(std::vector<uint8_t>(32, 1), "multiplier");
    EXPECT_EQ(VANTIX_KA_CALL(vantix_1LR34_110_12001_1vko)(env, nullptr, ctx, point, m, shared), 0);
    EXPECT_NE(jni.bytes(shared), std::vector<uint8_t>(64, 0xEE));
    struct Case {
        jbyteArray m, shared;
        const char* exception;
    } cases[] = {{nullptr, shared, ""},
                 {m, nullptr, ""},
                 {jni.array(31, "short m"), shared, "java/lang/ArrayIndexOutOfBoundsException"},
                 {m, jni.array(63, "short shared"), "java/lang/ArrayIndexOutOfBoundsException"}};
    for (const Case& c : cases) {
        jni.clear();
        EXPECT_EQ(VANTIX_KA_CALL(vantix_1LR34_110_12001_1vko)(env, nullptr, ctx, point, c.m, c.shared), 15);
        EXPECT_EQ(jni.exception, c.exception);
        EXPECT_TRUE(jni.borrows().empty());
    }
    VANTIX_CALL(vantix_1LR34_110_12001_1clear)(env, nullptr, ctx);
    VANTIX_CALL(mem_1free)(env, nullptr, ctx);
    VANTIX_CALL(mem_1free)(env, nullptr, point);
}

TEST_F(ExportFixture, RandomFillRefusesAnUnseededState) {
    const jlong fresh = VANTIX_CALL(vantix_1RND_1State)(env, nullptr);
    jbyteArray buf = jni.array(16, "buffer", 7);
    VANTIX_CALL(vantix_1Random_1Fill)(env, nullptr, fresh, buf);
    EXPECT_EQ(jni.events.back(), "throw java/lang/IllegalStateException: random generator is not seeded");
    EXPECT_EQ(jni.bytes(buf), std::vector<uint8_t>(16, 7));
    jni.clear();
    VANTIX_CALL(vantix_1Random_1Fill)(env, nullptr, rnd, buf);
    EXPECT_EQ(jni.borrows(), (Events{"get buffer", "release buffer commit", "release buffer abort"}));
    EXPECT_NE(jni.bytes(buf), std::vector<uint8_t>(16, 7));
    jni.clear();
    jbyteArray bio = jni.array(64, "bio");
    EXPECT_EQ(VANTIX_CALL(vantix_1InitBioRnd)(env, nullptr, bio), 0);
    EXPECT_NE(jni.bytes(bio), std::vector<uint8_t>(64, 0));
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1InitBioRnd)(env, nullptr, jni.array(63, "short")), 15);
    EXPECT_EQ(jni.exception, "java/lang/ArrayIndexOutOfBoundsException");
    VANTIX_CALL(mem_1free)(env, nullptr, fresh);
}

TEST_F(ExportFixture, WindowTitleIsReadOnlyToTheArrayEnd) {
    // No terminating zero: read up to the end of the array, never past it.
    jbyteArray title = jni.array(bytes_of("no such window title 7f3a"), "title");
    EXPECT_EQ(VANTIX_CALL(utils_1FindWindowByTitle)(env, nullptr, title), 0);
    EXPECT_EQ(jni.borrows(), (Events{"get title", "release title abort"}));
    EXPECT_EQ(VANTIX_CALL(utils_1CenterWindow)(env, nullptr, 0, 0, 0, 100, 100), 0);
}

// Opening a key container ends by overwriting its 48-byte working copy with 48 generator
// bytes: the generator's byte counter (offset 64) shows every byte drawn.
TEST_F(ExportFixture, KeyContainerOpeningDrawsItsFinal48Bytes) {
    jbyteArray pw = jni.array(bytes_of("a long enough password"), "password");
    jbyteArray key = jni.array(64, "key", 0x3D);
    jbyteArray kc = jni.array(48, "container");
    ASSERT_EQ(VANTIX_CALL(vantix_1MakeKeyContainer)(env, nullptr, rnd, key, pw, kc), 0);
    jbyteArray counter = jni.array(4, "counter");
    auto count = [&] {
        VANTIX_CALL(mem_1read)(env, nullptr, rnd, 64, counter, 0, 4);
        const auto c = jni.bytes(counter);
        return uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16 | uint32_t(c[3]) << 24;
    };
    const uint32_t before = count();
    ASSERT_EQ(VANTIX_CALL(vantix_1ExtractKeyContainer)(env, nullptr, rnd, kc, pw, key), 0);
    // Two key derivations, the feedback and MAC contexts' masks, the output mask, then 48.
    EXPECT_EQ(count() - before, 560u);
    // A refused opening (wrong password) draws no final bytes.
    const uint32_t refused_from = count();
    EXPECT_EQ(VANTIX_CALL(vantix_1ExtractKeyContainer)(env, nullptr, rnd, kc,
                                                       jni.array(bytes_of("another password"), "pw2"), key),
              20);
    EXPECT_LT(count() - refused_from, 560u - 48u);
}

// A group order that is not prime is refused (15) even where the other checks pass: on
// y^2 = x^3 + 1 the point (0, 1) has order 3, which divides q = 2^255 + 1, so q*G is the
// point at infinity; such a q would let the public key tell d modulo 3.
TEST_F(ExportFixture, SetParmsRefusesAGroupOrderThatIsNotPrime) {
    const jlong ctx = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
    const jlong point = VANTIX_CALL(vantix_1LPoint)(env, nullptr);
    std::vector<uint8_t> xy(64);
    xy[63] = 1;  // x = 0, y = 1
    VANTIX_CALL(mem_1write)(env, nullptr, point, 0, jni.array(xy, "g"), 0, 64);
    const auto p = unhex("8000000000000000000000000000000000000000000000000000000000000431");
    std::vector<uint8_t> q(32), a(32), b(32);
    q[0] = 0x80;
    q[31] = 1;
    b[31] = 1;
    EXPECT_EQ(
        VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, ctx, rnd, jni.array(p, "p"), jni.array(q, "q"),
                                                        jni.array(a, "a"), jni.array(b, "b"), point),
        15);
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1gen_1secret_1key)(env, nullptr, ctx), 2);  // nothing loaded
    VANTIX_CALL(mem_1free)(env, nullptr, point);
    VANTIX_CALL(mem_1free)(env, nullptr, ctx);
}

// The finish with the caller's whole length: the same digest as the context's own finish
// while the length fits its 32-bit count; refused (15, nothing written) for a length that
// disagrees with what was fed; a length 2^32 bytes longer changes only the length block.
TEST_F(ExportFixture, HashFinishWithTheWholeLength) {
    const uint8_t* sbox = builtin_sbox(Sbox::HashTest);
    const std::vector<uint8_t> table(sbox, sbox + 128);
    VANTIX_CALL(mem_1write)(env, nullptr, com, 0, jni.array(table, "table"), 0, 128);
    const jlong ctx = VANTIX_CALL(vantix_1R34_111_11994)(env, nullptr);
    ASSERT_EQ(VANTIX_CALL(vantix_1GOST_1R34_111_11994_1init)(env, nullptr, ctx, com, rnd, nullptr), 0);
    ASSERT_EQ(
        VANTIX_CALL(vantix_1GOST_1R34_111_11994_1update)(env, nullptr, ctx, jni.array(bytes_of("abc"), "d"), 0, 3), 0);
    jbyteArray own = jni.array(32, "own"), whole = jni.array(32, "whole", 0xEE);
    ASSERT_EQ(VANTIX_CALL(vantix_1GOST_1R34_111_11994_1final)(env, nullptr, ctx, own), 0);
    EXPECT_EQ(hex(jni.bytes(own)), "f3134348c44fb1b2a277729e2285ebb5cb5e0f29c975bc753b70497c06a4d51d");
    for (const jlong wrong : {jlong(-1), jlong(0), jlong(2), jlong(4), jlong(35), (jlong(1) << 32) + 2}) {
        jni.clear();
        EXPECT_EQ(
            VANTIX_CLASS_CALL(VantixHash, vantix_1GOST_1R34_111_11994_1final_1length)(env, nullptr, ctx, wrong, whole),
            15)
            << wrong;
        EXPECT_EQ(jni.bytes(whole), std::vector<uint8_t>(32, 0xEE)) << wrong;
    }
    EXPECT_EQ(VANTIX_CLASS_CALL(VantixHash, vantix_1GOST_1R34_111_11994_1final_1length)(env, nullptr, ctx, 3, whole),
              0);
    EXPECT_EQ(jni.bytes(whole), jni.bytes(own));
    EXPECT_EQ(VANTIX_CLASS_CALL(VantixHash, vantix_1GOST_1R34_111_11994_1final_1length)(env, nullptr, ctx,
                                                                                        (jlong(1) << 32) + 3, whole),
              0);
    EXPECT_NE(jni.bytes(whole), jni.bytes(own));
    // Handles are checked like every export's.
    EXPECT_EQ(VANTIX_CLASS_CALL(VantixHash, vantix_1GOST_1R34_111_11994_1final_1length)(env, nullptr, com, 3, whole),
              15);
    EXPECT_EQ(VANTIX_CLASS_CALL(VantixHash, vantix_1GOST_1R34_111_11994_1final_1length)(env, nullptr, 0, 3, whole), 15);
    EXPECT_EQ(VANTIX_CLASS_CALL(VantixHash, vantix_1GOST_1R34_111_11994_1final_1length)(env, nullptr, ctx, 3, nullptr),
              15);
    // A cleared context counts 0: any other length is refused before its state is.
    VANTIX_CALL(vantix_1GOST_1R34_111_11994_1clear)(env, nullptr, ctx);
    EXPECT_EQ(VANTIX_CLASS_CALL(VantixHash, vantix_1GOST_1R34_111_11994_1final_1length)(env, nullptr, ctx, 3, whole),
              15);
    EXPECT_EQ(VANTIX_CLASS_CALL(VantixHash, vantix_1GOST_1R34_111_11994_1final_1length)(env, nullptr, ctx, 0, whole),
              2);
    VANTIX_CALL(mem_1free)(env, nullptr, ctx);
}

// Every array that carries a secret (keys, masked or plain, passwords, seeds, random bytes,
// containers) is wiped in the JVM's copy before the copy is freed; written ones are copied
// back first. Public arrays are left alone, and an array the JVM pinned in place (the
// caller's own bytes) is never wiped.
TEST_F(ExportFixture, SecretArrayCopiesAreWipedBeforeTheyAreFreed) {
    std::vector<uint8_t> sbox(128);
    for (size_t i = 0; i < sbox.size(); ++i) sbox[i] = uint8_t(((i * 7) & 0x0F) | ((i * 5) << 4));
    VANTIX_CALL(mem_1write)(env, nullptr, com, 0, jni.array(sbox, "table"), 0, 128);
    jbyteArray pw = jni.array(bytes_of("a long enough password"), "password");
    jbyteArray iv = jni.array(8, "iv", 1);
    jni.clear();
    VANTIX_CALL(vantix_1ForceRandom_1)(env, nullptr, rnd, jni.array(64, "seed", 0x42));
    jbyteArray random = jni.array(16, "random", 0);
    VANTIX_CALL(vantix_1Random_1Fill)(env, nullptr, rnd, random);
    EXPECT_EQ(VANTIX_CALL(vantix_1InitBioRnd)(env, nullptr, jni.array(64, "bio")), 0);
    EXPECT_EQ(VANTIX_CALL(vantix_1Mask_1SecretKey_1)(env, nullptr, rnd, jni.array(64, "masked", 0x11)), 0);
    const jlong gamma = VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, nullptr);
    const jlong ofb = VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb)(env, nullptr);
    const jlong mac = VANTIX_CALL(vantix_1G28147_11989_1mac)(env, nullptr);
    const jlong block = VANTIX_CALL(vantix_1G28147_11989_1block)(env, nullptr);
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, gamma, com, rnd,
                                                             jni.array(64, "gamma key", 0x5A), iv),
              0);
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1init)(env, nullptr, ofb, com, rnd,
                                                                  jni.array(64, "feedback key", 0x5B), iv),
              0);
    EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1mac_1init)(env, nullptr, mac, com, rnd, jni.array(64, "mac key", 0x5C),
                                                           nullptr),
              0);
    EXPECT_EQ(
        VANTIX_CALL(vantix_1G28147_11989_1block_1init)(env, nullptr, block, com, rnd, jni.array(64, "block key", 0x5D)),
        0);
    jbyteArray out = jni.array(8, "out");
    VANTIX_CALL(vantix_1_1GOSTE)
    (env, nullptr, jni.array(4096, "expanded", 3), jni.array(64, "raw key", 0x5E), jni.array(8, "in", 9), out);
    const jlong ctx = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
    ASSERT_EQ(
        VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, ctx, rnd, nullptr, nullptr, nullptr, nullptr, 0),
        0);
    std::vector<uint8_t> d_with_zero_mask(64);
    std::fill(d_with_zero_mask.begin(), d_with_zero_mask.begin() + 32, 0x21);
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1set_1secret_1key)(env, nullptr, ctx,
                                                                    jni.array(d_with_zero_mask, "set key")),
              0);
    jbyteArray got = jni.array(64, "got key");
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1get_1secret_1key)(env, nullptr, ctx, got), 0);
    jbyteArray kc = jni.array(48, "key container");
    EXPECT_EQ(VANTIX_CALL(vantix_1MakeKeyContainer)(env, nullptr, rnd, got, pw, kc), 0);
    jbyteArray opened = jni.array(64, "opened key");
    EXPECT_EQ(VANTIX_CALL(vantix_1ExtractKeyContainer)(env, nullptr, rnd, kc, pw, opened), 0);
    jbyteArray rc = jni.array(84, "seed container");
    EXPECT_EQ(VANTIX_CALL(vantix_1MakeRndContainer)(env, nullptr, rnd, pw, rc), 0);
    EXPECT_EQ(VANTIX_CALL(vantix_1ExtractRndContainer)(env, nullptr, rc, pw, rnd), 0);
    const jlong point = VANTIX_CALL(vantix_1LPoint)(env, nullptr);
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1gen_1public_1key)(env, nullptr, ctx), 0);
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1get_1public_1key)(env, nullptr, ctx, point), 0);
    jbyteArray shared = jni.array(64, "shared");
    EXPECT_EQ(VANTIX_KA_CALL(vantix_1LR34_110_12001_1vko)(env, nullptr, ctx, point, jni.array(32, "ukm", 1), shared),
              0);
    EXPECT_NE(jni.bytes(shared), std::vector<uint8_t>(64, 0));
    VANTIX_CALL(mem_1free)(env, nullptr, point);
    jbyteArray digest = jni.array(32, "digest", 0x33), sig = jni.array(64, "signature");
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1sign)(env, nullptr, ctx, digest, sig), 0);  // public arrays

    std::set<std::string> wiped, kept;
    for (const auto& [name, zero] : jni.freed) (zero ? wiped : kept).insert(name);
    EXPECT_EQ(wiped, (std::set<std::string>{"bio", "block key", "feedback key", "gamma key", "got key", "key container",
                                            "mac key", "masked", "opened key", "password", "random", "raw key", "seed",
                                            "seed container", "set key", "shared"}));
    EXPECT_EQ(kept, (std::set<std::string>{"digest", "expanded", "in", "iv", "out", "signature", "ukm"}));
    // What the caller receives is still copied back before the copy is wiped.
    EXPECT_NE(jni.bytes(random), std::vector<uint8_t>(16, 0));
    EXPECT_NE(jni.bytes(opened), std::vector<uint8_t>(64, 0));
    EXPECT_NE(jni.bytes(kc), std::vector<uint8_t>(48, 0));
    EXPECT_NE(jni.bytes(out), std::vector<uint8_t>(8, 0));

    // Pinned in place: the caller's own arrays are read and written, never wiped.
    jni.pin_in_place = true;
    jni.clear();
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1clear_1secret_1key)(env, nullptr, ctx), 0);
    jbyteArray pinned_key = jni.array(64, "pinned key", 0x21);
    EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1set_1secret_1key)(env, nullptr, ctx, pinned_key), 0);
    EXPECT_EQ(jni.bytes(pinned_key), std::vector<uint8_t>(64, 0x21));
    EXPECT_EQ(VANTIX_CALL(vantix_1ExtractKeyContainer)(env, nullptr, rnd, kc, pw, opened), 0);
    EXPECT_EQ(jni.bytes(pw), bytes_of("a long enough password"));
    EXPECT_NE(jni.bytes(opened), std::vector<uint8_t>(64, 0));
    EXPECT_TRUE(jni.freed.empty());
    jni.pin_in_place = false;

    for (jlong c : {gamma, ofb, mac, block, ctx}) VANTIX_CALL(mem_1free)(env, nullptr, c);
}
