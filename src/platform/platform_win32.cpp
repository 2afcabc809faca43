// Windows services: the counters, disk figures, clock and sleep of the kernel, and
// NtQuerySystemInformation of ntdll.dll, bound at run time on first use.
#include "platform/platform.h"

#include <windows.h>

#include <intrin.h>

#include <cstring>

#include "platform/mutex.h"
#include "platform/once.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002  // Windows 10 1803 SDK, synchapi.h
#endif

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

// timeBeginPeriod and timeEndPeriod of winmm.dll, bound at run time, so that the module
// imports nothing beyond what it imported before (CI checks the DLL's import table).
using TimePeriodFn = UINT(WINAPI*)(UINT);
constexpr UINT kTimerNoError = 0;  // TIMERR_NOERROR
Once g_winmm_once;
TimePeriodFn g_time_begin = nullptr;
TimePeriodFn g_time_end = nullptr;

// Loads winmm.dll from the system directory (never from the search path) and keeps it.
void bind_winmm() {
    char path[MAX_PATH + 16];
    const UINT len = GetSystemDirectoryA(path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return;
    std::memcpy(path + len, "\\winmm.dll", sizeof "\\winmm.dll");
    HMODULE lib = LoadLibraryA(path);
    if (lib == nullptr) return;
    FARPROC begin = GetProcAddress(lib, "timeBeginPeriod");
    FARPROC end = GetProcAddress(lib, "timeEndPeriod");
    if (begin == nullptr || end == nullptr) {
        FreeLibrary(lib);
        return;
    }
    g_time_begin = reinterpret_cast<TimePeriodFn>(reinterpret_cast<void*>(begin));
    g_time_end = reinterpret_cast<TimePeriodFn>(reinterpret_cast<void*>(end));
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

SleepSession::SleepSession(bool timer) {
    HANDLE t = timer ? CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS)
                     : nullptr;
    if (t != nullptr) {
        timer_ = t;
        method_ = Method::HighResolutionTimer;
        return;
    }
    g_winmm_once.run(bind_winmm);
    if (g_time_begin != nullptr && g_time_end != nullptr && g_time_begin(1) == kTimerNoError) {
        method_ = Method::RaisedResolution;
    }
}

SleepSession::~SleepSession() {
    if (timer_ != nullptr) CloseHandle(static_cast<HANDLE>(timer_));
    if (method_ == Method::RaisedResolution) g_time_end(1);
}

void SleepSession::sleep_1ms() {
    if (timer_ != nullptr) {
        LARGE_INTEGER due;
        due.QuadPart = -10000;  // relative, in 100 ns units: 1 ms
        if (SetWaitableTimer(static_cast<HANDLE>(timer_), &due, 0, nullptr, nullptr, FALSE) &&
            WaitForSingleObject(static_cast<HANDLE>(timer_), INFINITE) == WAIT_OBJECT_0) {
            return;
        }
    }
    Sleep(1);  // with the resolution raised, 1 to 2 ms; otherwise a whole timer period
}

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
