// Generator structure with fixed time sources, masking and the state checksum.
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/result.h"
#include "platform/platform.h"
#include "random/entropy.h"
#include "random/generator.h"
#include "random/masking.h"
#include "random/time_sources.h"
#include "unit/hex.h"

using namespace vantix;

namespace {

struct FixedTime : ::testing::Test {
    RND_State rnd{};
    void SetUp() override {
        auto& h = test_time_hooks();
        h.fixed_time = true;
        h.cycle = 0x12345678;
        h.ms = 99;
        h.fixed_entropy = true;
        std::memset(h.entropy, 0x3C, 32);
        h.entropy_calls = 0;
        uint8_t seed[64];
        for (int i = 0; i < 64; ++i) seed[i] = uint8_t(i);
        rnd_seed(&rnd, seed);
    }
    void TearDown() override { test_time_hooks() = TestTimeHooks{}; }
};

}  // namespace

TEST_F(FixedTime, OutputIsAPureFunctionOfTheState) {
    RND_State a = rnd, b = rnd;
    uint8_t x[40], y[40];
    ASSERT_EQ(rnd_generate(&a, x, 5), 0);
    ASSERT_EQ(rnd_generate(&b, y, 5), 0);
    EXPECT_EQ(hex(x, 40), hex(y, 40));
    EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
    EXPECT_EQ(a.counter, 40u);
    EXPECT_EQ(test_time_hooks().entropy_calls, 2u);  // entropy once per state, at counter 0
}

TEST_F(FixedTime, RefreshEvery32BytesAndSelfHashAt1024) {
    RND_State at32 = rnd, at1024 = rnd;
    at32.counter = 32;
    at1024.counter = 1024;
    uint8_t a[40], b[40];
    ASSERT_EQ(rnd_generate(&at32, a, 5), 0);
    ASSERT_EQ(rnd_generate(&at1024, b, 5), 0);
    // Same first 32 bytes (the self-hash of Y at 1024 comes after the re-encipherment),
    // different last 8 (the second refresh uses the hashed Y).
    EXPECT_EQ(hex(a, 32), hex(b, 32));
    EXPECT_NE(hex(a + 32, 8), hex(b + 32, 8));
    EXPECT_EQ(at32.counter, 72u);
    EXPECT_EQ(test_time_hooks().entropy_calls, 0u);
    RND_State at16384 = rnd;
    at16384.counter = 16384;
    ASSERT_EQ(rnd_generate(&at16384, a, 1), 0);
    EXPECT_EQ(test_time_hooks().entropy_calls, 1u);
}

TEST_F(FixedTime, ZeroBlocksStillRunTheClosingStepAndCounterWraps) {
    RND_State s = rnd;
    ASSERT_EQ(rnd_generate(&s, nullptr, 0), 0);
    EXPECT_EQ(s.counter, 0u);
    EXPECT_NE(0, std::memcmp(&s, &rnd, 64));
    s.counter = 0xFFFFFFFC;
    uint8_t out[8];
    ASSERT_EQ(rnd_generate(&s, out, 1), 0);
    EXPECT_EQ(s.counter, 4u);
}

TEST_F(FixedTime, FillReversesGroupsAndDrawsTheTailSeparately) {
    RND_State a = rnd, b = rnd;
    uint8_t filled[13], blocks[16];
    ASSERT_EQ(rnd_fill(&a, filled, 13), 0);
    ASSERT_EQ(rnd_generate(&b, blocks, 1), 0);
    ASSERT_EQ(rnd_generate(&b, blocks + 8, 1), 0);
    const uint8_t expect[13] = {blocks[3], blocks[2],  blocks[1],  blocks[0], blocks[7], blocks[6], blocks[5],
                                blocks[4], blocks[11], blocks[10], blocks[9], blocks[8], blocks[15]};
    EXPECT_EQ(hex(filled, 13), hex(expect, 13));
    EXPECT_EQ(a.counter, 16u);
    EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
}

