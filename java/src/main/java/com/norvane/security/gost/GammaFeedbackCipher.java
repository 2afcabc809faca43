package com.norvane.security.gost;

import java.util.Objects;

/**
 * GOST 28147-89 gamma with feedback (cipher feedback) with CryptoPro key meshing: OpenSSL's
 * {@code gost89} and Bouncy Castle's {@code GCFB} mode. (The exports call it "ofb"; it is
 * cipher feedback.) One object encrypts or decrypts one stream; use a second object for the
 * other direction. Key, vector and data are in the peers' byte order (see the package
 * description).
 *
 * <p>A stream may be processed in pieces whose lengths are multiples of 4 bytes; only the
 * last piece may have any length. (Each word's keystream depends on ciphertext the exports
 * must see in word order, so a stream cannot go on from inside a word.)
 *
 * <p>Threads and lifetime: Instances may be shared between threads: calls are serialized.
 * The table and generator stay open while this cipher is; close this cipher first.
 */
public final class GammaFeedbackCipher extends NativeBlock {
    private boolean ended;  // a piece ended inside a word: the stream is over

    /**
     * @param table the substitution table (kept open while this cipher is used)
     * @param rng the generator for key masking (kept open while this cipher is used)
     * @param key the 32-byte key, little-endian words
     * @param iv the 8-byte vector, or {@code null} for zeros
     */
    public GammaFeedbackCipher(CipherTable table, RandomGenerator rng, byte[] key, byte[] iv) {
        super(Vantix.vantix_G28147_1989_gamma_ofb(), h -> Vantix.vantix_G28147_1989_gamma_ofb_clear(h), table, rng);
        initWithKey("gamma with feedback init", rng, key,
            (h, k) -> Vantix.vantix_G28147_1989_gamma_ofb_init(h, table.handle(), rng.handle(), k, KeyMaterial.iv(iv)));
    }

    /**
     * Encrypts {@code len} bytes (the arrays may be the same).
     *
     * @throws IllegalStateException when an earlier piece's length was not a multiple of 4
     */
    public synchronized void encrypt(byte[] in, int inOff, byte[] out, int outOff, int len) {
        run(true, in, inOff, out, outOff, len);
    }

    /**
     * Decrypts {@code len} bytes (the arrays may be the same).
     *
     * @throws IllegalStateException when an earlier piece's length was not a multiple of 4
     */
    public synchronized void decrypt(byte[] in, int inOff, byte[] out, int outOff, int len) {
        run(false, in, inOff, out, outOff, len);
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

    private void run(boolean encrypt, byte[] in, int inOff, byte[] out, int outOff, int len) {
        Objects.checkFromIndexSize(inOff, len, in.length);
        Objects.checkFromIndexSize(outOff, len, out.length);
        long h = handle();
        if (len == 0) {
            return;
        }
        if (ended) {
            throw new IllegalStateException("the stream went on after a piece whose length is not a multiple of 4");
        }
        int padded = (len + 3) & ~3;
        if (padded == len && !Words.overlapsShifted(in, inOff, out, outOff, len)) {
            crypt(encrypt, h, in, inOff, out, outOff, len);  // straight from the caller's arrays
            return;
        }
        // A last partial word is padded to a whole one: the padding's output is dropped.
        // (Regions that overlap at different offsets go through the copies too.)
        byte[] words = new byte[padded];
        System.arraycopy(in, inOff, words, 0, len);
        byte[] result = new byte[padded];
        crypt(encrypt, h, words, 0, result, 0, padded);
        System.arraycopy(result, 0, out, outOff, len);
        ended = padded != len;
    }

    /** Whole words in the peers' order. */
    private void crypt(boolean encrypt, long h, byte[] in, int inOff, byte[] out, int outOff, int len) {
        synchronized (generatorLock()) {
            VantixException.check(encrypt ? "gamma with feedback encryption" : "gamma with feedback decryption",
                encrypt ? VantixPeerOrder.vantix_G28147_1989_gamma_ofb_encrypt_le(h, in, inOff, out, outOff, len)
                        : VantixPeerOrder.vantix_G28147_1989_gamma_ofb_decrypt_le(h, in, inOff, out, outOff, len));
        }
    }
}
