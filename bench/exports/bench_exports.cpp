// One benchmark program for both platforms: it loads the real module (libtellarvantix.so,
// or tellarvantix.dll under wine64) and times its exports through the recording fake
// JNIEnv of the tests, so the Linux and Windows builds run exactly the same calls. Figures:
// MB/s for 1 MiB buffers (fresh init per buffer, the best of several rounds), microseconds
// per signature and per verification (CryptoPro-A), and per entropy gathering.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "jni/fake_jni.h"
#include "jni/module.h"
#include "unit/param_sets.h"

namespace {

using Clock = std::chrono::steady_clock;

double best_seconds(int rounds, const std::function<void()>& f) {
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clock::now();
        f();
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        if (s < best) best = s;
    }
    return best;
}

}  // namespace

int main() {
    FakeJni jni;
    jni.reuse_copies = true;
    JNIEnv* env = jni.env();
    jclass cls = nullptr;
    const jlong rnd = VANTIX_CALL(vantix_1RND_1State)(env, cls);
    std::vector<uint8_t> seed(64);
    for (int i = 0; i < 64; ++i) seed[size_t(i)] = uint8_t(i * 7 + 1);
    VANTIX_CALL(vantix_1ForceRandom_1)(env, cls, rnd, jni.array(seed, "seed"));
    const jlong com = VANTIX_CALL(vantix_1COM_1State)(env, cls);
    std::vector<uint8_t> table(128);
    for (int r = 0; r < 8; ++r)
        for (int j = 0; j < 16; ++j) table[size_t(16 * r + j)] = uint8_t((j * 7 + r) & 15);
    VANTIX_CALL(mem_1write)(env, cls, com, 0, jni.array(table, "table"), 0, 128);
    std::vector<uint8_t> key_bytes(64, 0);
    for (int i = 0; i < 32; ++i) key_bytes[size_t(i)] = uint8_t(i * 13 + 5);
    jbyteArray key = jni.array(key_bytes, "key"), iv = jni.array(8, "iv", 3);
    const int32_t n = 1 << 20;
    jbyteArray in = jni.array(size_t(n), "in", 0x5A), out = jni.array(size_t(n), "out");
    const int rounds = 7;

    auto mbs = [&](const char* name, const std::function<void()>& f) {
        const double s = best_seconds(rounds, f);
        std::printf("%-10s %8.1f MB/s\n", name, double(n) / s / 1e6);
    };
    mbs("gamma", [&] {
        const jlong c = VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, cls);
        VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, cls, c, com, rnd, key, iv);
        VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(env, cls, c, in, 0, out, 0, n);
        VANTIX_CALL(vantix_1G28147_11989_1gamma_1clear)(env, cls, c);
        VANTIX_CALL(mem_1free)(env, cls, c);
    });
    mbs("feedback", [&] {
        const jlong c = VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb)(env, cls);
        VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1init)(env, cls, c, com, rnd, key, iv);
        VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1encrypt)(env, cls, c, in, 0, out, 0, n);
        VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1clear)(env, cls, c);
        VANTIX_CALL(mem_1free)(env, cls, c);
    });
    mbs("mac", [&] {
        const jlong c = VANTIX_CALL(vantix_1G28147_11989_1mac)(env, cls);
        VANTIX_CALL(vantix_1G28147_11989_1mac_1init)(env, cls, c, com, rnd, key, nullptr);
        VANTIX_CALL(vantix_1G28147_11989_1mac_1update)(env, cls, c, in, 0, n);
        VANTIX_CALL(vantix_1G28147_11989_1mac_1clear)(env, cls, c);
        VANTIX_CALL(mem_1free)(env, cls, c);
    });
    mbs("hash", [&] {
        const jlong c = VANTIX_CALL(vantix_1R34_111_11994)(env, cls);
        VANTIX_CALL(vantix_1GOST_1R34_111_11994_1init)(env, cls, c, com, rnd, nullptr);
        VANTIX_CALL(vantix_1GOST_1R34_111_11994_1update)(env, cls, c, in, 0, n);
        VANTIX_CALL(vantix_1GOST_1R34_111_11994_1clear)(env, cls, c);
        VANTIX_CALL(mem_1free)(env, cls, c);
    });

    // CryptoPro-A (RFC 4357, 11.4)
    const jlong ctx = VANTIX_CALL(vantix_1LR34_110_12001)(env, cls);
    const jlong g = VANTIX_CALL(vantix_1LPoint)(env, cls);
    std::vector<uint8_t> point(100, 0);
    const vantix::LPoint g_record = param_set_point(kCryptoProA);
    std::memcpy(point.data(), &g_record, 64);
    VANTIX_CALL(mem_1write)(env, cls, g, 0, jni.array(point, "point"), 0, 100);
    VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)
    (env, cls, ctx, rnd, jni.array(unhex(kCryptoProA.p), "p"), jni.array(unhex(kCryptoProA.q), "q"),
     jni.array(unhex(kCryptoProA.a), "a"), jni.array(unhex(kCryptoProA.b), "b"), g);
    VANTIX_CALL(vantix_1LR34_110_12001_1gen_1secret_1key)(env, cls, ctx);
    VANTIX_CALL(vantix_1LR34_110_12001_1gen_1public_1key)(env, cls, ctx);
    jbyteArray digest = jni.array(32, "digest", 0x11), sig = jni.array(64, "sig");
    // Per operation: the median of single timed calls, and the mean over a run of calls.
    // The two differ for signing, where one call in about a hundred also waits for the
    // generator's entropy gathering (its 1 ms sleeps); the median is the module's own work.
    const int ops = 200;
    auto per_op = [&](const char* name, const char* wall_name, const std::function<void()>& f) {
        std::vector<double> single;
        double best_mean = 1e9;
        for (int r = 0; r < 5; ++r) {
            const auto start = Clock::now();
            for (int i = 0; i < ops; ++i) {
                const auto t0 = Clock::now();
                f();
                single.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
            }
            const double mean = std::chrono::duration<double>(Clock::now() - start).count() / ops;
            if (mean < best_mean) best_mean = mean;
        }
        std::sort(single.begin(), single.end());
        std::printf("%-10s %8.1f us\n", name, single[single.size() / 2] * 1e6);
        if (wall_name != nullptr) std::printf("%-10s %8.1f us\n", wall_name, best_mean * 1e6);
    };
    per_op("sign", "sign-wall", [&] { VANTIX_CALL(vantix_1LR34_110_12001_1sign)(env, cls, ctx, digest, sig); });
    per_op("verify", nullptr, [&] { VANTIX_CALL(vantix_1LR34_110_12001_1verify)(env, cls, ctx, digest, sig); });

    // One entropy gathering (16 to 32 sleeps of 1 ms): the first draw after seeding, the
    // mean of a few. It is the stall a generator makes every 16 KiB of output.
    jbyteArray seed_array = jni.array(seed, "seed"), eight = jni.array(8, "eight");
    const int gatherings = 12;
    double total = 0;
    for (int i = 0; i < gatherings; ++i) {
        const jlong fresh = VANTIX_CALL(vantix_1RND_1State)(env, cls);
        VANTIX_CALL(vantix_1ForceRandom_1)(env, cls, fresh, seed_array);
        const auto t0 = Clock::now();
        VANTIX_CALL(vantix_1Random_1Fill)(env, cls, fresh, eight);
        total += std::chrono::duration<double>(Clock::now() - t0).count();
        VANTIX_CALL(mem_1free)(env, cls, fresh);
    }
    std::printf("%-10s %8.1f us\n", "gathering", total / gatherings * 1e6);
    return VANTIX_CALL(vantix_1LR34_110_12001_1verify)(env, cls, ctx, digest, sig) == 0 ? 0 : 1;
}
