package com.norvane.security.gost.tool;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import com.norvane.security.gost.Gost3411Digest;
import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.RandomGenerator;
import com.norvane.security.gost.SignatureContext;
import com.norvane.security.gost.SubstitutionTable;
import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.io.RandomAccessFile;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.Arrays;
import java.util.HashMap;
import java.util.HexFormat;
import java.util.Map;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** The vantix command end to end, in this JVM, through the native library. */
class ToolTest {
    @TempDir
    Path dir;

    private String stdout;
    private String stderr;
    private byte[] stdoutBytes;
    private final Map<String, String> env = new HashMap<>();

    private int vantix(byte[] stdin, String... args) {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        ByteArrayOutputStream err = new ByteArrayOutputStream();
        int code = new VantixTool(new ByteArrayInputStream(stdin), new PrintStream(out, true),
            new PrintStream(err, true), null, env).run(args);
        stdoutBytes = out.toByteArray();
        stdout = out.toString(StandardCharsets.UTF_8);
        stderr = err.toString(StandardCharsets.UTF_8);
        return code;
    }

    private int vantix(String... args) {
        return vantix(new byte[0], args);
    }

    private Path write(String name, String content) throws IOException {
        Path p = dir.resolve(name);
        Files.writeString(p, content, StandardCharsets.UTF_8);
        return p;
    }

    private String p(String name) {
        return dir.resolve(name).toString();
    }

    private void assertOneErrorLine(String contains) {
        assertTrue(stderr.endsWith("\n") && stderr.indexOf('\n') == stderr.length() - 1, "one line: " + stderr);
        assertTrue(stderr.startsWith("vantix: ") && stderr.contains(contains), stderr);
    }

    @Test
    void hashPrintsKnownDigestsAndGoesOnPastMissingFiles() throws IOException {
        Path msg = write("msg.txt", "This is message, length=32 bytes");
        assertEquals(0, vantix("hash", "--paramset", "test", msg.toString()));
        assertEquals("b1c466d37519b82e8319819ff32595e047a28cb6f83eff1c6916a815a637fffa  " + msg + "\n", stdout);
        byte[] abc = "abc".getBytes(StandardCharsets.US_ASCII);
        String abcDigest = "b285056dbf18d7392d7677369524dd14747459ed8143997e163b2986f92fd42c";
        assertEquals(0, vantix(abc, "hash", "-"));
        assertEquals(abcDigest + "  -\n", stdout);
        assertEquals(0, vantix(abc, "hash"));
        assertEquals(abcDigest + "  -\n", stdout, "no FILE: standard input, like sha256sum");
        Path a = write("a.txt", "abc");
        assertEquals(2, vantix("hash", p("missing.txt"), a.toString(), dir.toString()));
        assertEquals(abcDigest + "  " + a + "\n", stdout, "the readable file is still hashed");
        assertEquals("vantix: no such file: " + p("missing.txt") + "\nvantix: " + dir + " is a directory\n", stderr);
    }

    @Test
    void hashCheckReadsItsOwnOutput() throws IOException {
        Path a = write("a.txt", "abc");
        Path b = write("b.txt", "bcd");
        assertEquals(0, vantix("hash", a.toString(), b.toString()));
        Path sums = write("SUMS", stdout);
        assertEquals(0, vantix("hash", "--check", sums.toString()));
        assertEquals(a + ": OK\n" + b + ": OK\n", stdout);
        Files.writeString(b, "changed");
        Files.delete(a);
        Files.writeString(sums, Files.readString(sums) + "not a digest line\n");
        assertEquals(2, vantix("hash", "-c", sums.toString()));
        assertEquals(a + ": FAILED open or read\n" + b + ": FAILED\n", stdout);
        assertTrue(stderr.contains("1 computed digest(s) did NOT match") && stderr.contains("1 listed file(s)")
            && stderr.contains("1 line(s)"), stderr);
    }

