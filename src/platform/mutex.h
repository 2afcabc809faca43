// A mutex for the module's few process-wide locks (the block registry, the base-point
// tables, the window connection), on the operating system's own primitive.
//
// Not std::mutex: that one reaches into the C++ runtime (it throws std::system_error), and
// the module links no C++ runtime so that it loads on any Linux with glibc 2.17 or later.
// Both kinds are constant-initialised, so a namespace-scope Mutex needs no guard and no
// constructor at load time.
#pragma once

#ifdef _WIN32
#include "platform/windows_lean.h"
#else
#include <pthread.h>
#endif

namespace vantix {

class Mutex {
public:
    constexpr Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

#ifdef _WIN32
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
#else
    // Locking a valid, default mutex cannot fail: its result needs no check.
    void lock() { pthread_mutex_lock(&lock_); }
    void unlock() { pthread_mutex_unlock(&lock_); }

private:
    pthread_mutex_t lock_ = PTHREAD_MUTEX_INITIALIZER;
#endif
};

// Holds a Mutex for the scope.
class MutexLock {
public:
    explicit MutexLock(Mutex& m) : m_(m) { m_.lock(); }
    ~MutexLock() { m_.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& m_;
};

}  // namespace vantix
