// The exports through the recording fake JNIEnv, driven by the fuzzer: a program of calls
// that allocate, free, rewrite blocks with mem_write and call operations with handles
// picked from live, freed and made-up values. Every call must return or raise an
// exception; nothing may crash or touch memory outside the module's blocks.
#include <cstring>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "jni/fake_jni.h"
#include "jni/module.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    FakeJni jni;
    JNIEnv* env = jni.env();
    std::vector<jlong> handles = {0, 1, -1, 0x1000};
    jbyteArray buf = jni.array(256, "buf", 0x33), key = jni.array(64, "key", 1), b32 = jni.array(32, "b32", 2),
               b64 = jni.array(64, "b64", 3);
    auto pick = [&] { return handles[in.byte() % handles.size()]; };
    for (int step = 0; step < 64 && in.n > 0; ++step) {
        jni.clear();
        switch (in.byte() % 25) {
            case 0: handles.push_back(VANTIX_CALL(vantix_1RND_1State)(env, nullptr)); break;
            case 1: handles.push_back(VANTIX_CALL(vantix_1COM_1State)(env, nullptr)); break;
            case 2: handles.push_back(VANTIX_CALL(vantix_1G28147_11989_1gamma)(env, nullptr)); break;
            case 3: handles.push_back(VANTIX_CALL(vantix_1R34_111_11994)(env, nullptr)); break;
            case 4: handles.push_back(VANTIX_CALL(vantix_1LR34_110_12001)(env, nullptr)); break;
            case 14: handles.push_back(VANTIX_CALL(vantix_1LPoint)(env, nullptr)); break;
            case 5: handles.push_back(VANTIX_CALL(mem_1alloc)(env, nullptr, jint(in.byte()) * 8)); break;
            case 6: VANTIX_CALL(mem_1free)(env, nullptr, pick() + (in.byte() & 8)); break;
            case 7: {
                const jlong h = pick();
                const jint off = jint(int8_t(in.byte())) * 4, len = in.byte() % 33;
                VANTIX_CALL(mem_1write)(env, nullptr, h, off, buf, in.byte() % 200, len);
                break;
            }
            case 8: VANTIX_CALL(vantix_1ForceRandom_1)(env, nullptr, pick(), b64); break;
            case 9:
                VANTIX_CALL(vantix_1G28147_11989_1gamma_1init)(env, nullptr, pick(), pick(), pick(), key, nullptr);
                break;
            case 10:
                VANTIX_CALL(vantix_1G28147_11989_1gamma_1crypt)(env, nullptr, pick(), buf, 0, buf, 0, in.byte());
                break;
            case 11:
                VANTIX_CALL(vantix_1GOST_1R34_111_11994_1init)(env, nullptr, pick(), pick(), pick(), nullptr);
                break;
            case 12: VANTIX_CALL(vantix_1GOST_1R34_111_11994_1update)(env, nullptr, pick(), buf, 0, in.byte()); break;
            case 13:
                VANTIX_CALL(vantix_1LR34_110_12001_1set_1parms)
                (env, nullptr, pick(), pick(), nullptr, nullptr, nullptr, nullptr, 0);
                VANTIX_CALL(vantix_1LR34_110_12001_1sign)(env, nullptr, pick(), b32, b64);
                break;
            case 15:
                VANTIX_CALL(vantix_1LR34_110_12001_1gen_1secret_1key)(env, nullptr, pick());
                VANTIX_CALL(vantix_1LR34_110_12001_1get_1public_1key)(env, nullptr, pick(), pick());
                VANTIX_KA_CALL(vantix_1LR34_110_12001_1vko)(env, nullptr, pick(), pick(), b32, b64);
                break;
            case 16: handles.push_back(VANTIX_CALL(vantix_1G28147_11989_1mac)(env, nullptr)); break;
            case 17:
                VANTIX_CALL(vantix_1G28147_11989_1mac_1init)(env, nullptr, pick(), pick(), pick(), key, nullptr);
                break;
            case 18: VANTIX_CALL(vantix_1G28147_11989_1mac_1update)(env, nullptr, pick(), buf, 0, in.byte()); break;
            case 19: VANTIX_CALL(vantix_1G28147_11989_1mac_1final)(env, nullptr, pick(), b64); break;
            case 20: VANTIX_CALL(vantix_1GOST_1R34_111_11994_1final)(env, nullptr, pick(), b32); break;
            case 21:
                VANTIX_CALL(vantix_1COM_1State_1params_1clear)(env, nullptr, pick());
                VANTIX_CALL(vantix_1LR34_110_12001_1get_1public_1key)(env, nullptr, pick(), pick());
                VANTIX_CALL(vantix_1LR34_110_12001_1verify)(env, nullptr, pick(), b32, b64);
                break;
            case 23: {
                // The stream modes on little-endian words, on any context and any length.
                const jint len = in.byte();
                VANTIX_PO_CALL(vantix_1G28147_11989_1gamma_1crypt_1le)(env, nullptr, pick(), buf, 0, buf, 0, len);
                VANTIX_PO_CALL(vantix_1G28147_11989_1mac_1update_1le)(env, nullptr, pick(), buf, 0, len);
                break;
            }
            case 24: {
                const jint len = in.byte();
                const jlong h = VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb)(env, nullptr);
                handles.push_back(h);
                VANTIX_CALL(vantix_1G28147_11989_1gamma_1ofb_1init)(env, nullptr, h, pick(), pick(), key, nullptr);
                VANTIX_PO_CALL(vantix_1G28147_11989_1gamma_1ofb_1encrypt_1le)(env, nullptr, h, buf, 0, buf, 0, len);
                VANTIX_PO_CALL(vantix_1G28147_11989_1gamma_1ofb_1decrypt_1le)
                (env, nullptr, pick(), buf, 8, buf, 8, len);
                break;
            }
            case 22: {
                // A handle (live, freed or made up) written into a block: a stored address.
                const jlong target = pick(), value = pick() + (in.byte() & 8);
                std::vector<uint8_t> bytes(8);
                std::memcpy(bytes.data(), &value, 8);
                VANTIX_CALL(mem_1write)(env, nullptr, target, jint(in.byte()) * 4, jni.array(bytes, "address"), 0, 8);
                break;
            }
        }
        if (jni.outstanding != 0) __builtin_trap();
    }
    for (jlong h : handles) VANTIX_CALL(mem_1free)(env, nullptr, h);
    return 0;
}
