package com.norvane.security.gost.tool;

import com.norvane.security.gost.PasswordHash;
import java.io.Console;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import java.util.Map;

/**
 * Where a password comes from: the first line of a file, an environment variable, the first
 * line read from an open file descriptor, or the terminal (without echo). At most one of
 * the first three may be given.
 */
final class Passwords {
    /** The smallest password that seals a container. */
    static final int MIN_BYTES = PasswordHash.MIN_PASSWORD_BYTES;

    private final String file;
    private final String env;
    private final Integer fd;
    private final Console console;
    private final Map<String, String> environment;
    private final InputStream stdin;

    Passwords(String file, String env, Integer fd, Console console, Map<String, String> environment,
              InputStream stdin) {
        this.file = file;
        this.env = env;
        this.fd = fd;
        this.console = console;
        this.environment = environment;
        this.stdin = stdin;
    }

    /**
     * The password as UTF-8 bytes; the caller wipes them.
     *
     * @param forSealing a new container is sealed: at least 10 bytes, typed twice at a terminal
     */
    byte[] read(boolean forSealing) throws IOException {
        int given = (file != null ? 1 : 0) + (env != null ? 1 : 0) + (fd != null ? 1 : 0);
        if (given > 1) {
            throw new ToolException("give the password one way: --password-file, --password-env or --password-fd");
        }
        byte[] pw;
        if (file != null) {
            pw = firstLine(SafeFiles.readSmall(file, VantixTool.MAX_SMALL_FILE, stdin));
        } else if (env != null) {
            String v = environment.get(env);
            if (v == null) {
                throw new ToolException("the environment variable " + env + " is not set");
            }
            pw = v.getBytes(StandardCharsets.UTF_8);
        } else if (fd != null) {
            if (fd < 0) {
                throw new ToolException("--password-fd takes a file descriptor number");
            }
            pw = firstLine(SafeFiles.readSmall("/dev/fd/" + fd, VantixTool.MAX_SMALL_FILE, stdin));
        } else if (console != null) {
            pw = typed(forSealing);
        } else {
            throw new ToolException("no password: give --password-file, --password-env or --password-fd, or run at a "
                + "terminal");
        }
        if (pw.length == 0) {
            throw new ToolException("the password is empty");
        }
        if (forSealing && pw.length < MIN_BYTES) {
            Arrays.fill(pw, (byte) 0);
            throw new ToolException("the password must be at least " + MIN_BYTES + " bytes");
        }
        if (forSealing && !PasswordHash.sealable(pw)) {
            Arrays.fill(pw, (byte) 0);
            throw new ToolException("the password may not contain a zero byte");
        }
        return pw;
    }

    private byte[] typed(boolean confirm) {
        char[] first = console.readPassword("Password: ");
        if (first == null) {
            throw new ToolException("no password given");
        }
        try {
            if (confirm) {
                char[] again = console.readPassword("Password again: ");
                try {
                    if (again == null || !Arrays.equals(first, again)) {
                        throw new ToolException("the passwords differ");
                    }
                } finally {
                    if (again != null) {
                        Arrays.fill(again, '\0');
                    }
                }
            }
            java.nio.ByteBuffer b = StandardCharsets.UTF_8.encode(java.nio.CharBuffer.wrap(first));
            byte[] out = new byte[b.remaining()];
            b.get(out);
            if (b.hasArray()) {
                Arrays.fill(b.array(), (byte) 0);
            }
            return out;
        } finally {
            Arrays.fill(first, '\0');
        }
    }

    /** The bytes up to the first line end (\n or \r\n); the rest is wiped. */
    private static byte[] firstLine(byte[] text) {
        int end = 0;
        while (end < text.length && text[end] != '\n') {
            end++;
        }
        int len = end > 0 && text[end - 1] == '\r' ? end - 1 : end;
        byte[] out = Arrays.copyOf(text, len);
        Arrays.fill(text, (byte) 0);
        return out;
    }
}
