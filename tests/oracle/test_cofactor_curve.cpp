// Signatures on a curve whose order is 3q (q > 2^254, p close to 3q), through the exports.
// There x(kP) may be q or more, or even 2q or more, so r = x mod q is a real reduction:
// verification must accept exactly the signatures with r = x(z1 P + z2 Q) mod q.
//
// The curve y^2 = x^3 + 4 was made for this test by complex multiplication (j = 0, p =
// (t^2 + 3v^2) / 4 with one of its six orders three times a prime); the test checks with
// GMP that p and q are prime and with libgcrypt that G is a point of order q. Signatures
// are made by the library and independently (libgcrypt's point multiplication with chosen
// nonces, GMP for s = r*d + k*e mod q, and libgcrypt's own GOST signing), and each side
// verifies the other's.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gcrypt.h>
#include <gmp.h>
#include <gtest/gtest.h>

#include "jni/fake_jni.h"
#include "jni/module.h"
#include "unit/hex.h"

namespace {

const char* const kP = "EB0CFA27BEE92896EC1D601F4DC694D3AFD92CF1DEA42FBDF5832558A1F1318D";
const char* const kQ = "4E59A8B7EA4DB8324EB4755FC49786F1826C37333954CDCBF66F96073A727C3F";
const char* const kA = "0000000000000000000000000000000000000000000000000000000000000000";
const char* const kB = "0000000000000000000000000000000000000000000000000000000000000004";
const char* const kX = "2FFA559EFA049B2AD0FE4C1F965430462240B9DDB053F4251F66B54310D34ACE";
const char* const kY = "169F6813E745DB92E1120D0E94C0640ED530ABD8ABE04A14C72E8D2CA8B60A6F";

struct Mpz {
    mpz_t v;
    Mpz() { mpz_init(v); }
    explicit Mpz(const std::string& hexdigits) { mpz_init_set_str(v, hexdigits.c_str(), 16); }
    ~Mpz() { mpz_clear(v); }
    std::string be32() const {
        // Into a buffer of our own: mpz_export with no buffer allocates one for the caller.
        uint8_t tmp[32];
        size_t n = 0;
        mpz_export(tmp, &n, 1, 1, 1, 0, v);  // v is below 2^256 here
        std::vector<uint8_t> out(32);
        std::memcpy(out.data() + (32 - n), tmp, n);
        return hex(out);
    }
};

struct Sexp {
    gcry_sexp_t s = nullptr;
    ~Sexp() { gcry_sexp_release(s); }
};

// The curve's domain as libgcrypt reads explicit parameters.
std::string gcry_domain() {
    return std::string("(p #") + kP + "#)(a #" + kA + "#)(b #" + kB + "#)(g #04" + kX + kY + "#)(n #" + kQ +
           "#)(h #03#)";
}

std::string sexp_mpi_hex(gcry_sexp_t sig, const char* name) {
    gcry_sexp_t part = gcry_sexp_find_token(sig, name, 0);
    gcry_mpi_t m = gcry_sexp_nth_mpi(part, 1, GCRYMPI_FMT_USG);
    unsigned char tmp[64];
    size_t n = 0;
    gcry_mpi_print(GCRYMPI_FMT_USG, tmp, sizeof tmp, &n, m);
    std::vector<uint8_t> out(32);
    std::memcpy(out.data() + (32 - n), tmp, n);
    gcry_mpi_release(m);
    gcry_sexp_release(part);
    return hex(out);
}

struct CofactorCurve : ::testing::Test {
    FakeJni jni;
    JNIEnv* env = jni.env();
    jlong rnd = 0, ctx = 0, point = 0;
    gcry_ctx_t ec = nullptr;
    std::mt19937_64 rng{3};

