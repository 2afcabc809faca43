// Entropy gathering from system counters, disk and kernel statistics and timing jitter.
#pragma once
#include <cstdint>

namespace vantix {

// How entropy gathering ended: a family of its own, not the operations' Result. The
// generator does not need it (whatever was gathered is mixed in); tests do.
enum [[nodiscard]] EntropyStatus : int32_t{
    ENTROPY_OK = 0,
    ENTROPY_COUNTER_FAILED = 1,  // the performance counter
    ENTROPY_DISK_FAILED = 2,
    ENTROPY_JITTER_FAILED = 3,
    ENTROPY_NO_BLOCK = 7,
};

// The XOR of the first n bytes of p (0 when n is 0 or negative): how a query's answer enters
// the block. Eight bytes at a time, since the XOR of all bytes is the XOR of the bytes of the
// XOR of all 64-bit words.
uint8_t fold_bytes(const uint8_t* p, int32_t n);

// Fills a 32-byte block. ENTROPY_NO_BLOCK for a null block; ENTROPY_COUNTER_FAILED,
// ENTROPY_DISK_FAILED or ENTROPY_JITTER_FAILED when the performance counter, the disk
// statistics or the jitter mixing failed (the block then holds what was written before).
EntropyStatus gather_entropy(uint8_t* block);

// Folds system-information bytes and timing differences into the 32 bytes of block,
// sleeping 1 ms per round (16 to 32 rounds). `query_buffer` is a 16 KiB buffer owned by
// the caller. ENTROPY_OK, or ENTROPY_NO_BLOCK for a null block.
EntropyStatus mix_timing_jitter(uint8_t* block, uint8_t* query_buffer);

}  // namespace vantix
