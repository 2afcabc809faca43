// The streaming hash on arbitrary data split at arbitrary points: one-shot and split
// digests must agree, and nothing may read or write outside the context or the data.
#include <cstring>

#include "contexts/hash.h"
#include "fuzz/fuzz_common.h"

using namespace vantix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    Fixture f;
    const uint8_t table_choice = in.byte();
    if (table_choice & 1) in.bytes(f.com.sbox, 128);
    HashContext one{}, split{};
    if (hash_init(&one, &f.com, &f.rnd, nullptr) != 0 || hash_init(&split, &f.com, &f.rnd, nullptr) != 0) return 0;
    const std::vector<uint8_t> msg = in.rest();
    hash_update(&one, msg.data(), int32_t(msg.size()));
    size_t pos = 0;
    unsigned cut = table_choice;
    while (pos < msg.size()) {
        cut = cut * 1103515245u + 12345u;
        size_t n = (cut >> 16) % 70;
        if (n > msg.size() - pos) n = msg.size() - pos;
        hash_update(&split, msg.data() + pos, int32_t(n));
        pos += n;
    }
    uint8_t a[32], b[32];
    hash_final(&one, a);
    hash_final(&split, b);
    if (std::memcmp(a, b, 32) != 0) __builtin_trap();
    return 0;
}
