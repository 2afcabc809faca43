package com.norvane.security.gost;

/**
 * The library's result codes, by name: what the exports return and
 * {@link VantixException#code()} carries. The values are those of the native library's
 * own list; a test checks that the two agree.
 */
public final class ResultCode {
    /** Success; for verification, a valid signature. */
    public static final int OK = 0;
    /** An init on an initialised context; signature parameters already loaded. */
    public static final int ALREADY_INITIALISED = 1;
    /** An operation on a context that is not initialised; parameters not loaded. */
    public static final int NOT_INITIALISED = 2;
    /** The signature context lacks the key the operation needs. */
    public static final int NO_KEY = 3;
    /** The signature context already holds the key the operation would create or load. */
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
    /** A required argument is missing or invalid; an unseeded generator; a short password. */
    public static final int MISSING = 15;
    /** The group order q is not 32 bytes long. */
    public static final int Q_LENGTH = 16;
    /** Stored state altered: a key's checksum or a context field does not hold. */
    public static final int CHECKSUM = 17;
    /** The simple-replacement context has already processed its 32 bytes. */
    public static final int ECB_LIMIT = 18;
    /** A step of sealing or opening a container failed. */
    public static final int CONTAINER_STEP = 19;
    /** Wrong password, or the container was altered. */
    public static final int CONTAINER_MAC = 20;

    private ResultCode() {
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
