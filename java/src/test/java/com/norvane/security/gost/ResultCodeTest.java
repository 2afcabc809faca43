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

/** The Java names of the result codes and the native library's list agree, name for name. */
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
}
