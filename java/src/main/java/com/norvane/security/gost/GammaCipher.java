package com.norvane.security.gost;

import java.util.Arrays;
import java.util.Objects;

/**
 * GOST 28147-89 gamma (counter) mode with CryptoPro key meshing, the mode OpenSSL's gost
 * engine calls {@code gost89-cnt}. Encryption and decryption are the same operation; a
 * stream may be processed in pieces of any length. Key, vector and data are in the peers'
 * byte order (see the package description).
 *
 * <p>Threads and lifetime: Instances may be shared between threads: calls are serialized,
 * so a stream shared by threads is processed in the order the calls take the lock. The
 * table and generator stay open while this cipher is; close this cipher first.
 */
public final class GammaCipher extends NativeBlock {
    // The native code runs the stream in whole words, so a piece that ends inside a word
    // needs keystream bytes that it gives out only with the whole word. Such a word's
    // keystream is drawn whole (by enciphering zeros) and kept here until the stream moves on.
    private final byte[] wordGamma = new byte[4];
    private int wordPos;  // bytes of the current word already used; 0 when none is held

    /**
     * @param table the substitution table (kept open while this cipher is used)
     * @param rng the generator for key masking (kept open while this cipher is used)
     * @param key the 32-byte key, little-endian words
     * @param iv the 8-byte vector (synchro), or {@code null} for zeros
     */
    public GammaCipher(CipherTable table, RandomGenerator rng, byte[] key, byte[] iv) {
        super(Vantix.vantix_G28147_1989_gamma(), h -> Vantix.vantix_G28147_1989_gamma_clear(h), table, rng);
        initWithKey("gamma init", rng, key,
            (h, k) -> Vantix.vantix_G28147_1989_gamma_init(h, table.handle(), rng.handle(), k, KeyMaterial.iv(iv)));
    }

    /** Encrypts or decrypts {@code len} bytes of {@code in} into {@code out} (the two may be the same array). */
    public synchronized void process(byte[] in, int inOff, byte[] out, int outOff, int len) {
        Objects.checkFromIndexSize(inOff, len, in.length);
        Objects.checkFromIndexSize(outOff, len, out.length);
        long h = handle();
        if (Words.overlapsShifted(in, inOff, out, outOff, len)) {
            in = Arrays.copyOfRange(in, inOff, inOff + len);
            inOff = 0;
        }
        int done = 0;
        while (wordPos != 0 && done < len) {
            out[outOff + done] = (byte) (in[inOff + done] ^ wordGamma[wordPos]);
            done++;
            wordPos = (wordPos + 1) & 3;
        }
        int whole = (len - done) & ~3;
        if (whole > 0) {
            crypt(h, in, inOff + done, out, outOff + done, whole);  // straight from the caller's arrays
            done += whole;
        }
        if (done < len) {
            Arrays.fill(wordGamma, (byte) 0);
            crypt(h, wordGamma.clone(), 0, wordGamma, 0, 4);
            while (done < len) {
                out[outOff + done] = (byte) (in[inOff + done] ^ wordGamma[wordPos]);
                done++;
                wordPos++;
            }
        }
        if (wordPos == 0) {
            Arrays.fill(wordGamma, (byte) 0);
        }
    }

    /** Encrypts or decrypts a whole array. */
    public byte[] process(byte[] in) {
        byte[] out = new byte[in.length];
        process(in, 0, out, 0, in.length);
        return out;
    }

    /** Whole words in the peers' order. */
    private void crypt(long h, byte[] in, int inOff, byte[] out, int outOff, int len) {
        synchronized (generatorLock()) {
            VantixException.check("gamma",
                VantixPeerOrder.vantix_G28147_1989_gamma_crypt_le(h, in, inOff, out, outOff, len));
        }
    }

    @Override
    public synchronized void close() {
        super.close();
        Arrays.fill(wordGamma, (byte) 0);
    }
}
