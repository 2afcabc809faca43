// The MAC context against a model of its own, written from the descriptions of GOST 28147-89
// and the CryptoPro key meshing (RFC 4357, 2.3.2) with its own round function: the library's
// chains, cores and meshing are not used. Past 1024 bytes this MAC differs from the OpenSSL gost
// engine and libgcrypt by design (the running value is enciphered under each meshed key), so
// the peers cannot check it there; the model does, over lengths around each meshing point.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "contexts/mac.h"
#include "gost28147/builtin_tables.h"
#include "gost28147/transform.h"
#include "random/generator.h"
#include "unit/hex.h"

using namespace vantix;

namespace {

// The model works on words as the standard does: a block is (N1, N2), a key is K0..K7.
struct Model {
    uint8_t sbox[128];  // eight rows of sixteen 4-bit entries, row 0 for the top nibble (K8)

    // The round function: the sum with the round key modulo 2^32, each 4-bit piece through
    // its substitution (the lowest piece through K1, the table's last row), then a rotation
    // left by 11 bits.
    uint32_t f(uint32_t x) const {
        uint32_t y = 0;
        for (int i = 0; i < 8; ++i) y |= uint32_t(sbox[16 * (7 - i) + ((x >> (4 * i)) & 15)]) << (4 * i);
        return y << 11 | y >> 21;
    }
    // One main step: N2 XOR f(N1 + K) becomes N1, the old N1 becomes N2.
    void step(uint32_t& n1, uint32_t& n2, uint32_t k) const {
        const uint32_t t = n2 ^ f(n1 + k);
        n2 = n1;
        n1 = t;
    }
    // The 32-step cycles; the last step writes N2 and leaves N1, so the final exchange is
    // undone.
    void encrypt(const uint32_t* k, uint32_t* b) const {
        for (int i = 0; i < 24; ++i) step(b[0], b[1], k[i % 8]);
        for (int i = 7; i >= 0; --i) step(b[0], b[1], k[i]);
        std::swap(b[0], b[1]);
    }
    void decrypt(const uint32_t* k, uint32_t* b) const {
        for (int i = 0; i < 8; ++i) step(b[0], b[1], k[i]);
        for (int i = 0; i < 24; ++i) step(b[0], b[1], k[7 - i % 8]);
        std::swap(b[0], b[1]);
    }
    // The MAC cycle: the first 16 steps of encryption (K0..K7 twice), every one exchanging.
    void mac16(const uint32_t* k, uint32_t* b) const {
        for (int i = 0; i < 16; ++i) step(b[0], b[1], k[i % 8]);
    }
    // CryptoPro key meshing: the key deciphers the 32-byte constant of RFC 4357 (its bytes
    // read as little-endian words); the result is the new key, and the running value is
    // enciphered under it.
    void mesh(uint32_t* k, uint32_t* reg) const {
        static constexpr uint8_t c[32] = {0x69, 0x00, 0x72, 0x22, 0x64, 0xC9, 0x04, 0x23, 0x8D, 0x3A, 0xDB,
                                          0x96, 0x46, 0xE9, 0x2A, 0xC4, 0x18, 0xFE, 0xAC, 0x94, 0x00, 0xED,
                                          0x07, 0x12, 0xC0, 0x86, 0xDC, 0xC2, 0xEF, 0x4C, 0xA9, 0x2B};
        uint32_t fresh[8];
        for (int i = 0; i < 8; ++i)
            fresh[i] = uint32_t(c[4 * i]) | uint32_t(c[4 * i + 1]) << 8 | uint32_t(c[4 * i + 2]) << 16 |
                       uint32_t(c[4 * i + 3]) << 24;
        for (int j = 0; j < 4; ++j) decrypt(k, fresh + 2 * j);
        std::memcpy(k, fresh, sizeof fresh);
        encrypt(k, reg);
    }
    // The library's MAC: the value starts as the initial value; each 8-byte block (the last
    // one zero-padded) is XORed in and put through the MAC cycle; before every block that
    // follows 1024 bytes under one key, the key is meshed. Words are big-endian in the bytes,
    // as the library reads its keys, initial values and data.
    std::vector<uint8_t> mac(const uint32_t* key, const uint8_t* iv, const std::vector<uint8_t>& msg) const {
        uint32_t k[8], s[2];
        std::memcpy(k, key, sizeof k);
        s[0] = be(iv);
        s[1] = be(iv + 4);
        for (size_t at = 0; at < msg.size(); at += 8) {
            if (at > 0 && at % 1024 == 0) mesh(k, s);
            uint8_t block[8] = {};
            std::memcpy(block, msg.data() + at, std::min<size_t>(8, msg.size() - at));
            s[0] ^= be(block);
            s[1] ^= be(block + 4);
            mac16(k, s);
        }
        std::vector<uint8_t> out(8);
        for (int i = 0; i < 8; ++i) out[size_t(i)] = uint8_t(s[i / 4] >> (24 - 8 * (i % 4)));
        return out;
    }
    static uint32_t be(const uint8_t* p) {
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
    }
};

struct MacModel : ::testing::Test {
    RND_State rnd{};
    std::mt19937 gen{20261211};
    void SetUp() override {
        uint8_t seed[64] = {5};
        rnd_seed(&rnd, seed);
    }
    // The tables the model meets: every built-in one and a random table of 4-bit entries.
    std::vector<std::vector<uint8_t>> tables() {
        std::vector<std::vector<uint8_t>> all;
        for (Sbox id :
             {Sbox::HashTest, Sbox::HashCryptoPro, Sbox::CipherA, Sbox::CipherB, Sbox::CipherC, Sbox::CipherD})
            all.emplace_back(builtin_sbox(id), builtin_sbox(id) + 128);
        std::vector<uint8_t> random(128);
        for (auto& e : random) e = uint8_t(gen() & 15);
        all.push_back(random);
        return all;
    }
    std::vector<uint8_t> bytes(size_t n) {
        std::vector<uint8_t> v(n);
        for (auto& b : v) b = uint8_t(gen());
        return v;
    }
};

}  // namespace

