#include "common/wipe.h"

#include <cstdint>
#include <cstring>

namespace vantix {

void secure_wipe(void* p, size_t n) {
    // Word stores in a plain loop (no call into the C runtime, whose memset differs from
    // platform to platform), then a barrier that claims to read the memory through p, so
    // the stores are not dead and the compiler may not remove them (the same device as
    // explicit_bzero's).
    uint8_t* b = static_cast<uint8_t*>(p);
    const uint64_t zero = 0;
    for (; n >= 8; n -= 8, b += 8) std::memcpy(b, &zero, 8);
    for (; n > 0; --n, ++b) *b = 0;
    __asm__ __volatile__("" : : "r"(p) : "memory");
}

}  // namespace vantix
