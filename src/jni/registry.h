// The live-block registry: every block this module hands to Java, with its size and the
// kind its allocator made it for.
//
// A handle from Java is only an integer; before an export touches the memory behind it, it
// pins the block here. A pin succeeds only for a live block of a fitting kind (a block from
// mem_alloc fits every kind) and size, so a zero, garbage, freed, interior or wrong-kind
// handle is refused exactly as a missing one. A pinned block is not freed under the
// operation: mem_free of a block in use marks it dead (no new pin can take it) and the
// last unpin frees it. Three strengths of pin:
//  - exclusive: the block the call changes (a context, a generator it draws from, a table
//    being cleared, the target of mem_write); refused while any other call has it pinned
//    shared or exclusive, so one block used by two threads at once makes the second call
//    fail ("in use") instead of racing;
//  - shared: a block the call reads (the table of a cipher or hash step, a point); shared
//    pins overlap one another;
//  - kept: a block the call only needs to stay allocated, without reading what another
//    call may be writing (the generator a hash context stores, the seeded flag that an
//    init looks at); never refused for being in use.
#pragma once
#include <cstddef>
#include <cstdint>

#include <jni.h>

namespace vantix::jni {

// The four cipher mode contexts (simple replacement, gamma, gamma with feedback, MAC) are
// one kind: their blocks differ only in their allocator and marker, and the marker is the
// operations' own check.
enum class BlockKind : uint8_t { Raw, Rnd, Com, Cipher, Hash, Point, Sign };

enum class PinMode : uint8_t { Kept, Shared, Exclusive };

// How a pin went: taken; refused because another call holds the block (a live block of a
// fitting kind and size); or refused because the address is not such a block at all.
enum class PinResult : uint8_t { Pinned, InUse, NotLive };

// A zero-filled registered block, or nullptr when memory is short.
void* registry_alloc(size_t size, BlockKind kind);

// Frees a live block (at once, or at its last unpin when in use). False, and nothing done,
// for anything that is not a live block.
bool registry_free(const void* p);

// Pins a live block of `kind` (or Raw) holding at least min_size bytes. On success *size
// receives the block's size (may be null).
PinResult registry_pin(const void* p, BlockKind kind, size_t min_size, PinMode mode, size_t* size);
// Pins a live block of any kind (mem_read, mem_write).
PinResult registry_pin_any(const void* p, PinMode mode, size_t* size);
void registry_unpin(const void* p, PinMode mode);

// A pin for the length of one export: the pointer, or nullptr when the handle was refused.
class Pin {
public:
    Pin() = default;
    Pin(jlong handle, BlockKind kind, size_t min_size, PinMode mode = PinMode::Exclusive);
    ~Pin();
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;

    // Pins a pointer stored inside another block (a context's table or generator).
    PinResult take(const void* p, BlockKind kind, size_t min_size, PinMode mode);

    template <class T>
    T* get() const {
        return static_cast<T*>(ptr_);
    }
    bool ok() const { return ptr_ != nullptr; }
    // Refused only because another call holds the block.
    bool in_use() const { return result_ == PinResult::InUse; }

protected:
    // Takes over a pin made with registry_pin or registry_pin_any.
    void adopt(const void* p, PinMode mode, PinResult result) {
        result_ = result;
        if (result != PinResult::Pinned) return;
        ptr_ = const_cast<void*>(p);
        mode_ = mode;
    }

private:
    void* ptr_ = nullptr;
    PinMode mode_ = PinMode::Exclusive;
    PinResult result_ = PinResult::NotLive;
};

}  // namespace vantix::jni
