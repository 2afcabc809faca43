package com.norvane.security.gost.tool;

/** An error that the tool reports in one line and ends with a non-zero exit. */
final class ToolException extends RuntimeException {
    private static final long serialVersionUID = 1L;

    ToolException(String message) {
        super(message);
    }
}
