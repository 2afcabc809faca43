package com.norvane.security.gost.jca;

import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidParameterException;
import java.security.SecureRandom;
import java.security.spec.AlgorithmParameterSpec;
import javax.crypto.KeyGeneratorSpi;
import javax.crypto.SecretKey;
import javax.crypto.spec.SecretKeySpec;

/**
 * 32-byte GOST 28147-89 (or HMAC-GOST3411) keys from the library's generator (a
 * SecureRandom passed in is not used).
 */
final class GostKeyGeneratorSpi extends KeyGeneratorSpi {
    private final String algorithm;

    GostKeyGeneratorSpi(String algorithm) {
        this.algorithm = algorithm;
    }

    @Override
    protected void engineInit(SecureRandom random) {
    }

    @Override
    protected void engineInit(AlgorithmParameterSpec params, SecureRandom random)
            throws InvalidAlgorithmParameterException {
        throw new InvalidAlgorithmParameterException("these keys take no parameters");
    }

    @Override
    protected void engineInit(int keysize, SecureRandom random) {
        if (keysize != 256) {
            throw new InvalidParameterException("these keys are 256 bits");
        }
    }

    @Override
    protected SecretKey engineGenerateKey() {
        byte[] k = VantixProvider.generator().nextBytes(32);
        try {
            return new SecretKeySpec(k, algorithm);
        } finally {
            java.util.Arrays.fill(k, (byte) 0);
        }
    }
}
