#include "gost3410/lpoint.h"

#include <cstring>

#include "common/bytes.h"
#include "gost3410/sign_context.h"
#include "lnum/mod256.h"

namespace vantix {

namespace {

// The field of the context: p with its R and R^2 residues as stored.
Mod256 field_of(const SignContext* ctx) {
    Mod256 md;
    mod256_setup(&md, ctx->p, ctx->r_p, ctx->r2_p);
    return md;
}

}  // namespace

void lpoint_load(LPoint* p, const uint8_t* slot) { std::memcpy(p, slot, LPOINT_BYTES); }
void lpoint_store(uint8_t* slot, const LPoint* p) { std::memcpy(slot, p, LPOINT_BYTES); }

void lpoint_to_projective(const SignContext* ctx, LPoint* p) {
    if (p->flags & LPOINT_MONT) {
        std::memcpy(p->z, ctx->r_p, sizeof p->z);
        p->flags = LPOINT_MONT | LPOINT_PROJECTIVE;
    } else {
        std::memset(p->z, 0, sizeof p->z);
        p->z[7] = 1;
        p->flags = LPOINT_PROJECTIVE;
    }
}

void lpoint_to_mont(const SignContext* ctx, LPoint* p) {
    const Mod256 md = field_of(ctx);
    fe_mul_words(p->x, md.r2, md);
    fe_mul_words(p->y, md.r2, md);
    fe_mul_words(p->z, md.r2, md);
    p->flags |= LPOINT_MONT;
}

void lpoint_from_mont(const SignContext* ctx, LPoint* p) {
    const Mod256 md = field_of(ctx);
    const uint64_t one[4] = {1, 0, 0, 0};
    fe_mul_words(p->x, one, md);
    fe_mul_words(p->y, one, md);
    fe_mul_words(p->z, one, md);
    p->flags &= uint16_t(~LPOINT_MONT);
}

void lpoint_to_affine(const SignContext* ctx, LPoint* p) {
    const Mod256 md = field_of(ctx);
    const bool plain = (p->flags & LPOINT_MONT) == 0;
    if (plain) lpoint_to_mont(ctx, p);
    uint64_t z[4], zi2[4];
    limbs_from_words(z, p->z);
    fe_inv(z, z, md);  // 1/Z in Montgomery form; 0 stays 0
    fe_sqr(zi2, z, md);
    fe_mul_words(p->x, zi2, md);
    fe_mul(zi2, zi2, z, md);
    fe_mul_words(p->y, zi2, md);
    limbs_to_words(p->z, z);
    if (plain) lpoint_from_mont(ctx, p);
    p->flags = plain ? 0 : LPOINT_MONT;
}

}  // namespace vantix
