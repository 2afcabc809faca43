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
    /** Size of a bare random-seed container, the form earlier versions sealed. */
    public static final int CONTAINER_BYTES = 84;
    /** Size of a sealed state: a random-seed container in the {@link PasswordHash} form. */
    public static final int SEALED_STATE_BYTES = PasswordHash.HEADER_BYTES + CONTAINER_BYTES;

    private RandomGenerator() {
        // The state has no clear operation of its own.
        super(Vantix.vantix_RND_State(), h -> zero(h, Vantix.RND_STATE_BYTES));
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
     * A generator restored from a sealed state: the {@value #SEALED_STATE_BYTES} bytes of
     * {@link #sealState}, or a bare {@value #CONTAINER_BYTES}-byte random-seed container of an
     * earlier version, which opens exactly as before (its password folded to 32 bytes).
     *
     * @throws VantixException code 20 for a wrong password or an altered container
     * @throws IllegalArgumentException for bytes of neither form
     */
    public static RandomGenerator fromContainer(byte[] sealed, byte[] password) {
        return PasswordHash.open("a sealed generator state", sealed, CONTAINER_BYTES, password, (container, pw) -> {
            RandomGenerator g = new RandomGenerator();
            try {
                VantixException.check("opening the random-seed container",
                    Vantix.vantix_ExtractRndContainer(container, pw, g.handle()));
                return g;
            } catch (RuntimeException e) {
                g.close();
                throw e;
            }
        });
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
     * Seals the generator's current state under a password of at least 10 bytes: a
     * random-seed container sealed under the password's {@link PasswordHash},
     * {@value #SEALED_STATE_BYTES} bytes. The state sealed is the one after the salt is drawn.
     */
    public synchronized byte[] sealState(byte[] password) {
        return PasswordHash.seal("sealing the random-seed container", this, password, derived -> {
            byte[] c = new byte[CONTAINER_BYTES];
            VantixException.check("sealing the random-seed container",
                Vantix.vantix_MakeRndContainer(handle(), derived, c));
            return c;
        });
    }

}
