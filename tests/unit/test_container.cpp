// Password-sealed containers: round trips, refusals with nothing written, tamper and wrong
// password detection, and the golden files that hold the format fixed.
#include <cstring>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "common/result.h"
#include "container/container.h"
#include "gost3410/keys.h"
#include "gost3410/params.h"
#include "random/generator.h"
#include "unit/hex.h"

using namespace vantix;

namespace {

const std::vector<uint8_t> kPassword = bytes_of("correct horse battery");

struct ContainerFixture : ::testing::Test {
    RND_State rnd{};
    void SetUp() override {
        uint8_t seed[64];
        for (int i = 0; i < 64; ++i) seed[i] = uint8_t(3 * i + 5);
        rnd_seed(&rnd, seed);
    }
};

std::vector<uint8_t> read_golden(const std::string& name) {
    std::ifstream f(std::string(VANTIX_GOLDEN_DIR) + "/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace

TEST_F(ContainerFixture, RandomSeedRoundTripAndFreshSalt) {
    uint8_t c1[84], c2[84];
    const uint32_t counter_before = rnd.counter;
    ASSERT_EQ(make_rnd_container(&rnd, kPassword.data(), int32_t(kPassword.size()), c1), 0);
    const RND_State after = rnd;
    ASSERT_EQ(make_rnd_container(&rnd, kPassword.data(), int32_t(kPassword.size()), c2), 0);
    EXPECT_NE(hex(c1, 8), hex(c2, 8));
    RND_State out{};
    ASSERT_EQ(extract_rnd_container(c1, kPassword.data(), int32_t(kPassword.size()), &out), 0);
    // The state is sealed after the salt draw (8 bytes) and the masks of the two derived
    // keys (2 x 64 bytes), before the context inits draw theirs.
    EXPECT_EQ(out.counter, counter_before + 8 + 128);
    EXPECT_NE(0, std::memcmp(&out, &after, RND_SAVED_BYTES));
    EXPECT_EQ(out.seeded, 1);
    RND_State out2{};
    EXPECT_EQ(extract_rnd_container(c2, kPassword.data(), int32_t(kPassword.size()), &out2), 0);
}

TEST_F(ContainerFixture, WrongPasswordAndEveryAlteredByteAreRejectedWithNothingWritten) {
    uint8_t c[84];
    ASSERT_EQ(make_rnd_container(&rnd, kPassword.data(), int32_t(kPassword.size()), c), 0);
    RND_State target{};
    std::memset(&target, 0xAB, sizeof target);
    const RND_State before = target;
    const auto wrong = bytes_of("correct horse battery!");
    EXPECT_EQ(extract_rnd_container(c, wrong.data(), int32_t(wrong.size()), &target), RC_CONTAINER_MAC);
    for (size_t i = 0; i < 84; ++i) {
        uint8_t bad[84];
        std::memcpy(bad, c, 84);
        bad[i] ^= 0x20;
        EXPECT_EQ(extract_rnd_container(bad, kPassword.data(), int32_t(kPassword.size()), &target), RC_CONTAINER_MAC)
            << i;
    }
    EXPECT_EQ(0, std::memcmp(&target, &before, sizeof target));
}

TEST_F(ContainerFixture, PasswordRulesAndUnseededGenerator) {
    uint8_t c[84];
    std::memset(c, 0x11, sizeof c);
    const auto nine = bytes_of("123456789"), ten = bytes_of("1234567890");
    EXPECT_EQ(make_rnd_container(&rnd, nine.data(), 9, c), RC_MISSING);
    RND_State unseeded{};
    EXPECT_EQ(make_rnd_container(&unseeded, ten.data(), 10, c), RC_CONTAINER_STEP);
    for (uint8_t b : c) ASSERT_EQ(b, 0x11);  // nothing written on failure
    ASSERT_EQ(make_rnd_container(&rnd, ten.data(), 10, c), 0);
    RND_State out{};
    EXPECT_EQ(extract_rnd_container(c, ten.data(), 0, &out), RC_MISSING);
    EXPECT_EQ(extract_rnd_container(c, ten.data(), 10, &out), 0);
    // Passwords folding to the same start value open each other's containers.
    const auto p16 = bytes_of("0123456789abcdef"), p32 = bytes_of("0123456789abcdef0123456789abcdef");
    ASSERT_EQ(make_rnd_container(&rnd, p16.data(), 16, c), 0);
    EXPECT_EQ(extract_rnd_container(c, p32.data(), 32, &out), 0);
}

TEST_F(ContainerFixture, KeyContainerRoundTripGivesTheSamePublicKey) {
    SignContext a{}, b{};
    ASSERT_EQ(sign_set_parms(&a, &rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(sign_set_parms(&b, &rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(sign_gen_secret_key(&a), 0);
    ASSERT_EQ(sign_gen_public_key(&a), 0);
    uint8_t key[64], c[48], back1[64], back2[64];
    ASSERT_EQ(sign_get_secret_key(&a, key, nullptr), 0);
    ASSERT_EQ(make_key_container(&rnd, key, kPassword.data(), int32_t(kPassword.size()), c), 0);
    ASSERT_EQ(extract_key_container(&rnd, c, kPassword.data(), int32_t(kPassword.size()), back1), 0);
    ASSERT_EQ(extract_key_container(&rnd, c, kPassword.data(), int32_t(kPassword.size()), back2), 0);
    EXPECT_NE(hex(back1, 64), hex(back2, 64));
    ASSERT_EQ(sign_set_secret_key(&b, back1), 0);
    ASSERT_EQ(sign_gen_public_key(&b), 0);
    LPoint qa{}, qb{};
    ASSERT_EQ(sign_get_public_key(&a, &qa, nullptr), 0);
    ASSERT_EQ(sign_get_public_key(&b, &qb, nullptr), 0);
    EXPECT_EQ(0, std::memcmp(&qa, &qb, 64));
    // Wrong password or any altered byte: 20 and the key array untouched.
    uint8_t out[64];
    std::memset(out, 0x5C, sizeof out);
    const auto wrong = bytes_of("wrong password");
    EXPECT_EQ(extract_key_container(&rnd, c, wrong.data(), int32_t(wrong.size()), out), RC_CONTAINER_MAC);
    for (size_t i = 0; i < 48; ++i) {
        uint8_t bad[48];
        std::memcpy(bad, c, 48);
        bad[i] ^= 1;
        EXPECT_EQ(extract_key_container(&rnd, bad, kPassword.data(), int32_t(kPassword.size()), out), RC_CONTAINER_MAC);
    }
    for (uint8_t x : out) ASSERT_EQ(x, 0x5C);
    RND_State unseeded{};
    EXPECT_EQ(make_key_container(&unseeded, key, kPassword.data(), int32_t(kPassword.size()), c), RC_CONTAINER_STEP);
    EXPECT_EQ(make_key_container(&rnd, key, kPassword.data(), 9, c), RC_MISSING);
}

TEST_F(ContainerFixture, GoldenFilesOpenToTheExactStateAndKey) {
    // Made once with the password below (see tests/golden/README.md); every build must open
    // them, so the derivation blocks and the format can never drift silently.
    const auto pw = bytes_of("golden password 2026");
    const auto rc = read_golden("rnd_container.bin");
    const auto kc = read_golden("key_container.bin");
    const auto expect_state = read_golden("rnd_state.bin");
    const auto expect_key = read_golden("key.bin");
    ASSERT_EQ(rc.size(), 84u);
    ASSERT_EQ(kc.size(), 48u);
    RND_State out{};
    ASSERT_EQ(extract_rnd_container(rc.data(), pw.data(), int32_t(pw.size()), &out), 0);
    EXPECT_EQ(hex(reinterpret_cast<const uint8_t*>(&out), RND_SAVED_BYTES), hex(expect_state));
    uint8_t key[64];
    ASSERT_EQ(extract_key_container(&rnd, kc.data(), pw.data(), int32_t(pw.size()), key), 0);
    uint8_t plain[32];
    for (int i = 0; i < 32; ++i) plain[i] = key[i] ^ key[32 + i];
    EXPECT_EQ(hex(plain, 32), hex(expect_key));
}
