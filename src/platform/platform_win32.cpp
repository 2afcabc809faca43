// Windows services: the counters, disk figures, clock and sleep of the kernel, and
// NtQuerySystemInformation of ntdll.dll, bound at run time on first use.
#include <windows.h>

#include <cstring>

#include <intrin.h>

#include "platform/mutex.h"
#include "platform/platform.h"

namespace vantix::platform {

namespace {

using NtQueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

const uint64_t g_load_time = system_file_time();

Mutex g_bind_lock;
HMODULE g_ntdll = nullptr;
NtQueryFn g_query = nullptr;

// Binds NtQuerySystemInformation; 0 or a negative code. Called with the lock held.
int32_t bind_locked() {
    if (g_query != nullptr) return 0;
    char path[MAX_PATH + 16];
    const UINT len = GetSystemDirectoryA(path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return -1;
    std::memcpy(path + len, "\\ntdll.dll", sizeof "\\ntdll.dll");
    HMODULE lib = LoadLibraryA(path);
    if (lib == nullptr) return -2;
    FARPROC fn = GetProcAddress(lib, "NtQuerySystemInformation");
    if (fn == nullptr) {
        FreeLibrary(lib);
        return -3;
    }
    g_ntdll = lib;
    g_query = reinterpret_cast<NtQueryFn>(reinterpret_cast<void*>(fn));
    return 0;
}

}  // namespace

bool performance_counter(uint64_t* value) {
    LARGE_INTEGER li;
    if (!QueryPerformanceCounter(&li)) return false;
    *value = uint64_t(li.QuadPart);
    return true;
}

bool disk_space(uint64_t* available, uint64_t* total, uint64_t* total_free) {
    ULARGE_INTEGER a, t, f;
    if (!GetDiskFreeSpaceExA(nullptr, &a, &t, &f)) return false;
    *available = a.QuadPart;
    *total = t.QuadPart;
    *total_free = f.QuadPart;
    return true;
}

uint32_t current_thread_id() { return uint32_t(GetCurrentThreadId()); }

uint64_t system_file_time() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

void sleep_1ms() { Sleep(1); }

uint32_t read_cycle_counter() { return uint32_t(__rdtsc()); }

uint32_t elapsed_ms() { return uint32_t((system_file_time() - g_load_time) / 10000); }

int32_t query_system_info(int32_t kind, uint8_t* buffer) {
    if (buffer == nullptr) return -4;
    if (kind < 0 || kind > 4) return -5;
    NtQueryFn query;
    {
        MutexLock guard(g_bind_lock);
        const int32_t bound = bind_locked();
        if (bound != 0) return bound;
        if (kind == 4) {
            FreeLibrary(g_ntdll);
            g_ntdll = nullptr;
            g_query = nullptr;
            return 0;
        }
        query = g_query;
    }
    ULONG returned = 0;
    switch (kind) {
        case 0:  // SystemPerformanceInformation
            if (query(2, buffer, SYSINFO_BUFFER_BYTES, &returned) != 0) return -33;
            return int32_t(returned);
        case 1:  // SystemInterruptInformation
            if (query(23, buffer, SYSINFO_BUFFER_BYTES, &returned) != 0) return -34;
            return 24;
        case 2:  // SystemExceptionInformation, then SystemLookasideInformation
            if (query(33, buffer, SYSINFO_BUFFER_BYTES, &returned) != 0) return -35;
            if (query(45, buffer, SYSINFO_BUFFER_BYTES, &returned) != 0) return -36;
            return int32_t(returned);
        default:  // 3: SystemLookasideInformation
            if (query(45, buffer, SYSINFO_BUFFER_BYTES, &returned) != 0) return -36;
            return int32_t(returned);
    }
}

}  // namespace vantix::platform
