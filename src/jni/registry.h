// The live-block registry: every block this module hands to Java, with its size and the
// kind its allocator made it for.
//
// A handle from Java is only an integer; before an export touches the memory behind it, it
// pins the block here. A pin succeeds only for a live block of a fitting kind (a block from
// mem_alloc fits every kind) and size, so a zero, garbage, freed, interior or wrong-kind
// handle is refused exactly as a missing one. A pinned block is not freed under the
// operation: mem_free of a block in use marks it dead (no new pin can take it) and the
// last unpin frees it. Exclusive pins (the block an operation changes: a context, a point,
// the target of mem_read/mem_write) refuse a block pinned by another call, so one context
// used by two threads at once makes the second call fail instead of racing; shared pins
// (the substitution table and generator a context refers to) may overlap one another.
#pragma once
#include <jni.h>

#include <cstddef>
#include <cstdint>

namespace vantix::jni {

enum class BlockKind : uint8_t { Raw, Rnd, Com, Ecb, Gamma, GammaFeedback, Mac, Hash, Point, Sign };

enum class PinMode : uint8_t { Shared, Exclusive };

// A zero-filled registered block, or nullptr when memory is short.
void* registry_alloc(size_t size, BlockKind kind);

// Frees a live block (at once, or at its last unpin when in use). False, and nothing done,
// for anything that is not a live block.
bool registry_free(const void* p);

// Pins a live block of `kind` (or Raw) holding at least min_size bytes. On success *size
// receives the block's size (may be null).
bool registry_pin(const void* p, BlockKind kind, size_t min_size, PinMode mode, size_t* size);
// Pins a live block of any kind (mem_read, mem_write).
bool registry_pin_any(const void* p, PinMode mode, size_t* size);
void registry_unpin(const void* p, PinMode mode);

// Blocks currently registered (tests).
size_t registry_live_blocks();

// A pin for the length of one export: the pointer, or nullptr when the handle was refused.
class Pin {
public:
    Pin() = default;
    Pin(jlong handle, BlockKind kind, size_t min_size, PinMode mode = PinMode::Exclusive);
    ~Pin();
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;

    // Pins a pointer stored inside another block (a context's table or generator).
    void take(const void* p, BlockKind kind, size_t min_size, PinMode mode);

    template <class T>
    T* get() const {
        return static_cast<T*>(ptr_);
    }
    bool ok() const { return ptr_ != nullptr; }

protected:
    // Takes over a pin made with registry_pin or registry_pin_any.
    void adopt(const void* p, PinMode mode) {
        ptr_ = const_cast<void*>(p);
        mode_ = mode;
    }

private:
    void* ptr_ = nullptr;
    PinMode mode_ = PinMode::Exclusive;
};

}  // namespace vantix::jni
