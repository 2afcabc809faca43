#include <cstring>

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "container/container.h"
#include "container/derivation.h"
#include "container/seal.h"
#include "random/generator.h"
#include "random/masking.h"

namespace vantix {

namespace {
constexpr size_t kPayload = 32;  // the plain key
}

Result make_key_container(RND_State* rnd, const uint8_t* masked_key, const uint8_t* password, int32_t length,
                          uint8_t* container) {
    if (container == nullptr || rnd == nullptr || password == nullptr || length < CONTAINER_MIN_PASSWORD ||
        masked_key == nullptr)
        return RC_MISSING;
    struct {
        uint8_t buf[KEY_CONTAINER_BYTES];
        ContainerKeys keys;
    } w;
    WipeOnExit<decltype(w)> wipe(w);
    Result result = container_begin(rnd, password, length, w.buf, &w.keys);
    if (result == RC_OK) {
        for (size_t i = 0; i < kPayload; ++i) w.buf[8 + i] = masked_key[i] ^ masked_key[32 + i];
        result = container_seal(rnd, w.keys, w.buf, kPayload);
    }
    if (result == RC_OK) std::memcpy(container, w.buf, KEY_CONTAINER_BYTES);
    return result;
}

Result extract_key_container(RND_State* rnd, const uint8_t* container, const uint8_t* password, int32_t length,
                             uint8_t* masked_key) {
    if (container == nullptr || rnd == nullptr || password == nullptr || length < 1) return RC_MISSING;
    uint8_t buf[KEY_CONTAINER_BYTES];
    WipeOnExit<decltype(buf)> wipe(buf);
    std::memcpy(buf, container, sizeof buf);
    const Result result = container_open(rnd, password, length, buf, kPayload);
    if (result != RC_OK) return result;
    if (masked_key != nullptr) mask_key_bytes(rnd, buf + 8, masked_key);
    // The local copy is overwritten with 48 generator bytes before it is wiped, as every
    // opening of a key container always has: the generator advances by them too.
    static_cast<void>(rnd_fill(rnd, buf, sizeof buf));  // opened, so seeded: cannot fail
    return RC_OK;
}

}  // namespace vantix
