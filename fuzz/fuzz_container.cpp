// Opening arbitrary bytes as a random-seed container and as a key container, with an
// arbitrary password: a refusal, never a crash or a read outside the buffers.
#include "container/container.h"
#include "fuzz/fuzz_common.h"

using namespace vantix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    Fixture f;
    uint8_t rc[RND_CONTAINER_BYTES], kc[KEY_CONTAINER_BYTES], key[64];
    in.bytes(rc, sizeof rc);
    in.bytes(kc, sizeof kc);
    const std::vector<uint8_t> pw = in.rest();
    RND_State out{};
    extract_rnd_container(rc, pw.data(), int32_t(pw.size()), &out);
    extract_key_container(&f.rnd, kc, pw.data(), int32_t(pw.size()), key);
    return 0;
}
