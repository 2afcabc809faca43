package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.File;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.stream.Stream;
import org.junit.jupiter.api.DynamicTest;
import org.junit.jupiter.api.TestFactory;
import org.junit.jupiter.api.io.TempDir;

/**
 * A hostile caller through a real JVM, one JVM per case: contexts rewritten with mem_write or
 * left with a freed table, where a crash would end the JVM. Each case must come back with
 * its result code (-Xcheck:jni on), never a crash.
 */
class HostileJvmTest {
    @TempDir
    Path dir;

    @TestFactory
    Stream<DynamicTest> eachCaseInItsOwnJvm() {
        return HostileJvmCase.CASES.entrySet().stream()
            .map(c -> DynamicTest.dynamicTest(c.getKey(), () -> run(c.getKey(), c.getValue().expected())));
    }

    private void run(String name, int expected) throws Exception {
        String java = Path.of(System.getProperty("java.home"), "bin", "java").toString();
        String classPath = location(Vantix.class) + File.pathSeparator + location(HostileJvmTest.class);
        List<String> cmd = List.of(java, "-Xcheck:jni", "-XX:ErrorFile=" + dir.resolve("hs_err_%p.log"),
            "-Dvantix.library.path=" + System.getProperty("vantix.library.path"), "-cp", classPath,
            HostileJvmCase.class.getName(), name);
        Process p = new ProcessBuilder(cmd).redirectErrorStream(true).start();
        p.getOutputStream().close();
        String out = new String(p.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        assertTrue(p.waitFor(120, TimeUnit.SECONDS), name);
        assertEquals(0, p.exitValue(), name + " ended the JVM:\n" + out);
        assertTrue(out.contains("result " + expected + "\n"), name + ":\n" + out);
        try (var files = Files.list(dir)) {
            assertEquals(0, files.count(), "no crash report");
        }
    }

    private static String location(Class<?> c) throws Exception {
        return Path.of(c.getProtectionDomain().getCodeSource().getLocation().toURI()).toString();
    }
}
