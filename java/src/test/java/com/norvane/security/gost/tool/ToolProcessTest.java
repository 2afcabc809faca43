package com.norvane.security.gost.tool;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import com.norvane.security.gost.Gost3411Digest;
import com.norvane.security.gost.KeyEncoding;
import com.norvane.security.gost.RandomGenerator;
import com.norvane.security.gost.SignatureContext;
import com.norvane.security.gost.SubstitutionTable;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Random;
import java.util.concurrent.TimeUnit;
import java.util.stream.Stream;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * {@code java -jar vantix-all.jar} as a user runs it, in processes of its own: the native
 * cache, pipes and descriptors, interruptions at random moments, runs at the same time.
 */
class ToolProcessTest {
    private static final String ABC = "b285056dbf18d7392d7677369524dd14747459ed8143997e163b2986f92fd42c";

    @TempDir
    Path dir;

    private String jar;
    private String java;
    private Path cache;
    private Path tmp;

    @BeforeEach
    void findJar() throws IOException {
        jar = System.getProperty("vantix.all.jar");
        assumeTrue(jar != null && Files.isRegularFile(Path.of(jar)), "set vantix.all.jar to the self-loading jar");
        java = ProcessHandle.current().info().command().orElse("java");
        cache = Files.createDirectories(dir.resolve("cache"));
        tmp = Files.createDirectories(dir.resolve("tmp"));
    }

    private final class Run {
        final int code;
        final String out;
        final String err;

        Run(int code, String out, String err) {
            this.code = code;
            this.out = out;
            this.err = err;
        }
    }

    private ProcessBuilder builder(List<String> jvmOptions, String... args) {
        List<String> cmd = new ArrayList<>(List.of(java, "-Djava.io.tmpdir=" + tmp));
        cmd.addAll(jvmOptions);
        cmd.addAll(List.of("-jar", jar));
        cmd.addAll(List.of(args));
        ProcessBuilder pb = new ProcessBuilder(cmd).directory(dir.toFile());
        pb.environment().put("XDG_CACHE_HOME", cache.toString());
        pb.environment().remove("LD_LIBRARY_PATH");
        return pb;
    }

    private Run run(List<String> jvmOptions, String... args) throws Exception {
        Process p = builder(jvmOptions, args).start();
        p.getOutputStream().close();
        byte[] out = p.getInputStream().readAllBytes();
        byte[] err = p.getErrorStream().readAllBytes();
        assertTrue(p.waitFor(120, TimeUnit.SECONDS));
        return new Run(p.exitValue(), new String(out, StandardCharsets.UTF_8), new String(err, StandardCharsets.UTF_8));
    }

    private Run run(String... args) throws Exception {
        return run(List.of(), args);
    }

    private Run bash(String script) throws Exception {
        ProcessBuilder pb = new ProcessBuilder("bash", "-c", script).directory(dir.toFile());
        pb.environment().put("XDG_CACHE_HOME", cache.toString());
        pb.environment().put("VANTIX", java + " -Djava.io.tmpdir=" + tmp + " -jar " + jar);
        pb.environment().remove("LD_LIBRARY_PATH");
        Process p = pb.start();
        byte[] out = p.getInputStream().readAllBytes();
        byte[] err = p.getErrorStream().readAllBytes();
        assertTrue(p.waitFor(120, TimeUnit.SECONDS));
        return new Run(p.exitValue(), new String(out, StandardCharsets.UTF_8), new String(err, StandardCharsets.UTF_8));
    }

    @Test
    void theJarRunsTheToolAndKeepsItsNativesInOneCache() throws Exception {
        Files.writeString(dir.resolve("abc.txt"), "abc");
        Run r = run("hash", "abc.txt");
        assertEquals(0, r.code, r.err);
        assertEquals(ABC + "  abc.txt\n", r.out);
        assertEquals("", r.err, "no warnings");
        List<Path> libs;
        try (Stream<Path> s = Files.walk(cache)) {
            libs = s.filter(p -> p.getFileName().toString().endsWith(".so")).sorted().toList();
        }
        assertEquals(2, libs.size(), libs.toString());
        long modified = Files.getLastModifiedTime(libs.get(1)).toMillis();
        assertEquals(0, run("hash", "abc.txt").code);
        assertEquals(modified, Files.getLastModifiedTime(libs.get(1)).toMillis(), "reused, not extracted again");
        try (Stream<Path> s = Files.list(tmp)) {
            assertEquals(0, s.count(), "nothing left in the temporary directory");
        }
        // A damaged cached library is noticed by its checksum and replaced before loading.
        Files.write(libs.get(1), new byte[] {1, 2, 3});
        r = run("hash", "abc.txt");
        assertEquals(0, r.code, r.err);
        assertEquals(ABC + "  abc.txt\n", r.out);
    }

    @Test
    void anUnsupportedPlatformGetsOneClearLine() throws Exception {
        Files.writeString(dir.resolve("abc.txt"), "abc");
        Run r = run(List.of("-Dos.arch=aarch64"), "hash", "abc.txt");
        assertEquals(2, r.code);
        assertEquals("vantix: tellarvantix has no native library for Linux on aarch64; supported: linux-x86_64, "
            + "windows-x86_64\n", r.err);
    }

