// <windows.h> for the platform headers that other layers include: without its min and max
// macros (they break std::min and std::max) and without the rarely used parts.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
