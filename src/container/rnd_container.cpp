#include <cstring>

#include "common/result.h"
#include "common/wipe.h"
#include "container/container.h"
#include "container/derivation.h"
#include "container/seal.h"

namespace vantix {

namespace {
constexpr size_t kPayload = RND_SAVED_BYTES;  // output block, key block, byte counter
}

Result make_rnd_container(RND_State* rnd, const uint8_t* password, int32_t length, uint8_t* container) {
    if (container == nullptr || rnd == nullptr || password == nullptr || length < CONTAINER_MIN_PASSWORD)
        return RC_MISSING;
    // Built in a local buffer: the caller's array receives only a complete, sealed container.
    struct {
        uint8_t buf[RND_CONTAINER_BYTES];
        ContainerKeys keys;
    } w;
    WipeOnExit<decltype(w)> wipe(w);
    Result result = container_begin(rnd, password, length, w.buf, &w.keys);
    if (result == RC_OK) {
        // The state sealed is the one left after the salt and key-mask draws, so a restored
        // generator never repeats bytes that were already handed out.
        std::memcpy(w.buf + 8, rnd, kPayload);
        result = container_seal(rnd, w.keys, w.buf, kPayload);
    }
    if (result == RC_OK) std::memcpy(container, w.buf, RND_CONTAINER_BYTES);
    return result;
}

Result extract_rnd_container(const uint8_t* container, const uint8_t* password, int32_t length, RND_State* target) {
    if (container == nullptr || target == nullptr || password == nullptr || length < 1) return RC_MISSING;
    // Every mask this call needs comes from a temporary generator, so the target need not
    // be seeded and is touched only on success.
    RND_State temp{};
    WipeOnExit<RND_State> wipe_temp(temp);
    temp.seeded = 1;
    uint8_t buf[RND_CONTAINER_BYTES];
    WipeOnExit<decltype(buf)> wipe_buf(buf);
    std::memcpy(buf, container, sizeof buf);
    const Result result = container_open(&temp, password, length, buf, kPayload);
    if (result == RC_OK) {
        std::memcpy(target, buf + 8, kPayload);
        target->seeded = 1;
    }
    return result;
}

}  // namespace vantix
