package com.norvane.security.gost.jca;

import com.norvane.security.gost.RandomGenerator;
import com.norvane.security.gost.Vantix;
import java.security.ProviderException;
import java.security.SecureRandomSpi;

/**
 * The library's generator as a SecureRandom, seeded from the companion library (the
 * operating system's generator). The generator has no way to absorb extra material, so
 * {@code setSeed} leaves it as it is (the JCA lets a seed only supplement, never replace,
 * the state). Safe for concurrent use.
 */
final class GostSecureRandomSpi extends SecureRandomSpi {
    private static final long serialVersionUID = 1L;
    private final transient RandomGenerator generator = RandomGenerator.fromSystem();

    @Override
    protected void engineSetSeed(byte[] seed) {
    }

    @Override
    protected void engineNextBytes(byte[] bytes) {
        generator.nextBytes(bytes);
    }

    @Override
    protected byte[] engineGenerateSeed(int numBytes) {
        byte[] out = new byte[numBytes];
        byte[] block = new byte[64];
        try {
            for (int off = 0; off < numBytes; off += 64) {
                int r = Vantix.vantix_InitBioRnd(block);
                if (r != 0) {
                    throw new ProviderException("the system random generator failed (companion result " + r + ")");
                }
                System.arraycopy(block, 0, out, off, Math.min(64, numBytes - off));
            }
            return out;
        } finally {
            java.util.Arrays.fill(block, (byte) 0);
        }
    }
}
