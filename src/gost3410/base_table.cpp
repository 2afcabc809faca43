// The process-wide fixed-base tables.
//
// A table depends only on public data (p, a and the base point), so it may be shared by
// every context and thread. It is built once per distinct curve and base point, in a
// fixed pool of slots (static storage, never freed: a published slot can be read without
// a lock and without any risk of being freed under a reader). Lookups compare the key of
// each published slot; the context's current fields are the key, so a context whose block
// was rewritten simply finds another table, or none.
#include "gost3410/base_table.h"

#include <atomic>
#include <cstring>

#include "platform/mutex.h"

namespace vantix {

namespace {

constexpr int kTableSlots = 8;  // 8 x 148 KiB at most

BaseTable g_tables[kTableSlots];
std::atomic<int> g_published{0};
Mutex g_build_lock;

void make_cache_key(const Curve& c, const APoint& g, uint64_t* cache_key) {
    std::memcpy(cache_key, c.p.m, 32);
    std::memcpy(cache_key + 4, c.a, 32);
    std::memcpy(cache_key + 8, g.x, 32);
    std::memcpy(cache_key + 12, g.y, 32);
    cache_key[16] = is_plain(c.shape) ? 1 : 0;  // the entries are in the working form
}

const BaseTable* find(const uint64_t* cache_key, int published) {
    for (int i = 0; i < published; ++i)
        if (std::memcmp(g_tables[i].cache_key, cache_key, sizeof g_tables[i].cache_key) == 0) return &g_tables[i];
    return nullptr;
}

}  // namespace

const BaseTable* base_table_get(const Curve& c, const APoint& g) {
    uint64_t cache_key[17];
    make_cache_key(c, g, cache_key);
    if (const BaseTable* t = find(cache_key, g_published.load(std::memory_order_acquire))) return t;
    MutexLock lock(g_build_lock);
    const int published = g_published.load(std::memory_order_relaxed);
    if (const BaseTable* t = find(cache_key, published)) return t;
    if (published == kTableSlots) return nullptr;
    BaseTable* t = &g_tables[published];
    std::memcpy(t->cache_key, cache_key, sizeof cache_key);
    comb_table_build(c, g, t);
    g_published.store(published + 1, std::memory_order_release);
    return t;
}

}  // namespace vantix
