// Pinning the blocks an export works on: its handles, and the table and generator that an
// initialised context refers to (a caller can rewrite those stored addresses with
// mem_write, or free the blocks behind them). A handle that is not a live block of the
// right kind and size gives a null pointer, which the operation answers like a missing
// argument. A stored address that is not a live block makes the context damaged: the
// export then answers RC_CHECKSUM (17, "stored state altered") without calling the
// operation.
#pragma once
#include "contexts/block_context.h"
#include "contexts/gamma.h"
#include "contexts/gamma_ofb.h"
#include "contexts/mac.h"
#include "gost3410/sign_context.h"
#include "contexts/hash.h"
#include <type_traits>

#include "jni/registry.h"
#include "gost3410/lpoint.h"
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

// Contexts: their kind, size, and when their stored table and generator are in use.
template <>
struct BlockTraits<BlockContext> {
    static constexpr BlockKind kind = BlockKind::Ecb;
    static constexpr size_t bytes = sizeof(BlockContext);
    static bool in_use(const BlockContext* c) { return c->magic == MAGIC_ECB && c->initialised == 1; }
};
template <>
struct BlockTraits<GammaContext> {
    static constexpr BlockKind kind = BlockKind::Gamma;
    static constexpr size_t bytes = sizeof(GammaContext);
    static bool in_use(const GammaContext* c) { return c->magic == MAGIC_GAMMA && c->initialised == 1; }
};
template <>
struct BlockTraits<GammaFeedbackContext> {
    static constexpr BlockKind kind = BlockKind::GammaFeedback;
    static constexpr size_t bytes = sizeof(GammaFeedbackContext);
    static bool in_use(const GammaFeedbackContext* c) { return c->magic == MAGIC_GAMMA_OFB && c->initialised == 1; }
};
template <>
struct BlockTraits<MacContext> {
    static constexpr BlockKind kind = BlockKind::Mac;
    static constexpr size_t bytes = sizeof(MacContext);
    static bool in_use(const MacContext* c) { return c->magic == MAGIC_MAC && c->initialised == 1; }
};
template <>
struct BlockTraits<HashContext> {
    static constexpr BlockKind kind = BlockKind::Hash;
    static constexpr size_t bytes = sizeof(HashContext);
    static bool in_use(const HashContext* c) { return c->marker == MAGIC_HASH && c->state == 1; }
};
template <>
struct BlockTraits<SignContext> {
    static constexpr BlockKind kind = BlockKind::Sign;
    static constexpr size_t bytes = sizeof(SignContext);
    static bool in_use(const SignContext* c) { return (c->flags & SIGN_PARAMS) != 0; }
};

// A handle pinned as a T (exclusively unless told otherwise).
template <class T>
struct Handle : Pin {
    explicit Handle(jlong h, PinMode mode = PinMode::Exclusive)
        : Pin(h, BlockTraits<T>::kind, BlockTraits<T>::bytes, mode) {}
    T* get() const { return Pin::get<T>(); }
};

// A context pinned exclusively, with the table and generator it refers to pinned shared
// while it is initialised. The hash never uses its generator, so it is not required.
template <class Ctx>
class ContextPin {
public:
    explicit ContextPin(jlong h) : ctx_(h) {
        Ctx* c = ctx_.get();
        if (c == nullptr || !BlockTraits<Ctx>::in_use(c)) return;
        if constexpr (std::is_same_v<Ctx, SignContext>) {
            if (c->rnd != nullptr) {
                rnd_.take(c->rnd, BlockKind::Rnd, sizeof(RND_State), PinMode::Shared);
                damaged_ = !rnd_.ok();
            }
        } else {
            com_.take(c->com_state, BlockKind::Com, sizeof(COM_State), PinMode::Shared);
            damaged_ = !com_.ok();
            if (!std::is_same_v<Ctx, HashContext> || c->rnd_state != nullptr) {
                rnd_.take(c->rnd_state, BlockKind::Rnd, sizeof(RND_State), PinMode::Shared);
                damaged_ = damaged_ || !rnd_.ok();
            }
        }
    }
    Ctx* get() const { return ctx_.get(); }
    bool damaged() const { return damaged_; }

private:
    Handle<Ctx> ctx_;
    Pin com_, rnd_;
    bool damaged_ = false;
};

}  // namespace vantix::jni
