// Result codes shared by every family of the library.
#pragma once
#include <cstdint>

namespace vantix {

// Every operation returns one; [[nodiscard]] makes ignoring it a compile error in the
// library (built with -Werror). Unscoped, so the JNI layer returns it as a jint as it is.
//
// This list is the one home of the codes: their names, values and meanings. The comment
// above each code is its meaning, word for word as Java callers read it
// (ResultCode.java, VantixException's messages) and as the README's table gives it; those
// are generated from here by scripts/ResultCodes.java, and the test result_codes fails
// when they are not. A meaning is plain text on // lines of its own.
enum [[nodiscard]] Result : int32_t{
    // success; for verification, the signature is valid
    RC_OK = 0,
    // an init on a context that is already initialised; signature parameters already loaded
    RC_ALREADY_INITIALISED = 1,
    // an operation on a context that is not initialised; signature parameters not loaded
    RC_NOT_INITIALISED = 2,
    // the signature context lacks the key that the operation needs
    RC_NO_KEY = 3,
    // the signature context already holds the key that the operation would create or load
    RC_KEY_PRESENT = 4,
    // the signature does not verify
    RC_BAD_SIGNATURE = 5,
    // signature r is zero
    RC_R_ZERO = 6,
    // signature s is zero
    RC_S_ZERO = 7,
    // signature r is not below q
    RC_R_RANGE = 8,
    // signature s is not below q
    RC_S_RANGE = 9,
    // the block does not carry the marker of its context kind
    RC_BAD_MARKER = 14,
    // a required argument is missing or invalid (a null or foreign handle, a point not on the
    // curve, signature parameters that cannot sign); also a random generator that is missing
    // or not seeded, or a container password that is too short
    RC_MISSING = 15,
    // the group order q is not 32 bytes long
    RC_Q_LENGTH = 16,
    // stored state was altered: the checksum of a stored key does not match, or a context
    // field does not hold
    RC_CHECKSUM = 17,
    // the simple-replacement context has reached its limit of bytes per init
    RC_ECB_LIMIT = 18,
    // a step of sealing or opening a container failed
    RC_CONTAINER_STEP = 19,
    // the container's MAC does not match (wrong password or altered container)
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
