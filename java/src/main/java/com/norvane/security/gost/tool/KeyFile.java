package com.norvane.security.gost.tool;

import com.norvane.security.gost.KeyEncoding;
import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.PasswordHash;
import com.norvane.security.gost.SignatureContext;
import com.norvane.security.gost.RandomGenerator;
import com.norvane.security.gost.ResultCode;
import com.norvane.security.gost.VantixException;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Base64;

/**
 * The tool's secret key file: the sealed secret key, with the parameter set and the public
 * key recorded beside it so that signing always uses the key's own curve and can check the
 * unsealed key against its public key:
 *
 * <pre>
 * -----BEGIN VANTIX SEALED KEY-----
 * Parameter-Set: id-GostR3410-2001-CryptoPro-A-ParamSet
 * Public-Key: (base64 of the 64-byte raw public key, x then y, little-endian)
 * Password-Hash: PBKDF2-HMAC-SHA256
 *
 * (base64 of the 72-byte sealed key: "VXP1", iterations, salt, key container)
 * -----END VANTIX SEALED KEY-----
 * </pre>
 *
 * Files of earlier versions are read too, their password folded as before: the same
 * without the Password-Hash line around a bare 48-byte key container, and the bare
 * 48-byte container alone, which records no parameter set (it must then come from a public
 * key file or {@code --curve}). {@code vantix upgrade-key} moves them to this form.
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

    /** Sealed by an earlier version: the password folded, not hashed. */
    boolean folded() {
        return !PasswordHash.isHashed(container);
    }

    /** The one-line advice for a file in the earlier form. */
    static String upgradeAdvice(String name) {
        return name + " is sealed in the earlier form, which folds the password to 32 bytes so that "
            + "some other passwords open it too; `vantix upgrade-key -k " + name + "` seals it under "
            + PasswordHash.ALGORITHM;
    }

    byte[] encode() {
        Base64.Encoder b64 = Base64.getEncoder();
        String text = "-----BEGIN " + LABEL + "-----\n"
            + "Parameter-Set: " + parameters.oidName() + "\n"
            + "Public-Key: " + b64.encodeToString(publicKey) + "\n"
            + (folded() ? "" : "Password-Hash: " + PasswordHash.ALGORITHM + "\n")
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
        boolean hashed = false;
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
                    } else if (key.equalsIgnoreCase("Password-Hash") && value.equals(PasswordHash.ALGORITHM)) {
                        hashed = true;
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
        int expected = hashed ? SignatureContext.SEALED_KEY_BYTES : SignatureContext.KEY_CONTAINER_BYTES;
        if (set == null || pub == null || pub.length != KeyEncoding.PUBLIC_KEY_BYTES || container.length != expected
                || PasswordHash.isHashed(container) != hashed) {
            throw malformed(name, "a parameter set, a 64-byte public key and a sealed key are required (72 bytes "
                + "with Password-Hash: " + PasswordHash.ALGORITHM + ", or 48 without)");
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
        } catch (IllegalArgumentException e) {
            throw new ToolException(name + ": " + e.getMessage());
        }
        if (expectedPublic != null && !Arrays.equals(expectedPublic, k.publicKey())) {
            k.close();
            throw new ToolException("the key in " + name + " does not match its public key on "
                + set.oidName() + "; refusing to use it");
        }
        return k;
    }

    /** The parameter set a key is unsealed on and the public key it must have (null: none known). */
    record Owner(ParameterSet set, byte[] publicKey) {
    }

    /**
     * The key's own parameter set and public key; for a bare container, those of the public
     * key file (--pub, or NAME.pub beside the container) or --curve's set, with no public key.
     */
    static Owner owner(VantixTool tool, String keyName, KeyFile key, String pubName, String curve)
            throws IOException {
        PublicKeyFile pub = null;
        if (pubName != null) {
            pub = PublicKeyFile.parse(pubName, tool.readSmall(pubName));
        } else if (key.parameters == null && Files.isRegularFile(Path.of(sibling(keyName)))) {
            pub = PublicKeyFile.parse(sibling(keyName), tool.readSmall(sibling(keyName)));
        }
        ParameterSet named = curve != null ? Names.parameterSet(curve) : null;
        ParameterSet set = key.parameters != null ? key.parameters : pub != null ? pub.parameters : named;
        if (set == null) {
            throw new ToolException(keyName + " is a bare key container that does not record its parameter set; "
                + "give --pub with its public key (or --curve)");
        }
        if (named != null && named != set) {
            throw new ToolException("the key in " + keyName + " is on " + set.oidName() + ", not " + named.oidName());
        }
        if (pub != null && pub.parameters != set) {
            throw new ToolException("the public key is on " + pub.parameters.oidName() + " but the key on "
                + set.oidName());
        }
        if (pub != null && key.publicKey != null && !Arrays.equals(pub.key, key.publicKey)) {
            throw new ToolException(keyName + " does not belong to " + pubName + "; refusing to use it");
        }
        return new Owner(set, key.publicKey != null ? key.publicKey : pub != null ? pub.key : null);
    }

    private static String sibling(String keyName) {
        return (keyName.endsWith(".key") ? keyName.substring(0, keyName.length() - 4) : keyName) + ".pub";
    }

    private static ToolException malformed(String name, String why) {
        return new ToolException("malformed key file " + name + ": " + why);
    }
}
