package com.norvane.security.gost;

/**
 * GOST 28147-89 gamma with feedback (cipher feedback) with CryptoPro key meshing. One
 * object encrypts or decrypts one stream; use a second object for the other direction.
 *
 * <p>Threads and lifetime: Instances may be shared between threads: calls are serialized.
 * The table and generator stay open while this cipher is; close this cipher first.
 */
public final class GammaFeedbackCipher extends NativeBlock {
    /**
     * @param table the substitution table (kept open while this cipher is used)
     * @param rng the generator for key masking (kept open while this cipher is used)
     * @param key the 32-byte key, big-endian words
     * @param iv the 8-byte vector, or {@code null} for zeros
     */
    public GammaFeedbackCipher(CipherTable table, RandomGenerator rng, byte[] key, byte[] iv) {
        super(Vantix.vantix_G28147_1989_gamma_ofb(), h -> Vantix.vantix_G28147_1989_gamma_ofb_clear(h), table, rng);
        initWithKey("gamma with feedback init", rng, key,
            (h, k) -> Vantix.vantix_G28147_1989_gamma_ofb_init(h, table.handle(), rng.handle(), k, KeyMaterial.iv(iv)));
    }

    /** Encrypts {@code len} bytes. */
    public synchronized void encrypt(byte[] in, int inOff, byte[] out, int outOff, int len) {
        synchronized (generatorLock()) {
            VantixException.check("gamma with feedback encryption",
                Vantix.vantix_G28147_1989_gamma_ofb_encrypt(handle(), in, inOff, out, outOff, len));
        }
    }

    /** Decrypts {@code len} bytes. */
    public synchronized void decrypt(byte[] in, int inOff, byte[] out, int outOff, int len) {
        synchronized (generatorLock()) {
            VantixException.check("gamma with feedback decryption",
                Vantix.vantix_G28147_1989_gamma_ofb_decrypt(handle(), in, inOff, out, outOff, len));
        }
    }

    /** Encrypts a whole array. */
    public byte[] encrypt(byte[] in) {
        byte[] out = new byte[in.length];
        encrypt(in, 0, out, 0, in.length);
        return out;
    }

    /** Decrypts a whole array. */
    public byte[] decrypt(byte[] in) {
        byte[] out = new byte[in.length];
        decrypt(in, 0, out, 0, in.length);
        return out;
    }

}
