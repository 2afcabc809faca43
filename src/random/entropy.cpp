#include "random/entropy.h"

#include "common/bytes.h"
#include "common/wipe.h"
#include "gost28147/builtin_tables.h"
#include "gost3411/hash_step.h"
#include "platform/platform.h"
#include "random/time_sources.h"

namespace vantix {

using platform::elapsed_ms;
using platform::read_cycle_counter;

uint8_t fold_bytes(const uint8_t* p, int32_t n) {
    if (n <= 0) return 0;
    const size_t len = size_t(n);
    uint64_t words = 0;
    size_t j = 0;
    for (; j + 8 <= len; j += 8) words ^= load_le64(p + j);
    words ^= words >> 32;
    words ^= words >> 16;
    words ^= words >> 8;
    uint8_t folded = uint8_t(words);
    for (; j < len; ++j) folded ^= p[j];
    return folded;
}

EntropyStatus mix_timing_jitter(uint8_t* block, uint8_t* query_buffer) {
    if (block == nullptr) return ENTROPY_NO_BLOCK;
    platform::SleepSession sleeps;
    uint64_t t0 = platform::system_file_time();
    uint32_t i = 0;
    while (i < 32) {
        const uint32_t cycles = read_cycle_counter();
        const uint32_t kind = cycles & elapsed_ms() & 3;
        const int32_t n = rnd_query_system_info(int32_t(kind), query_buffer);
        block[i] ^= fold_bytes(query_buffer, n);
        ++i;
        const uint32_t c = elapsed_ms();
        const uint32_t r = read_cycle_counter();
        if ((((c | r) >> (i % 32)) & 1) != 0 && i < 32) {
            const uint64_t d = platform::system_file_time() - t0;
            t0 = d;  // the next difference is taken against d itself, not the clock
            for (int k = 0; k < 8; ++k) block[i] ^= uint8_t(d >> (8 * k));
            ++i;
        }
        rnd_sleep_1ms(sleeps);
    }
    return ENTROPY_OK;
}

EntropyStatus gather_entropy(uint8_t* block) {
    if (block == nullptr) return ENTROPY_NO_BLOCK;
    uint64_t counter;
    if (!platform::performance_counter(&counter)) return ENTROPY_COUNTER_FAILED;
    store_le64(block, counter);
    store_le32(block, load_le32(block) ^ read_cycle_counter());

    uint64_t available, total, total_free;
    if (!platform::disk_space(&available, &total, &total_free)) return ENTROPY_DISK_FAILED;
    store_le64(block + 8, available);
    store_le64(block + 16, total);
    store_le64(block + 24, total_free);
    store_le32(block + 8, load_le32(block + 8) ^ elapsed_ms());
    store_le32(block + 16, load_le32(block + 16) ^ platform::current_thread_id());

    const RoundTable& t = builtin_round_table(Sbox::CipherB);
    hash_step(t, block, block);

    // Each gathering has its own query buffer, so concurrent gatherings share nothing.
    uint8_t query_buffer[platform::SYSINFO_BUFFER_BYTES];
    WipeOnExit<decltype(query_buffer)> wipe_query(query_buffer);
    if (mix_timing_jitter(block, query_buffer) != ENTROPY_OK) return ENTROPY_JITTER_FAILED;
    hash_step(t, block, block);

    uint8_t local[32];
    WipeOnExit<decltype(local)> wipe_local(local);
    for (int i = 0; i < 32; ++i) {
        const uint32_t c = read_cycle_counter();
        block[i] ^= uint8_t(c ^ elapsed_ms());
    }
    for (int i = 0; i < 32; ++i) {
        const uint32_t c = read_cycle_counter();
        local[i] = uint8_t(c ^ elapsed_ms());
    }
    hash_step(t, block, local);
    return ENTROPY_OK;
}

}  // namespace vantix