    void SetUp() override {
        ASSERT_NE(gcry_check_version(nullptr), nullptr);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        Sexp domain;
        ASSERT_EQ(gcry_sexp_build(&domain.s, nullptr, ("(public-key (ecc " + gcry_domain() + "))").c_str()), 0u);
        ASSERT_EQ(gcry_mpi_ec_new(&ec, domain.s, nullptr), 0u);

        rnd = VANTIX_CALL(vantix_1RND_1State)(env, nullptr);
        VANTIX_CALL(vantix_1ForceRandom_1)(env, nullptr, rnd, jni.array(64, "seed", 0x5C));
        ctx = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
        point = VANTIX_CALL(vantix_1LPoint)(env, nullptr);
        VANTIX_CALL(mem_1write)(env, nullptr, point, 0, jni.array(unhex(std::string(kX) + kY), "g"), 0, 64);
        ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, ctx, rnd, jni.array(unhex(kP), "p"),
                                                                  jni.array(unhex(kQ), "q"), jni.array(unhex(kA), "a"),
                                                                  jni.array(unhex(kB), "b"), point),
                  0);
    }
    void TearDown() override {
        VANTIX_CALL(vantix_1LR34_110_12001_1clear)(env, nullptr, ctx);
        for (jlong h : {rnd, ctx, point}) VANTIX_CALL(mem_1free)(env, nullptr, h);
        gcry_ctx_release(ec);
        EXPECT_EQ(jni.outstanding, 0);
    }

    std::string random_hex32() {
        std::vector<uint8_t> b(32);
        for (auto& x : b) x = uint8_t(rng());
        return hex(b);
    }

    // x(k*G) by libgcrypt's point multiplication.
    void x_of_kg(const Mpz& k, Mpz& x) {
        gcry_mpi_point_t g = gcry_mpi_ec_get_point("g", ec, 1);
        gcry_mpi_point_t r = gcry_mpi_point_new(0);
        gcry_mpi_t kk = nullptr, gx = gcry_mpi_new(0);
        std::vector<char> khex(mpz_sizeinbase(k.v, 16) + 2);  // digits, a sign and the terminator
        mpz_get_str(khex.data(), 16, k.v);
        ASSERT_EQ(gcry_mpi_scan(&kk, GCRYMPI_FMT_HEX, khex.data(), 0, nullptr), 0u);
        gcry_mpi_ec_mul(r, kk, g, ec);
        ASSERT_EQ(gcry_mpi_ec_get_affine(gx, nullptr, r, ec), 0);
        unsigned char* buf = nullptr;
        ASSERT_EQ(gcry_mpi_aprint(GCRYMPI_FMT_HEX, &buf, nullptr, gx), 0u);
        mpz_set_str(x.v, reinterpret_cast<char*>(buf), 16);
        gcry_free(buf);
        gcry_mpi_release(kk);
        gcry_mpi_release(gx);
        gcry_mpi_point_release(r);
        gcry_mpi_point_release(g);
    }

    int verify(const std::string& digest, const std::string& sig) {
        return VANTIX_CALL(vantix_1LR34_110_12001_1verify)(env, nullptr, ctx, jni.array(unhex(digest), "digest"),
                                                           jni.array(unhex(sig), "signature"));
    }
};

}  // namespace

