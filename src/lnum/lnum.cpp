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

int lnum_add(int n, uint32_t* a, const uint32_t* b) {
    uint64_t carry = 0;
    for (int i = n - 1; i >= 0; --i) {
        const uint64_t s = uint64_t(a[i]) + b[i] + carry;
        a[i] = uint32_t(s);
        carry = s >> 32;
    }
    return int(carry);
}

int lnum_sub(int n, uint32_t* a, const uint32_t* b) {
    uint64_t borrow = 0;
    for (int i = n - 1; i >= 0; --i) {
        const uint64_t d = uint64_t(a[i]) - b[i] - borrow;
        a[i] = uint32_t(d);
        borrow = (d >> 32) != 0 ? 1 : 0;
    }
    return int(borrow);
}

int lnum_shl1(int n, uint32_t* a) {
    uint32_t carry = 0;
    for (int i = n - 1; i >= 0; --i) {
        const uint32_t next = a[i] >> 31;
        a[i] = (a[i] << 1) | carry;
        carry = next;
    }
    return int(carry);
}

int lnum_shr1(int n, uint32_t* a) {
    uint32_t carry = 0;
    for (int i = 0; i < n; ++i) {
        const uint32_t next = a[i] & 1;
        a[i] = (carry << 31) | (a[i] >> 1);
        carry = next;
    }
    return int(carry);
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