TEST(Generator, RefusalsWriteNothing) {
    RND_State fresh{};
    uint8_t out[16];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(rnd_generate(&fresh, out, 2), RC_MISSING);
    EXPECT_EQ(rnd_fill(&fresh, out, 16), RC_MISSING);
    EXPECT_EQ(rnd_generate(nullptr, out, 2), RC_MISSING);
    for (uint8_t b : out) EXPECT_EQ(b, 0xEE);
    uint8_t seed[64] = {1};
    rnd_seed(&fresh, seed);
    rnd_seed(&fresh, nullptr);
    EXPECT_EQ(rnd_generate(&fresh, out, 1), RC_MISSING);
}

TEST(Generator, StatesSeededAlikeDivergeWithRealTimeSources) {
    RND_State a{}, b{};
    uint8_t seed[64] = {9, 9, 9};
    rnd_seed(&a, seed);
    rnd_seed(&b, seed);
    uint8_t x[32], y[32];
    ASSERT_EQ(rnd_fill(&a, x, 32), 0);
    ASSERT_EQ(rnd_fill(&b, y, 32), 0);
    EXPECT_NE(hex(x, 32), hex(y, 32));
}

TEST(Entropy, GatheringsDifferAndRunConcurrently) {
    EXPECT_EQ(gather_entropy(nullptr), 7);
    uint8_t blocks[4][32];
    std::vector<std::thread> threads;
    int codes[4];
    for (int i = 0; i < 4; ++i) threads.emplace_back([&, i] { codes[i] = gather_entropy(blocks[i]); });
    for (auto& t : threads) t.join();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(codes[i], 0);
        for (int j = 0; j < i; ++j) EXPECT_NE(hex(blocks[i], 32), hex(blocks[j], 32));
    }
}

TEST(Entropy, FailingQueriesContributeNothingAndTheGatheringStillSucceeds) {
    auto& h = test_time_hooks();
    h.query_result = -36;  // as when the buffer is too small for the lookaside statistics
    uint8_t a[32] = {}, b[32] = {}, buffer[16384];
    EXPECT_EQ(mix_timing_jitter(a, buffer), 0);
    EXPECT_EQ(mix_timing_jitter(nullptr, buffer), ENTROPY_NO_BLOCK);
    EXPECT_EQ(gather_entropy(a), 0);
    EXPECT_EQ(gather_entropy(b), 0);
    EXPECT_NE(hex(a, 32), hex(b, 32));
    h = TestTimeHooks{};
}

TEST(Entropy, FoldingByWordsEqualsFoldingByBytes) {
    std::vector<uint8_t> buffer(16384 + 3);
    std::mt19937 rng(5);
    for (auto& b : buffer) b = uint8_t(rng());
    for (size_t start : {size_t(0), size_t(3)}) {  // aligned and not
        for (int32_t n : {-36, 0, 1, 7, 8, 9, 15, 16, 24, 100, 1001, 16383, 16384}) {
            uint8_t bytewise = 0;
            for (int32_t j = 0; j < n; ++j) bytewise ^= buffer[start + size_t(j)];
            EXPECT_EQ(fold_bytes(buffer.data() + start, n), bytewise) << start << " " << n;
        }
    }
}

#if defined(__linux__)
TEST(Entropy, EveryQueryKindAnswersWithContentThatChanges) {
    static uint8_t a[platform::SYSINFO_BUFFER_BYTES], b[platform::SYSINFO_BUFFER_BYTES];
    for (int32_t kind = 0; kind < 4; ++kind) {
        const int32_t n = platform::query_system_info(kind, a);
        ASSERT_GT(n, 0) << kind;
        ASSERT_LE(n, int32_t(platform::SYSINFO_BUFFER_BYTES)) << kind;
        const int32_t m = platform::query_system_info(kind, b);
        ASSERT_GT(m, 0) << kind;
        EXPECT_TRUE(n != m || std::memcmp(a, b, size_t(n)) != 0) << kind;
    }
    EXPECT_EQ(platform::query_system_info(4, a), 0);
    EXPECT_EQ(platform::query_system_info(5, a), -5);
    EXPECT_EQ(platform::query_system_info(-1, a), -5);
    EXPECT_EQ(platform::query_system_info(0, nullptr), -4);
}
#endif

