// The bio-random companion library: one entry that writes 64 bytes of seed material from
// the operating system's cryptographic generator.
#pragma once

#if defined(_WIN32)
#if defined(QEL_BUILDING)
#define QEL_API __declspec(dllexport)
#else
#define QEL_API __declspec(dllimport)
#endif
#else
#define QEL_API __attribute__((visibility("default")))
#endif

extern "C" {
// Writes 64 bytes into buffer. Returns 0, or 1 after zero-filling them when the system
// generator fails.
QEL_API int Qel_InitBioRnd(void* buffer);
}
