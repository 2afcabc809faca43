package com.norvane.security.gost;

import java.util.Arrays;

/**
 * Turns a plain 32-byte key, in the peers' order (eight little-endian words, as OpenSSL's
 * {@code -K} and Bouncy Castle's {@code KeyParameter} take it), into the 64-byte masked
 * form the exports take (big-endian words).
 */
final class KeyMaterial {
    private KeyMaterial() {
    }

    /** key XOR mask, then the mask, with a fresh mask from the generator. */
    static byte[] masked(RandomGenerator rng, byte[] key) {
        if (key.length != 32) {
            throw new IllegalArgumentException("a GOST 28147-89 key is 32 bytes");
        }
        byte[] m = Arrays.copyOf(key, Vantix.MASKED_KEY_BYTES);
        Words.swapInPlace(m, 0, 32);
        VantixException.check("masking the key", Vantix.vantix_Mask_SecretKey_(rng.handle(), m));
        return m;
    }

    /** An 8-byte vector in the peers' order, turned into the exports' order; null stays null (zeros). */
    static byte[] iv(byte[] iv) {
        if (iv != null && iv.length != 8) {
            throw new IllegalArgumentException("an initialisation vector is 8 bytes");
        }
        return iv == null ? null : Words.swapped(iv);
    }
}
