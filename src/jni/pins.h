// Pinning the blocks an export works on: its handles, and the table and generator that a
// context in use refers to (a caller can rewrite those stored addresses with mem_write, or
// free the blocks behind them).
//
// The rules, the same for every export:
//  - A handle that is not a live block of the right kind and size gives a null pointer,
//    which the operation answers like a missing argument (RC_MISSING). Only a handle of 0 is
//    "absent" where the operation gives absence a meaning (the base point of set_parms,
//    the point of get_parms and get_public_key): any other refused handle there is
//    RC_MISSING.
//  - A context is in use when the operation's own gate (block_ready, gamma_ready, ...,
//    sign_params_loaded) lets the operation go on to its stored blocks. Then every stored
//    address must be a live block of its kind, else the context is damaged: RC_CHECKSUM
//    ("stored state altered") before anything is read through it. A null address is damaged too.
//  - The table is pinned shared (the cipher and hash steps read it; only a clear of the
//    table needs it exclusively). The generator is pinned exclusively by the operations
//    that draw from it (masking, re-masking, key meshing, nonces, key generation) and only
//    kept allocated by those that do not (the hash, verification, the parameter and public
//    key operations), so they never wait for or refuse one another.
//  - A block that another call holds is refused with RC_MISSING ("in use"), never
//    RC_CHECKSUM.
#pragma once
#include <type_traits>

#include "contexts/block_context.h"
#include "contexts/gamma.h"
#include "contexts/gamma_ofb.h"
#include "contexts/hash.h"
#include "contexts/mac.h"
#include "gost3410/lpoint.h"
#include "gost3410/sign_context.h"
#include "jni/registry.h"
#include "random/rnd_state.h"

namespace vantix::jni {

template <class T>
struct BlockTraits;

template <>
struct BlockTraits<RND_State> {
    static constexpr BlockKind kind = BlockKind::Rnd;
    static constexpr size_t bytes = sizeof(RND_State);
};
template <>
struct BlockTraits<COM_State> {
    static constexpr BlockKind kind = BlockKind::Com;
    static constexpr size_t bytes = sizeof(COM_State);
};
template <>
struct BlockTraits<LPoint> {
    static constexpr BlockKind kind = BlockKind::Point;
    static constexpr size_t bytes = LPOINT_BYTES;
};

// Contexts: their kind and size, whether the operation goes on to the stored blocks, and
// where those are stored.
template <class Ctx, Result (*Ready)(const Ctx*)>
struct CipherContextTraits {
    static constexpr BlockKind kind = BlockKind::Cipher;
    static constexpr size_t bytes = sizeof(Ctx);
    static bool in_use(const Ctx* c) { return Ready(c) == RC_OK; }
    static const void* table(const Ctx* c) { return c->com_state; }
    static const void* generator(const Ctx* c) { return c->rnd_state; }
};
template <>
struct BlockTraits<BlockContext> : CipherContextTraits<BlockContext, block_ready> {};
template <>
struct BlockTraits<GammaContext> : CipherContextTraits<GammaContext, gamma_ready> {};
template <>
struct BlockTraits<GammaFeedbackContext> : CipherContextTraits<GammaFeedbackContext, gamma_ofb_ready> {};
template <>
struct BlockTraits<MacContext> : CipherContextTraits<MacContext, mac_ready> {};
template <>
struct BlockTraits<HashContext> {
    static constexpr BlockKind kind = BlockKind::Hash;
    static constexpr size_t bytes = sizeof(HashContext);
    static bool in_use(const HashContext* c) { return hash_ready(c) == RC_OK; }
    static const void* table(const HashContext* c) { return c->com_state; }
    static const void* generator(const HashContext* c) { return c->rnd_state; }
};
template <>
struct BlockTraits<SignContext> {
    static constexpr BlockKind kind = BlockKind::Sign;
    static constexpr size_t bytes = sizeof(SignContext);
    static bool in_use(const SignContext* c) { return sign_params_loaded(c); }
    static const void* table(const SignContext*) { return nullptr; }  // none: its tables are built in
    static const void* generator(const SignContext* c) { return c->rnd; }
};

// A handle pinned as a T (exclusively unless told otherwise).
template <class T>
struct Handle : Pin {
    explicit Handle(jlong h, PinMode mode = PinMode::Exclusive)
        : Pin(h, BlockTraits<T>::kind, BlockTraits<T>::bytes, mode) {}
    T* get() const { return Pin::get<T>(); }
};

// A handle where 0 means "absent": refused() is true for any other handle that could not be
// pinned, which the export answers with RC_MISSING instead of treating it as absent.
template <class T>
struct OptionalHandle : Handle<T> {
    OptionalHandle(jlong h, PinMode mode) : Handle<T>(h, mode), given_(h != 0) {}
    bool refused() const { return given_ && !this->ok(); }

private:
    bool given_;
};

// The first step of every cipher and hash init, whatever follows: the given table is
// expanded. The init operations do it themselves; an export that refuses an init for its
// arrays before the operation runs calls this, so the table is expanded all the same.
inline void expand_given_table(const Handle<COM_State>& table) {
    if (COM_State* t = table.get()) sbox_expand(t->sbox, t->expanded);
}

// What one operation does with the generator its context stores.
enum class Generator : uint8_t { Kept, Draws };

// A context pinned exclusively, with the blocks it uses while in use. refusal() is the
// export's answer before the operation runs: 0 to go on (the operation then answers a
// refused context handle itself, as a missing one), RC_MISSING when a stored block is in use
// by another call, RC_CHECKSUM when a stored address is not a live block of its kind.
template <class Ctx>
class ContextPin {
public:
    ContextPin(jlong h, Generator use) : ctx_(h) {
        using Traits = BlockTraits<Ctx>;
        const Ctx* c = ctx_.get();
        if (c == nullptr || !Traits::in_use(c)) return;
        if constexpr (!std::is_same_v<Ctx, SignContext>)
            note(com_.take(Traits::table(c), BlockKind::Com, sizeof(COM_State), PinMode::Shared));
        if (refusal_ != RC_OK) return;
        const PinMode mode = use == Generator::Draws ? PinMode::Exclusive : PinMode::Kept;
        note(rnd_.take(Traits::generator(c), BlockKind::Rnd, sizeof(RND_State), mode));
    }
    Ctx* get() const { return ctx_.get(); }
    jint refusal() const { return refusal_; }

private:
    void note(PinResult r) {
        if (r == PinResult::InUse) refusal_ = RC_MISSING;
        if (r == PinResult::NotLive) refusal_ = RC_CHECKSUM;
    }

    Handle<Ctx> ctx_;
    Pin com_, rnd_;
    jint refusal_ = RC_OK;
};

}  // namespace vantix::jni