TEST_F(CofactorCurve, SignaturesWithXAboveQAndAbove2QVerifyBothWays) {
    // The domain: p and q prime, p > 2q, G of order q on the curve.
    const Mpz p(kP), q(kQ), b(kB);
    EXPECT_GT(mpz_probab_prime_p(p.v, 40), 0);
    EXPECT_GT(mpz_probab_prime_p(q.v, 40), 0);
    Mpz twice_q;
    mpz_mul_ui(twice_q.v, q.v, 2);
    ASSERT_GT(mpz_cmp(p.v, twice_q.v), 0);
    {
        gcry_mpi_point_t g = gcry_mpi_ec_get_point("g", ec, 1);
        EXPECT_TRUE(gcry_mpi_ec_curve_point(g, ec));
        gcry_mpi_t n = gcry_mpi_ec_get_mpi("n", ec, 1);
        gcry_mpi_point_t r = gcry_mpi_point_new(0);
        gcry_mpi_ec_mul(r, n, g, ec);
        gcry_mpi_t rx = gcry_mpi_new(0);
        EXPECT_NE(gcry_mpi_ec_get_affine(rx, nullptr, r, ec), 0) << "q*G is not the point at infinity";
        gcry_mpi_release(rx);
        gcry_mpi_point_release(r);
        gcry_mpi_release(n);
        gcry_mpi_point_release(g);
    }

    // One key pair, made by the library.
    ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1gen_1secret_1key)(env, nullptr, ctx), 0);
    ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1gen_1public_1key)(env, nullptr, ctx), 0);
    jbyteArray masked = jni.array(64, "key");
    ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1get_1secret_1key)(env, nullptr, ctx, masked), 0);
    std::vector<uint8_t> dbytes(32);
    for (int i = 0; i < 32; ++i) dbytes[size_t(i)] = jni.bytes(masked)[size_t(i)] ^ jni.bytes(masked)[size_t(32 + i)];
    ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1get_1public_1key)(env, nullptr, ctx, point), 0);
    jbyteArray pub = jni.array(64, "pub");
    VANTIX_CALL(mem_1read)(env, nullptr, point, 0, pub, 0, 64);
    const std::string qhex = "04" + hex(jni.bytes(pub));
    const Mpz d(hex(dbytes));
    Sexp pk, sk;
    ASSERT_EQ(gcry_sexp_build(&pk.s, nullptr, ("(public-key (ecc " + gcry_domain() + "(q #" + qhex + "#)))").c_str()),
              0u);
    ASSERT_EQ(gcry_sexp_build(
                  &sk.s, nullptr,
                  ("(private-key (ecc " + gcry_domain() + "(q #" + qhex + "#)(d #" + hex(dbytes) + "#)))").c_str()),
              0u);

    // Independent signatures with chosen nonces, sorted by where x(kG) lies: below q, in
    // [q, 2q), and in [2q, p). The reference r and s are computed here from x.
    int made[3] = {0, 0, 0};
    for (int trial = 0; trial < 400 && (made[0] < 4 || made[1] < 8 || made[2] < 8); ++trial) {
        const std::string digest = random_hex32();
        Mpz k(random_hex32()), x, r, s, e(digest), t;
        mpz_mod(k.v, k.v, q.v);
        if (mpz_sgn(k.v) == 0) continue;
        x_of_kg(k, x);
        const int band = mpz_cmp(x.v, q.v) < 0 ? 0 : mpz_cmp(x.v, twice_q.v) < 0 ? 1 : 2;
        if (made[band] >= (band == 0 ? 4 : 8)) continue;
        ++made[band];
        mpz_mod(r.v, x.v, q.v);
        mpz_mod(e.v, e.v, q.v);
        if (mpz_sgn(e.v) == 0) mpz_set_ui(e.v, 1);
        mpz_mul(s.v, r.v, d.v);  // s = r*d + k*e mod q
        mpz_mul(t.v, k.v, e.v);
        mpz_add(s.v, s.v, t.v);
        mpz_mod(s.v, s.v, q.v);
        ASSERT_NE(mpz_sgn(r.v), 0);
        ASSERT_NE(mpz_sgn(s.v), 0);
        EXPECT_EQ(verify(digest, r.be32() + s.be32()), 0) << "x in band " << band;
        // The same r with s + 1 (still below q) does not verify.
        mpz_add_ui(t.v, s.v, 1);
        if (mpz_cmp(t.v, q.v) < 0) {
            EXPECT_EQ(verify(digest, r.be32() + t.be32()), 5) << "x in band " << band;
        }
        // Nor does x itself where it is not r: it is refused as out of range.
        if (band > 0) {
            EXPECT_EQ(verify(digest, x.be32() + s.be32()), 8);
        }
    }
    EXPECT_EQ(made[0], 4);
    EXPECT_EQ(made[1], 8);
    EXPECT_EQ(made[2], 8);

    // libgcrypt's own GOST signatures verify here; the library's verify with libgcrypt.
    for (int trial = 0; trial < 12; ++trial) {
        const std::string digest = random_hex32();
        Sexp data, theirs, ours;
        ASSERT_EQ(gcry_sexp_build(&data.s, nullptr, ("(data (flags gost) (value #" + digest + "#))").c_str()), 0u);
        ASSERT_EQ(gcry_pk_sign(&theirs.s, data.s, sk.s), 0u);
        EXPECT_EQ(verify(digest, sexp_mpi_hex(theirs.s, "r") + sexp_mpi_hex(theirs.s, "s")), 0) << "trial " << trial;
        jbyteArray sig = jni.array(64, "signature");
        ASSERT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1sign)(env, nullptr, ctx, jni.array(unhex(digest), "digest"), sig),
                  0);
        const std::string rs = hex(jni.bytes(sig));
        EXPECT_EQ(verify(digest, rs), 0) << "own signature, trial " << trial;
        ASSERT_EQ(
            gcry_sexp_build(&ours.s, nullptr,
                            ("(sig-val (gost (r #" + rs.substr(0, 64) + "#) (s #" + rs.substr(64) + "#)))").c_str()),
            0u);
        EXPECT_EQ(gcry_pk_verify(ours.s, data.s, pk.s), 0u) << "trial " << trial;
    }
}
