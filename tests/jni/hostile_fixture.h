// The fixture of the hostile-caller tests: the real module through the recording fake
// JNIEnv, a seeded generator, a table and a few arrays, and helpers that make bad handles
// and rewrite fields of a block with mem_write.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "jni/fake_jni.h"
#include "jni/module.h"

constexpr jint kVoid = -1000;  // a void export: its answer is the exception it raised

struct Hostile : ::testing::Test {
    FakeJni jni;
    JNIEnv* env = jni.env();
    jlong rnd = 0, com = 0;
    jbyteArray key = nullptr, iv = nullptr, data = nullptr, out = nullptr, b32 = nullptr, b64 = nullptr;

    void SetUp() override {
        rnd = VANTIX_CALL(vantix_1RND_1State)(env, nullptr);
        VANTIX_CALL(vantix_1ForceRandom_1)(env, nullptr, rnd, jni.array(64, "seed", 0x42));
        com = VANTIX_CALL(vantix_1COM_1State)(env, nullptr);
        key = jni.array(64, "key", 0x11);
        iv = jni.array(8, "iv", 1);
        data = jni.array(100, "data", 7);
        out = jni.array(100, "out");
        b32 = jni.array(32, "b32", 5);
        b64 = jni.array(64, "b64", 6);
        jni.clear();
    }
    void TearDown() override {
        EXPECT_EQ(jni.outstanding, 0) << "an array was not released";
        VANTIX_CALL(mem_1free)(env, nullptr, rnd);
        VANTIX_CALL(mem_1free)(env, nullptr, com);
    }

    // The bad handles of one kind of argument, given a live block of another kind.
    std::vector<std::pair<const char*, jlong>> bad_handles(jlong other_kind) {
        const jlong freed = VANTIX_CALL(mem_1alloc)(env, nullptr, 4096);
        VANTIX_CALL(mem_1free)(env, nullptr, freed);
        return {{"zero", 0},
                {"minus one", -1},
                {"one", 1},
                {"0x1000", 0x1000},
                {"freed", freed},
                {"interior", other_kind + 8},
                {"other kind", other_kind}};
    }

    void write_field(jlong h, size_t offset, const void* value, size_t n) {
        std::vector<uint8_t> bytes(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + n);
        VANTIX_CALL(mem_1write)(env, nullptr, h, jint(offset), jni.array(bytes, "field"), 0, jint(n));
        ASSERT_EQ(jni.exception, "");
    }
    template <class T>
    void set(jlong h, size_t offset, T value) {
        write_field(h, offset, &value, sizeof value);
    }

    // A table with every entry set, so that its expanded form is not all zero.
    void write_table(jlong table) {
        std::vector<uint8_t> sbox(128);
        for (size_t i = 0; i < sbox.size(); ++i) sbox[i] = uint8_t((i * 7 + 3) % 16);
        VANTIX_CALL(mem_1write)(env, nullptr, table, 0, jni.array(sbox, "sbox"), 0, 128);
    }
    // Bytes 128..4223 of a table: its expanded form.
    std::vector<uint8_t> expanded(jlong table) {
        jbyteArray a = jni.array(4096, "expanded");
        VANTIX_CALL(mem_1read)(env, nullptr, table, 128, a, 0, 4096);
        return jni.bytes(a);
    }
    static bool all_zero(const std::vector<uint8_t>& v) {
        for (uint8_t b : v)
            if (b != 0) return false;
        return true;
    }
    jlong gamma_context(jlong table, jlong generator) {
        const jlong c = VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, nullptr);
        EXPECT_EQ(VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, c, table, generator, key, iv), 0);
        return c;
    }
    jlong hash_context(jlong table, jlong generator) {
        const jlong c = VANTIX_CALL(vantix_1R34_111_11994)(env, nullptr);
        EXPECT_EQ(VANTIX_CALL(vantix_1GOST_1R34_111_11994_1init)(env, nullptr, c, table, generator, nullptr), 0);
        return c;
    }
    // A signature context on the built-in set with both keys.
    jlong sign_context(jlong generator) {
        const jlong c = VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr);
        EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)(env, nullptr, c, generator, nullptr, nullptr, nullptr,
                                                                  nullptr, 0),
                  0);
        EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1gen_1secret_1key)(env, nullptr, c), 0);
        EXPECT_EQ(VANTIX_CALL(vantix_1LR34_110_12001_1gen_1public_1key)(env, nullptr, c), 0);
        return c;
    }
    void free_all(std::initializer_list<jlong> handles) {
        for (jlong h : handles) VANTIX_CALL(mem_1free)(env, nullptr, h);
    }
};
