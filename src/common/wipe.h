// Wiping of secrets: zero stores in a plain loop (no call into the C runtime's memset),
// followed by a compiler barrier that claims to read the memory, so dead-store elimination
// cannot remove the stores.
#pragma once
#include <cstddef>

namespace vantix {

void secure_wipe(void* p, size_t n);

// Wipes an object on scope exit, on every return path.
template <class T>
class WipeOnExit {
public:
    explicit WipeOnExit(T& obj) : obj_(obj) {}
    ~WipeOnExit() { secure_wipe(&obj_, sizeof(T)); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    T& obj_;
};

}  // namespace vantix
