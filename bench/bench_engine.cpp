// The OpenSSL gost engine measured in the same run as our own figures: the benchmark
// peer. Same buffer sizes as bench_cipher.cpp, same operations (a fresh cipher context per
// buffer is not used here either: one context processes buffer after buffer).
#define OPENSSL_SUPPRESS_DEPRECATED
#include <vector>

#include <benchmark/benchmark.h>
#include <openssl/engine.h>
#include <openssl/evp.h>

namespace {

ENGINE* gost_engine() {
    static ENGINE* e = [] {
        ENGINE_load_builtin_engines();
        ENGINE* g = ENGINE_by_id("gost");
        if (g != nullptr) {
            ENGINE_init(g);
            ENGINE_set_default(g, ENGINE_METHOD_ALL);
        }
        return g;
    }();
    return e;
}

void cipher(benchmark::State& st, const char* name) {
    if (gost_engine() == nullptr) return st.SkipWithError("no gost engine");
    const EVP_CIPHER* c = EVP_get_cipherbyname(name);
    if (c == nullptr) return st.SkipWithError("no cipher");
    unsigned char key[32] = {1, 2, 3}, iv[8] = {4, 5, 6};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, c, gost_engine(), key, iv);
    std::vector<unsigned char> in(size_t(st.range(0))), out(in.size() + 16);
    int len = 0;
    for (auto _ : st) EVP_EncryptUpdate(ctx, out.data(), &len, in.data(), int(in.size()));
    EVP_CIPHER_CTX_free(ctx);
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

void BM_EngineGamma(benchmark::State& st) { cipher(st, "gost89-cnt"); }
void BM_EngineGammaFeedback(benchmark::State& st) { cipher(st, "gost89"); }

void BM_EngineMac(benchmark::State& st) {
    if (gost_engine() == nullptr) return st.SkipWithError("no gost engine");
    unsigned char key[32] = {1, 2, 3};
    EVP_PKEY* pkey = EVP_PKEY_new_mac_key(NID_id_Gost28147_89_MAC, gost_engine(), key, 32);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    if (pkey == nullptr || EVP_DigestSignInit(ctx, nullptr, EVP_get_digestbyname("gost-mac"), gost_engine(), pkey) != 1)
        return st.SkipWithError("no gost-mac");
    std::vector<unsigned char> in(size_t(st.range(0)));
    for (auto _ : st) EVP_DigestSignUpdate(ctx, in.data(), in.size());
    EVP_MD_CTX_free(ctx);
    EVP_PKEY_free(pkey);
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

void BM_EngineHash(benchmark::State& st) {
    if (gost_engine() == nullptr) return st.SkipWithError("no gost engine");
    const EVP_MD* md = EVP_get_digestbyname("md_gost94");
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, md, gost_engine());
    std::vector<unsigned char> in(size_t(st.range(0)));
    for (auto _ : st) EVP_DigestUpdate(ctx, in.data(), in.size());
    EVP_MD_CTX_free(ctx);
    st.SetBytesProcessed(int64_t(st.iterations()) * st.range(0));
}

EVP_PKEY* engine_key() {
    static EVP_PKEY* key = [] {
        EVP_PKEY* k = nullptr;
        EVP_PKEY_CTX* kc = EVP_PKEY_CTX_new_id(NID_id_GostR3410_2001, gost_engine());
        EVP_PKEY_keygen_init(kc);
        EVP_PKEY_CTX_ctrl_str(kc, "paramset", "A");
        EVP_PKEY_keygen(kc, &k);
        EVP_PKEY_CTX_free(kc);
        return k;
    }();
    return key;
}

void BM_EngineSign(benchmark::State& st) {
    if (gost_engine() == nullptr) return st.SkipWithError("no gost engine");
    EVP_PKEY_CTX* sc = EVP_PKEY_CTX_new(engine_key(), gost_engine());
    EVP_PKEY_sign_init(sc);
    unsigned char digest[32] = {1, 2, 3}, sig[64];
    for (auto _ : st) {
        size_t len = sizeof sig;
        EVP_PKEY_sign(sc, sig, &len, digest, 32);
    }
    EVP_PKEY_CTX_free(sc);
}

void BM_EngineVerify(benchmark::State& st) {
    if (gost_engine() == nullptr) return st.SkipWithError("no gost engine");
    EVP_PKEY_CTX* sc = EVP_PKEY_CTX_new(engine_key(), gost_engine());
    EVP_PKEY_sign_init(sc);
    unsigned char digest[32] = {1, 2, 3}, sig[64];
    size_t len = sizeof sig;
    EVP_PKEY_sign(sc, sig, &len, digest, 32);
    EVP_PKEY_CTX* vc = EVP_PKEY_CTX_new(engine_key(), gost_engine());
    EVP_PKEY_verify_init(vc);
    for (auto _ : st) benchmark::DoNotOptimize(EVP_PKEY_verify(vc, sig, len, digest, 32));
    EVP_PKEY_CTX_free(sc);
    EVP_PKEY_CTX_free(vc);
}

}  // namespace

BENCHMARK(BM_EngineGamma)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_EngineGammaFeedback)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_EngineMac)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_EngineHash)->Arg(64)->Arg(1024)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_EngineSign)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineVerify)->Unit(benchmark::kMicrosecond);
