package com.norvane.security.gost;

import java.security.GeneralSecurityException;
import java.util.Arrays;
import javax.crypto.Mac;
import javax.crypto.spec.SecretKeySpec;

/**
 * The password form of sealed keys and generator states: the container is sealed under 32
 * bytes derived from the password by PBKDF2-HMAC-SHA256 (RFC 8018, the password as the
 * octet string given), with the salt and iteration count stored in front of it:
 *
 * <pre>
 * offset  length  content
 *      0       4  "VXP1"
 *      4       4  iteration count, big-endian (1 to {@value #MAX_ITERATIONS})
 *      8      16  salt
 *     24   48/84  the key container (48 bytes) or random-seed container (84 bytes)
 * </pre>
 *
 * <p>Why: the containers turn a password into their starting value by repeating a short one
 * and folding a long one by XOR, so that, for example, {@code abcabcabcabc} and
 * {@code abcabcabcabcabcabc} seal alike, as do two 34-byte passwords that differ by exchanging
 * their first and last two bytes. The derived value is always 32 bytes, which the containers
 * take unchanged: different passwords give unrelated values.
 *
 * <p>The bare containers of earlier versions (48 and 84 bytes) still open exactly as before,
 * their passwords folded; open one and seal again to move it to this form.
 *
 * <p>SHA-256 rather than a GOST hash: every JVM has HMAC-SHA256, its PBKDF2 is the one the
 * peers' PKCS#8 files use, and the containers below keep GOST 28147-89 and GOST R 34.11-94.
 * Passwords are at most what HMAC keys distinguish: a zero byte is refused, because HMAC
 * pads its key with zeros and {@code P} and {@code P + "\0"} would be the same key.
 */
public final class PasswordHash {
    /** The name of the derivation. */
    public static final String ALGORITHM = "PBKDF2-HMAC-SHA256";
    /** Iterations written. */
    public static final int ITERATIONS = 10_000;
    /**
     * The most iterations read from a file: bounds the time an altered or hostile file can
     * take per attempt. Also the limit for PBES2-encrypted PKCS#8 keys.
     */
    public static final int MAX_ITERATIONS = 1_000_000;
    /** Bytes in front of the container. */
    public static final int HEADER_BYTES = 24;
    /** The smallest password that seals. */
    public static final int MIN_PASSWORD_BYTES = 10;

    static final int SALT_BYTES = 16;
    private static final byte[] MAGIC = {'V', 'X', 'P', '1'};

    private PasswordHash() {
    }

    /** True when {@code sealed} is in this form, false for a bare container of earlier versions. */
    public static boolean isHashed(byte[] sealed) {
        return sealed.length > HEADER_BYTES && Arrays.equals(sealed, 0, 4, MAGIC, 0, 4);
    }

    /** True when the password can seal in this form: at least 10 bytes, none of them zero. */
    public static boolean sealable(byte[] password) {
        return password.length >= MIN_PASSWORD_BYTES && !hasZero(password);
    }

    private static boolean hasZero(byte[] password) {
        int or = 0;
        for (byte b : password) {
            or |= (b == 0) ? 1 : 0;
        }
        return or != 0;
    }

    /** Seals a bare container under the given (derived) password. */
    interface Sealer {
        byte[] seal(byte[] password);
    }

    /** Opens a container under a password (raw for a bare container, derived otherwise). */
    interface Opener<T> {
        T open(byte[] container, byte[] password);
    }

