package com.norvane.security.gost.tool;

import com.norvane.security.gost.ParameterSet;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.HexFormat;
import java.util.List;

/**
 * The tool's public key file, a small text form:
 *
 * <pre>
 * # GOST R 34.10-2001 public key
 * parameter-set id-GostR3410-2001-CryptoPro-A-ParamSet
 * x 7f2b49e270db6d90d8595bec458b50c58585ba1d4e9b788f6689dbd8e56fd80b
 * y 26f1b489d6701dd185c8413a977b3cbbaf64d1c593d26627dffb101a87ff77da
 * </pre>
 *
 * Lines starting with {@code #} and blank lines are ignored; x and y are the affine
 * coordinates of the public key, 64 hexadecimal digits each (big-endian).
 */
final class PublicKeyFile {
    final ParameterSet parameters;
    final byte[] key;  // the raw key: x then y, each little-endian

    PublicKeyFile(ParameterSet parameters, byte[] key) {
        this.parameters = parameters;
        this.key = key;
    }

    void write(Path file) throws IOException {
        HexFormat hex = HexFormat.of();
        String text = "# GOST R 34.10-2001 public key\n"
            + "parameter-set " + parameters.oidName() + "\n"
            + "x " + hex.formatHex(flip(key, 0)) + "\n"
            + "y " + hex.formatHex(flip(key, 32)) + "\n";
        Files.writeString(file, text, StandardCharsets.US_ASCII);
    }

    /** Reads and checks a public key file; a malformed one gives ToolException. */
    static PublicKeyFile read(Path file) throws IOException {
        if (!Files.isRegularFile(file)) {
            throw new ToolException("no such file: " + file);
        }
        List<String> lines = new String(VantixTool.readFile(file, VantixTool.MAX_SMALL_FILE),
            StandardCharsets.US_ASCII).lines().collect(java.util.stream.Collectors.toList());
        ParameterSet set = null;
        byte[] x = null;
        byte[] y = null;
        for (String raw : lines) {
            String line = raw.strip();
            if (line.isEmpty() || line.startsWith("#")) {
                continue;
            }
            String[] parts = line.split("\\s+");
            if (parts.length != 2) {
                throw malformed(file, "unexpected line: " + line);
            }
            switch (parts[0]) {
                case "parameter-set":
                    try {
                        set = ParameterSet.byName(parts[1]);
                    } catch (IllegalArgumentException e) {
                        throw malformed(file, e.getMessage());
                    }
                    break;
                case "x":
                    x = coordinate(file, parts[1]);
                    break;
                case "y":
                    y = coordinate(file, parts[1]);
                    break;
                default:
                    throw malformed(file, "unknown field " + parts[0]);
            }
        }
        if (set == null || x == null || y == null) {
            throw malformed(file, "parameter-set, x and y are required");
        }
        byte[] key = new byte[64];
        System.arraycopy(flip(x, 0), 0, key, 0, 32);
        System.arraycopy(flip(y, 0), 0, key, 32, 32);
        return new PublicKeyFile(set, key);
    }

    /** The 32 bytes at {@code off}, reversed (little-endian to big-endian and back). */
    private static byte[] flip(byte[] b, int off) {
        byte[] out = new byte[32];
        for (int i = 0; i < 32; i++) {
            out[i] = b[off + 31 - i];
        }
        return out;
    }

    private static byte[] coordinate(Path file, String hex) {
        if (!hex.matches("[0-9a-fA-F]{64}")) {
            throw malformed(file, "a coordinate is 64 hexadecimal digits");
        }
        return HexFormat.of().parseHex(hex);
    }

    private static ToolException malformed(Path file, String why) {
        return new ToolException("malformed public key file " + file + ": " + why);
    }
}
