package com.norvane.security.gost;

import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * Prints the GOST R 34.11-94 digest (CryptoPro parameter set) of each file named on the
 * command line, one {@code HEX  FILE} line per file; {@code -} reads standard input.
 */
public final class Digest {
    /** id-GostR3411-94-CryptoProParamSet, rows K8 first, one entry per byte. */
    private static final String CRYPTOPRO_TABLE =
        "01030a09050b040f0806070e0d00020c0d0e04010700050a030c080f0602090b070602040d090f000a01050b080e0c03"
        + "0706040b090c020a0108000e0f0d0305040a070c000f02080e0106050d0b0903070f0c0e09040100030b0502060a080d"
        + "050f0400020d0b09010706030c0e0a080a040506080103070d0c0e0009020b0f";

    private Digest() {
    }

    /** Entry point. */
    public static void main(String[] args) throws IOException {
        if (args.length == 0) {
            System.err.println("usage: Digest FILE...");
            System.exit(2);
        }
        byte[] table = new byte[128];
        for (int i = 0; i < 128; i++) {
            table[i] = (byte) Integer.parseInt(CRYPTOPRO_TABLE.substring(2 * i, 2 * i + 2), 16);
        }
        long com = Vantix.vantix_COM_State();
        long rnd = Vantix.vantix_RND_State();
        Vantix.mem_write(com, 0, table, 0, 128);
        try {
            for (String name : args) {
                long ctx = Vantix.vantix_R34_11_1994();
                try (InputStream in = name.equals("-") ? System.in : Files.newInputStream(Path.of(name))) {
                    check(Vantix.vantix_GOST_R34_11_1994_init(ctx, com, rnd, null));
                    byte[] buf = new byte[1 << 16];
                    for (int n; (n = in.read(buf)) > 0; ) {
                        check(Vantix.vantix_GOST_R34_11_1994_update(ctx, buf, 0, n));
                    }
                    byte[] out = new byte[32];
                    check(Vantix.vantix_GOST_R34_11_1994_final(ctx, out));
                    StringBuilder hex = new StringBuilder();
                    for (byte b : out) {
                        hex.append(String.format("%02x", b & 0xff));
                    }
                    System.out.println(hex + "  " + name);
                } finally {
                    Vantix.vantix_GOST_R34_11_1994_clear(ctx);
                    Vantix.mem_free(ctx);
                }
            }
        } finally {
            Vantix.mem_free(com);
            Vantix.mem_free(rnd);
        }
    }

    private static void check(int code) {
        if (code != 0) {
            throw new IllegalStateException("hash failed with code " + code);
        }
    }
}
