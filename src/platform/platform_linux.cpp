// Linux services, answering what the entropy gatherer and the generator expect of the
// Windows ones: a monotonic nanosecond counter, statvfs of the current directory, the
// thread id, the real-time clock as a file time, and kernel and thread statistics that
// change from call to call in place of the system-information classes.
#include "platform/platform.h"

#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/sysinfo.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace vantix::platform {

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr uint64_t kEpochDelta = 11644473600ULL;

const uint64_t g_load_time = system_file_time();

// Appends records to a query buffer. The sources are chosen so that a query costs the same
// on any machine: nothing here reads a /proc file whose length grows with the processors,
// the devices or the threads of the process (a gathering makes up to 32 queries).
class QueryOut {
public:
    explicit QueryOut(uint8_t* buffer) : buffer_(buffer) {}

    template <class T>
    void put(const T& record) {
        std::memcpy(buffer_ + size_, &record, sizeof record);
        size_ += uint32_t(sizeof record);
    }

    // The clocks that move between any two queries: the raw monotonic clock (nanoseconds,
    // read without a system call) and this thread's processor time.
    bool clocks() {
        timespec now[2] = {};
        if (clock_gettime(CLOCK_MONOTONIC_RAW, &now[0]) != 0) return false;
        if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now[1]) != 0) return false;
        put(now);
        return true;
    }

    // Kernel-wide figures: uptime, load averages, free and shared memory, process count.
    bool system() {
        struct sysinfo si = {};
        if (::sysinfo(&si) != 0) return false;
        put(si);
        return true;
    }

    // This thread's resource use: times, page faults, context switches.
    bool thread_usage() {
        rusage ru = {};
        if (::getrusage(RUSAGE_THREAD, &ru) != 0) return false;
        put(ru);
        return true;
    }

    // A few bytes of the kernel's generator (the system call itself: glibc's wrapper came
    // only with 2.25). Kernels before 3.17 lack it: then nothing is added.
    void kernel_random() {
        uint8_t r[16] = {};
        long got;
        do {
            got = ::syscall(SYS_getrandom, r, sizeof r, 0x1 /* GRND_NONBLOCK */);
        } while (got < 0 && errno == EINTR);
        if (got == long(sizeof r)) put(r);
    }

    int32_t size() const { return int32_t(size_); }

private:
    uint8_t* buffer_;
    uint32_t size_ = 0;
};

// The buffer's byte count after a query, or `fail` when it could not be made.
int32_t answer(bool ok, const QueryOut& out, int32_t fail) { return ok ? out.size() : fail; }
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

SleepSession::SleepSession(bool) {}
SleepSession::~SleepSession() = default;

void SleepSession::sleep_1ms() {
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
    QueryOut out(buffer);
    switch (kind) {
        case 0: {  // the system's figures
            const bool ok = out.system() && out.clocks();
            return answer(ok, out, -33);
        }
        case 1: {  // this thread's figures
            const bool ok = out.thread_usage() && out.clocks();
            return answer(ok, out, -34);
        }
        case 2: {  // two queries into the same buffer; the count is the second's
            if (!out.system()) return -35;
            QueryOut second(buffer);
            second.kernel_random();
            return answer(second.clocks(), second, -36);
        }
        case 3: {
            const bool ok = out.clocks() && out.thread_usage();
            return answer(ok, out, -36);
        }
        default: return 0;  // nothing is bound on Linux, so there is nothing to release
    }
}

}  // namespace vantix::platform
