// The cipher cores (table-driven, scalar constant-time, SSSE3, AVX2, AVX-512), each forced
// in turn: every transform against a plain reference of the round on the expanded table,
// for tables with and without the nibble form, and whole modes against the table core.
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "contexts/gamma.h"
#include "contexts/gamma_ofb.h"
#include "contexts/hash.h"
#include "contexts/mac.h"
#include "gost28147/builtin_tables.h"
#include "gost28147/feedback_chain.h"
#include "gost28147/mac_chain.h"
#include "gost28147/round_table.h"
#include "gost28147/transform.h"
#include "gost3411/hash_step.h"
#include "random/generator.h"
#include "random/time_sources.h"

using namespace vantix;

namespace {

// The round as defined on the expanded table: four lookups, then the rounds and key order
// of the standard, written out plainly.
uint32_t ref_f(const uint32_t* t, uint32_t x) {
    return t[x >> 24] ^ t[256 + ((x >> 16) & 255)] ^ t[512 + ((x >> 8) & 255)] ^ t[768 + (x & 255)];
}

void ref_rounds(const uint32_t* t, const uint32_t* k, uint32_t& x, uint32_t& y, int kind) {
    const int count = kind == 2 ? 16 : 32;
    for (int r = 0; r < count; ++r) {
        int i = r % 8;
        if (kind == 0 && r >= 24) i = 7 - r % 8;
        if (kind == 1 && r >= 8) i = 7 - r % 8;
        if (r % 2 == 0)
            y ^= ref_f(t, x + k[i]);
        else
            x ^= ref_f(t, y + k[i]);
    }
}

void ref_crypt(const uint32_t* t, const uint32_t* k, uint32_t* b, bool decrypt) {
    uint32_t x = b[0], y = b[1];
    ref_rounds(t, k, x, y, decrypt ? 1 : 0);
    b[0] = y;
    b[1] = x;
}

uint32_t be(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

struct Table {
    const char* name;
    std::vector<uint32_t> expanded;
    bool nibble_form;
};

std::vector<Table> tables() {
    std::mt19937 gen(2718);
    std::vector<Table> out;
    auto from_sbox = [&](const char* name, const uint8_t* s, bool form) {
        Table t{name, std::vector<uint32_t>(1024), form};
        sbox_expand(s, t.expanded.data());
        out.push_back(t);
    };
    from_sbox("CryptoPro-A", builtin_sbox(Sbox::CipherA), true);
    uint8_t s[128];
    for (auto& e : s) e = uint8_t(gen() & 15);
    from_sbox("random nibbles", s, true);
    // Entries above 15 whose extra bits are the same in a whole low row: after the XOR and
    // the truncation the table is still two nibble substitutions side by side.
    uint8_t wide_same[128];
    for (int i = 0; i < 128; ++i) wide_same[i] = uint8_t((gen() & 15) | ((i / 16) % 2 == 1 ? 0x50 : 0));
    from_sbox("entries above 15, nibble form", wide_same, true);
    uint8_t wide[128];
    for (auto& e : wide) e = uint8_t(gen());
    from_sbox("entries above 15", wide, false);
    Table zero{"all zero", std::vector<uint32_t>(1024, 0), true};
    out.push_back(zero);
    Table hand{"written by hand", std::vector<uint32_t>(1024), false};
    for (auto& w : hand.expanded) w = uint32_t(gen());
    out.push_back(hand);
    Table one_off = out[0];
    one_off.name = "one word altered";
    one_off.expanded[512 + 0x37] ^= 0x100;
    one_off.nibble_form = false;
    out.push_back(one_off);
    return out;
}

std::vector<CipherPath> supported_paths() {
    std::vector<CipherPath> p;
    for (int i = 0; i <= int(cipher_path_supported()); ++i) p.push_back(CipherPath(i));
    return p;
}

const char* path_name(CipherPath p) {
    static const char* const names[] = {"table", "scalar", "ssse3", "avx2", "avx512"};
    return names[int(p)];
}

// Restores the process-wide limit after each test.
struct CipherCores : ::testing::Test {
    CipherPath saved = cipher_path();
    void TearDown() override {
        test_time_hooks() = TestTimeHooks{};
        ASSERT_TRUE(cipher_path_limit(saved));
    }
};

}  // namespace

TEST_F(CipherCores, EveryCoreAgreesWithTheReferenceOnEveryTable) {
    std::mt19937 gen(31337);
    for (const Table& tb : tables()) {
        const uint32_t* t = tb.expanded.data();
        RoundTable rt;
        round_table_prepare(t, &rt);
        ASSERT_EQ(rt.nibble_form, tb.nibble_form) << tb.name;
        uint32_t mk[16], plain[8];
        for (int i = 0; i < 8; ++i) {
            mk[8 + i] = uint32_t(gen());
            plain[i] = uint32_t(gen());
            mk[i] = plain[i] ^ mk[8 + i];
        }
        uint32_t data[72][2];
        for (auto& b : data) b[0] = uint32_t(gen()), b[1] = uint32_t(gen());
        uint8_t bytes[8 * 40];
        for (auto& b : bytes) b = uint8_t(gen());
        uint32_t lane_keys[4][8];
        for (auto& k : lane_keys)
            for (auto& w : k) w = uint32_t(gen());
        for (CipherPath p : supported_paths()) {
            ASSERT_TRUE(cipher_path_limit(p));
            SCOPED_TRACE(std::string(tb.name) + " on " + path_name(p));
            for (int n : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 63, 64, 65, 70}) {
                for (int dir = 0; dir < 2; ++dir) {
                    uint32_t got[72][2], gotp[72][2], want[72][2];
                    std::memcpy(got, data, sizeof data);
                    std::memcpy(gotp, data, sizeof data);
                    std::memcpy(want, data, sizeof data);
                    if (dir == 0) {
                        encrypt_blocks(rt, mk, got, n);
                        encrypt_blocks_plain(rt, plain, gotp, n);
                    } else {
                        decrypt_blocks(rt, mk, got, n);
                        decrypt_blocks_plain(rt, plain, gotp, n);
                    }
                    for (int j = 0; j < n; ++j) ref_crypt(t, plain, want[j], dir == 1);
                    ASSERT_EQ(std::memcmp(got, want, 8 * size_t(n)), 0) << "n=" << n << " dir=" << dir;
                    ASSERT_EQ(std::memcmp(gotp, want, 8 * size_t(n)), 0) << "plain n=" << n << " dir=" << dir;
                }
            }
            // Single blocks, in place, and the MAC rounds on words.
            uint32_t one[2] = {data[0][0], data[0][1]}, want1[2] = {data[0][0], data[0][1]};
            encrypt_block(t, mk, one, one);
            ref_crypt(t, plain, want1, false);
            EXPECT_EQ(std::memcmp(one, want1, 8), 0);
            decrypt_block_plain(t, plain, one, one);
            EXPECT_EQ(one[0], data[0][0]);
            EXPECT_EQ(one[1], data[0][1]);
            uint32_t st[2] = {1, 2}, wx = 1 ^ data[1][0], wy = 2 ^ data[1][1];
            mac_rounds(t, mk, st, data[1]);
            ref_rounds(t, plain, wx, wy, 2);
            EXPECT_EQ(st[0], wx);
            EXPECT_EQ(st[1], wy);
            // Four lanes under four keys (the hash step).
            uint32_t four[4][2], want4[4][2];
            std::memcpy(four, data, sizeof four);
            std::memcpy(want4, data, sizeof want4);
            const uint32_t* keys[4] = {lane_keys[0], lane_keys[1], lane_keys[2], lane_keys[3]};
            encrypt_blocks_keys4(rt, keys, four);
            for (int l = 0; l < 4; ++l) ref_crypt(t, lane_keys[l], want4[l], false);
            EXPECT_EQ(std::memcmp(four, want4, sizeof four), 0);
            // Feedback and MAC chains over 1 to 40 blocks, out == in as well.
            for (int n : {1, 2, 5, 40}) {
                uint32_t reg[2] = {data[2][0], data[2][1]}, gamma[2] = {0, 0};
                uint8_t out[sizeof bytes];
                feedback_encrypt_blocks(rt, mk, reg, gamma, bytes, out, n);
                uint32_t r[2] = {data[2][0], data[2][1]}, g[2] = {0, 0};
                for (int j = 0; j < n; ++j) {
                    g[0] = r[0], g[1] = r[1];
                    ref_crypt(t, plain, g, false);
                    r[0] = g[0] ^ be(bytes + 8 * j);
                    r[1] = g[1] ^ be(bytes + 8 * j + 4);
                    ASSERT_EQ(be(out + 8 * j), r[0]) << "feedback block " << j;
                    ASSERT_EQ(be(out + 8 * j + 4), r[1]) << "feedback block " << j;
                }
                EXPECT_TRUE(reg[0] == r[0] && reg[1] == r[1] && gamma[0] == g[0] && gamma[1] == g[1]);
                uint8_t inplace[sizeof bytes];
                std::memcpy(inplace, bytes, sizeof bytes);
                uint32_t reg2[2] = {data[2][0], data[2][1]}, gamma2[2] = {0, 0};
                feedback_encrypt_blocks(rt, mk, reg2, gamma2, inplace, inplace, n);
                EXPECT_EQ(std::memcmp(inplace, out, 8 * size_t(n)), 0);

                uint32_t state[2] = {data[3][0], data[3][1]}, x = data[3][0], y = data[3][1];
                mac_blocks(rt, mk, state, bytes, n);
                for (int j = 0; j < n; ++j) {
                    x ^= be(bytes + 8 * j);
                    y ^= be(bytes + 8 * j + 4);
                    ref_rounds(t, plain, x, y, 2);
                }
                EXPECT_TRUE(state[0] == x && state[1] == y) << "mac n=" << n;
            }
        }
    }
}

