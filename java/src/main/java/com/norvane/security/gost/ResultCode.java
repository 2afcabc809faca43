package com.norvane.security.gost;

// Generated from src/common/result.h by scripts/ResultCodes.java: edit the list there
// and run `java scripts/ResultCodes.java` (the test result_codes fails when this file
// does not match the list).

/**
 * The library's result codes, by name: what the exports return and
 * {@link VantixException#code()} carries. Names, values and meanings are those of the
 * native library's own list.
 */
public final class ResultCode {
    /** Success; for verification, the signature is valid. */
    public static final int OK = 0;
    /** An init on a context that is already initialised; signature parameters already loaded. */
    public static final int ALREADY_INITIALISED = 1;
    /** An operation on a context that is not initialised; signature parameters not loaded. */
    public static final int NOT_INITIALISED = 2;
    /** The signature context lacks the key that the operation needs. */
    public static final int NO_KEY = 3;
    /** The signature context already holds the key that the operation would create or load. */
    public static final int KEY_PRESENT = 4;
    /** The signature does not verify. */
    public static final int BAD_SIGNATURE = 5;
    /** Signature r is zero. */
    public static final int R_ZERO = 6;
    /** Signature s is zero. */
    public static final int S_ZERO = 7;
    /** Signature r is not below q. */
    public static final int R_RANGE = 8;
    /** Signature s is not below q. */
    public static final int S_RANGE = 9;
    /** The block does not carry the marker of its context kind. */
    public static final int BAD_MARKER = 14;
    /**
     * A required argument is missing or invalid (a null or foreign handle, a point not on the
     * curve, signature parameters that cannot sign); also a random generator that is missing or not
     * seeded, or a container password that is too short.
     */
    public static final int MISSING = 15;
    /** The group order q is not 32 bytes long. */
    public static final int Q_LENGTH = 16;
    /** Stored state was altered: the checksum of a stored key does not match, or a context field does not hold. */
    public static final int CHECKSUM = 17;
    /** The simple-replacement context has reached its limit of bytes per init. */
    public static final int ECB_LIMIT = 18;
    /** A step of sealing or opening a container failed. */
    public static final int CONTAINER_STEP = 19;
    /** The container's MAC does not match (wrong password or altered container). */
    public static final int CONTAINER_MAC = 20;

    private ResultCode() {
    }

    /** The meaning of a result code, or "unknown result code". */
    static String meaning(int code) {
        switch (code) {
            case OK:
                return "success; for verification, the signature is valid";
            case ALREADY_INITIALISED:
                return "an init on a context that is already initialised; signature parameters "
                    + "already loaded";
            case NOT_INITIALISED:
                return "an operation on a context that is not initialised; signature parameters not "
                    + "loaded";
            case NO_KEY:
                return "the signature context lacks the key that the operation needs";
            case KEY_PRESENT:
                return "the signature context already holds the key that the operation would create "
                    + "or load";
            case BAD_SIGNATURE:
                return "the signature does not verify";
            case R_ZERO:
                return "signature r is zero";
            case S_ZERO:
                return "signature s is zero";
            case R_RANGE:
                return "signature r is not below q";
            case S_RANGE:
                return "signature s is not below q";
            case BAD_MARKER:
                return "the block does not carry the marker of its context kind";
            case MISSING:
                return "a required argument is missing or invalid (a null or foreign handle, a point "
                    + "not on the curve, signature parameters that cannot sign); also a random "
                    + "generator that is missing or not seeded, or a container password that is too "
                    + "short";
            case Q_LENGTH:
                return "the group order q is not 32 bytes long";
            case CHECKSUM:
                return "stored state was altered: the checksum of a stored key does not match, or a "
                    + "context field does not hold";
            case ECB_LIMIT:
                return "the simple-replacement context has reached its limit of bytes per init";
            case CONTAINER_STEP:
                return "a step of sealing or opening a container failed";
            case CONTAINER_MAC:
                return "the container's MAC does not match (wrong password or altered container)";
            default:
                return "unknown result code";
        }
    }

    /**
     * Whether a verification result means "does not verify" (5 to 9) rather than a misuse.
     *
     * @param code a result of the verify export
     * @return true for 5 to 9
     */
    public static boolean isInvalidSignature(int code) {
        return code >= BAD_SIGNATURE && code <= S_RANGE;
    }
}