// The model's cipher is checked against the library's block transforms first, so that a
// disagreement in the MAC below points at the MAC and not at the conventions.
TEST_F(MacModel, TheModelsCipherIsTheLibrarysBlockCipher) {
    for (const auto& table : tables()) {
        Model m{};
        std::memcpy(m.sbox, table.data(), 128);
        COM_State com{};
        std::memcpy(com.sbox, table.data(), 128);
        sbox_expand(com.sbox, com.expanded);
        for (int trial = 0; trial < 20; ++trial) {
            uint32_t key[8], in[2] = {uint32_t(gen()), uint32_t(gen())}, lib[2], mine[2] = {in[0], in[1]};
            for (auto& w : key) w = uint32_t(gen());
            encrypt_block_plain(com.expanded, key, in, lib);
            m.encrypt(key, mine);
            ASSERT_EQ(lib[0], mine[0]) << trial;
            ASSERT_EQ(lib[1], mine[1]) << trial;
            m.decrypt(key, mine);
            EXPECT_EQ(mine[0], in[0]);
            EXPECT_EQ(mine[1], in[1]);
            uint32_t lib_key[8], model_key[8], lib_reg[2] = {in[0], in[1]}, model_reg[2] = {in[0], in[1]};
            std::memcpy(lib_key, key, sizeof key);
            std::memcpy(model_key, key, sizeof key);
            ASSERT_EQ(key_meshing(&com, lib_key, nullptr, lib_reg), RC_OK);
            m.mesh(model_key, model_reg);
            EXPECT_EQ(0, std::memcmp(lib_key, model_key, sizeof key)) << trial;
            EXPECT_EQ(0, std::memcmp(lib_reg, model_reg, sizeof lib_reg)) << trial;
        }
    }
}

// Lengths at and around every case the context handles apart: no data, a partial block, a
// whole one, and each side of the first meshing points, where the last block is absorbed
// before or after the meshing. The data goes in one call and in random pieces.
TEST_F(MacModel, TheContextGivesTheModelsMacAtEveryLength) {
    const size_t lengths[] = {0,    1,    7,    8,    9,    16,   17,   1015, 1016, 1017, 1023, 1024,
                              1025, 1031, 1032, 1033, 1040, 1041, 2039, 2047, 2048, 2049, 2055, 2056,
                              2057, 2064, 3071, 3072, 3073, 3081, 4096, 4097, 8191, 8193};
    for (const auto& table : tables()) {
        Model m{};
        std::memcpy(m.sbox, table.data(), 128);
        COM_State com{};
        std::memcpy(com.sbox, table.data(), 128);
        for (size_t length : lengths) {
            // The 64-byte key block: key XOR mask, then the mask.
            const std::vector<uint8_t> mk = bytes(64), iv = bytes(8), msg = bytes(length);
            uint32_t key[8];
            for (int i = 0; i < 8; ++i) {
                uint8_t b[4];
                for (int j = 0; j < 4; ++j) b[j] = mk[size_t(4 * i + j)] ^ mk[size_t(32 + 4 * i + j)];
                key[i] = Model::be(b);
            }
            const std::string expect = hex(m.mac(key, iv.data(), msg).data(), 8);
            for (bool pieces : {false, true}) {
                MacContext c{};
                ASSERT_EQ(mac_init(&c, &com, &rnd, mk.data(), iv.data()), RC_OK);
                for (size_t at = 0; at < length;) {
                    const size_t n = pieces ? std::min<size_t>(gen() % 300, length - at) : length - at;
                    ASSERT_EQ(mac_update(&c, msg.data() + at, int32_t(n)), RC_OK);
                    at += n;
                }
                uint8_t out[8];
                ASSERT_EQ(mac_final(&c, out), RC_OK);
                EXPECT_EQ(hex(out, 8), expect) << "length " << length << (pieces ? " in pieces" : " in one call");
            }
        }
    }
}
