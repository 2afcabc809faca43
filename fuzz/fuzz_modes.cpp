// The three stream modes on arbitrary data and splits: encryption then decryption gives
// the data back, gamma is its own inverse, and the MAC of one-shot and split input agree.
// The input is the key (32 bytes), the initial value (8), a count of pieces (one byte, up
// to 31) and that many piece lengths (two bytes each, little-endian; a piece may be empty
// or run past the end, which cuts it there), then the message. Whatever the pieces leave
// goes in one last call.
#include <cstring>

#include "contexts/gamma.h"
#include "contexts/gamma_ofb.h"
#include "contexts/mac.h"
#include "fuzz/fuzz_common.h"

using namespace vantix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    Fixture f;
    uint8_t key[64] = {}, iv[8];
    in.bytes(key, 32);
    in.bytes(iv, 8);
    std::vector<int32_t> pieces(in.byte() % 32);
    for (auto& piece : pieces) {
        const int32_t low = in.byte();
        piece = low | int32_t(in.byte()) << 8;
    }
    const std::vector<uint8_t> msg = in.rest();
    const int32_t n = int32_t(msg.size());
    std::vector<uint8_t> c(msg.size()), back(msg.size());
    auto split = [&](auto op) {
        int32_t pos = 0;
        for (int32_t piece : pieces) {
            const int32_t k = piece < n - pos ? piece : n - pos;
            op(pos, k);
            pos += k;
        }
        if (pos < n) op(pos, n - pos);
    };
    GammaContext g{}, g2{};
    gamma_init(&g, &f.com, &f.rnd, key, iv);
    gamma_init(&g2, &f.com, &f.rnd, key, iv);
    gamma_crypt(&g, msg.data(), c.data(), n);
    split([&](int32_t pos, int32_t k) { gamma_crypt(&g2, c.data() + pos, back.data() + pos, k); });
    if (back != msg) __builtin_trap();
    GammaFeedbackContext e{}, d{};
    gamma_ofb_init(&e, &f.com, &f.rnd, key, iv);
    gamma_ofb_init(&d, &f.com, &f.rnd, key, iv);
    split([&](int32_t pos, int32_t k) { gamma_ofb_encrypt(&e, msg.data() + pos, c.data() + pos, k); });
    gamma_ofb_decrypt(&d, c.data(), back.data(), n);
    if (back != msg) __builtin_trap();
    MacContext m1{}, m2{};
    mac_init(&m1, &f.com, &f.rnd, key, iv);
    mac_init(&m2, &f.com, &f.rnd, key, iv);
    mac_update(&m1, msg.data(), n);
    split([&](int32_t pos, int32_t k) { mac_update(&m2, msg.data() + pos, k); });
    uint8_t a[8], b[8];
    mac_final(&m1, a);
    mac_final(&m2, b);
    if (std::memcmp(a, b, 8) != 0) __builtin_trap();
    return 0;
}