TEST(Entropy, AGatheringSleeps16To32TimesWithShortSleepsOnWindows) {
    auto& h = test_time_hooks();
    for (int round = 0; round < 3; ++round) {
        h.sleeps = 0;
        uint8_t block[32];
        EXPECT_EQ(gather_entropy(block), 0);
        EXPECT_GE(h.sleeps, 16u);
        EXPECT_LE(h.sleeps, 32u);
    }
    h = TestTimeHooks{};
    for (bool timer : {true, false}) {
        platform::SleepSession s(timer);
#ifdef _WIN32
        // A plain Sleep(1) would last a whole timer period: a timer where there is one, or
        // the resolution raised through winmm.dll, bound at run time.
        EXPECT_NE(s.method(), platform::SleepSession::Method::Plain);
        if (!timer) {
            EXPECT_EQ(s.method(), platform::SleepSession::Method::RaisedResolution);
        }
        std::printf("[ info ] sleep method %d (1 high-resolution timer, 2 raised resolution)\n", int(s.method()));
#else
        EXPECT_EQ(s.method(), platform::SleepSession::Method::Plain);
#endif
        for (int i = 0; i < 3; ++i) s.sleep_1ms();
    }
}

TEST(Masking, MaskKeepsTheKeyAndRemaskChangesBothHalves) {
    RND_State rnd{};
    uint8_t seed[64] = {5};
    rnd_seed(&rnd, seed);
    const uint32_t key[8] = {1, 2, 3, 4, 0xFFFFFFFF, 6, 7, 0x80000000};
    uint32_t v[8], m[8], v2[8], m2[8];
    std::memcpy(v, key, sizeof v);
    mask_key(&rnd, v, m);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(v[i] ^ m[i], key[i]);
    std::memcpy(v2, v, sizeof v);
    std::memcpy(m2, m, sizeof m);
    remask_key(&rnd, v2, m2);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(v2[i] ^ m2[i], key[i]);
    EXPECT_NE(0, std::memcmp(v, v2, sizeof v));
    EXPECT_NE(0, std::memcmp(m, m2, sizeof m));
}

TEST(Checksum, CheckValueSealVerifyAndEveryFlippedBit) {
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(~state_checksum(1, 0xFFFFFFFF, check, 9), 0xCBF43926u);
    EXPECT_EQ(state_checksum(1, 0x1234, check, 0), 0x1234u);
    EXPECT_EQ(state_checksum(0, 0x1234, check, 0), 0x1234u ^ 0xDEBB20E3u);
    // Word-at-a-time and bit-by-bit agree for every length, start register and split.
    std::mt19937 rng(11);
    std::vector<uint8_t> data(70);
    for (auto& b : data) b = uint8_t(rng());
    auto bitwise = [](uint32_t reg, const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            reg ^= p[i];
            for (int b = 0; b < 8; ++b) reg = (reg >> 1) ^ (0xEDB88320u & (0u - (reg & 1)));
        }
        return reg;
    };
    for (size_t n = 0; n <= data.size(); ++n) {
        const uint32_t start = rng();
        EXPECT_EQ(state_checksum(1, start, data.data(), n), bitwise(start, data.data(), n)) << n;
        const size_t cut = n / 3;
        EXPECT_EQ(state_checksum(1, state_checksum(1, start, data.data(), cut), data.data() + cut, n - cut),
                  bitwise(start, data.data(), n))
            << n;
    }
    uint32_t value[8] = {0xDEADBEEF, 1, 2, 3, 4, 5, 6, 7};
    const uint32_t seal = checksum_seal(value);
    EXPECT_TRUE(checksum_verify(value, seal));
    for (int bit = 0; bit < 256; ++bit) {
        value[bit / 32] ^= 1u << (bit % 32);
        EXPECT_FALSE(checksum_verify(value, seal)) << bit;
        value[bit / 32] ^= 1u << (bit % 32);
    }
    for (int bit = 0; bit < 32; ++bit) EXPECT_FALSE(checksum_verify(value, seal ^ (1u << bit)));
}
