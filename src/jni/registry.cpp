#include "jni/registry.h"

#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace vantix::jni {

namespace {

struct Entry {
    size_t size;
    BlockKind kind;
    bool dead = false;        // freed by Java while pinned; freed for real at the last unpin
    uint32_t shared = 0;      // shared pins held
    bool exclusive = false;   // an exclusive pin is held
};

// One lock over a hash map: an uncontended lock and a lookup cost a few tens of
// nanoseconds, against microseconds for the operations behind them.
std::mutex& lock() {
    static std::mutex m;
    return m;
}
std::unordered_map<uintptr_t, Entry>& blocks() {
    static auto* m = new std::unordered_map<uintptr_t, Entry>();  // never destroyed: exports may run at exit
    return *m;
}

uintptr_t key(const void* p) { return reinterpret_cast<uintptr_t>(p); }

bool pin_locked(Entry& e, PinMode mode) {
    if (e.dead || e.exclusive) return false;
    if (mode == PinMode::Exclusive) {
        if (e.shared != 0) return false;
        e.exclusive = true;
    } else {
        ++e.shared;
    }
    return true;
}

}  // namespace

void* registry_alloc(size_t size, BlockKind kind) {
    void* p = std::calloc(size > 0 ? size : 1, 1);
    if (p == nullptr) return nullptr;
    try {
        std::lock_guard<std::mutex> g(lock());
        blocks()[key(p)] = Entry{size, kind};
    } catch (...) {  // the map could not grow: no block then
        std::free(p);
        return nullptr;
    }
    return p;
}

bool registry_free(const void* p) {
    void* to_free = nullptr;
    {
        std::lock_guard<std::mutex> g(lock());
        auto it = blocks().find(key(p));
        if (it == blocks().end() || it->second.dead) return false;
        if (it->second.exclusive || it->second.shared != 0) {
            it->second.dead = true;
        } else {
            to_free = const_cast<void*>(p);
            blocks().erase(it);
        }
    }
    std::free(to_free);
    return true;
}

bool registry_pin(const void* p, BlockKind kind, size_t min_size, PinMode mode, size_t* size) {
    if (p == nullptr) return false;
    std::lock_guard<std::mutex> g(lock());
    auto it = blocks().find(key(p));
    if (it == blocks().end()) return false;
    Entry& e = it->second;
    if (e.kind != kind && e.kind != BlockKind::Raw) return false;
    if (e.size < min_size) return false;
    if (!pin_locked(e, mode)) return false;
    if (size) *size = e.size;
    return true;
}

bool registry_pin_any(const void* p, PinMode mode, size_t* size) {
    if (p == nullptr) return false;
    std::lock_guard<std::mutex> g(lock());
    auto it = blocks().find(key(p));
    if (it == blocks().end() || !pin_locked(it->second, mode)) return false;
    if (size) *size = it->second.size;
    return true;
}

void registry_unpin(const void* p, PinMode mode) {
    void* to_free = nullptr;
    {
        std::lock_guard<std::mutex> g(lock());
        auto it = blocks().find(key(p));
        if (it == blocks().end()) return;
        Entry& e = it->second;
        if (mode == PinMode::Exclusive) e.exclusive = false;
        else if (e.shared > 0) --e.shared;
        if (e.dead && !e.exclusive && e.shared == 0) {
            to_free = const_cast<void*>(p);
            blocks().erase(it);
        }
    }
    std::free(to_free);
}

size_t registry_live_blocks() {
    std::lock_guard<std::mutex> g(lock());
    return blocks().size();
}

Pin::Pin(jlong handle, BlockKind kind, size_t min_size, PinMode mode) {
    take(reinterpret_cast<const void*>(static_cast<intptr_t>(handle)), kind, min_size, mode);
}

void Pin::take(const void* p, BlockKind kind, size_t min_size, PinMode mode) {
    if (registry_pin(p, kind, min_size, mode, nullptr)) {
        ptr_ = const_cast<void*>(p);
        mode_ = mode;
    }
}

Pin::~Pin() {
    if (ptr_ != nullptr) registry_unpin(ptr_, mode_);
}

}  // namespace vantix::jni
