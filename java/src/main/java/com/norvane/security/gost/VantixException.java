package com.norvane.security.gost;

/**
 * A failure reported by the native library, with its result code and that code's meaning.
 */
public class VantixException extends RuntimeException {
    private static final long serialVersionUID = 1L;

    private final int code;

    /**
     * Creates an exception for a non-zero result code.
     *
     * @param operation what was being done, for the message
     * @param code the library's result code
     */
    public VantixException(String operation, int code) {
        super(operation + " failed: " + meaning(code) + " (code " + code + ")");
        this.code = code;
    }

    /** The library's result code. */
    public int code() {
        return code;
    }

    /**
     * The meaning of a result code, as the library documents it.
     *
     * @param code a result code
     * @return a short English description
     */
    public static String meaning(int code) {
        switch (code) {
            case ResultCode.OK: return "success";
            case ResultCode.ALREADY_INITIALISED: return "already initialised";
            case ResultCode.NOT_INITIALISED: return "not initialised";
            case ResultCode.NO_KEY: return "the signature context lacks the needed key";
            case ResultCode.KEY_PRESENT: return "the signature context already holds that key";
            case ResultCode.BAD_SIGNATURE: return "the signature does not verify";
            case ResultCode.R_ZERO: return "signature r is zero";
            case ResultCode.S_ZERO: return "signature s is zero";
            case ResultCode.R_RANGE: return "signature r is not below q";
            case ResultCode.S_RANGE: return "signature s is not below q";
            case ResultCode.BAD_MARKER: return "the block is not a context of this kind";
            case ResultCode.MISSING:
                return "a required argument is missing, the generator is not seeded, or the password is too short";
            case ResultCode.Q_LENGTH: return "the group order is not 32 bytes long";
            case ResultCode.CHECKSUM: return "the stored key was altered";
            case ResultCode.ECB_LIMIT: return "the simple-replacement context has processed its 32 bytes";
            case ResultCode.CONTAINER_STEP: return "a step of sealing or opening the container failed";
            case ResultCode.CONTAINER_MAC: return "wrong password or altered container";
            default: return "unknown result code";
        }
    }

    /** Throws for a non-zero code. */
    static void check(String operation, int code) {
        if (code != ResultCode.OK) {
            throw new VantixException(operation, code);
        }
    }
}
