package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import com.norvane.security.gost.jca.VantixProvider;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.security.KeyPair;
import java.security.KeyPairGenerator;
import java.security.MessageDigest;
import java.security.Signature;
import java.util.Random;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * A message of 2^29 bytes and more (its bit length no longer fits 32 bits), streamed at once
 * into OpenSSL's gost engine, the {@code vantix hash} tool, a {@code MessageDigest} and a
 * signing {@code Signature}: the digests must be OpenSSL's, and the signature must be one
 * over OpenSSL's digest. The stream is generated, never stored. Tagged "long": CI runs it
 * as a test of its own.
 */
@Tag("long")
class LongMessageTest {
    private static final int CHUNK = 1 << 20;
    private static final long LENGTH = (1L << 29) + 37;

    @TempDir
    Path dir;

    private static String firstField(Process p) throws IOException, InterruptedException {
        String out;
        try (InputStream in = p.getInputStream()) {
            out = new String(in.readAllBytes(), StandardCharsets.UTF_8).trim();
        }
        assertTrue(p.waitFor(600, TimeUnit.SECONDS));
        assertEquals(0, p.exitValue(), out);
        return out;
    }

    @Test
    void digestsAndSignaturesAgreeWithOpensslAbove2To29Bytes() throws Exception {
        String jar = System.getProperty("vantix.all.jar");
        assumeTrue(jar != null && Files.isRegularFile(Path.of(jar)), "set vantix.all.jar to the self-loading jar");
        VantixProvider provider = new VantixProvider();
        MessageDigest md = MessageDigest.getInstance("GOST3411", provider);
        KeyPairGenerator g = KeyPairGenerator.getInstance("ECGOST3410", provider);
        KeyPair pair = g.generateKeyPair();
        Signature signer = Signature.getInstance("GOST3411withECGOST3410", provider);
        signer.initSign(pair.getPrivate());

        Process openssl = new ProcessBuilder("openssl", "dgst", "-engine", "gost", "-md_gost94", "-r")
            .redirectError(ProcessBuilder.Redirect.DISCARD).start();
        String java = ProcessHandle.current().info().command().orElse("java");
        ProcessBuilder tb = new ProcessBuilder(java, "-jar", jar, "hash", "-").directory(dir.toFile())
            .redirectError(ProcessBuilder.Redirect.INHERIT);
        tb.environment().put("XDG_CACHE_HOME", Files.createDirectories(dir.resolve("cache")).toString());
        tb.environment().remove("LD_LIBRARY_PATH");
        Process tool = tb.start();

        byte[] chunk = new byte[CHUNK];
        new Random(29).nextBytes(chunk);
        long fed = 0;
        try (OutputStream toOpenssl = openssl.getOutputStream(); OutputStream toTool = tool.getOutputStream()) {
            for (int i = 0; fed < LENGTH; i++) {
                chunk[0] = (byte) i;  // every chunk differs
                chunk[1] = (byte) (i >> 8);
                int n = (int) Math.min(CHUNK, LENGTH - fed);
                toOpenssl.write(chunk, 0, n);
                toTool.write(chunk, 0, n);
                md.update(chunk, 0, n);
                signer.update(chunk, 0, n);
                fed += n;
            }
        }
        assertEquals(LENGTH, fed);
        byte[] expected = Hex.parse(firstField(openssl).split(" ")[0]);
        assertArrayEquals(expected, md.digest(), "MessageDigest");
        assertEquals(Hex.of(expected), firstField(tool).split(" ")[0], "vantix hash");
        byte[] sig = signer.sign();
        Signature verifier = Signature.getInstance("NONEwithECGOST3410", provider);
        verifier.initVerify(pair.getPublic());
        verifier.update(expected);
        assertTrue(verifier.verify(sig), "the signature is over OpenSSL's digest of the stream");
    }
}
