package com.norvane.security.gost;

import java.util.Arrays;

/** Native blocks that several tests need. */
final class VantixTestSupport {
    private VantixTestSupport() {
    }

    /** A seeded generator. */
    static long seededGenerator() {
        long rnd = Vantix.vantix_RND_State();
        byte[] seed = new byte[64];
        for (int i = 0; i < 64; i++) {
            seed[i] = (byte) (i * 37 + 11);
        }
        Vantix.vantix_ForceRandom_(rnd, seed);
        return rnd;
    }

    /** A COM_State holding the given 128-byte table. */
    static long table(byte[] sbox) {
        long com = Vantix.vantix_COM_State();
        Vantix.mem_write(com, 0, sbox, 0, 128);
        return com;
    }

    /** The 64-byte masked form of a 32-byte key with a zero mask. */
    static byte[] masked(byte[] key) {
        return Arrays.copyOf(key, 64);
    }
}
