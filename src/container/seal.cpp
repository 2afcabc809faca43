#include "container/seal.h"

#include <cstring>

#include "common/ct.h"
#include "common/result.h"
#include "common/wipe.h"
#include "container/container.h"
#include "container/derivation.h"
#include "contexts/gamma_ofb.h"
#include "contexts/mac.h"
#include "gost28147/builtin_tables.h"
#include "random/generator.h"

namespace vantix {

namespace {

struct Work {
    ContainerKeys keys;
    uint8_t mac[8];
    COM_State com;
    MacContext mac_ctx;
    GammaFeedbackContext ofb;
};

// MAC of buf[0 .. len) into w.mac with the CryptoPro-D table.
bool compute_mac(Work& w, RND_State* rnd, const uint8_t* buf, size_t len) {
    std::memcpy(w.com.sbox, builtin_sbox(Sbox::CipherD), SBOX_BYTES);
    const bool ok = mac_init(&w.mac_ctx, &w.com, rnd, w.keys.mac, nullptr) == 0 &&
                    mac_update(&w.mac_ctx, buf, int32_t(len)) == 0 && mac_final(&w.mac_ctx, w.mac) == 0;
    static_cast<void>(mac_clear(&w.mac_ctx));  // a local context: cannot fail
    return ok;
}

// Gamma with feedback over data in place, CryptoPro-C table, the salt as vector.
bool run_feedback(Work& w, RND_State* rnd, const uint8_t* salt, uint8_t* data, size_t len, bool decrypt) {
    std::memcpy(w.com.sbox, builtin_sbox(Sbox::CipherC), SBOX_BYTES);
    bool ok = gamma_ofb_init(&w.ofb, &w.com, rnd, w.keys.enc, salt) == 0;
    if (ok) {
        ok = (decrypt ? gamma_ofb_decrypt(&w.ofb, data, data, int32_t(len))
                      : gamma_ofb_encrypt(&w.ofb, data, data, int32_t(len))) == 0;
    }
    static_cast<void>(gamma_ofb_clear(&w.ofb));  // a local context: cannot fail
    return ok;
}

}  // namespace

Result container_derive_keys(RND_State* rnd, const uint8_t* password, int32_t length, const uint8_t* salt,
                             ContainerKeys* keys) {
    if (derive_container_key(rnd, password, length, salt, 0, keys->enc) != DeriveStatus::Ok ||
        derive_container_key(rnd, password, length, salt, 1, keys->mac) != DeriveStatus::Ok)
        return RC_CONTAINER_STEP;
    return RC_OK;
}

Result container_begin(RND_State* rnd, const uint8_t* password, int32_t length, uint8_t* buf, ContainerKeys* keys) {
    if (rnd_fill(rnd, buf, 8) != 0) return RC_CONTAINER_STEP;
    return container_derive_keys(rnd, password, length, buf, keys);
}

Result container_seal(RND_State* rnd, const ContainerKeys& keys, uint8_t* buf, size_t payload_len) {
    Work w = {};
    WipeOnExit<Work> wipe(w);
    w.keys = keys;
    Result result = RC_CONTAINER_STEP;
    if (compute_mac(w, rnd, buf, 8 + payload_len)) {
        std::memcpy(buf + 8 + payload_len, w.mac, 8);
        if (run_feedback(w, rnd, buf, buf + 8, payload_len + 8, false)) result = RC_OK;
    }
    return result;
}

Result container_open(RND_State* rnd, const uint8_t* password, int32_t length, uint8_t* buf, size_t payload_len) {
    Work w = {};
    WipeOnExit<Work> wipe(w);
    Result result = RC_CONTAINER_STEP;
    if (container_derive_keys(rnd, password, length, buf, &w.keys) == RC_OK &&
        run_feedback(w, rnd, buf, buf + 8, payload_len + 8, true) && compute_mac(w, rnd, buf, 8 + payload_len)) {
        // Compared in constant time; only the one bit "it matches" is made public.
        result = ct_declassify_bit(ct_equal_mask(w.mac, buf + 8 + payload_len, 8)) ? RC_OK : RC_CONTAINER_MAC;
    }
    return result;
}

}  // namespace vantix
