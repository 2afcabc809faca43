// OpenSSL's own P-256 ECDSA (its hand-written curve code), measured in the same run as our
// signatures: the steadier reference for the curve arithmetic (`openssl speed ecdsap256`
// measures the same operations). A 32-byte digest is signed and verified, as ours are.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

namespace {

struct P256 {
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
    EVP_PKEY_CTX* ctx = key != nullptr ? EVP_PKEY_CTX_new(key, nullptr) : nullptr;
    unsigned char digest[32] = {1, 2, 3};
    unsigned char sig[80] = {};
    size_t sig_length = sizeof sig;
    ~P256() {
        EVP_PKEY_CTX_free(ctx);
        EVP_PKEY_free(key);
    }
};

void BM_P256Sign(benchmark::State& st) {
    P256 p;
    if (p.ctx == nullptr || EVP_PKEY_sign_init(p.ctx) != 1) return st.SkipWithError("no P-256");
    for (auto _ : st) {
        p.sig_length = sizeof p.sig;
        if (EVP_PKEY_sign(p.ctx, p.sig, &p.sig_length, p.digest, sizeof p.digest) != 1)
            return st.SkipWithError("sign failed");
    }
}

void BM_P256Verify(benchmark::State& st) {
    P256 p;
    if (p.ctx == nullptr || EVP_PKEY_sign_init(p.ctx) != 1 ||
        EVP_PKEY_sign(p.ctx, p.sig, &p.sig_length, p.digest, sizeof p.digest) != 1 || EVP_PKEY_verify_init(p.ctx) != 1)
        return st.SkipWithError("no P-256");
    for (auto _ : st)
        if (EVP_PKEY_verify(p.ctx, p.sig, p.sig_length, p.digest, sizeof p.digest) != 1)
            return st.SkipWithError("verify failed");
}

}  // namespace

BENCHMARK(BM_P256Sign)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_P256Verify)->Unit(benchmark::kMicrosecond);
