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

void sleep_1ms();

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
