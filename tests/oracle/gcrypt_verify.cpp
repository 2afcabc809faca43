// Verifies one GOST R 34.10-2001 signature with libgcrypt, for the tool's interoperability
// test: gcrypt_verify CURVE X Y DIGEST SIGNATURE (hex; CURVE a libgcrypt curve name such as
// GOST2001-CryptoPro-A). The digest is read as a big-endian integer, as this library reads
// it. Exit status 0 valid, 1 invalid, 2 error.
#include <cstdio>
#include <string>

#include <gcrypt.h>

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: gcrypt_verify CURVE X Y DIGEST SIGNATURE\n");
        return 2;
    }
    if (!gcry_check_version(nullptr)) return 2;
    const std::string curve = argv[1], x = argv[2], y = argv[3], digest = argv[4], sig = argv[5];
    if (sig.size() != 128) return 2;
    gcry_sexp_t key = nullptr, data = nullptr, s = nullptr;
    const std::string k = "(public-key (ecc (curve " + curve + ") (q #04" + x + y + "#)))";
    const std::string d = "(data (flags gost) (value #" + digest + "#))";
    const std::string v = "(sig-val (gost (r #" + sig.substr(0, 64) + "#) (s #" + sig.substr(64) + "#)))";
    if (gcry_sexp_build(&key, nullptr, k.c_str()) || gcry_sexp_build(&data, nullptr, d.c_str()) ||
        gcry_sexp_build(&s, nullptr, v.c_str()))
        return 2;
    const gcry_error_t e = gcry_pk_verify(s, data, key);
    gcry_sexp_release(key);
    gcry_sexp_release(data);
    gcry_sexp_release(s);
    return e == 0 ? 0 : 1;
}
