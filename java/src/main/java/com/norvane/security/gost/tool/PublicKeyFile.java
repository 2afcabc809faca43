package com.norvane.security.gost.tool;

import com.norvane.security.gost.KeyEncoding;
import com.norvane.security.gost.ParameterSet;
import java.nio.charset.StandardCharsets;
import java.util.HexFormat;

/**
 * A public key file. The tool writes PEM SubjectPublicKeyInfo (RFC 4491, the parameter set
 * recorded), the form {@code openssl pkey -pubout} writes and reads. It reads that, the same
 * as DER, and the small text form of earlier versions:
 *
 * <pre>
 * # GOST R 34.10-2001 public key
 * parameter-set id-GostR3410-2001-CryptoPro-A-ParamSet
 * x 7f2b49e270db6d90d8595bec458b50c58585ba1d4e9b788f6689dbd8e56fd80b
 * y 26f1b489d6701dd185c8413a977b3cbbaf64d1c593d26627dffb101a87ff77da
 * </pre>
 *
 * (lines starting with {@code #} and blank lines ignored; x and y big-endian).
 */
final class PublicKeyFile {
    final ParameterSet parameters;
    final byte[] key;  // the raw key: x then y, each little-endian

    PublicKeyFile(ParameterSet parameters, byte[] key) {
        this.parameters = parameters;
        this.key = key;
    }

    byte[] pem() {
        return KeyEncoding.toPem("PUBLIC KEY", KeyEncoding.encodePublicKey(parameters, key))
            .getBytes(StandardCharsets.US_ASCII);
    }

    static PublicKeyFile parse(String name, byte[] data) {
        try {
            String text = new String(data, StandardCharsets.US_ASCII);
            KeyEncoding.Decoded d;
            if (text.contains("-----BEGIN PUBLIC KEY-----")) {
                d = KeyEncoding.decodePublicKey(KeyEncoding.fromPem("PUBLIC KEY", data));
            } else if (data.length > 0 && data[0] == 0x30) {
                d = KeyEncoding.decodePublicKey(data);
            } else {
                return legacy(name, text);
            }
            return new PublicKeyFile(d.parameterSet(), d.key());
        } catch (IllegalArgumentException e) {
            throw malformed(name, e.getMessage());
        }
    }

    private static PublicKeyFile legacy(String name, String text) {
        if (!text.chars().allMatch(c -> c == '\t' || c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7F))) {
            throw malformed(name, "neither PEM, DER nor the text form of vantix 1.0");
        }
        ParameterSet set = null;
        byte[] x = null;
        byte[] y = null;
        for (String raw : text.split("\n")) {
            String line = raw.strip();
            if (line.isEmpty() || line.startsWith("#")) {
                continue;
            }
            String[] parts = line.split("\\s+");
            if (parts.length != 2) {
                throw malformed(name, "unexpected line: " + line);
            }
            switch (parts[0]) {
                case "parameter-set":
                    set = ParameterSet.byName(parts[1]);
                    break;
                case "x":
                    x = coordinate(name, parts[1]);
                    break;
                case "y":
                    y = coordinate(name, parts[1]);
                    break;
                default:
                    throw malformed(name, "unknown field " + parts[0]);
            }
        }
        if (set == null || x == null || y == null) {
            throw malformed(name, "neither PEM nor DER, and parameter-set, x and y are not all there");
        }
        byte[] key = new byte[64];
        for (int i = 0; i < 32; i++) {
            key[i] = x[31 - i];
            key[32 + i] = y[31 - i];
        }
        return new PublicKeyFile(set, key);
    }

    private static byte[] coordinate(String name, String hex) {
        if (!hex.matches("[0-9a-fA-F]{64}")) {
            throw malformed(name, "a coordinate is 64 hexadecimal digits");
        }
        return HexFormat.of().parseHex(hex);
    }

    private static ToolException malformed(String name, String why) {
        return new ToolException("malformed public key file " + name + ": " + why);
    }
}
