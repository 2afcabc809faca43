#include "lnum/lnum.h"

#include "common/bytes.h"

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
    // Eight bytes at a time while they last (the hash's control sum adds 32 on every block),
    // then byte by byte; the carry is arithmetic throughout, never a branch.
    uint64_t wide = 0;
    int i = 0;
    for (; i + 8 <= len; i += 8) {
        const unsigned __int128 s = (unsigned __int128)load_le64(a + i) + load_le64(b + i) + wide;
        store_le64(a + i, uint64_t(s));
        wide = uint64_t(s >> 64);
    }
    unsigned carry = unsigned(wide);
    for (; i < len; ++i) {
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
