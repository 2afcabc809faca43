package com.norvane.security.gost;

import java.util.Arrays;
import java.util.Objects;

/**
 * The GOST 28147-89 MAC (8 bytes) with CryptoPro key meshing. Feed the message with
 * {@link #update}, then call {@link #doFinal()} once. Key, vector, data and MAC are in the
 * peers' byte order (see the package description): the first 4 bytes of the result are the
 * 4-byte MAC that OpenSSL's {@code gost-mac} and Bouncy Castle's {@code GOST28147Mac} give,
 * for messages up to 1024 bytes. Longer messages give a different value by design: at each
 * key meshing this MAC also enciphers its running value under the new key (RFC 4357,
 * section 2.3.2), where those peers keep it.
 *
 * <p>Threads and lifetime: Instances may be shared between threads: calls are serialized.
 * The table and generator stay open while this generator is; close it first.
 */
public final class MacGenerator extends NativeBlock {
    /** Size of the full MAC value. */
    public static final int MAC_BYTES = 8;

    // The message goes to the native code in whole words: bytes of an unfinished word wait here.
    private final byte[] partial = new byte[4];
    private int partialLen;

    /**
     * @param table the substitution table (kept open while this object is used)
     * @param rng the generator for key masking (kept open while this object is used)
     * @param key the 32-byte key, little-endian words
     * @param iv the 8-byte initial value, or {@code null} for zeros
     */
    public MacGenerator(CipherTable table, RandomGenerator rng, byte[] key, byte[] iv) {
        super(Vantix.vantix_G28147_1989_mac(), h -> Vantix.vantix_G28147_1989_mac_clear(h), table, rng);
        initWithKey("MAC init", rng, key,
            (h, k) -> Vantix.vantix_G28147_1989_mac_init(h, table.handle(), rng.handle(), k, KeyMaterial.iv(iv)));
    }

    /** Feeds {@code len} bytes. */
    public synchronized void update(byte[] data, int off, int len) {
        Objects.checkFromIndexSize(off, len, data.length);
        long h = handle();
        int done = 0;
        while (partialLen != 0 && partialLen < 4 && done < len) {
            partial[partialLen++] = data[off + done++];
        }
        if (partialLen == 4) {
            feed(h, partial, 0, 4);
            partialLen = 0;
        }
        int whole = (len - done) & ~3;
        if (whole > 0) {
            feed(h, data, off + done, whole);  // straight from the caller's array
            done += whole;
        }
        while (done < len) {
            partial[partialLen++] = data[off + done++];
        }
    }

    /** Feeds a whole array. */
    public void update(byte[] data) {
        update(data, 0, data.length);
    }

    /** The 8-byte MAC of everything fed; ends the message. */
    public synchronized byte[] doFinal() {
        long h = handle();
        if (partialLen != 0) {
            // Zero padding to the word: the MAC pads its last block with zeros anyway, and
            // the padding never adds a block.
            Arrays.fill(partial, partialLen, 4, (byte) 0);
            feed(h, partial, 0, 4);
            partialLen = 0;
        }
        byte[] mac = new byte[MAC_BYTES];
        synchronized (generatorLock()) {
            VantixException.check("MAC final", Vantix.vantix_G28147_1989_mac_final(h, mac));
        }
        Words.swapInPlace(mac, 0, MAC_BYTES);
        return mac;
    }

    @Override
    public synchronized void close() {
        super.close();
        Arrays.fill(partial, (byte) 0);
    }

    /** Feeds whole words in the peers' order. */
    private void feed(long h, byte[] words, int off, int len) {
        synchronized (generatorLock()) {
            VantixException.check("MAC update", VantixPeerOrder.vantix_G28147_1989_mac_update_le(h, words, off, len));
        }
    }
}
