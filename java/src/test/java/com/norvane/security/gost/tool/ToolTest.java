package com.norvane.security.gost.tool;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import java.io.RandomAccessFile;
import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.HexFormat;
import java.util.List;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** The vantix command end to end through the real JVM and the native library. */
class ToolTest {
    @TempDir
    Path dir;

    private String stdout;
    private String stderr;

    private int vantix(byte[] stdin, String... args) {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        ByteArrayOutputStream err = new ByteArrayOutputStream();
        int code = new VantixTool(new ByteArrayInputStream(stdin), new PrintStream(out, true),
            new PrintStream(err, true), null).run(args);
        stdout = out.toString(StandardCharsets.UTF_8);
        stderr = err.toString(StandardCharsets.UTF_8);
        return code;
    }

    private int vantix(String... args) {
        return vantix(new byte[0], args);
    }

    private Path write(String name, String content) throws IOException {
        Path p = dir.resolve(name);
        Files.writeString(p, content, StandardCharsets.US_ASCII);
        return p;
    }

    private String p(String name) {
        return dir.resolve(name).toString();
    }

    @Test
    void hashesKnownVectors() throws IOException {
        Path msg = write("msg.txt", "This is message, length=32 bytes");
        assertEquals(0, vantix("hash", "--paramset", "test", msg.toString()));
        assertEquals("b1c466d37519b82e8319819ff32595e047a28cb6f83eff1c6916a815a637fffa  " + msg + "\n", stdout);
        assertEquals(0, vantix("abc".getBytes(StandardCharsets.US_ASCII), "hash", "-"));
        assertEquals("b285056dbf18d7392d7677369524dd14747459ed8143997e163b2986f92fd42c  -\n", stdout);
        assertEquals(2, vantix("hash", p("missing.txt")));
        assertEquals("vantix: no such file: " + p("missing.txt") + "\n", stderr);
    }

    @Test
    void keygenSignVerifyAndTheirFailures() throws Exception {
        Path pw = write("pw.txt", "a good long password\n");
        Path doc = write("doc.txt", "the document to be signed\n");
        String home = p("home");
        assertEquals(0, vantix("keygen", "--out", p("alice"), "--password-file", pw.toString(), "--home", home), stderr);
        assertEquals(48, Files.size(dir.resolve("alice.key")));
        List<String> pub = Files.readAllLines(dir.resolve("alice.pub"));
        assertTrue(pub.contains("parameter-set id-GostR3410-2001-CryptoPro-A-ParamSet"), pub.toString());
        byte[] seed1 = Files.readAllBytes(dir.resolve("home/seed.rnd"));

        assertEquals(0, vantix("sign", "--key", p("alice.key"), "--password-file", pw.toString(), "--home", home,
            doc.toString()), stderr);
        byte[] seed2 = Files.readAllBytes(dir.resolve("home/seed.rnd"));
        assertFalse(Arrays.equals(seed1, seed2), "the seed container changes between runs");
        assertEquals(0, vantix("verify", "--pub", p("alice.pub"), doc.toString()));
        assertEquals(doc + ": signature valid\n", stdout);

        // Another key does not verify it.
        assertEquals(0, vantix("keygen", "--out", p("bob"), "--password-file", pw.toString(), "--home", home));
        assertEquals(1, vantix("verify", "--pub", p("bob.pub"), "--sig", doc + ".sig", doc.toString()));
        assertEquals(doc + ": signature does NOT verify\n", stdout);

        // An altered document fails.
        Files.writeString(doc, "the document to be signed!\n");
        assertEquals(1, vantix("verify", "--pub", p("alice.pub"), doc.toString()));

        // A wrong password is refused with a clear message.
        Path wrong = write("wrong.txt", "not the right password");
        assertEquals(2, vantix("sign", "--key", p("alice.key"), "--password-file", wrong.toString(), "--home", home,
            doc.toString()));
        assertTrue(stderr.contains("wrong password for " + p("alice.key")), stderr);

        // A malformed public key file.
        Path bad = write("bad.pub", "parameter-set id-GostR3410-2001-CryptoPro-A-ParamSet\nx 12\ny 34\n");
        assertEquals(2, vantix("verify", "--pub", bad.toString(), doc.toString()));
        assertTrue(stderr.startsWith("vantix: malformed public key file " + bad), stderr);
        assertEquals(2, vantix("keygen", "--out", p("carol"), "--password-file", write("s.txt", "short").toString(),
            "--home", home));
        assertTrue(stderr.contains("at least 10 bytes"), stderr);
    }

