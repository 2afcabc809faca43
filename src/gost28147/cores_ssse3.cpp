// The SSSE3 core (compiled with -mssse3; run only where the processor has SSSE3).
#include "gost28147/cores_x86.h"

namespace vantix::cores {

const Core kSsse3 = core_of<V128>();

}  // namespace vantix::cores