    @Test
    void pipesDescriptorsAndStandardInput() throws Exception {
        Run r = bash("$VANTIX hash <(printf abc) && printf abc | $VANTIX hash /dev/stdin"
            + " && printf abc | $VANTIX hash -");
        assertEquals(0, r.code, r.err);
        String[] lines = r.out.split("\n");
        assertEquals(3, lines.length, r.out);
        for (String line : lines) {
            assertTrue(line.startsWith(ABC + "  "), line);
        }
        Files.writeString(dir.resolve("pw"), "a long enough password\n");
        Files.writeString(dir.resolve("doc"), "signed through a pipe\n");
        r = bash("$VANTIX keygen -o k --home h --password-fd 3 3<pw"
            + " && cat doc | $VANTIX sign -k k.key --home h --password-file <(cat pw) -o doc.sig -"
            + " && $VANTIX verify -p k.pub -s doc.sig <(cat doc)"
            + " && PW=\"$(cat pw)\" $VANTIX verify --password-env PW -p k.pub doc");
        assertEquals(0, r.code, r.out + r.err);
        // Errors: one line each, no stack trace.
        r = bash("$VANTIX sign -k nothere.key --password-file pw -o new.sig doc");
        assertEquals(2, r.code);
        assertEquals("vantix: no such file: nothere.key\n", r.err);
    }

    @Test
    void interruptionsLeaveTheOldFileOrTheNewOne() throws Exception {
        Files.writeString(dir.resolve("pw"), "a long enough password\n");
        Path doc = dir.resolve("doc");
        Files.writeString(doc, "interrupted signing\n");
        assertEquals(0, run("keygen", "-o", "k", "--home", "h", "--password-file", "pw").code);
        long start = System.nanoTime();
        assertEquals(0, run("sign", "-k", "k.key", "--home", "h", "--password-file", "pw", "doc").code);
        // Interruptions fall anywhere in a whole run, from JVM start to exit (slower under a sanitizer).
        int runMillis = (int) ((System.nanoTime() - start) / 1_000_000);
        byte[] raw = KeyEncoding.decodePublicKey(KeyEncoding.fromPem("PUBLIC KEY",
            Files.readAllBytes(dir.resolve("k.pub")))).key();
        byte[] digest = Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, Files.readAllBytes(doc));
        byte[] password = "a long enough password".getBytes(StandardCharsets.US_ASCII);
        Random random = new Random(7);
        int replaced = 0;
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             SignatureContext verifier = SignatureContext.withPublicKey(
                 com.norvane.security.gost.ParameterSet.CRYPTOPRO_A, rng, raw)) {
            byte[] previous = Files.readAllBytes(dir.resolve("doc.sig"));
            for (int i = 0; i < 14; i++) {
                Process p = builder(List.of(), "sign", "--force", "-k", "k.key", "--home", "h", "--password-file", "pw",
                    "doc").start();
                Thread.sleep(random.nextInt(2 * runMillis + 1));  // about half the runs finish
                if (i % 2 == 0) {
                    p.destroyForcibly();  // SIGKILL
                } else {
                    new ProcessBuilder("kill", "-INT", Long.toString(p.pid())).start().waitFor();
                }
                p.waitFor(60, TimeUnit.SECONDS);
                byte[] now = Files.readAllBytes(dir.resolve("doc.sig"));
                assertEquals(64, now.length, "never a partial signature");
                assertTrue(Arrays.equals(now, previous) || verifier.verify(digest, now), "old or new, run " + i);
                replaced += Arrays.equals(now, previous) ? 0 : 1;
                previous = now;
                byte[] seed = Files.readAllBytes(dir.resolve("h/seed.rnd"));
                assertEquals(RandomGenerator.SEALED_STATE_BYTES, seed.length, "never a partial seed state");
                RandomGenerator.fromContainer(seed, password).close();  // opens: whole, not torn
            }
        }
        assertTrue(replaced > 0, "some runs got as far as replacing the signature");
    }

    @Test
    void runsAtTheSameTimeShareOneHome() throws Exception {
        Files.writeString(dir.resolve("pw"), "a long enough password\n");
        assertEquals(0, run("keygen", "-o", "k", "--home", "h", "--password-file", "pw").code);
        // A cache no run has filled yet: the four JVMs also extract the natives at once.
        cache = Files.createDirectories(dir.resolve("fresh-cache"));
        List<Process> runs = new ArrayList<>();
        for (int i = 0; i < 4; i++) {
            Files.writeString(dir.resolve("doc" + i), "document " + i);
            runs.add(builder(List.of(), "sign", "-k", "k.key", "--home", "h", "--password-file", "pw", "doc" + i)
                .redirectErrorStream(true).start());
        }
        for (Process p : runs) {
            String out = new String(p.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
            assertTrue(p.waitFor(120, TimeUnit.SECONDS));
            assertEquals(0, p.exitValue(), out);
        }
        for (int i = 0; i < 4; i++) {
            assertEquals(0, run("verify", "-p", "k.pub", "doc" + i).code);
        }
        byte[] seed = Files.readAllBytes(dir.resolve("h/seed.rnd"));
        RandomGenerator.fromContainer(seed, "a long enough password".getBytes(StandardCharsets.US_ASCII)).close();
        assertFalse(Files.exists(dir.resolve("h/seed.rnd.tmp")));
        assertArrayEquals(seed, Files.readAllBytes(dir.resolve("h/seed.rnd")));
    }
}
