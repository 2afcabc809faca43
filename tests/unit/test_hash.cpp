// GOST R 34.11-94: the reference digests with the test parameter set, streaming splits,
// and the context's state rules.
#include <algorithm>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "common/result.h"
#include "contexts/hash.h"
#include "gost28147/builtin_tables.h"
#include "gost3411/hash_step.h"
#include "unit/hex.h"

using namespace vantix;

namespace {

struct HashFixture : ::testing::Test {
    COM_State com{};
    RND_State rnd{};
    HashContext ctx{};
    void SetUp() override { std::memcpy(com.sbox, builtin_sbox(Sbox::HashTest), 128); }

    std::string digest_of(const std::vector<uint8_t>& msg, const std::vector<size_t>& cuts) {
        HashContext c{};
        EXPECT_EQ(hash_init(&c, &com, &rnd, nullptr), 0);
        static const uint8_t none = 0;
        const uint8_t* base = msg.empty() ? &none : msg.data();  // data is never null
        size_t pos = 0;
        for (size_t cut : cuts) {
            EXPECT_EQ(hash_update(&c, base + pos, int32_t(cut)), 0);
            pos += cut;
        }
        EXPECT_EQ(hash_update(&c, base + pos, int32_t(msg.size() - pos)), 0);
        uint8_t out[32];
        EXPECT_EQ(hash_final(&c, out), 0);
        return hex(out, 32);
    }
};

struct Vector {
    const char* message;
    const char* digest;
};

const Vector kVectors[] = {
    {"This is message, length=32 bytes", "b1c466d37519b82e8319819ff32595e047a28cb6f83eff1c6916a815a637fffa"},
    {"Suppose the original message has length = 50 bytes",
     "471aba57a60a770d3a76130635c1fbea4ef14de51f78b4ae57dd893b62f55208"},
    {"abc", "f3134348c44fb1b2a277729e2285ebb5cb5e0f29c975bc753b70497c06a4d51d"},
    {"", "891d358a84c6033cf17bac82d77bb5d6791695a08ffce3768d39fbcacf8b29bd"},
};

}  // namespace

TEST_F(HashFixture, ReferenceDigestsOneShotByteByByteAndRandomSplits) {
    std::mt19937 rng(7);
    for (const auto& v : kVectors) {
        const auto msg = bytes_of(v.message);
        EXPECT_EQ(digest_of(msg, {}), v.digest) << v.message;
        EXPECT_EQ(digest_of(msg, std::vector<size_t>(msg.size(), 1)), v.digest) << v.message;
        for (int trial = 0; trial < 20; ++trial) {
            std::vector<size_t> cuts;
            size_t left = msg.size();
            while (left > 0) {
                const size_t c = rng() % (left + 1);  // 0-byte calls included
                cuts.push_back(c);
                left -= c;
                if (cuts.size() > 40) break;
            }
            EXPECT_EQ(digest_of(msg, cuts), v.digest) << v.message;
        }
    }
}

// Long pieces take whole blocks straight from the caller's data; the context must end up
// byte for byte as it does when every byte goes through the buffer (stale buffer bytes
// included), after every piece.
TEST_F(HashFixture, LongPiecesLeaveTheContextAsByteByByteDoes) {
    std::mt19937 rng(9);
    std::vector<uint8_t> msg(3000);
    for (auto& b : msg) b = uint8_t(rng());
    HashContext pieces{}, bytes{};
    ASSERT_EQ(hash_init(&pieces, &com, &rnd, nullptr), 0);
    ASSERT_EQ(hash_init(&bytes, &com, &rnd, nullptr), 0);
    for (size_t pos = 0; pos < msg.size();) {
        const size_t cut = std::min<size_t>(msg.size() - pos, rng() % 200);
        ASSERT_EQ(hash_update(&pieces, msg.data() + pos, int32_t(cut)), 0);
        for (size_t i = 0; i < cut; ++i) ASSERT_EQ(hash_update(&bytes, msg.data() + pos + i, 1), 0);
        pos += cut;
        ASSERT_EQ(std::memcmp(&pieces, &bytes, sizeof pieces), 0) << "after " << pos << " bytes";
    }
    uint8_t a[32], b[32];
    ASSERT_EQ(hash_final(&pieces, a), 0);
    ASSERT_EQ(hash_final(&bytes, b), 0);
    EXPECT_EQ(hex(a, 32), hex(b, 32));
}

