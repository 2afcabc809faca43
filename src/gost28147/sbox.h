// GOST 28147-89 substitution tables and the COM_State block that carries them.
//
// A substitution table is 128 bytes: eight rows of sixteen entries. Row 0 serves the most
// significant nibble of the round input (the standard's K8), row 7 the least (K1).
// The expanded form folds the S-boxes and the 11-bit rotation of the round into four
// 256-entry word tables, so one round is four lookups and three XORs (gost_f,
// round_table.h).
#pragma once
#include <cstddef>
#include <cstdint>

namespace vantix {

constexpr size_t SBOX_BYTES = 128;
constexpr size_t EXPANDED_WORDS = 1024;  // T0..T3, 256 words each
constexpr size_t EXPANDED_BYTES = EXPANDED_WORDS * 4;

struct COM_State {
    uint8_t sbox[SBOX_BYTES];           // written by the caller
    uint32_t expanded[EXPANDED_WORDS];  // computed by sbox_expand
    uint8_t expanded_flag[4];           // byte 0: 1 once expanded (built-in blocks only)
};

static_assert(offsetof(COM_State, sbox) == 0);
static_assert(offsetof(COM_State, expanded) == 128);
static_assert(offsetof(COM_State, expanded_flag) == 4224);
static_assert(sizeof(COM_State) == 4228);

// Computes the expanded table from a substitution table. Entries above 15 are combined
// by XOR and truncation, never validated. Never fails.
void sbox_expand(const uint8_t* sbox, uint32_t* expanded);

}  // namespace vantix
