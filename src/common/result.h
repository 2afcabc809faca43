// Result codes shared by every family of the library.
#pragma once
#include <cstdint>

namespace vantix {

// Every operation returns one; [[nodiscard]] makes ignoring it a compile error in the
// library (built with -Werror). Unscoped, so the JNI layer returns it as a jint as it is.
enum [[nodiscard]] Result : int32_t{
    RC_OK = 0,
    RC_ALREADY_INITIALISED = 1,  // init on an initialised context; parameters already loaded
    RC_NOT_INITIALISED = 2,      // context not initialised; parameters not loaded
    RC_NO_KEY = 3,               // the signature context lacks the needed key
    RC_KEY_PRESENT = 4,          // the key to create or load is already held
    RC_BAD_SIGNATURE = 5,
    RC_R_ZERO = 6,
    RC_S_ZERO = 7,
    RC_R_RANGE = 8,
    RC_S_RANGE = 9,
    RC_BAD_MARKER = 14,  // the block does not carry its context marker
    RC_MISSING = 15,     // missing argument, unseeded generator, short password
    RC_Q_LENGTH = 16,
    RC_CHECKSUM = 17,   // stored key altered
    RC_ECB_LIMIT = 18,  // simple replacement already processed 32 bytes
    RC_CONTAINER_STEP = 19,
    RC_CONTAINER_MAC = 20,
};

// Context markers: the first word of a context block once it has been cleared.
constexpr uint32_t MAGIC_ECB = 0x9ABCDEF0u;
constexpr uint32_t MAGIC_GAMMA = 0x9ABCDEF2u;
constexpr uint32_t MAGIC_GAMMA_OFB = 0x9ABCDEF3u;
constexpr uint32_t MAGIC_MAC = 0x9ABCDEF4u;
constexpr uint32_t MAGIC_HASH = 0x9ABCDEF5u;
constexpr uint32_t MAGIC_SIGN = 0x9ABCDEF9u;

}  // namespace vantix
