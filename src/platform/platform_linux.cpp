// Linux services, answering what the entropy gatherer and the generator expect of the
// Windows ones: a monotonic nanosecond counter, statvfs of the current directory, the
// thread id, the real-time clock as a file time, and kernel statistics from /proc that
// change from call to call in place of the system-information classes.
#include <fcntl.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include "platform/platform.h"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace vantix::platform {

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr uint64_t kEpochDelta = 11644473600ULL;

const uint64_t g_load_time = system_file_time();

// Reads up to one buffer of a /proc file. Returns the byte count or `fail`.
int32_t read_proc(const char* path, uint8_t* buffer, int32_t fail) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail;
    uint32_t got = 0;
    while (got < SYSINFO_BUFFER_BYTES) {
        const ssize_t n = ::read(fd, buffer + got, SYSINFO_BUFFER_BYTES - got);
        if (n <= 0) break;
        got += uint32_t(n);
    }
    ::close(fd);
    return got > 0 ? int32_t(got) : fail;
}

}  // namespace

bool performance_counter(uint64_t* value) {
    timespec ts;
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return false;
    *value = uint64_t(ts.tv_sec) * 1000000000ULL + uint64_t(ts.tv_nsec);
    return true;
}

bool disk_space(uint64_t* available, uint64_t* total, uint64_t* total_free) {
    struct statvfs st;
    if (statvfs(".", &st) != 0) return false;
    *available = uint64_t(st.f_bavail) * st.f_frsize;
    *total = uint64_t(st.f_blocks) * st.f_frsize;
    *total_free = uint64_t(st.f_bfree) * st.f_frsize;
    return true;
}

uint32_t current_thread_id() { return uint32_t(::syscall(SYS_gettid)); }

uint64_t system_file_time() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return (uint64_t(ts.tv_sec) + kEpochDelta) * 10000000ULL + uint64_t(ts.tv_nsec) / 100;
}

void sleep_1ms() {
    timespec ts{0, 1000000};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

uint32_t read_cycle_counter() {
#if defined(__x86_64__) || defined(__i386__)
    return uint32_t(__rdtsc());
#else
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000000000ULL + uint64_t(ts.tv_nsec));
#endif
}

uint32_t elapsed_ms() { return uint32_t((system_file_time() - g_load_time) / 10000); }

int32_t query_system_info(int32_t kind, uint8_t* buffer) {
    if (buffer == nullptr) return -4;
    if (kind < 0 || kind > 4) return -5;
    switch (kind) {
        case 0: return read_proc("/proc/stat", buffer, -33);
        case 1: return read_proc("/proc/interrupts", buffer, -34);
        case 2: {
            const int32_t first = read_proc("/proc/vmstat", buffer, -35);
            if (first < 0) return first;
            return read_proc("/proc/meminfo", buffer, -36);
        }
        case 3: return read_proc("/proc/meminfo", buffer, -36);
        default: return 0;  // nothing is bound on Linux, so there is nothing to release
    }
}

}  // namespace vantix::platform
