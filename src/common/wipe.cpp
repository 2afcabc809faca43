#include "common/wipe.h"

#include <cstring>

namespace vantix {

void secure_wipe(void* p, size_t n) {
    std::memset(p, 0, n);
    // The barrier claims to read the memory through p, so the stores above are not dead
    // and the compiler may not remove them (the same device as explicit_bzero's).
    __asm__ __volatile__("" : : "r"(p) : "memory");
}

}  // namespace vantix
