package com.norvane.security.gost;

import java.security.MessageDigest;
import java.util.Arrays;

/**
 * The GOST 28147-89 key wrap and the CryptoPro key wrap of RFC 4357 (sections 6.1 and
 * 6.3), the latter with the CryptoPro KEK diversification of section 6.5: a 32-byte key
 * (CEK) enciphered under a 32-byte key-encryption key (KEK) with an 8-byte UKM.
 *
 * <p>The wrapped form is what Bouncy Castle's wrap ciphers give: the CEK enciphered by
 * simple replacement (32 bytes), then the first 4 bytes of its MAC under the KEK with the
 * UKM as the MAC's initial value. (The UKM travels beside it, in the
 * {@code Gost28147-89-KeyWrapParameters} of RFC 4357.) Every step runs in the library's
 * native contexts with the keys masked: the diversification's eight encipherments in
 * gamma with feedback, the wrap in simple replacement (exactly one key's worth of data)
 * and the MAC. Keys, UKM and data are in the peers' byte order.
 */
public final class KeyWrap {
    /** Bytes of a key-encryption key and of a wrapped key (CEK). */
    public static final int KEY_BYTES = 32;
    /** Bytes of a UKM. */
    public static final int UKM_BYTES = 8;
    /** Bytes of the MAC that follows the enciphered key. */
    public static final int MAC_BYTES = 4;
    /** Bytes of a wrapped key: the enciphered key, then the MAC. */
    public static final int WRAPPED_BYTES = KEY_BYTES + MAC_BYTES;

    private KeyWrap() {
    }

    /**
     * Wraps a key.
     *
     * @param table the substitution table of the cipher and the MAC
     * @param rng the generator for the native contexts' key masking
     * @param cryptoPro the CryptoPro key wrap (the KEK diversified by the UKM first); else
     *     the GOST 28147-89 key wrap
     * @return {@link #WRAPPED_BYTES} bytes: the enciphered key, then the MAC
     */
    public static byte[] wrap(CipherTable table, RandomGenerator rng, boolean cryptoPro, byte[] kek, byte[] ukm,
                              byte[] cek) {
        byte[] k = wrappingKey(table, rng, cryptoPro, kek, ukm, cek, KEY_BYTES);
        try {
            byte[] out = Arrays.copyOf(encipher(table, rng, k, cek, true), WRAPPED_BYTES);
            System.arraycopy(mac(table, rng, k, ukm, cek), 0, out, KEY_BYTES, MAC_BYTES);
            return out;
        } finally {
            Arrays.fill(k, (byte) 0);
        }
    }

    /**
     * Unwraps a key; the caller wipes the result.
     *
     * @return the 32-byte key
     * @throws IllegalArgumentException when the MAC does not match (a wrong KEK, UKM or
     *     table, or an altered wrapped key), or a length is wrong
     */
    public static byte[] unwrap(CipherTable table, RandomGenerator rng, boolean cryptoPro, byte[] kek, byte[] ukm,
                                byte[] wrapped) {
        byte[] k = wrappingKey(table, rng, cryptoPro, kek, ukm, wrapped, WRAPPED_BYTES);
        try {
            byte[] cek = encipher(table, rng, k, Arrays.copyOf(wrapped, KEY_BYTES), false);
            // MessageDigest.isEqual compares every byte whatever the contents.
            if (!MessageDigest.isEqual(mac(table, rng, k, ukm, cek),
                    Arrays.copyOfRange(wrapped, KEY_BYTES, WRAPPED_BYTES))) {
                Arrays.fill(cek, (byte) 0);
                throw new IllegalArgumentException("the wrapped key's MAC does not match");
            }
            return cek;
        } finally {
            Arrays.fill(k, (byte) 0);
        }
    }

    /** After the length checks: the key that wraps, the KEK or its CryptoPro diversification (the caller wipes it). */
    private static byte[] wrappingKey(CipherTable table, RandomGenerator rng, boolean cryptoPro, byte[] kek,
                                      byte[] ukm, byte[] data, int dataBytes) {
        check(kek, ukm);
        if (data.length != dataBytes) {
            throw new IllegalArgumentException(dataBytes == KEY_BYTES ? "the wrapped key is 32 bytes"
                : "a wrapped key is 36 bytes");
        }
        return cryptoPro ? diversify(table, rng, kek, ukm) : kek.clone();
    }

    /**
     * The CryptoPro KEK diversification (RFC 4357, section 6.5): eight rounds, round i
     * enciphering the key with itself in gamma with feedback, the vector formed from the
     * key's words as selected by the bits of UKM byte i. The caller wipes the result.
     */
    static byte[] diversify(CipherTable table, RandomGenerator rng, byte[] kek, byte[] ukm) {
        check(kek, ukm);
        byte[] k = kek.clone();
        byte[] s = new byte[8];
        for (int i = 0; i < 8; i++) {
            int set = 0;
            int clear = 0;
            for (int j = 0; j < 8; j++) {
                int word = (k[4 * j] & 0xff) | (k[4 * j + 1] & 0xff) << 8 | (k[4 * j + 2] & 0xff) << 16
                    | (k[4 * j + 3] & 0xff) << 24;
                // The UKM is public: selecting by its bits decides nothing about the key.
                int bit = (ukm[i] >> j) & 1;
                set += word & -bit;
                clear += word & (bit - 1);
            }
            for (int b = 0; b < 4; b++) {
                s[b] = (byte) (set >>> (8 * b));
                s[4 + b] = (byte) (clear >>> (8 * b));
            }
            byte[] next;
            try (GammaFeedbackCipher c = new GammaFeedbackCipher(table, rng, k, s)) {
                next = c.encrypt(k);
            }
            Arrays.fill(k, (byte) 0);
            k = next;
        }
        Arrays.fill(s, (byte) 0);
        return k;
    }

    private static byte[] encipher(CipherTable table, RandomGenerator rng, byte[] key, byte[] data, boolean encrypt) {
        try (SimpleReplacementCipher c = new SimpleReplacementCipher(table, rng, key)) {
            return encrypt ? c.encrypt(data) : c.decrypt(data);
        }
    }

    /** The 4-byte MAC with the UKM as initial value. */
    private static byte[] mac(CipherTable table, RandomGenerator rng, byte[] key, byte[] ukm, byte[] data) {
        try (MacGenerator m = new MacGenerator(table, rng, key, ukm)) {
            m.update(data);
            byte[] full = m.doFinal();
            byte[] out = Arrays.copyOf(full, MAC_BYTES);
            Arrays.fill(full, (byte) 0);
            return out;
        }
    }

    private static void check(byte[] kek, byte[] ukm) {
        if (kek.length != KEY_BYTES) {
            throw new IllegalArgumentException("a key-encryption key is 32 bytes");
        }
        if (ukm.length != UKM_BYTES) {
            throw new IllegalArgumentException("a UKM is 8 bytes");
        }
    }
}
