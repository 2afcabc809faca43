package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

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
 * name, and the sizes of the blocks the allocators hand out.
 */
class ResultCodeTest {
    @Test
    void javaAndNativeCodesAgree() throws Exception {
        String source = System.getProperty("vantix.source.dir");
        assumeTrue(source != null, "set vantix.source.dir to the project");
        String header = Files.readString(Path.of(source, "src/common/result.h"));
        Map<String, Integer> nativeCodes = new TreeMap<>();
        Matcher m = Pattern.compile("\\bRC_([A-Z_]+)\\s*=\\s*(\\d+)").matcher(header);
        while (m.find()) {
            nativeCodes.put(m.group(1), Integer.parseInt(m.group(2)));
        }
        Map<String, Integer> javaCodes = new TreeMap<>();
        for (Field f : ResultCode.class.getDeclaredFields()) {
            if (Modifier.isStatic(f.getModifiers()) && f.getType() == int.class) {
                javaCodes.put(f.getName(), f.getInt(null));
            }
        }
        assertEquals(17, nativeCodes.size(), header);
        assertEquals(nativeCodes, javaCodes);
        for (int code : javaCodes.values()) {
            assertEquals(false, VantixException.meaning(code).equals("unknown result code"), "meaning of " + code);
        }
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