// Whole modes, the hash and the generator give the same bytes on every core as on the
// table core (which the engine and golden tests pin), across several meshing points.
TEST_F(CipherCores, ModesHashAndGeneratorAgreeAcrossCores) {
    struct Out {
        std::vector<uint8_t> gamma, ofb, ofb_dec, mac, hash, rnd;
    };
    std::vector<uint8_t> msg(5000);
    for (size_t i = 0; i < msg.size(); ++i) msg[i] = uint8_t(i * 7 + 1);
    auto run = [&](const uint8_t* sbox) {
        auto& hooks = test_time_hooks();  // the generator's bytes a function of its state
        hooks = TestTimeHooks{};
        hooks.fixed_time = true;
        hooks.cycle = 0x12345678;
        hooks.ms = 777;
        hooks.fixed_entropy = true;
        Out o;
        RND_State rnd{};
        uint8_t seed[64] = {5, 6, 7};
        rnd_seed(&rnd, seed);
        COM_State com{};
        std::memcpy(com.sbox, sbox, 128);
        uint8_t key[64] = {};
        for (int i = 0; i < 32; ++i) key[i] = uint8_t(i * 13 + 5);
        const uint8_t iv[8] = {9, 8, 7, 6, 5, 4, 3, 2};
        // Uneven pieces, so the byte-wise, block and batch paths all run.
        const int32_t pieces[] = {3, 61, 1024, 7, 2000, 905, 1000};
        o.gamma = o.ofb = o.ofb_dec = msg;
        GammaContext g{};
        EXPECT_EQ(gamma_init(&g, &com, &rnd, key, iv), 0);
        GammaFeedbackContext f{}, fd{};
        EXPECT_EQ(gamma_ofb_init(&f, &com, &rnd, key, iv), 0);
        MacContext m{};
        EXPECT_EQ(mac_init(&m, &com, &rnd, key, iv), 0);
        HashContext h{};
        EXPECT_EQ(hash_init(&h, &com, &rnd, nullptr), 0);
        size_t at = 0;
        for (int32_t len : pieces) {
            EXPECT_EQ(gamma_crypt(&g, o.gamma.data() + at, o.gamma.data() + at, len), 0);
            EXPECT_EQ(gamma_ofb_encrypt(&f, o.ofb.data() + at, o.ofb.data() + at, len), 0);
            EXPECT_EQ(mac_update(&m, msg.data() + at, len), 0);
            EXPECT_EQ(hash_update(&h, msg.data() + at, len), 0);
            at += size_t(len);
        }
        o.mac.resize(8);
        EXPECT_EQ(mac_final(&m, o.mac.data()), 0);
        o.hash.resize(32);
        EXPECT_EQ(hash_final(&h, o.hash.data()), 0);
        o.ofb_dec = o.ofb;
        EXPECT_EQ(gamma_ofb_init(&fd, &com, &rnd, key, iv), 0);
        EXPECT_EQ(gamma_ofb_decrypt(&fd, o.ofb_dec.data(), o.ofb_dec.data(), int32_t(o.ofb_dec.size())), 0);
        EXPECT_EQ(o.ofb_dec, msg);
        o.rnd.resize(300);
        EXPECT_EQ(rnd_fill(&rnd, o.rnd.data(), 300), 0);
        return o;
    };
    for (Sbox s : {Sbox::CipherA, Sbox::CipherC, Sbox::HashCryptoPro}) {
        ASSERT_TRUE(cipher_path_limit(CipherPath::Table));
        const Out want = run(builtin_sbox(s));
        for (CipherPath p : supported_paths()) {
            ASSERT_TRUE(cipher_path_limit(p));
            SCOPED_TRACE(path_name(p));
            const Out got = run(builtin_sbox(s));
            EXPECT_EQ(got.gamma, want.gamma);
            EXPECT_EQ(got.ofb, want.ofb);
            EXPECT_EQ(got.mac, want.mac);
            EXPECT_EQ(got.hash, want.hash);
            EXPECT_EQ(got.rnd, want.rnd);
        }
    }
}

TEST_F(CipherCores, LimitRefusesWhatTheProcessorLacks) {
    const CipherPath best = cipher_path_supported();
    EXPECT_TRUE(cipher_path_limit(CipherPath::Scalar));
    EXPECT_EQ(cipher_path(), CipherPath::Scalar);
    if (best != CipherPath::Avx512) {
        EXPECT_FALSE(cipher_path_limit(CipherPath::Avx512));
        EXPECT_EQ(cipher_path(), CipherPath::Scalar);
    }
    EXPECT_TRUE(cipher_path_limit(best));
    EXPECT_EQ(cipher_path(), best);
}