    /**
     * Seals in this form: draws the salt from the generator, derives the 32 bytes and lets
     * {@code sealer} seal the container under them.
     *
     * @throws VantixException code 15 for a password shorter than 10 bytes
     */
    static byte[] seal(String what, RandomGenerator rng, byte[] password, Sealer sealer) {
        if (password.length < MIN_PASSWORD_BYTES) {
            throw new VantixException(what, ResultCode.MISSING);
        }
        byte[] salt = rng.nextBytes(SALT_BYTES);
        byte[] key = derive(password, salt, ITERATIONS);
        try {
            byte[] container = sealer.seal(key);
            byte[] out = new byte[HEADER_BYTES + container.length];
            System.arraycopy(MAGIC, 0, out, 0, 4);
            putInt(out, 4, ITERATIONS);
            System.arraycopy(salt, 0, out, 8, SALT_BYTES);
            System.arraycopy(container, 0, out, HEADER_BYTES, container.length);
            return out;
        } finally {
            Arrays.fill(key, (byte) 0);
        }
    }

    /**
     * Opens {@code sealed}: a bare container of {@code bareBytes} under the password itself, or
     * this form under the derived value.
     *
     * @throws IllegalArgumentException for a length that is neither form, or an iteration
     *     count out of range
     */
    static <T> T open(String what, byte[] sealed, int bareBytes, byte[] password, Opener<T> opener) {
        if (sealed.length == bareBytes) {
            return opener.open(sealed, password);
        }
        if (sealed.length != HEADER_BYTES + bareBytes || !isHashed(sealed)) {
            throw new IllegalArgumentException(what + " is " + (HEADER_BYTES + bareBytes) + " bytes starting VXP1 (or "
                + bareBytes + " bytes from an earlier version), not " + sealed.length + " bytes");
        }
        int iterations = getInt(sealed, 4);
        checkIterations(what, iterations);
        if (password.length == 0) {
            throw new VantixException(what, ResultCode.MISSING);
        }
        byte[] key = derive(password, Arrays.copyOfRange(sealed, 8, HEADER_BYTES), iterations);
        try {
            return opener.open(Arrays.copyOfRange(sealed, HEADER_BYTES, sealed.length), key);
        } finally {
            Arrays.fill(key, (byte) 0);
        }
    }

    /**
     * Refuses an iteration count below 1 or above {@value #MAX_ITERATIONS}.
     *
     * @throws IllegalArgumentException naming the count and the limit
     */
    static void checkIterations(String what, long iterations) {
        if (iterations < 1 || iterations > MAX_ITERATIONS) {
            throw new IllegalArgumentException(what + " asks for " + iterations + " PBKDF2 iterations; this reader "
                + "takes 1 to " + MAX_ITERATIONS);
        }
    }

    /**
     * PBKDF2-HMAC-SHA256 (RFC 8018, section 5.2) with a 32-byte output: one block,
     * U1 = HMAC(P, S || 00000001), Ui = HMAC(P, Ui-1), the output their XOR.
     */
    static byte[] derive(byte[] password, byte[] salt, int iterations) {
        if (hasZero(password)) {
            throw new IllegalArgumentException("a password may not contain a zero byte");
        }
        byte[] u = Arrays.copyOf(salt, salt.length + 4);
        u[salt.length + 3] = 1;
        byte[] out = new byte[32];
        try {
            Mac hmac = Mac.getInstance("HmacSHA256");
            hmac.init(new SecretKeySpec(password, "HmacSHA256"));
            for (int i = 0; i < iterations; i++) {
                hmac.update(u);
                if (u.length != 32) {
                    u = new byte[32];
                }
                hmac.doFinal(u, 0);
                for (int j = 0; j < 32; j++) {
                    out[j] ^= u[j];
                }
            }
            hmac.reset();
            return out;
        } catch (GeneralSecurityException e) {
            throw new IllegalStateException("HmacSHA256 is missing from this JVM", e);
        } finally {
            Arrays.fill(u, (byte) 0);
        }
    }

    private static void putInt(byte[] b, int off, int v) {
        for (int i = 0; i < 4; i++) {
            b[off + i] = (byte) (v >>> (24 - 8 * i));
        }
    }

    private static int getInt(byte[] b, int off) {
        int v = 0;
        for (int i = 0; i < 4; i++) {
            v = (v << 8) | (b[off + i] & 0xff);
        }
        return v;
    }
}
