package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

/** The OpenSSL command line with the gost engine, as the interoperability tests call it. */
public final class Openssl {
    private Openssl() {
    }

    /** Runs {@code openssl ARGS...}; asserts exit 0 and returns its output (stdout and stderr). */
    public static String run(String... args) throws IOException, InterruptedException {
        return runWith(null, args);
    }

    private static String runWith(String cryptParams, String... args) throws IOException, InterruptedException {
        String[] cmd = new String[args.length + 1];
        cmd[0] = "openssl";
        System.arraycopy(args, 0, cmd, 1, args.length);
        ProcessBuilder pb = new ProcessBuilder(cmd);
        if (cryptParams != null) {
            pb.environment().put("CRYPT_PARAMS", cryptParams);  // the engine's cipher table
        }
        pb.redirectErrorStream(true);
        Process p = pb.start();
        String out;
        try (InputStream s = p.getInputStream()) {
            out = new String(s.readAllBytes(), StandardCharsets.UTF_8);
        }
        assertEquals(0, p.waitFor(), String.join(" ", cmd) + ": " + out);
        return out;
    }

    /** {@code openssl enc -engine gost -CIPHER} of data, with the named table, in a scratch directory. */
    public static byte[] enc(Path dir, String cipher, String table, byte[] key, byte[] iv, byte[] data)
            throws IOException, InterruptedException {
        Path in = Files.createTempFile(dir, "openssl", ".in");
        Path out = Files.createTempFile(dir, "openssl", ".out");
        Files.write(in, data);
        runWith(table, "enc", "-engine", "gost", "-" + cipher, "-K", Hex.of(key), "-iv", Hex.of(iv),
            "-in", in.toString(),
            "-out", out.toString());
        return Files.readAllBytes(out);
    }

    /** The 4-byte {@code gost-mac} of data under a key. */
    public static byte[] mac(Path dir, byte[] key, byte[] data) throws IOException, InterruptedException {
        Path in = Files.createTempFile(dir, "openssl", ".in");
        Files.write(in, data);
        String out = runWith(null, "dgst", "-engine", "gost", "-mac", "gost-mac", "-macopt", "hexkey:" + Hex.of(key),
            in.toString());
        return Hex.parse(out.substring(out.lastIndexOf("= ") + 2).trim());
    }
}
