package com.norvane.security.gost.examples;

import com.norvane.security.gost.ResultCode;
import com.norvane.security.gost.SubstitutionTable;
import com.norvane.security.gost.Vantix;
import com.norvane.security.gost.VantixHash;
import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * A minimal program on the low-level {@link Vantix} interface: prints the GOST R 34.11-94
 * digest (CryptoPro parameter set) of each file named on the command line, one
 * {@code HEX  FILE} line per file; {@code -} reads standard input. It counts the bytes it
 * feeds and finishes with {@link VantixHash}, so files of 2^29 bytes and more get the
 * standard's digest too.
 */
public final class Digest {
    private Digest() {
    }

    /** Entry point. */
    public static void main(String[] args) throws IOException {
        if (args.length == 0) {
            System.err.println("usage: Digest FILE...");
            System.exit(2);
        }
        byte[] table = SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO.exportBytes();
        long com = Vantix.vantix_COM_State();
        long rnd = Vantix.vantix_RND_State();
        Vantix.mem_write(com, 0, table, 0, 128);
        try {
            for (String name : args) {
                long ctx = Vantix.vantix_R34_11_1994();
                try (InputStream in = name.equals("-") ? System.in : Files.newInputStream(Path.of(name))) {
                    check(Vantix.vantix_GOST_R34_11_1994_init(ctx, com, rnd, null));
                    byte[] buf = new byte[1 << 16];
                    long length = 0;
                    for (int n; (n = in.read(buf)) > 0; ) {
                        check(Vantix.vantix_GOST_R34_11_1994_update(ctx, buf, 0, n));
                        length += n;
                    }
                    byte[] out = new byte[32];
                    check(VantixHash.vantix_GOST_R34_11_1994_final_length(ctx, length, out));
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
        if (code != ResultCode.OK) {
            throw new IllegalStateException("hash failed with code " + code);
        }
    }
}
