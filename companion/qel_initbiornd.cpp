#include "qel_initbiornd.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#include <bcrypt.h>
#else
#include <sys/random.h>
#include <cerrno>
#endif

namespace {

constexpr size_t kSeedBytes = 64;

bool system_random(unsigned char* out, size_t n) {
#if defined(_WIN32)
    return BCryptGenRandom(nullptr, out, ULONG(n), BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
#else
    size_t got = 0;
    while (got < n) {
        const ssize_t r = getrandom(out + got, n - got, 0);
        if (r < 0) {
            if (errno == EINTR) continue;
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
