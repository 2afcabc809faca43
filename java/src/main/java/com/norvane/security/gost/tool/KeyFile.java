package com.norvane.security.gost.tool;

import com.norvane.security.gost.KeyEncoding;
import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.SignatureContext;
import com.norvane.security.gost.RandomGenerator;
import com.norvane.security.gost.ResultCode;
import com.norvane.security.gost.VantixException;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import java.util.Base64;

/**
 * The tool's secret key file: the library's 48-byte password-sealed key container, with the
 * parameter set and the public key recorded beside it so that signing always uses the key's
 * own curve and can check the unsealed key against its public key:
 *
 * <pre>
 * -----BEGIN VANTIX SEALED KEY-----
 * Parameter-Set: id-GostR3410-2001-CryptoPro-A-ParamSet
 * Public-Key: (base64 of the 64-byte raw public key, x then y, little-endian)
 *
 * (base64 of the 48-byte key container)
 * -----END VANTIX SEALED KEY-----
 * </pre>
 *
 * A bare 48-byte container (what earlier versions wrote) is read too; it records neither,
 * so the parameter set must then come from a public key file or {@code --curve}.
 */
final class KeyFile {
    static final String LABEL = "VANTIX SEALED KEY";

    /** The parameter set, or null for a bare container. */
    final ParameterSet parameters;
    /** The raw public key, or null for a bare container. */
    final byte[] publicKey;
    final byte[] container;

    KeyFile(ParameterSet parameters, byte[] publicKey, byte[] container) {
        this.parameters = parameters;
        this.publicKey = publicKey;
        this.container = container;
    }

    byte[] encode() {
        Base64.Encoder b64 = Base64.getEncoder();
        String text = "-----BEGIN " + LABEL + "-----\n"
            + "Parameter-Set: " + parameters.oidName() + "\n"
            + "Public-Key: " + b64.encodeToString(publicKey) + "\n"
            + "\n"
            + b64.encodeToString(container) + "\n"
            + "-----END " + LABEL + "-----\n";
        return text.getBytes(StandardCharsets.US_ASCII);
    }

    static KeyFile parse(String name, byte[] data) {
        if (data.length == SignatureContext.KEY_CONTAINER_BYTES) {
            return new KeyFile(null, null, data.clone());
        }
        String inner;
        try {
            inner = KeyEncoding.pemBody(LABEL, data);
        } catch (IllegalArgumentException x) {
            throw malformed(name, "neither a vantix key file nor a 48-byte key container");
        }
        ParameterSet set = null;
        byte[] pub = null;
        StringBuilder body = new StringBuilder();
        boolean headers = true;
        for (String raw : inner.split("\n")) {
            String line = raw.strip();
            if (headers && line.isEmpty()) {
                if (set != null || pub != null) {
                    headers = false;
                }
                continue;
            }
            if (headers && line.contains(":")) {
                String key = line.substring(0, line.indexOf(':')).strip();
                String value = line.substring(line.indexOf(':') + 1).strip();
                try {
                    if (key.equalsIgnoreCase("Parameter-Set")) {
                        set = ParameterSet.byName(value);
                    } else if (key.equalsIgnoreCase("Public-Key")) {
                        pub = Base64.getDecoder().decode(value);
                    } else {
                        throw malformed(name, "unknown header " + key);
                    }
                } catch (IllegalArgumentException x) {
                    throw malformed(name, x.getMessage());
                }
                continue;
            }
            headers = false;
            body.append(line);
        }
        byte[] container;
        try {
            container = Base64.getDecoder().decode(body.toString());
        } catch (IllegalArgumentException x) {
            throw malformed(name, "broken base64");
        }
        if (set == null || pub == null || pub.length != KeyEncoding.PUBLIC_KEY_BYTES
                || container.length != SignatureContext.KEY_CONTAINER_BYTES) {
            throw malformed(name, "a parameter set, a 64-byte public key and a 48-byte container are required");
        }
        return new KeyFile(set, pub, container);
    }

    /**
     * Unseals the key on the given parameter set and checks it against the public key it
     * must have (when one is known); the caller closes the context.
     */
    static SignatureContext unseal(String name, byte[] container, ParameterSet set, byte[] expectedPublic,
                                   RandomGenerator rng, byte[] password) {
        SignatureContext k;
        try {
            k = SignatureContext.openSecretKey(set, rng, container, password);
        } catch (VantixException e) {
            if (e.code() == ResultCode.CONTAINER_MAC) {
                throw new ToolException("wrong password for " + name + " (or the key container was altered)");
            }
            throw e;
        }
        if (expectedPublic != null && !Arrays.equals(expectedPublic, k.publicKey())) {
            k.close();
            throw new ToolException("the key in " + name + " does not match its public key on "
                + set.oidName() + "; refusing to use it");
        }
        return k;
    }

    private static ToolException malformed(String name, String why) {
        return new ToolException("malformed key file " + name + ": " + why);
    }
}