    @Test
    void commandLineConventions() throws IOException {
        Path a = write("a.txt", "abc");
        // Global options before or after the command.
        assertEquals(0, vantix("--home", p("h"), "hash", a.toString()));
        assertEquals(0, vantix("hash", a.toString(), "--home", p("h")));
        assertEquals(0, vantix("hash", "--help"));
        assertTrue(stdout.startsWith("Usage: vantix hash"), stdout);
        for (String cmd : new String[] {"keygen", "sign", "verify", "export-key", "import-key", "upgrade-key"}) {
            assertEquals(0, vantix(cmd, "--help"), cmd);
            assertTrue(stdout.contains("--password-file"), cmd + ": " + stdout);
        }
        assertEquals(0, vantix("--version"));
        assertTrue(stdout.startsWith("vantix "), stdout);
        assertEquals(2, vantix("hash", "--bogus"));
        assertOneErrorLine("--bogus");
        assertEquals(2, vantix("frobnicate"));
        assertOneErrorLine("frobnicate");
        assertEquals(2, vantix());
        assertOneErrorLine("give a command");
        assertEquals(2, vantix("sign", "--key", p("none.key"), a.toString()));
        assertOneErrorLine("no such file: " + p("none.key"));
    }

    @Test
    void keygenSignVerifyInStandardFiles() throws Exception {
        Path pw = write("pw.txt", "a good long password\n");
        Path doc = write("doc.txt", "the document to be signed\n");
        String home = p("home");
        assertEquals(0, vantix("--home", home, "--password-file", pw.toString(), "keygen", "--out", p("alice"),
            "--curve", "cryptopro-b"), stderr);
        String key = Files.readString(dir.resolve("alice.key"));
        assertTrue(key.startsWith("-----BEGIN VANTIX SEALED KEY-----\nParameter-Set: "
            + "id-GostR3410-2001-CryptoPro-B-ParamSet\n"), key);
        assertTrue(Files.readString(dir.resolve("alice.pub")).startsWith("-----BEGIN PUBLIC KEY-----\n"));
        byte[] seed1 = Files.readAllBytes(dir.resolve("home/seed.rnd"));

        assertEquals(0, vantix("sign", "--key", p("alice.key"), "--password-file", pw.toString(), "--home", home,
            doc.toString()), stderr);
        assertEquals("wrote " + doc + ".sig\n", stdout);
        assertEquals(64, Files.size(Path.of(doc + ".sig")));
        assertFalse(Arrays.equals(seed1, Files.readAllBytes(dir.resolve("home/seed.rnd"))), "the seed moves on");
        assertEquals(0, vantix("verify", "--pub", p("alice.pub"), doc.toString()));
        assertEquals(doc + ": signature valid\n", stdout);

        // Not replaced without --force; -o names another file; -o - writes to standard output.
        byte[] before = Files.readAllBytes(Path.of(doc + ".sig"));
        assertEquals(2, vantix("sign", "-k", p("alice.key"), "--password-file", pw.toString(), "--home", home,
            doc.toString()));
        assertOneErrorLine("exists");
        assertArrayEquals(before, Files.readAllBytes(Path.of(doc + ".sig")));
        assertEquals(0, vantix("sign", "-k", p("alice.key"), "--password-file", pw.toString(), "--home", home,
            "-o", p("other.sig"), doc.toString()));
        assertEquals(0, vantix("verify", "-p", p("alice.pub"), "-s", p("other.sig"), doc.toString()));
        assertEquals(0, vantix("sign", "-k", p("alice.key"), "--password-file", pw.toString(), "--home", home,
            "-o", "-", doc.toString()));
        assertEquals(64, stdoutBytes.length);
        Files.write(dir.resolve("stdout.sig"), stdoutBytes);
        assertEquals(0, vantix("verify", "-p", p("alice.pub"), "-s", p("stdout.sig"), doc.toString()));

        // Another key does not verify it (exit 1); an altered document does not either.
        assertEquals(0, vantix("keygen", "--out", p("bob"), "--password-file", pw.toString(), "--home", home));
        assertEquals(1, vantix("verify", "--pub", p("bob.pub"), "--sig", doc + ".sig", doc.toString()));
        assertEquals(doc + ": signature does NOT verify\n", stdout);
        Files.writeString(doc, "the document to be signed!\n");
        assertEquals(1, vantix("verify", "--pub", p("alice.pub"), doc.toString()));

        // A wrong password: one line, and the seed is not resealed under it.
        byte[] seed = Files.readAllBytes(dir.resolve("home/seed.rnd"));
        env.put("WRONG", "not the right password");
        assertEquals(2, vantix("sign", "--key", p("alice.key"), "--password-env", "WRONG", "--home", home,
            "--force", doc.toString()));
        assertOneErrorLine("wrong password for " + p("alice.key"));
        assertArrayEquals(seed, Files.readAllBytes(dir.resolve("home/seed.rnd")));

        // keygen keeps existing files, and says why it cannot write.
        assertEquals(2, vantix("keygen", "--out", p("bob"), "--password-file", pw.toString(), "--home", home));
        assertOneErrorLine(p("bob.key") + " exists");
        Files.delete(dir.resolve("bob.key"));
        assertEquals(2, vantix("keygen", "--out", p("bob"), "--password-file", pw.toString(), "--home", home));
        assertOneErrorLine(p("bob.pub") + " exists");
        assertEquals(2, vantix("keygen", "--out", p("no/such/dir/eve"), "--password-file", pw.toString(),
            "--home", home));
        assertOneErrorLine("no such directory " + p("no/such/dir"));
        assertEquals(2, vantix("keygen", "--out", p("carol"), "--password-file", write("s.txt", "short").toString(),
            "--home", home));
        assertOneErrorLine("at least 10 bytes");
        assertFalse(Files.exists(dir.resolve("carol.key")));
    }

