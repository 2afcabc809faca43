#include "lnum/lnum.h"

namespace vantix {

int lnum_cmp(int n, const uint32_t* a, const uint32_t* b) {
    // Every word is looked at: the first difference decides, but no early exit shows where.
    uint32_t decided = 0, result = 0;
    for (int i = 0; i < n; ++i) {
        const uint32_t lt = uint32_t(a[i] < b[i]), gt = uint32_t(a[i] > b[i]);
        const uint32_t here = (lt | gt) & ~decided;
        result |= (0u - here) & ((0u - lt) | 1u);  // -1 or +1
        decided |= lt | gt;
    }
    return int32_t(result);
}

int bytes_add(int len, uint8_t* a, const uint8_t* b) {
    unsigned carry = 0;
    for (int i = 0; i < len; ++i) {
        const unsigned s = unsigned(a[i]) + b[i] + carry;
        a[i] = uint8_t(s);
        carry = s >> 8;
    }
    return int(carry);
}

bool lnum_is_zero(int n, const uint32_t* a) {
    uint32_t acc = 0;
    for (int i = 0; i < n; ++i) acc |= a[i];
    return acc == 0;
}

}  // namespace vantix
