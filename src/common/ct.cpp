#include "common/ct.h"

#if defined(__linux__) && __has_include(<valgrind/memcheck.h>)
#include <valgrind/memcheck.h>
#define VANTIX_MEMCHECK 1
#endif

namespace vantix {

void ct_mark_secret(const void* p, size_t n) {
#ifdef VANTIX_MEMCHECK
    (void)VALGRIND_MAKE_MEM_UNDEFINED(p, n);
#else
    (void)p;
    (void)n;
#endif
}

void ct_declassify(const void* p, size_t n) {
#ifdef VANTIX_MEMCHECK
    (void)VALGRIND_MAKE_MEM_DEFINED(p, n);
#else
    (void)p;
    (void)n;
#endif
}

__attribute__((noinline)) bool ct_declassify_bit(uint64_t v) {
    volatile uint64_t bit = v;  // in memory, where memcheck's marks live
    ct_declassify(const_cast<const uint64_t*>(&bit), sizeof bit);
    return bit != 0;
}

}  // namespace vantix
