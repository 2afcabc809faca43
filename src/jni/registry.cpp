#include "jni/registry.h"

#include <cstdlib>

#include "platform/mutex.h"

namespace vantix::jni {

namespace {

struct Entry {
    uintptr_t key;  // the block's address; 0 marks an empty slot
    size_t size;
    BlockKind kind;
    bool dead;        // freed by Java while pinned; freed for real at the last unpin
    bool exclusive;   // an exclusive pin is held
    uint32_t shared;  // shared pins held
    uint32_t kept;    // kept pins held

    bool pinned() const { return exclusive || shared != 0 || kept != 0; }
};

// The live blocks: an open-addressing table (linear probing, at most half full) under one
// lock. An uncontended lock and a lookup cost a few tens of nanoseconds, against
// microseconds for the operations behind them. The table is plain malloc'd memory rather
// than a standard container, so that the module needs no C++ runtime; it is never freed,
// as exports may still run while the process exits.
class Table {
public:
    Entry* find(uintptr_t k) {
        if (count_ == 0) return nullptr;
        for (size_t i = slot(k);; i = (i + 1) & mask_) {
            if (slots_[i].key == k) return &slots_[i];
            if (slots_[i].key == 0) return nullptr;
        }
    }

    // False when the table could not grow.
    bool insert(const Entry& e) {
        if (2 * (count_ + 1) > capacity() && !grow()) return false;
        size_t i = slot(e.key);
        while (slots_[i].key != 0) i = (i + 1) & mask_;
        slots_[i] = e;
        ++count_;
        return true;
    }

    // Removes an entry found by find(), moving later entries of its probe run back so that
    // no lookup stops early at the hole.
    void erase(Entry* e) {
        size_t hole = static_cast<size_t>(e - slots_);
        slots_[hole].key = 0;
        for (size_t i = (hole + 1) & mask_; slots_[i].key != 0; i = (i + 1) & mask_) {
            const size_t home = slot(slots_[i].key);
            // Move the entry if its home is not within (hole, i] (cyclically).
            if (((i - home) & mask_) >= ((i - hole) & mask_)) {
                slots_[hole] = slots_[i];
                slots_[i].key = 0;
                hole = i;
            }
        }
        --count_;
    }

    size_t size() const { return count_; }

private:
    size_t capacity() const { return slots_ ? mask_ + 1 : 0; }

    size_t slot(uintptr_t k) const {
        // Blocks are 16-byte aligned: drop the low bits, then mix (Fibonacci hashing).
        return static_cast<size_t>(((k >> 4) * 0x9E3779B97F4A7C15ull) >> 20) & mask_;
    }

    bool grow() {
        const size_t cap = capacity() ? 2 * capacity() : 64;
        Entry* fresh = static_cast<Entry*>(std::calloc(cap, sizeof(Entry)));
        if (fresh == nullptr) return false;
        Entry* old = slots_;
        const size_t old_cap = capacity();
        slots_ = fresh;
        mask_ = cap - 1;
        count_ = 0;
        for (size_t i = 0; i < old_cap; ++i) {
            if (old[i].key != 0) insert(old[i]);
        }
        std::free(old);
        return true;
    }

    Entry* slots_ = nullptr;
    size_t mask_ = 0;
    size_t count_ = 0;
};

Mutex g_lock;
Table g_blocks;  // under g_lock

uintptr_t key(const void* p) { return reinterpret_cast<uintptr_t>(p); }

bool kind_fits(BlockKind block, BlockKind wanted) { return block == wanted || block == BlockKind::Raw; }

PinResult pin_locked(Entry& e, PinMode mode) {
    switch (mode) {
        case PinMode::Kept: ++e.kept; return PinResult::Pinned;
        case PinMode::Shared:
            if (e.exclusive) return PinResult::InUse;
            ++e.shared;
            return PinResult::Pinned;
        case PinMode::Exclusive:
            if (e.exclusive || e.shared != 0) return PinResult::InUse;
            e.exclusive = true;
            return PinResult::Pinned;
    }
    return PinResult::NotLive;
}

// The live entry of p, or null (a freed block waiting for its last unpin is not live).
Entry* live_entry(const void* p) {
    Entry* e = p ? g_blocks.find(key(p)) : nullptr;
    return e != nullptr && !e->dead ? e : nullptr;
}

}  // namespace

void* registry_alloc(size_t size, BlockKind kind) {
    void* p = std::calloc(size > 0 ? size : 1, 1);
    if (p == nullptr) return nullptr;
    bool stored;
    {
        MutexLock g(g_lock);
        stored = g_blocks.insert(Entry{key(p), size, kind, false, false, 0, 0});
    }
    if (!stored) {  // the table could not grow: no block then
        std::free(p);
        return nullptr;
    }
    return p;
}

bool registry_free(const void* p) {
    void* to_free = nullptr;
    {
        MutexLock g(g_lock);
        Entry* e = live_entry(p);
        if (e == nullptr) return false;
        if (e->pinned()) {
            e->dead = true;
        } else {
            to_free = const_cast<void*>(p);
            g_blocks.erase(e);
        }
    }
    std::free(to_free);
    return true;
}

PinResult registry_pin(const void* p, BlockKind kind, size_t min_size, PinMode mode, size_t* size) {
    if (p == nullptr) return PinResult::NotLive;
    MutexLock g(g_lock);
    Entry* e = live_entry(p);
    if (e == nullptr || !kind_fits(e->kind, kind) || e->size < min_size) return PinResult::NotLive;
    const PinResult r = pin_locked(*e, mode);
    if (r == PinResult::Pinned && size) *size = e->size;
    return r;
}

PinResult registry_pin_any(const void* p, PinMode mode, size_t* size) {
    if (p == nullptr) return PinResult::NotLive;
    MutexLock g(g_lock);
    Entry* e = live_entry(p);
    if (e == nullptr) return PinResult::NotLive;
    const PinResult r = pin_locked(*e, mode);
    if (r == PinResult::Pinned && size) *size = e->size;
    return r;
}

void registry_unpin(const void* p, PinMode mode) {
    void* to_free = nullptr;
    {
        MutexLock g(g_lock);
        Entry* e = p ? g_blocks.find(key(p)) : nullptr;
        if (e == nullptr) return;
        if (mode == PinMode::Exclusive)
            e->exclusive = false;
        else if (mode == PinMode::Shared && e->shared > 0)
            --e->shared;
        else if (mode == PinMode::Kept && e->kept > 0)
            --e->kept;
        if (e->dead && !e->pinned()) {
            to_free = const_cast<void*>(p);
            g_blocks.erase(e);
        }
    }
    std::free(to_free);
}

Pin::Pin(jlong handle, BlockKind kind, size_t min_size, PinMode mode) {
    take(reinterpret_cast<const void*>(static_cast<intptr_t>(handle)), kind, min_size, mode);
}

PinResult Pin::take(const void* p, BlockKind kind, size_t min_size, PinMode mode) {
    adopt(p, mode, registry_pin(p, kind, min_size, mode, nullptr));
    return result_;
}

Pin::~Pin() {
    if (ptr_ != nullptr) registry_unpin(ptr_, mode_);
}

}  // namespace vantix::jni
