// Entropy gathering from system counters, disk and kernel statistics and timing jitter.
#pragma once
#include <cstdint>

namespace vantix {

// Fills a 32-byte block. Returns 0; 7 for a null block; 1, 2 or 3 when the performance
// counter, the disk statistics or the jitter mixing failed (the block then holds what was
// written before the failure).
int gather_entropy(uint8_t* block);

// Folds system-information bytes and timing differences into the 32 bytes of block,
// sleeping 1 ms per round (16 to 32 rounds). `query_buffer` is a 16 KiB buffer owned by
// the caller. Returns 0, or 1 for a null block.
int mix_timing_jitter(uint8_t* block, uint8_t* query_buffer);

}  // namespace vantix
