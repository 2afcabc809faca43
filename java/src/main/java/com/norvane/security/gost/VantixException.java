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
        return ResultCode.meaning(code);
    }

    /** Throws for a non-zero code. */
    static void check(String operation, int code) {
        if (code != ResultCode.OK) {
            throw new VantixException(operation, code);
        }
    }
}
