#include "common/wipe.h"

#include <cstdint>

namespace vantix {

void secure_wipe(void* p, size_t n) {
    volatile uint8_t* v = static_cast<volatile uint8_t*>(p);
    while (n--) *v++ = 0;
    __asm__ __volatile__("" : : "r"(p) : "memory");
}

}  // namespace vantix
