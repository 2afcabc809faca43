#include "gost28147/mac_chain.h"

#include "common/bytes.h"
#include "common/wipe.h"
#include "gost28147/cores.h"

namespace vantix {

void mac_rounds(const uint32_t* t, const uint32_t* mk, uint32_t* state, const uint32_t* data) {
    RoundTable rt;
    round_table_prepare(t, &rt);
    uint8_t d[8];
    WipeOnExit<decltype(d)> wipe(d);
    store_be32(d, data[0]);
    store_be32(d + 4, data[1]);
    mac_blocks(rt, mk, state, d, 1);
}

void mac_blocks(const RoundTable& rt, const uint32_t* mk, uint32_t* state, const uint8_t* data, int n) {
    cores::core_for(rt).mac(rt, mk, mk + 8, state, data, n);
}

}  // namespace vantix
