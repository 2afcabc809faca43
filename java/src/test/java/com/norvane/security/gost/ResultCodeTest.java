package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.fail;

import java.lang.reflect.Field;
import java.lang.reflect.Modifier;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Map;
import java.util.TreeMap;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import org.junit.jupiter.api.Test;

/**
 * What the Java side knows of the native library agrees with it: the result codes, name for
 * name with their meanings, and the sizes of the blocks the allocators hand out.
 */
class ResultCodeTest {
    private static final String HEADER = "src/common/result.h";

    @Test
    void javaAndNativeCodesAgree() throws Exception {
        String header = Files.readString(sourceDir().resolve(HEADER));
        // Each code with the comment lines just above it: its meaning.
        Map<String, Integer> nativeCodes = new TreeMap<>();
        Map<Integer, String> nativeMeanings = new TreeMap<>();
        Matcher m = Pattern.compile("((?:[ \\t]*//[^\\n]*\\n)+)[ \\t]*RC_([A-Z_]+)\\s*=\\s*(\\d+),").matcher(header);
        while (m.find()) {
            int value = Integer.parseInt(m.group(3));
            nativeCodes.put(m.group(2), value);
            nativeMeanings.put(value, m.group(1).replaceAll("\\s*//\\s*", " ").trim());
        }
        Map<String, Integer> javaCodes = new TreeMap<>();
        for (Field f : ResultCode.class.getDeclaredFields()) {
            if (Modifier.isStatic(f.getModifiers()) && f.getType() == int.class) {
                javaCodes.put(f.getName(), f.getInt(null));
            }
        }
        assertEquals(17, nativeCodes.size(), header);
        assertEquals(nativeCodes, javaCodes);
        for (Map.Entry<Integer, String> e : nativeMeanings.entrySet()) {
            int code = e.getKey();
            assertEquals(e.getValue(), VantixException.meaning(code), "meaning of " + code);
            assertEquals("op failed: " + e.getValue() + " (code " + code + ")",
                new VantixException("op", code).getMessage());
        }
        assertEquals("unknown result code", VantixException.meaning(10));
    }

    /**
     * The project's source: vantix.source.dir, or else the first directory holding the header
     * above the test classes or the working directory (a build tree inside the source). Fails
     * rather than skips when there is none.
     */
    static Path sourceDir() throws Exception {
        String property = System.getProperty("vantix.source.dir");
        if (property != null) {
            return Path.of(property);
        }
        Path classes = Path.of(ResultCodeTest.class.getProtectionDomain().getCodeSource().getLocation().toURI());
        for (Path start : new Path[] {classes, Path.of("").toAbsolutePath()}) {
            for (Path p = start; p != null; p = p.getParent()) {
                if (Files.isRegularFile(p.resolve(HEADER))) {
                    return p;
                }
            }
        }
        return fail("no " + HEADER + " above " + classes + " or the working directory: set vantix.source.dir");
    }

    @Test
    void theSimpleReplacementLimitIsTheNativeOne() {
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             CipherTable table = new CipherTable(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A)) {
            try (SimpleReplacementCipher c = new SimpleReplacementCipher(table, rng, new byte[32])) {
                c.encrypt(new byte[Vantix.ECB_LIMIT_BYTES - 8]);
                c.decrypt(new byte[8]);  // both directions count
                assertEquals(ResultCode.ECB_LIMIT,
                    assertThrows(VantixException.class, () -> c.encrypt(new byte[8])).code());
            }
            try (SimpleReplacementCipher c = new SimpleReplacementCipher(table, rng, new byte[32])) {
                assertEquals(ResultCode.ECB_LIMIT,
                    assertThrows(VantixException.class, () -> c.decrypt(new byte[Vantix.ECB_LIMIT_BYTES + 8])).code());
            }
        }
        assertEquals(Vantix.ECB_LIMIT_BYTES, SimpleReplacementCipher.LIMIT_BYTES);
    }

    @Test
    void blockSizesAreTheAllocatedOnes() {
        long[][] blocks = {
            {Vantix.vantix_RND_State(), Vantix.RND_STATE_BYTES},
            {Vantix.vantix_COM_State(), Vantix.COM_STATE_BYTES},
            {Vantix.vantix_G28147_1989_block(), Vantix.BLOCK_CONTEXT_BYTES},
            {Vantix.vantix_G28147_1989_gamma(), Vantix.STREAM_CONTEXT_BYTES},
            {Vantix.vantix_G28147_1989_gamma_ofb(), Vantix.STREAM_CONTEXT_BYTES},
            {Vantix.vantix_G28147_1989_mac(), Vantix.STREAM_CONTEXT_BYTES},
            {Vantix.vantix_R34_11_1994(), Vantix.HASH_CONTEXT_BYTES},
            {Vantix.vantix_LPoint(), Vantix.LPOINT_BYTES},
            {Vantix.vantix_LR34_10_2001(), Vantix.SIGN_CONTEXT_BYTES},
        };
        for (long[] b : blocks) {
            int size = (int) b[1];
            byte[] buf = new byte[size + 1];
            try {
                Vantix.mem_read(b[0], 0, buf, 0, size);  // the whole block reads
                org.junit.jupiter.api.Assertions.assertThrows(ArrayIndexOutOfBoundsException.class,
                    () -> Vantix.mem_read(b[0], 0, buf, 0, size + 1), "block of " + size + " bytes");
            } finally {
                Vantix.mem_free(b[0]);
            }
        }
    }
}
