package com.norvane.security.gost;

/**
 * GOST 28147-89 gamma (counter) mode with CryptoPro key meshing. Encryption and decryption
 * are the same operation; a stream may be processed in pieces of any length.
 *
 * <p>Threads and lifetime: Instances may be shared between threads: calls are serialized,
 * so a stream shared by threads is processed in the order the calls take the lock. The
 * table and generator stay open while this cipher is; close this cipher first.
 */
public final class GammaCipher extends NativeBlock {
    /**
     * @param table the substitution table (kept open while this cipher is used)
     * @param rng the generator for key masking (kept open while this cipher is used)
     * @param key the 32-byte key, big-endian words
     * @param iv the 8-byte vector, or {@code null} for zeros
     */
    public GammaCipher(CipherTable table, RandomGenerator rng, byte[] key, byte[] iv) {
        super(Vantix.vantix_G28147_1989_gamma(), h -> Vantix.vantix_G28147_1989_gamma_clear(h), table, rng);
        initWithKey("gamma init", rng, key,
            (h, k) -> Vantix.vantix_G28147_1989_gamma_init(h, table.handle(), rng.handle(), k, KeyMaterial.iv(iv)));
    }

    /** Encrypts or decrypts {@code len} bytes of {@code in} into {@code out}. */
    public synchronized void process(byte[] in, int inOff, byte[] out, int outOff, int len) {
        synchronized (generatorLock()) {
            VantixException.check("gamma", Vantix.vantix_G28147_1989_gamma_crypt(handle(), in, inOff, out, outOff, len));
        }
    }

    /** Encrypts or decrypts a whole array. */
    public byte[] process(byte[] in) {
        byte[] out = new byte[in.length];
        process(in, 0, out, 0, in.length);
        return out;
    }

}
