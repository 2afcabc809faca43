// The gamma, gamma-with-feedback and MAC contexts against the OpenSSL gost engine's
// CryptoPro-meshing counter mode (gost89-cnt), feedback mode (gost89) and gost-mac.
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "contexts/gamma.h"
#include "contexts/gamma_ofb.h"
#include "contexts/mac.h"
#include "gost28147/builtin_tables.h"
#include "oracle/engine.h"
#include "random/generator.h"
#include "unit/hex.h"

using namespace vantix;

namespace {

struct Table {
    Sbox id;
    const char* name;
};
const Table kCipherTables[] = {
    {Sbox::CipherA, "id-Gost28147-89-CryptoPro-A-ParamSet"},
    {Sbox::CipherB, "id-Gost28147-89-CryptoPro-B-ParamSet"},
    {Sbox::CipherC, "id-Gost28147-89-CryptoPro-C-ParamSet"},
    {Sbox::CipherD, "id-Gost28147-89-CryptoPro-D-ParamSet"},
};

struct EngineFixture : ::testing::Test {
    std::mt19937 rng{20261210};
    RND_State rnd{};
    COM_State com{};
    std::vector<uint8_t> key, iv;

    void SetUp() override {
        uint8_t seed[64];
        for (auto& b : seed) b = uint8_t(rng());
        rnd_seed(&rnd, seed);
        key = random_bytes(32);
        iv = random_bytes(8);
    }
    std::vector<uint8_t> random_bytes(size_t n) {
        std::vector<uint8_t> v(n);
        for (auto& b : v) b = uint8_t(rng());
        return v;
    }
    // The 64-byte masked form with a zero mask.
    std::vector<uint8_t> masked() const {
        std::vector<uint8_t> m(64, 0);
        std::copy(key.begin(), key.end(), m.begin());
        return m;
    }
    // Splits n bytes into odd-length pieces (and a few empty calls).
    std::vector<size_t> odd_splits(size_t n) {
        std::vector<size_t> cuts;
        while (n > 0) {
            size_t c = (rng() % 97) | 1;
            if (rng() % 13 == 0) c = 0;
            if (c > n) c = n;
            cuts.push_back(c);
            n -= c;
        }
        return cuts;
    }
};

}  // namespace

TEST_F(EngineFixture, GammaKeystreamMatchesCounterModeOverSeveralMeshings) {
    std::memcpy(com.sbox, builtin_sbox(Sbox::CipherA), 128);
    const auto msg = random_bytes(5000);
    GammaContext ctx{};
    ASSERT_EQ(gamma_init(&ctx, &com, &rnd, masked().data(), iv.data()), 0);
    std::vector<uint8_t> ours(msg.size());
    size_t pos = 0;
    for (size_t cut : odd_splits(msg.size())) {
        ASSERT_EQ(gamma_crypt(&ctx, msg.data() + pos, ours.data() + pos, int32_t(cut)), 0);
        pos += cut;
    }
    const auto theirs =
        engine_encrypt("gost89-cnt", kCipherTables[0].name, swap_groups(key), swap_groups(iv), swap_groups(msg));
    ASSERT_EQ(theirs.size(), msg.size()) << "openssl gost engine not available";
    EXPECT_EQ(hex(swap_groups(theirs)), hex(ours));
}

TEST_F(EngineFixture, FeedbackModeMatchesEngineForAllContainerTables) {
    for (const auto& t : kCipherTables) {
        std::memcpy(com.sbox, builtin_sbox(t.id), 128);
        const auto msg = random_bytes(5000);
        GammaFeedbackContext enc{}, dec{};
        ASSERT_EQ(gamma_ofb_init(&enc, &com, &rnd, masked().data(), iv.data()), 0);
        ASSERT_EQ(gamma_ofb_init(&dec, &com, &rnd, masked().data(), iv.data()), 0);
        std::vector<uint8_t> ours(msg.size()), back(msg.size());
        size_t pos = 0;
        for (size_t cut : odd_splits(msg.size())) {
            ASSERT_EQ(gamma_ofb_encrypt(&enc, msg.data() + pos, ours.data() + pos, int32_t(cut)), 0);
            pos += cut;
        }
        pos = 0;
        for (size_t cut : odd_splits(msg.size())) {
            ASSERT_EQ(gamma_ofb_decrypt(&dec, ours.data() + pos, back.data() + pos, int32_t(cut)), 0);
            pos += cut;
        }
        EXPECT_EQ(back, msg) << t.name;
        const auto theirs = engine_encrypt("gost89", t.name, swap_groups(key), swap_groups(iv), swap_groups(msg));
        ASSERT_EQ(theirs.size(), msg.size()) << "openssl gost engine not available";
        EXPECT_EQ(hex(swap_groups(theirs)), hex(ours)) << t.name;
    }
}