    @Test
    void signingAlwaysUsesTheKeysOwnCurve() throws Exception {
        Path pw = write("pw.txt", "a good long password");
        Path doc = write("doc.txt", "document\n");
        String home = p("home");
        assertEquals(0, vantix("keygen", "-o", p("carol"), "--curve", "cryptopro-b", "--password-file",
            pw.toString(), "--home", home));
        assertEquals(0, vantix("keygen", "-o", p("dave"), "--password-file", pw.toString(), "--home", home));
        Files.move(dir.resolve("carol.pub"), dir.resolve("elsewhere.pub"));
        // The key file records its curve: no public key file needed.
        assertEquals(0, vantix("sign", "-k", p("carol.key"), "--password-file", pw.toString(), "--home", home,
            doc.toString()), stderr);
        assertEquals(0, vantix("verify", "-p", p("elsewhere.pub"), doc.toString()));
        // A public key that is not the key's: refused before anything is written.
        Files.delete(Path.of(doc + ".sig"));
        assertEquals(2, vantix("sign", "-k", p("carol.key"), "--pub", p("dave.pub"), "--password-file",
            pw.toString(), "--home", home, doc.toString()));
        assertOneErrorLine("");
        assertFalse(Files.exists(Path.of(doc + ".sig")));
        assertEquals(2, vantix("sign", "-k", p("carol.key"), "--curve", "cryptopro-a", "--password-file",
            pw.toString(), "--home", home, doc.toString()));
        assertOneErrorLine("is on id-GostR3410-2001-CryptoPro-B-ParamSet");

        // A bare 48-byte container (as earlier versions wrote) records no curve: one on
        // CryptoPro-B made by an earlier version, its public key moved away.
        Path legacyPw = write("legacy-pw.txt", LONG34_PASSWORD + "\n");
        Files.write(dir.resolve("bare.key"), extractContainer(legacy("long34.key")));
        Files.copy(legacy("long34.pub"), dir.resolve("elsewhere.pub"), StandardCopyOption.REPLACE_EXISTING);
        pw = legacyPw;
        assertEquals(2, vantix("sign", "-k", p("bare.key"), "--password-file", pw.toString(), "--home", home,
            doc.toString()));
        assertOneErrorLine("does not record its parameter set");
        assertFalse(Files.exists(Path.of(doc + ".sig")));
        // With the wrong curve named, the unsealed key does not match: refused, nothing written.
        assertEquals(2, vantix("sign", "-k", p("bare.key"), "--pub", p("dave.pub"), "--password-file",
            pw.toString(), "--home", home, doc.toString()));
        assertOneErrorLine("does not match its public key");
        assertFalse(Files.exists(Path.of(doc + ".sig")));
        assertEquals(0, vantix("sign", "-k", p("bare.key"), "--pub", p("elsewhere.pub"), "--password-file",
            pw.toString(), "--home", home, doc.toString()), stderr);
        assertEquals(0, vantix("verify", "-p", p("elsewhere.pub"), doc.toString()));
    }

