// The few services the library takes from the operating system. One implementation per
// OS (platform_win32.cpp, platform_linux.cpp), chosen at build time; nothing else in the
// library includes an OS header.
#pragma once
#include <cstdint>

namespace vantix::platform {

// High-resolution performance counter; false when it cannot be read.
bool performance_counter(uint64_t* value);

// Disk figures of the current drive or directory: bytes available to the caller, total
// bytes, total free bytes. False when they cannot be read.
bool disk_space(uint64_t* available, uint64_t* total, uint64_t* total_free);

uint32_t current_thread_id();

// System time as a Windows file time: 100 ns units since 1601-01-01.
uint64_t system_file_time();

// The 1 ms sleeps of one entropy gathering: make a session before the first and let it go
// after the last. On Windows a plain Sleep(1) lasts a whole timer period, 15.6 ms unless some
// program has shortened it, so a session holds a high-resolution waitable timer (Windows 10
// 1803 and later) or, where there is none, raises the system timer resolution to 1 ms for its
// own lifetime only. Elsewhere it sleeps 1 ms as asked.
class SleepSession {
public:
    enum class Method { Plain, HighResolutionTimer, RaisedResolution };

    // `timer` false skips the high-resolution timer (for tests of the fallback).
    explicit SleepSession(bool timer = true);
    ~SleepSession();
    SleepSession(const SleepSession&) = delete;
    SleepSession& operator=(const SleepSession&) = delete;

    // Sleeps once, for about 1 ms.
    void sleep_1ms();
    // How this session sleeps.
    Method method() const { return method_; }

private:
    [[maybe_unused]] void* timer_ = nullptr;  // the waitable timer's handle (Windows)
    Method method_ = Method::Plain;
};

// Low 32 bits of the processor time-stamp counter (a fine-grained clock elsewhere).
uint32_t read_cycle_counter();

// Milliseconds since the library was loaded (32 bits).
uint32_t elapsed_ms();

constexpr uint32_t SYSINFO_BUFFER_BYTES = 16384;

// Runs system-information query `kind` (0..3) into a 16384-byte buffer. Returns a positive
// byte count (0 for kind 4, which releases the binding) or a negative code:
// -1 system directory, -2 library load, -3 entry point missing, -4 null buffer,
// -5 kind out of range, -33..-36 a failed query.
int32_t query_system_info(int32_t kind, uint8_t* buffer);

}  // namespace vantix::platform