    /**
     * Oversized key, signature, public key, password and seed files are refused with one
     * line and exit 2 before they are read (a sparse 3 GiB file costs no disk space).
     */
    @Test
    void oversizedFilesAreRefusedBeforeReading() throws Exception {
        Path pw = write("pw.txt", "a good long password\n");
        Path doc = write("doc.txt", "document\n");
        String home = p("home");
        assertEquals(0, vantix("keygen", "--out", p("alice"), "--password-file", pw.toString(), "--home", home), stderr);
        long huge = 3L << 30;
        for (String name : new String[] {"big.key", "big.sig", "big.pub", "big.pw"}) {
            try (RandomAccessFile f = new RandomAccessFile(dir.resolve(name).toFile(), "rw")) {
                f.setLength(huge);
            }
        }
        assertEquals(2, vantix("sign", "--key", p("big.key"), "--password-file", pw.toString(), "--home", home,
            doc.toString()));
        assertTrue(stderr.contains("is too large"), stderr);
        assertEquals(2, vantix("verify", "--pub", p("alice.pub"), "--sig", p("big.sig"), doc.toString()));
        assertTrue(stderr.contains("is too large"), stderr);
        assertEquals(2, vantix("verify", "--pub", p("big.pub"), doc.toString()));
        assertTrue(stderr.contains("is too large"), stderr);
        assertEquals(2, vantix("sign", "--key", p("alice.key"), "--password-file", p("big.pw"), "--home", home,
            doc.toString()));
        assertTrue(stderr.contains("is too large"), stderr);
        // A huge seed file does not block later runs: it is set aside like one that does not open.
        try (RandomAccessFile f = new RandomAccessFile(dir.resolve("home/seed.rnd").toFile(), "rw")) {
            f.setLength(huge);
        }
        assertEquals(0, vantix("sign", "--key", p("alice.key"), "--password-file", pw.toString(), "--home", home,
            doc.toString()), stderr);
        assertEquals(84, Files.size(dir.resolve("home/seed.rnd")));
    }

    @Test
    void toolSignatureVerifiesWithLibgcrypt() throws Exception {
        String verifier = System.getProperty("vantix.gcrypt.verify");
        assumeTrue(verifier != null, "set vantix.gcrypt.verify to the libgcrypt verifier");
        Path pw = write("pw.txt", "interop password");
        Path doc = write("doc.txt", "interoperable document\n");
        assertEquals(0, vantix("keygen", "--out", p("k"), "--password-file", pw.toString(), "--home", p("h")));
        assertEquals(0, vantix("sign", "--key", p("k.key"), "--password-file", pw.toString(), "--home", p("h"),
            doc.toString()));
        assertEquals(0, vantix("hash", doc.toString()));
        // The digest's bytes read little-endian, as GOST R 34.10-2001 applies them; the
        // verifier takes the number big-endian.
        String digest = HexFormat.of().formatHex(reversed(HexFormat.of().parseHex(stdout.substring(0, 64))));
        String x = null;
        String y = null;
        for (String line : Files.readAllLines(dir.resolve("k.pub"))) {
            if (line.startsWith("x ")) {
                x = line.substring(2);
            } else if (line.startsWith("y ")) {
                y = line.substring(2);
            }
        }
        String sr = HexFormat.of().formatHex(Files.readAllBytes(Path.of(doc + ".sig")));
        String sig = sr.substring(64) + sr.substring(0, 64);  // the file holds s then r; the verifier takes r then s
        Process ok = new ProcessBuilder(verifier, "GOST2001-CryptoPro-A", x, y, digest, sig).inheritIO().start();
        assertEquals(0, ok.waitFor(), "libgcrypt accepts the tool's signature");
        char flipped = sig.charAt(127) == '0' ? '1' : '0';
        String altered = sig.substring(0, 127) + flipped;
        Process bad = new ProcessBuilder(verifier, "GOST2001-CryptoPro-A", x, y, digest, altered).inheritIO().start();
        assertEquals(1, bad.waitFor(), "libgcrypt rejects an altered signature");
    }

    private static byte[] reversed(byte[] b) {
        byte[] out = new byte[b.length];
        for (int i = 0; i < b.length; i++) {
            out[i] = b[b.length - 1 - i];
        }
        return out;
    }
}
