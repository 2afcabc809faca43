// The order of the bytes within each 32-bit word of a mode's data.
//
// The contexts read their data as big-endian words, as the exports have always taken it.
// RFC 4357, OpenSSL and Bouncy Castle read each word little-endian. A call in the
// little-endian order gives what the same call in the big-endian order gives with each
// 4-byte group of its data (what it reads and what it writes) reversed; its length must be
// a whole number of words.
#pragma once
#include <cstdint>

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"

namespace vantix {

enum class WordOrder : uint8_t { Big, Little };

// Whether a call of `length` bytes may run in `order`: any length big-endian, whole words
// little-endian (a length <= 0 processes nothing in either).
inline bool word_order_allows(WordOrder order, int32_t length) {
    return order == WordOrder::Big || length <= 0 || length % 4 == 0;
}

// Runs `run(in, out, n)`, a mode's loop without its checks and its re-masking, over the
// data. Big-endian: once, as it is. Little-endian: chunk by chunk through a buffer on the
// stack, the chunk's groups reversed into it, the loop run in place there, the result
// reversed into out (no out: nothing written back, as for the MAC). The modes' loops give
// the same for any split of the data, so this is one call's result; the buffer is wiped.
template <class Run>
Result run_in_word_order(WordOrder order, const uint8_t* in, uint8_t* out, int32_t length, Run run) {
    if (order == WordOrder::Big) return run(in, out, length);
    constexpr int32_t kChunk = 512;
    uint8_t chunk[kChunk];
    WipeOnExit<decltype(chunk)> wipe(chunk);
    for (int32_t done = 0; done < length; done += kChunk) {
        const int32_t n = length - done < kChunk ? length - done : kChunk;
        byte_swap_groups_into(chunk, in + done, size_t(n / 4));
        if (const Result r = run(chunk, out != nullptr ? chunk : nullptr, n)) return r;
        if (out != nullptr) byte_swap_groups_into(out + done, chunk, size_t(n / 4));
    }
    return RC_OK;
}

}  // namespace vantix
