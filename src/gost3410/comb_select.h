// The constant-time choice of one comb table entry by a secret digit: every entry of the
// row is read whole and masked, so neither a branch nor an address depends on the digit.
// Two forms: 16-byte vectors (every x86-64 processor) and 32-byte ones (AVX2 processors,
// chosen at run time); both give the same entry.
#pragma once
#include <cstdint>

#include "gost3410/curve.h"

namespace vantix {

// out = row[mag - 1], or all zero for mag = 0; mag <= n < 2^31.
void comb_select_sse2(APoint* out, const APoint* row, int n, uint64_t mag);
// The same with AVX2; only on processors that have it (cpu_has_avx2).
void comb_select_avx2(APoint* out, const APoint* row, int n, uint64_t mag);

// Which form the signing comb uses: the widest the processor has (Auto), or one forced by
// the tests so that every form runs on the machine that tests it.
enum class CombSelect { Auto, Sse2, Avx2 };
void comb_select_force(CombSelect form);
using CombSelectFn = void (*)(APoint*, const APoint*, int, uint64_t);
CombSelectFn comb_select_current();

}  // namespace vantix
