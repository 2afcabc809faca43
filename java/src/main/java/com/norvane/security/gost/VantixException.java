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
            case 0: return "success";
            case 1: return "already initialised";
            case 2: return "not initialised";
            case 3: return "the signature context lacks the needed key";
            case 4: return "the signature context already holds that key";
            case 5: return "the signature does not verify";
            case 6: return "signature r is zero";
            case 7: return "signature s is zero";
            case 8: return "signature r is not below q";
            case 9: return "signature s is not below q";
            case 14: return "the block is not a context of this kind";
            case 15: return "a required argument is missing, the generator is not seeded, or the password is too short";
            case 16: return "the group order is not 32 bytes long";
            case 17: return "the stored key was altered";
            case 18: return "the simple-replacement context has processed its 32 bytes";
            case 19: return "a step of sealing or opening the container failed";
            case 20: return "wrong password or altered container";
            default: return "unknown result code";
        }
    }

    /** Throws for a non-zero code. */
    static void check(String operation, int code) {
        if (code != 0) {
            throw new VantixException(operation, code);
        }
    }
}
