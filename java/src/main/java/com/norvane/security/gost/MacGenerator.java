package com.norvane.security.gost;

/**
 * The GOST 28147-89 MAC (8 bytes) with CryptoPro key meshing. Feed the message with
 * {@link #update}, then call {@link #doFinal()} once.
 *
 * <p>Threads and lifetime: Instances may be shared between threads: calls are serialized.
 * The table and generator stay open while this generator is; close it first.
 */
public final class MacGenerator extends NativeBlock {
    /**
     * @param table the substitution table (kept open while this object is used)
     * @param rng the generator for key masking (kept open while this object is used)
     * @param key the 32-byte key, big-endian words
     * @param iv the 8-byte initial value, or {@code null} for zeros
     */
    public MacGenerator(CipherTable table, RandomGenerator rng, byte[] key, byte[] iv) {
        super(Vantix.vantix_G28147_1989_mac(), h -> Vantix.vantix_G28147_1989_mac_clear(h), table, rng);
        initWithKey("MAC init", rng, key,
            (h, k) -> Vantix.vantix_G28147_1989_mac_init(h, table.handle(), rng.handle(), k, KeyMaterial.iv(iv)));
    }

    /** Feeds {@code len} bytes. */
    public synchronized void update(byte[] data, int off, int len) {
        synchronized (generatorLock()) {
            VantixException.check("MAC update", Vantix.vantix_G28147_1989_mac_update(handle(), data, off, len));
        }
    }

    /** Feeds a whole array. */
    public void update(byte[] data) {
        update(data, 0, data.length);
    }

    /** The 8-byte MAC of everything fed; ends the message. */
    public synchronized byte[] doFinal() {
        byte[] mac = new byte[8];
        synchronized (generatorLock()) {
            VantixException.check("MAC final", Vantix.vantix_G28147_1989_mac_final(handle(), mac));
        }
        return mac;
    }

}
