// Constant-time check of the GOST 28147-89 modes, the hash step, the generator and key
// masking on every constant-time cipher core, run under valgrind's memcheck.
//
// The key halves (value and mask) of each context, the data, the hash state and the
// generator state are marked undefined; memcheck then reports any branch or memory
// address that depends on them. Valgrind presents no AVX-512 to the program, so the cores
// checked are scalar, SSSE3 and AVX2 (the AVX-512 core's round is the same sequence of
// register operations with vpermb in place of pshufb).
//
// With the argument "table" the table-driven core runs instead: its lookups index memory
// by key and data, and memcheck must report them (CI runs that as a test expected to
// fail, so the check is shown to catch a table lookup).
#include <cstdio>
#include <cstring>

#include <valgrind/memcheck.h>

#include "contexts/block_context.h"
#include "contexts/gamma.h"
#include "contexts/gamma_ofb.h"
#include "contexts/hash.h"
#include "contexts/mac.h"
#include "gost28147/builtin_tables.h"
#include "gost28147/round_table.h"
#include "gost3411/hash_step.h"
#include "random/generator.h"
#include "random/masking.h"

using namespace vantix;

namespace {

int failures = 0;

void expect(bool ok, const char* path, const char* what) {
    if (!ok) {
        std::printf("FAIL %s: %s\n", path, what);
        ++failures;
    }
}

template <class T>
void mark(T& v) {
    VALGRIND_MAKE_MEM_UNDEFINED(&v, sizeof v);
}

void check(const char* path) {
    RND_State rnd{};
    uint8_t seed[64];
    for (int i = 0; i < 64; ++i) seed[i] = uint8_t(5 * i + 3);
    rnd_seed(&rnd, seed);
    COM_State com{};
    std::memcpy(com.sbox, builtin_sbox(Sbox::CipherA), 128);
    uint8_t key[64], iv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 0; i < 64; ++i) key[i] = uint8_t(i * 29 + 7);
    // 2100 bytes: byte-wise starts and tails, whole batches and two meshing points.
    static uint8_t data[2100], out[2100];
    for (size_t i = 0; i < sizeof data; ++i) data[i] = uint8_t(i);
    mark(data);
    const int32_t len = int32_t(sizeof data);

    GammaContext g{};
    expect(gamma_init(&g, &com, &rnd, key, iv) == 0, path, "gamma_init");
    mark(g.key);
    mark(g.counter);
    expect(gamma_crypt(&g, data, out, 5) == 0, path, "gamma_crypt head");
    expect(gamma_crypt(&g, data + 5, out + 5, len - 5) == 0, path, "gamma_crypt");
    // Little-endian words: through the loop while they line up with the keystream words,
    // through reversed copies from inside a word.
    GammaContext gl{};
    expect(gamma_init(&gl, &com, &rnd, key, iv) == 0, path, "gamma_init (little-endian)");
    mark(gl.key);
    mark(gl.counter);
    expect(gamma_crypt_le(&gl, data, out, 4) == 0, path, "gamma_crypt_le head");
    expect(gamma_crypt_le(&gl, data + 4, out + 4, (len - 4) & ~3) == 0, path, "gamma_crypt_le");
    expect(gamma_crypt(&gl, data, out, 1) == 0, path, "gamma_crypt one byte");
    expect(gamma_crypt_le(&gl, data, out, 12) == 0, path, "gamma_crypt_le inside a word");

    GammaFeedbackContext f{};
    expect(gamma_ofb_init(&f, &com, &rnd, key, iv) == 0, path, "gamma_ofb_init");
    mark(f.key);
    mark(f.feedback);
    expect(gamma_ofb_encrypt(&f, data, out, 3) == 0, path, "feedback encrypt head");
    expect(gamma_ofb_encrypt(&f, data + 3, out + 3, len - 3) == 0, path, "feedback encrypt");
    GammaFeedbackContext fd{};
    expect(gamma_ofb_init(&fd, &com, &rnd, key, iv) == 0, path, "gamma_ofb_init (decrypt)");
    mark(fd.key);
    expect(gamma_ofb_decrypt(&fd, data, out, len) == 0, path, "feedback decrypt");
    expect(gamma_ofb_encrypt_le(&f, data, out, 8) == 0, path, "feedback encrypt little-endian");
    expect(gamma_ofb_decrypt_le(&fd, data, out, 8) == 0, path, "feedback decrypt little-endian");

    MacContext m{};
    expect(mac_init(&m, &com, &rnd, key, iv) == 0, path, "mac_init");
    mark(m.key);
    mark(m.state);
    expect(mac_update(&m, data, 13) == 0, path, "mac_update head");
    expect(mac_update(&m, data + 13, len - 13) == 0, path, "mac_update");
    expect(mac_update_le(&m, data, len & ~3) == 0, path, "mac_update_le");
    uint8_t mac[8];
    expect(mac_final(&m, mac) == 0, path, "mac_final");

    BlockContext b{};
    expect(block_init(&b, &com, &rnd, key) == 0, path, "block_init");
    mark(b.key);
    expect(block_encrypt(&b, data, out, 3) == 0, path, "block_encrypt");
    expect(block_decrypt(&b, data, out, 1) == 0, path, "block_decrypt");

    // The hash: secret data and a secret starting value, through the context and the step.
    HashContext h{};
    expect(hash_init(&h, &com, &rnd, nullptr) == 0, path, "hash_init");
    mark(h.h);
    expect(hash_update(&h, data, len) == 0, path, "hash_update");
    uint8_t digest[32];
    expect(hash_final(&h, digest) == 0, path, "hash_final");
    uint8_t hs[32], ms[32];
    std::memcpy(hs, data, 32);
    std::memcpy(ms, data + 32, 32);
    hash_step(builtin_round_table(Sbox::HashCryptoPro), hs, ms);

    // The generator with a secret state (refresh, hash steps) and key masking from it.
    mark(rnd.x);
    mark(rnd.y);
    uint8_t bytes[300];
    expect(rnd_fill(&rnd, bytes, sizeof bytes) == 0, path, "rnd_fill");
    uint32_t value[8], mask[8];
    std::memcpy(value, data, sizeof value);
    mask_key(&rnd, value, mask);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "table") == 0) {
        // Tables looked up by key and data: memcheck must report.
        cipher_path_limit(CipherPath::Table);
        check("table");
    } else {
        static const char* const names[] = {"table", "scalar", "ssse3", "avx2", "avx512"};
        for (int p = int(CipherPath::Scalar); p <= int(cipher_path_supported()); ++p) {
            cipher_path_limit(CipherPath(p));
            std::printf("core %s\n", names[p]);
            check(names[p]);
        }
    }
    std::printf("%s\n", failures == 0 ? "passed" : "failed");
    return failures == 0 ? 0 : 1;
}
