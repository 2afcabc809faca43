// The substitution tables of RFC 4357 that the library uses internally.
#pragma once
#include <cstdint>

#include "gost28147/round_table.h"

namespace vantix {

enum class Sbox {
    HashTest,       // id-GostR3411-94-TestParamSet: key masking
    HashCryptoPro,  // id-GostR3411-94-CryptoProParamSet: generator hashing, container keys
    CipherA,        // id-Gost28147-89-CryptoPro-A-ParamSet: generator re-encipherment
    CipherB,        // id-Gost28147-89-CryptoPro-B-ParamSet: entropy gathering
    CipherC,        // id-Gost28147-89-CryptoPro-C-ParamSet: container encryption
    CipherD,        // id-Gost28147-89-CryptoPro-D-ParamSet: container MAC
};

// The 128-byte table, rows K8 first.
const uint8_t* builtin_sbox(Sbox id);

// The expanded table, computed once per process on first use (thread-safe) and read only
// afterwards.
const uint32_t* builtin_expanded(Sbox id);

// The expanded table prepared for the cipher cores, made once with it.
const RoundTable& builtin_round_table(Sbox id);

}  // namespace vantix
