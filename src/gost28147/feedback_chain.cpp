#include "gost28147/feedback_chain.h"

#include "gost28147/cores.h"

namespace vantix {

void feedback_encrypt_blocks(const RoundTable& rt, const uint32_t* mk, uint32_t* reg, uint32_t* gamma,
                             const uint8_t* in, uint8_t* out, int n) {
    cores::core_for(rt).feedback(rt, mk, mk + 8, reg, gamma, in, out, n);
}

}  // namespace vantix