TEST_F(EngineFixture, MacMatchesEngineUpTo1024Bytes) {
    // The engine's gost-mac uses CryptoPro-A. Lengths are multiples of 4 so that the
    // zero padding of both sides falls on whole words; at least two blocks, as the engine
    // requires. Beyond 1024 bytes the engine does not re-encipher the MAC state when it
    // meshes the key, which this library does (tested against the definition elsewhere).
    std::memcpy(com.sbox, builtin_sbox(Sbox::CipherA), 128);
    for (size_t len : {16u, 20u, 64u, 100u, 1000u, 1024u}) {
        const auto msg = random_bytes(len);
        MacContext ctx{};
        ASSERT_EQ(mac_init(&ctx, &com, &rnd, masked().data(), nullptr), 0);
        size_t pos = 0;
        for (size_t cut : odd_splits(len)) {
            ASSERT_EQ(mac_update(&ctx, msg.data() + pos, int32_t(cut)), 0);
            pos += cut;
        }
        uint8_t mac[8];
        ASSERT_EQ(mac_final(&ctx, mac), 0);
        const auto theirs = engine_mac(swap_groups(key), swap_groups(msg));
        ASSERT_EQ(theirs.size(), 4u) << "openssl gost engine not available";
        // The engine prints the first state word little-endian; this library writes it big-endian.
        EXPECT_EQ(hex(swap_groups(theirs)), hex(mac, 4)) << len;
    }
}

// The batched keystream path and the feedback mode's run of whole blocks are taken for
// whole blocks and stop at meshing points: one-shot calls of every length around those
// thresholds (a block, two blocks, the eight-block batch, the 1024-byte meshing interval)
// agree with the engine, encrypting (also in place) and decrypting, in both modes. Both
// modes are prefix-consistent, so one engine run serves every length.
TEST_F(EngineFixture, OneShotCallsAroundBatchAndMeshingThresholdsMatchEngine) {
    std::memcpy(com.sbox, builtin_sbox(Sbox::CipherA), 128);
    const auto msg = random_bytes(3100);
    const auto gamma_ref = swap_groups(
        engine_encrypt("gost89-cnt", kCipherTables[0].name, swap_groups(key), swap_groups(iv), swap_groups(msg)));
    const auto cfb_ref = swap_groups(
        engine_encrypt("gost89", kCipherTables[0].name, swap_groups(key), swap_groups(iv), swap_groups(msg)));
    ASSERT_EQ(gamma_ref.size(), msg.size()) << "openssl gost engine not available";
    ASSERT_EQ(cfb_ref.size(), msg.size());
    for (size_t len : {1u,    7u,    8u,    9u,    15u,   16u,   63u,   64u,   65u,   71u,   72u,   73u,
                       1016u, 1023u, 1024u, 1025u, 1031u, 1032u, 1033u, 2047u, 2048u, 2049u, 3072u, 3100u}) {
        std::vector<uint8_t> out(len), back(len);
        GammaContext g{}, g2{};
        ASSERT_EQ(gamma_init(&g, &com, &rnd, masked().data(), iv.data()), 0);
        ASSERT_EQ(gamma_crypt(&g, msg.data(), out.data(), int32_t(len)), 0);
        EXPECT_EQ(hex(out), hex(gamma_ref.data(), len)) << "gamma " << len;
        ASSERT_EQ(gamma_init(&g2, &com, &rnd, masked().data(), iv.data()), 0);
        ASSERT_EQ(gamma_crypt(&g2, out.data(), back.data(), int32_t(len)), 0);
        EXPECT_TRUE(std::equal(back.begin(), back.end(), msg.begin())) << "gamma back " << len;

        GammaFeedbackContext e{}, d{};
        ASSERT_EQ(gamma_ofb_init(&e, &com, &rnd, masked().data(), iv.data()), 0);
        ASSERT_EQ(gamma_ofb_encrypt(&e, msg.data(), out.data(), int32_t(len)), 0);
        EXPECT_EQ(hex(out), hex(cfb_ref.data(), len)) << "feedback " << len;
        std::vector<uint8_t> in_place(msg.begin(), msg.begin() + std::ptrdiff_t(len));
        GammaFeedbackContext e2{};
        ASSERT_EQ(gamma_ofb_init(&e2, &com, &rnd, masked().data(), iv.data()), 0);
        ASSERT_EQ(gamma_ofb_encrypt(&e2, in_place.data(), in_place.data(), int32_t(len)), 0);
        EXPECT_EQ(hex(in_place), hex(cfb_ref.data(), len)) << "feedback in place " << len;
        ASSERT_EQ(gamma_ofb_init(&d, &com, &rnd, masked().data(), iv.data()), 0);
        ASSERT_EQ(gamma_ofb_decrypt(&d, out.data(), back.data(), int32_t(len)), 0);
        EXPECT_TRUE(std::equal(back.begin(), back.end(), msg.begin())) << "feedback back " << len;
    }
    for (size_t len : {8u, 12u, 16u, 60u, 64u, 68u, 72u, 1020u, 1024u}) {
        MacContext m{};
        ASSERT_EQ(mac_init(&m, &com, &rnd, masked().data(), nullptr), 0);
        ASSERT_EQ(mac_update(&m, msg.data(), int32_t(len)), 0);
        uint8_t mac[8];
        ASSERT_EQ(mac_final(&m, mac), 0);
        if (len < 16) continue;  // the engine wants two blocks at least
        std::vector<uint8_t> part(msg.begin(), msg.begin() + long(len));
        const auto theirs = engine_mac(swap_groups(key), swap_groups(part));
        ASSERT_EQ(theirs.size(), 4u);
        EXPECT_EQ(hex(swap_groups(theirs)), hex(mac, 4)) << "mac " << len;
    }
}
