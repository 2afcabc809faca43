// Key derivation for the password-sealed containers: two keys, one for the encryption and
// one for the MAC. Each is a GOST R 34.11-94 digest whose starting value is folded from the
// password, over 1024 rounds of a fixed 1024-byte block and the salt, handed out as a
// 64-byte masked key.
#pragma once
#include <cstddef>
#include <cstdint>

#include "random/rnd_state.h"

namespace vantix {

constexpr size_t DERIVATION_BLOCK_BYTES = 1024;

// The two fixed derivation blocks (which = 0 encryption, 1 MAC), part of the format.
const uint8_t* derivation_block(int which);

// How a key derivation ended: its own family of codes, kept apart from the operations'
// Result (the negative values are those the derivation has always reported).
enum class [[nodiscard]] DeriveStatus : int32_t{
    Ok = 0, HashInitFailed = -2, BlockUpdateFailed = -4, SaltUpdateFailed = -5, FinalFailed = -6,
};

// Writes a 64-byte masked key derived from password and salt.
DeriveStatus derive_container_key(RND_State* rnd, const uint8_t* password, int32_t length, const uint8_t* salt,
                                  int which, uint8_t* key);

}  // namespace vantix
