#include "qel_initbiornd.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>

#include <bcrypt.h>
#else
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

constexpr size_t kSeedBytes = 64;

#if !defined(_WIN32)
bool urandom(unsigned char* out, size_t n) {
    const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    size_t got = 0;
    while (got < n) {
        const ssize_t r = read(fd, out + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += size_t(r);
    }
    close(fd);
    return got == n;
}
#endif

bool system_random(unsigned char* out, size_t n) {
#if defined(_WIN32)
    return BCryptGenRandom(nullptr, out, ULONG(n), BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
#else
    // The getrandom system call directly: glibc's wrapper appeared only in 2.25, and the
    // library must load on glibc 2.17. Kernels older than 3.17 lack the call: /dev/urandom then.
    size_t got = 0;
    while (got < n) {
        const long r = syscall(SYS_getrandom, out + got, n - got, 0);
        if (r < 0) {
            if (errno == EINTR) continue;
            if (errno == ENOSYS) return urandom(out + got, n - got);
            return false;
        }
        got += size_t(r);
    }
    return true;
#endif
}

}  // namespace

extern "C" QEL_API int Qel_InitBioRnd(void* buffer) {
    if (buffer == nullptr) return 1;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    if (system_random(out, kSeedBytes)) return 0;
    std::memset(out, 0, kSeedBytes);
    return 1;
}