    @Test
    void badPublicKeyFilesGiveOnePrintableLine() throws Exception {
        Path doc = write("doc.txt", "document\n");
        Files.write(Path.of(doc + ".sig"), new byte[64]);
        byte[] junk = new byte[100];
        new java.util.Random(3).nextBytes(junk);
        junk[0] = 0x1B;  // not DER, and an escape character up front
        Files.write(dir.resolve("junk.pub"), junk);
        // A text file whose line quotes a terminal escape sequence, and one with a very long line.
        write("escape.pub", "parameter-set \u001b[2J\n");
        write("long.pub", "z".repeat(5000) + " 1\n");
        for (String[] c : new String[][] {{"junk.pub", "neither PEM, DER nor the text form"},
                 {"escape.pub", "neither PEM, DER nor the text form"}, {"long.pub", "unknown field"}}) {
            assertEquals(2, vantix("verify", "-p", p(c[0]), doc.toString()), c[0]);
            assertOneErrorLine(c[1]);
            assertTrue(stderr.chars().noneMatch(ch -> ch != '\n' && (Character.isISOControl(ch) || ch == 0xFFFD)),
                stderr);
            assertTrue(stderr.length() < 400, "cut: " + stderr.length());
        }
        assertEquals("a?b?c", VantixTool.printable("a\u001bb\uFFFDc"));
    }

    /** The password of the fixture long34.key: 34 bytes. */
    private static final String LONG34_PASSWORD = "0123456789abcdefghijklmnopqrstuvwx";

    /** A file made by an earlier version of the tool (tests/data/legacy). */
    private static Path legacy(String name) {
        String source = System.getProperty("vantix.source.dir");
        assertNotNull(source, "set vantix.source.dir to the project");
        return Path.of(source, "tests/data/legacy", name);
    }

    /**
     * Pairs of passwords the containers fold to the same 32 bytes, with the fixture that the
     * first one sealed: the repeated pattern, and the 34-byte password with its first and
     * last two bytes exchanged.
     */
    private static final String[][] FOLDED_ALIKE = {
        {"short12", "abcabcabcabc", "abcabcabcabcabcabc"},
        {"long34", LONG34_PASSWORD, "wx23456789abcdefghijklmnopqrstuv01"},
    };

    @Test
    void keysOfEarlierVersionsOpenAsBeforeUntilUpgraded() throws Exception {
        Path doc = write("doc.txt", "document\n");
        for (String[] c : FOLDED_ALIKE) {
            String name = c[0];
            Files.copy(legacy(name + ".key"), dir.resolve(name + ".key"));
            Files.copy(legacy(name + ".pub"), dir.resolve(name + ".pub"));
            Files.createDirectories(dir.resolve(name + "-home"));
            String home = p(name + "-home");
            Path right = write(name + ".pw", c[1] + "\n");
            Path alike = write(name + "-alike.pw", c[2] + "\n");
            byte[] before = Files.readAllBytes(dir.resolve(name + ".key"));

            // Exactly as before: both passwords open it and its seed file (no note about the
            // seed), and the tool says how to move on.
            for (Path pw : new Path[] {right, alike}) {
                Files.copy(legacy(name + "-seed.rnd"), dir.resolve(name + "-home/seed.rnd"),
                    StandardCopyOption.REPLACE_EXISTING);
                assertEquals(0, vantix("sign", "-k", p(name + ".key"), "--password-file", pw.toString(), "--home",
                    home, "-o", p(name + ".sig"), "--force", doc.toString()), stderr);
                assertEquals("vantix: note: " + p(name + ".key") + " is sealed in the earlier form, which folds the "
                    + "password to 32 bytes so that some other passwords open it too; `vantix upgrade-key -k "
                    + p(name + ".key") + "` seals it under PBKDF2-HMAC-SHA256\n", stderr);
                assertEquals(0, vantix("verify", "-p", p(name + ".pub"), "-s", p(name + ".sig"), doc.toString()));
            }
            // The seed file moved to the new form (under the password of the run).
            assertEquals(RandomGenerator.SEALED_STATE_BYTES, Files.size(dir.resolve(name + "-home/seed.rnd")));
            assertArrayEquals(before, Files.readAllBytes(dir.resolve(name + ".key")), "signing leaves the key file");

            assertEquals(0, vantix("upgrade-key", "-k", p(name + ".key"), "--password-file", right.toString(),
                "--home", home), stderr);
            assertEquals("wrote " + p(name + ".key") + " (sealed under PBKDF2-HMAC-SHA256)\n", stdout);
            String upgraded = Files.readString(dir.resolve(name + ".key"));
            assertTrue(upgraded.contains("\nPassword-Hash: PBKDF2-HMAC-SHA256\n\n"), upgraded);
            assertEquals(2, vantix("sign", "-k", p(name + ".key"), "--password-file", alike.toString(), "--home",
                home, "-o", p(name + ".sig"), "--force", doc.toString()));
            assertOneErrorLine("wrong password for " + p(name + ".key"));
            assertEquals(0, vantix("sign", "-k", p(name + ".key"), "--password-file", right.toString(), "--home",
                home, "-o", p(name + ".sig"), "--force", doc.toString()), stderr);
            assertEquals("", stderr, "no advice for the new form");
            assertEquals(0, vantix("verify", "-p", p(name + ".pub"), "-s", p(name + ".sig"), doc.toString()));
            assertEquals(0, vantix("upgrade-key", "-k", p(name + ".key"), "--password-file", right.toString(),
                "--home", home));
            assertEquals(p(name + ".key") + " is already sealed under PBKDF2-HMAC-SHA256\n", stdout);
            assertEquals(upgraded, Files.readString(dir.resolve(name + ".key")), "left as it is");
        }
        // A bare container becomes a whole key file; its parameter set comes from NAME.pub beside it.
        Files.write(dir.resolve("bare.key"), extractContainer(legacy("long34.key")));
        Files.copy(legacy("long34.pub"), dir.resolve("bare.pub"));
        Path pw = write("bare.pw", LONG34_PASSWORD + "\n");
        assertEquals(0, vantix("upgrade-key", "-k", p("bare.key"), "--password-file", pw.toString(), "--home",
            p("bare-home")), stderr);
        assertTrue(Files.readString(dir.resolve("bare.key")).startsWith("-----BEGIN VANTIX SEALED KEY-----\n"
            + "Parameter-Set: id-GostR3410-2001-CryptoPro-B-ParamSet\n"));
        Files.delete(dir.resolve("bare.pub"));
        assertEquals(0, vantix("sign", "-k", p("bare.key"), "--password-file", pw.toString(), "--home",
            p("bare-home"), doc.toString()), stderr);
        assertEquals(0, vantix("verify", "-p", legacy("long34.pub").toString(), "-s", doc + ".sig", doc.toString()));
    }

