package com.norvane.security.gost;

/**
 * GOST 28147-89 simple replacement (electronic code book), limited to {@value #LIMIT_BYTES}
 * bytes (one key's worth) per object, in any mix of directions. Key and blocks are in the
 * peers' byte order (see the package description).
 *
 * <p>Threads and lifetime: Instances may be shared between threads: calls are serialized.
 * The table and generator stay open while this cipher is; close it first.
 */
public final class SimpleReplacementCipher extends NativeBlock {
    /** The bytes one object enciphers and deciphers in all: the native context's limit. */
    public static final int LIMIT_BYTES = Vantix.ECB_LIMIT_BYTES;

    /**
     * @param table the substitution table (kept open while this cipher is used)
     * @param rng the generator for key masking (kept open while this cipher is used)
     * @param key the 32-byte key, little-endian words
     */
    public SimpleReplacementCipher(CipherTable table, RandomGenerator rng, byte[] key) {
        super(Vantix.vantix_G28147_1989_block(), h -> Vantix.vantix_G28147_1989_block_clear(h), table, rng);
        initWithKey("simple replacement init", rng, key,
            (h, k) -> Vantix.vantix_G28147_1989_block_init(h, table.handle(), rng.handle(), k));
    }

    /** Enciphers whole 8-byte blocks; the length must be a multiple of 8. */
    public synchronized byte[] encrypt(byte[] in) {
        byte[] words = Words.swapped(in);
        byte[] out = new byte[blocks(in) * 8];
        synchronized (generatorLock()) {
            VantixException.check("simple replacement",
                Vantix.vantix_G28147_1989_block_encrypt(handle(), words, 0, out, 0, blocks(in)));
        }
        Words.swapInPlace(out, 0, out.length);
        return out;
    }

    /** Deciphers whole 8-byte blocks; the length must be a multiple of 8. */
    public synchronized byte[] decrypt(byte[] in) {
        byte[] words = Words.swapped(in);
        byte[] out = new byte[blocks(in) * 8];
        synchronized (generatorLock()) {
            VantixException.check("simple replacement",
                Vantix.vantix_G28147_1989_block_decrypt(handle(), words, 0, out, 0, blocks(in)));
        }
        Words.swapInPlace(out, 0, out.length);
        return out;
    }

    private static int blocks(byte[] in) {
        if (in.length % 8 != 0) {
            throw new IllegalArgumentException("simple replacement works on whole 8-byte blocks");
        }
        return in.length / 8;
    }

}
