// Exports whose results depend on the generator's exact draws, with its time sources and
// entropy fixed: a clone of a generator then draws exactly what the original drew.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "jni/fake_jni.h"
#include "jni/module.h"
#include "random/time_sources.h"
#include "unit/hex.h"

using namespace vantix;

namespace {

struct FixedTimeExports : ::testing::Test {
    FakeJni jni;
    JNIEnv* env = jni.env();
    jlong rnd = 0;

    void SetUp() override {
        auto& h = test_time_hooks();
        h.fixed_time = true;
        h.cycle = 0x0BADF00D;
        h.ms = 1234;
        h.fixed_entropy = true;
        std::memset(h.entropy, 0xA5, 32);
        rnd = VANTIX_CALL(vantix_1RND_1State)(env, nullptr);
        std::vector<uint8_t> seed(64);
        for (size_t i = 0; i < seed.size(); ++i) seed[i] = uint8_t(7 * i + 1);
        VANTIX_CALL(vantix_1ForceRandom_1)(env, nullptr, rnd, jni.array(seed, "seed"));
    }
    void TearDown() override {
        VANTIX_CALL(mem_1free)(env, nullptr, rnd);
        test_time_hooks() = TestTimeHooks{};
        EXPECT_EQ(jni.outstanding, 0);
    }

    // The next `n` bytes the generator would hand out, drawn from a clone.
    std::vector<uint8_t> next_draw(size_t n) {
        const jlong clone = VANTIX_CALL(clone_1vantix_1RND_1State)(env, nullptr, rnd);
        jbyteArray buf = jni.array(n, "draw");
        VANTIX_CALL(vantix_1Random_1Fill)(env, nullptr, clone, buf);
        VANTIX_CALL(mem_1free)(env, nullptr, clone);
        return jni.bytes(buf);
    }
};

}  // namespace

// Key generation draws 32 bytes and takes each group of four as a little-endian word of
// the key (most significant word first): the key's big-endian bytes are the drawn bytes
// with every group of four reversed.
TEST_F(FixedTimeExports, GeneratedSecretKeyIsTheDrawWithEachWordReversed) {
    const jlong ctx = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
    ASSERT_EQ(
        VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, ctx, rnd, nullptr, nullptr, nullptr, nullptr, 0),
        0);
    std::vector<uint8_t> expected = next_draw(32);
    for (size_t i = 0; i < 32; i += 4)
        std::swap_ranges(expected.begin() + long(i), expected.begin() + long(i) + 2,
                         std::make_reverse_iterator(expected.begin() + long(i) + 4));
    ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1gen_1secret_1key)(env, nullptr, ctx), 0);
    jbyteArray masked = jni.array(64, "key");
    ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1get_1secret_1key)(env, nullptr, ctx, masked), 0);
    const auto m = jni.bytes(masked);
    std::vector<uint8_t> d(32);
    for (size_t i = 0; i < 32; ++i) d[i] = m[i] ^ m[32 + i];
    EXPECT_EQ(hex(d), hex(expected));
    VANTIX_CALL(vantix_1LR34_110_12001_1clear)(env, nullptr, ctx);
    VANTIX_CALL(mem_1free)(env, nullptr, ctx);
}