    @Test
    void passwordsThatFoldAlikeDoNotOpenNewKeys() throws Exception {
        Path doc = write("doc.txt", "document\n");
        for (String[] c : FOLDED_ALIKE) {
            Path right = write("right.pw", c[1] + "\n");
            Path alike = write("alike.pw", c[2] + "\n");
            String home = p("home-" + c[0]);
            assertEquals(0, vantix("keygen", "-o", p(c[0]), "--password-file", right.toString(), "--home", home),
                stderr);
            assertEquals(2, vantix("sign", "-k", p(c[0] + ".key"), "--password-file", alike.toString(), "--home",
                home, "--force", doc.toString()));
            assertOneErrorLine("wrong password for " + p(c[0] + ".key"));
            assertEquals(0, vantix("sign", "-k", p(c[0] + ".key"), "--password-file", right.toString(), "--home",
                home, "--force", doc.toString()), stderr);
            // The seed file too: the folded-alike password does not open it (a fresh start, with a note).
            assertEquals(0, vantix("hash", doc.toString()));
            byte[] seed = Files.readAllBytes(dir.resolve("home-" + c[0] + "/seed.rnd"));
            assertEquals(RandomGenerator.SEALED_STATE_BYTES, seed.length);
            assertThrows(com.norvane.security.gost.VantixException.class,
                () -> RandomGenerator.fromContainer(seed, c[2].getBytes(StandardCharsets.US_ASCII)));
            RandomGenerator.fromContainer(seed, c[1].getBytes(StandardCharsets.US_ASCII)).close();
        }
        // A zero byte cannot seal (the hash would not tell it from the password without it).
        Files.write(dir.resolve("zero.pw"), "abcabcabcabc\0\n".getBytes(StandardCharsets.US_ASCII));
        assertEquals(2, vantix("keygen", "-o", p("zero"), "--password-file", p("zero.pw"), "--home", p("h")));
        assertOneErrorLine("zero byte");
    }

    private static byte[] extractContainer(Path keyFile) throws IOException {
        String text = Files.readString(keyFile);
        String body = text.substring(text.indexOf("\n\n") + 2, text.indexOf("-----END"));
        return java.util.Base64.getDecoder().decode(body.strip());
    }

