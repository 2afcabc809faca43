// Shared pieces of the fuzz harnesses: a reader over the fuzzer's bytes and a seeded
// generator (fixed entropy, through the test build's hooks) with a table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gost28147/builtin_tables.h"
#include "gost28147/sbox.h"
#include "random/generator.h"
#include "random/time_sources.h"

struct FuzzInput {
    const uint8_t* p;
    size_t n;
    FuzzInput(const uint8_t* data, size_t size) : p(data), n(size) {}
    uint8_t byte() {
        if (n == 0) return 0;
        --n;
        return *p++;
    }
    uint32_t u32() {
        return uint32_t(byte()) | uint32_t(byte()) << 8 | uint32_t(byte()) << 16 | uint32_t(byte()) << 24;
    }
    void bytes(uint8_t* out, size_t count) {
        for (size_t i = 0; i < count; ++i) out[i] = byte();
    }
    std::vector<uint8_t> rest() {
        std::vector<uint8_t> v(p, p + n);
        p += n;
        n = 0;
        return v;
    }
};

struct Fixture {
    vantix::RND_State rnd{};
    vantix::COM_State com{};
    Fixture() {
        // A fixed entropy block instead of the gathering's sleeps: runs stay fast.
#ifdef VANTIX_TEST_HOOKS
        vantix::test_time_hooks().fixed_entropy = true;
#endif
        uint8_t seed[64];
        for (int i = 0; i < 64; ++i) seed[i] = uint8_t(i);
        vantix::rnd_seed(&rnd, seed);
        std::memcpy(com.sbox, vantix::builtin_sbox(vantix::Sbox::CipherA), 128);
    }
};
