package com.norvane.security.gost;

import java.util.Arrays;

/**
 * The library's random generator. Seed it from the companion library, from 64 seed bytes,
 * or from a sealed random-seed container; seal its state again with {@link #sealState}.
 *
 * <p>Threads and lifetime: Instances may be shared between threads and by any number of
 * ciphers and signature contexts: every draw holds the generator's lock. Closing a
 * generator that an open object still uses throws IllegalStateException; one never closed
 * is wiped and freed once unreachable.
 */
public final class RandomGenerator extends NativeBlock {
    /** Size of a sealed random-seed container. */
    public static final int CONTAINER_BYTES = 84;

    private RandomGenerator() {
        super(Vantix.vantix_RND_State(), h -> zero(h, Vantix.RND_STATE_BYTES));  // the state has no clear operation of its own
    }

    /**
     * A generator seeded with 64 bytes of seed material from the companion library (the
     * operating system's cryptographic generator).
     */
    public static RandomGenerator fromSystem() {
        byte[] seed = new byte[64];
        try {
            int r = Vantix.vantix_InitBioRnd(seed);
            if (r != 0) {
                throw new IllegalStateException("the system random generator failed (companion result " + r + ")");
            }
            return fromSeed(seed);
        } finally {
            Arrays.fill(seed, (byte) 0);
        }
    }

    /** A generator seeded with the given 64 bytes. */
    public static RandomGenerator fromSeed(byte[] seed) {
        if (seed.length != 64) {
            throw new IllegalArgumentException("a seed is 64 bytes");
        }
        RandomGenerator g = new RandomGenerator();
        Vantix.vantix_ForceRandom_(g.handle(), seed);
        return g;
    }

    /**
     * A generator restored from a random-seed container.
     *
     * @throws VantixException code 20 for a wrong password or an altered container
     */
    public static RandomGenerator fromContainer(byte[] container, byte[] password) {
        if (container.length != CONTAINER_BYTES) {
            throw new IllegalArgumentException("a random-seed container is " + CONTAINER_BYTES + " bytes");
        }
        RandomGenerator g = new RandomGenerator();
        try {
            VantixException.check("opening the random-seed container",
                Vantix.vantix_ExtractRndContainer(container, password, g.handle()));
            return g;
        } catch (RuntimeException e) {
            g.close();
            throw e;
        }
    }

    /** Fills the array with random bytes. */
    public synchronized void nextBytes(byte[] out) {
        Vantix.vantix_Random_Fill(handle(), out);
    }

    /** Returns {@code n} random bytes. */
    public byte[] nextBytes(int n) {
        byte[] out = new byte[n];
        nextBytes(out);
        return out;
    }

    /**
     * Seals the generator's current state under a password of at least 10 bytes.
     *
     * @return the 84-byte random-seed container
     */
    public synchronized byte[] sealState(byte[] password) {
        byte[] c = new byte[CONTAINER_BYTES];
        VantixException.check("sealing the random-seed container", Vantix.vantix_MakeRndContainer(handle(), password, c));
        return c;
    }

}
