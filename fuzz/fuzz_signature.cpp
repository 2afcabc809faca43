// Signatures with arbitrary inputs: explicit parameters and base point from the fuzzer
// (refused or loaded, never a hang), arbitrary public keys, digests and (r, s) for
// verification, and on the built-in set a sign-then-verify round trip that must hold; key
// agreement with an arbitrary peer key and multiplier, whose point must lie on the curve.
#include <cstring>

#include "common/bytes.h"
#include "fuzz/fuzz_common.h"
#include "gost3410/agreement.h"
#include "gost3410/keys.h"
#include "gost3410/params.h"
#include "gost3410/sign.h"

using namespace vantix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    Fixture f;
    const uint8_t mode = in.byte();
    SignContext ctx{};
    if (mode & 1) {
        uint8_t p[32], q[32], a[32], b[32];
        LPoint g{};
        in.bytes(p, 32);
        in.bytes(q, 32);
        in.bytes(a, 32);
        in.bytes(b, 32);
        in.bytes(reinterpret_cast<uint8_t*>(&g), 64);
        if (sign_set_parms(&ctx, &f.rnd, p, 32, q, 32, a, b, &g) != 0) return 0;
    } else if (sign_set_parms(&ctx, &f.rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr) != 0) {
        return 0;
    }
    uint8_t digest[32], sig[64];
    in.bytes(digest, 32);
    if (mode & 2) {
        LPoint pub{};
        in.bytes(reinterpret_cast<uint8_t*>(&pub), 64);
        in.bytes(sig, 64);
        if (sign_set_public_key(&ctx, &pub) == 0) sign_verify(&ctx, digest, sig);
        return 0;
    }
    uint8_t masked[64];
    in.bytes(masked, 64);
    if (sign_set_secret_key(&ctx, masked) != 0 || sign_gen_public_key(&ctx) != 0) return 0;
    if (mode & 4) {
        LPoint peer{}, shared{};
        uint8_t m[32];
        in.bytes(reinterpret_cast<uint8_t*>(&peer), 64);
        in.bytes(m, 32);
        if (sign_agree(&ctx, &peer, m, reinterpret_cast<uint8_t*>(&shared)) == 0 && !(mode & 1)) {
            SignContext check{};
            LPoint point{};  // the agreed x and y, big-endian, as the operations take a point
            words_from_be(point.x, reinterpret_cast<const uint8_t*>(&shared), 8);
            words_from_be(point.y, reinterpret_cast<const uint8_t*>(&shared) + 32, 8);
            if (sign_set_parms(&check, &f.rnd, nullptr, 32, nullptr, 32, nullptr, nullptr, nullptr) != 0 ||
                sign_set_public_key(&check, &point) != 0)
                __builtin_trap();  // the agreed point is a point of the curve
        }
        return 0;
    }
    if (sign_digest(&ctx, digest, sig) != 0) return 0;
    if (!(mode & 1) && sign_verify(&ctx, digest, sig) != 0) __builtin_trap();  // a signature on a sound curve verifies
    return 0;
}
