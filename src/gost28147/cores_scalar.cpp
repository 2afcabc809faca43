// The two word-at-a-time cores (cores_word.h), for any x86-64: the constant-time one and
// the table-driven one (for tables that have no nibble form).
#include "gost28147/cores_word.h"

namespace vantix::cores {

const Core kTable = Word<TableF>::core();
const Core kScalar = Word<NibbleF>::core();

}  // namespace vantix::cores