    @Test
    void oversizedFilesAreRefusedBeforeReading() throws Exception {
        Path pw = write("pw.txt", "a good long password\n");
        Path doc = write("doc.txt", "document\n");
        String home = p("home");
        assertEquals(0, vantix("keygen", "--out", p("alice"),
            "--password-file", pw.toString(), "--home", home), stderr);
        long huge = 3L << 30;  // sparse: no disk space
        for (String name : new String[] {"big.key", "big.sig", "big.pub", "big.pw"}) {
            try (RandomAccessFile f = new RandomAccessFile(dir.resolve(name).toFile(), "rw")) {
                f.setLength(huge);
            }
        }
        assertEquals(2, vantix("sign", "--key", p("big.key"), "--password-file", pw.toString(), "--home", home,
            doc.toString()));
        assertOneErrorLine("is too large");
        assertEquals(2, vantix("verify", "--pub", p("alice.pub"), "--sig", p("big.sig"), doc.toString()));
        assertOneErrorLine("is too large");
        assertEquals(2, vantix("verify", "--pub", p("big.pub"), doc.toString()));
        assertOneErrorLine("is too large");
        assertEquals(2, vantix("sign", "--key", p("alice.key"), "--password-file", p("big.pw"), "--home", home,
            doc.toString()));
        assertOneErrorLine("is too large");
        // A huge seed file does not block later runs: it is set aside like one that does not open.
        try (RandomAccessFile f = new RandomAccessFile(dir.resolve("home/seed.rnd").toFile(), "rw")) {
            f.setLength(huge);
        }
        assertEquals(0, vantix("sign", "--key", p("alice.key"), "--password-file", pw.toString(), "--home", home,
            doc.toString()), stderr);
        assertEquals(RandomGenerator.SEALED_STATE_BYTES, Files.size(dir.resolve("home/seed.rnd")));
    }

    @Test
    void earlierFilesStillVerify() throws Exception {
        // vantix 1.0 wrote a text public key and signatures r then s over the digest read
        // big-endian; both are still accepted.
        Path doc = write("doc.txt", "document\n");
        byte[] digest = Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO,
            Files.readAllBytes(doc));
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             SignatureContext k = SignatureContext.generate(ParameterSet.CRYPTOPRO_A, rng)) {
            byte[] raw = k.publicKey();
            HexFormat hex = HexFormat.of();
            Files.writeString(dir.resolve("old.pub"), "# GOST R 34.10-2001 public key\n"
                + "parameter-set id-GostR3410-2001-CryptoPro-A-ParamSet\n"
                + "x " + hex.formatHex(reversed(Arrays.copyOfRange(raw, 0, 32))) + "\n"
                + "y " + hex.formatHex(reversed(Arrays.copyOfRange(raw, 32, 64))) + "\n");
            Files.write(dir.resolve("new.sig"), k.sign(digest));
            assertEquals(0, vantix("verify", "-p", p("old.pub"), "-s", p("new.sig"), doc.toString()));
            Files.write(dir.resolve("old.sig"), swapHalves(k.sign(reversed(digest))));
            assertEquals(0, vantix("verify", "-p", p("old.pub"), "-s", p("old.sig"), doc.toString()));
            assertTrue(stdout.contains("vantix 1.0"), stdout);
            Files.write(dir.resolve("swapped.sig"), swapHalves(k.sign(digest)));
            assertEquals(1, vantix("verify", "-p", p("old.pub"), "-s", p("swapped.sig"), doc.toString()),
                "the halves swapped alone are no signature");
        }
    }

    private static byte[] swapHalves(byte[] sig) {
        byte[] out = new byte[64];
        System.arraycopy(sig, 32, out, 0, 32);
        System.arraycopy(sig, 0, out, 32, 32);
        return out;
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
        byte[] raw = com.norvane.security.gost.KeyEncoding.decodePublicKey(
            com.norvane.security.gost.KeyEncoding.fromPem("PUBLIC KEY", Files.readAllBytes(dir.resolve("k.pub"))))
            .key();
        String x = HexFormat.of().formatHex(reversed(Arrays.copyOfRange(raw, 0, 32)));
        String y = HexFormat.of().formatHex(reversed(Arrays.copyOfRange(raw, 32, 64)));
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