TEST_F(HashFixture, FinalLeavesContextUsableAndContinues) {
    const auto a = bytes_of("Suppose the original message ");
    const auto b = bytes_of("has length = 50 bytes");
    ASSERT_EQ(hash_init(&ctx, &com, &rnd, nullptr), 0);
    ASSERT_EQ(hash_update(&ctx, a.data(), int32_t(a.size())), 0);
    uint8_t first[32], second[32], whole[32];
    ASSERT_EQ(hash_final(&ctx, first), 0);
    ASSERT_EQ(hash_final(&ctx, second), 0);
    EXPECT_EQ(0, std::memcmp(first, second, 32));
    ASSERT_EQ(hash_update(&ctx, b.data(), int32_t(b.size())), 0);
    ASSERT_EQ(hash_final(&ctx, whole), 0);
    EXPECT_EQ(hex(whole, 32), kVectors[1].digest);
}

TEST_F(HashFixture, BlockBoundaries) {
    // 32 bytes stay buffered until final; the 33rd byte absorbs them.
    std::vector<uint8_t> msg(33, 0x5A);
    ASSERT_EQ(hash_init(&ctx, &com, &rnd, nullptr), 0);
    ASSERT_EQ(hash_update(&ctx, msg.data(), 32), 0);
    EXPECT_EQ(ctx.fill, 32);
    EXPECT_EQ(ctx.byte_count, 0u);
    ASSERT_EQ(hash_update(&ctx, msg.data(), 1), 0);
    EXPECT_EQ(ctx.fill, 1);
    EXPECT_EQ(ctx.byte_count, 32u);
}

TEST_F(HashFixture, StateRulesAndRefusals) {
    uint8_t out[32] = {};
    EXPECT_EQ(hash_update(&ctx, out, 1), RC_NOT_INITIALISED);
    EXPECT_EQ(hash_final(&ctx, out), RC_NOT_INITIALISED);
    EXPECT_EQ(hash_init(nullptr, &com, &rnd, nullptr), RC_MISSING);
    EXPECT_EQ(hash_init(&ctx, nullptr, &rnd, nullptr), RC_MISSING);
    ASSERT_EQ(hash_init(&ctx, &com, &rnd, nullptr), 0);
    const auto msg = bytes_of("abc");
    ASSERT_EQ(hash_update(&ctx, msg.data(), 3), 0);
    const HashContext before = ctx;
    EXPECT_EQ(hash_init(&ctx, &com, &rnd, nullptr), RC_ALREADY_INITIALISED);
    EXPECT_EQ(0, std::memcmp(&before, &ctx, sizeof ctx));
    EXPECT_EQ(hash_update(&ctx, nullptr, 1), RC_MISSING);
    EXPECT_EQ(hash_final(&ctx, nullptr), RC_MISSING);
    EXPECT_EQ(hash_update(&ctx, msg.data(), -5), 0);  // negative length absorbs nothing
    EXPECT_EQ(ctx.fill, 3);
    EXPECT_EQ(hash_clear(&ctx), 0);
    EXPECT_EQ(ctx.marker, MAGIC_HASH);
    EXPECT_EQ(hash_update(&ctx, msg.data(), 3), RC_NOT_INITIALISED);
    EXPECT_EQ(hash_clear(nullptr), RC_MISSING);
}

TEST_F(HashFixture, StartValueIsReadAsBigEndianWords) {
    uint8_t start[32];
    for (int i = 0; i < 32; ++i) start[i] = uint8_t(i);
    ASSERT_EQ(hash_init(&ctx, &com, &rnd, start), 0);
    EXPECT_EQ(hex(ctx.h, 8), "0302010007060504");
}

TEST_F(HashFixture, StepAcceptsAliasedArguments) {
    uint8_t a[32], b[32], m[32];
    for (int i = 0; i < 32; ++i) a[i] = b[i] = m[i] = uint8_t(i * 7 + 1);
    sbox_expand(com.sbox, com.expanded);
    hash_step(com.expanded, a, a);
    hash_step(com.expanded, b, m);
    EXPECT_EQ(0, std::memcmp(a, b, 32));
    for (int i = 0; i < 32; ++i) EXPECT_EQ(m[i], uint8_t(i * 7 + 1));  // M untouched
}

TEST(HashCryptoPro, AbcMatchesPublishedValue) {
    // GOST R 34.11-94 with the CryptoPro parameter set, "abc" (published test value).
    COM_State com{};
    RND_State rnd{};
    HashContext ctx{};
    std::memcpy(com.sbox, builtin_sbox(Sbox::HashCryptoPro), 128);
    ASSERT_EQ(hash_init(&ctx, &com, &rnd, nullptr), 0);
    ASSERT_EQ(hash_update(&ctx, reinterpret_cast<const uint8_t*>("abc"), 3), 0);
    uint8_t out[32];
    ASSERT_EQ(hash_final(&ctx, out), 0);
    EXPECT_EQ(hex(out, 32), "b285056dbf18d7392d7677369524dd14747459ed8143997e163b2986f92fd42c");
}
