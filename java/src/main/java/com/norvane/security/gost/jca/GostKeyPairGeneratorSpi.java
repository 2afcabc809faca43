package com.norvane.security.gost.jca;

import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.SignatureContext;
import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidParameterException;
import java.security.KeyPair;
import java.security.KeyPairGeneratorSpi;
import java.security.SecureRandom;
import java.security.spec.AlgorithmParameterSpec;
import java.security.spec.ECGenParameterSpec;
import java.security.spec.NamedParameterSpec;

/**
 * GOST R 34.10-2001 key pairs. Initialise with an {@link ECGenParameterSpec},
 * {@link NamedParameterSpec} or Bouncy Castle's {@code ECNamedCurveGenParameterSpec} naming
 * the parameter set (Bouncy Castle's curve name such as {@code GostR3410-2001-CryptoPro-A},
 * the RFC 4357 name, the object identifier, or {@code cryptopro-a}, ...), with an
 * {@code ECParameterSpec} equal to a set's (a key's {@code getParams()}), or with key size
 * 256 for CryptoPro-A, the default. Keys are drawn from the library's own generator; a
 * SecureRandom passed in is not used.
 */
final class GostKeyPairGeneratorSpi extends KeyPairGeneratorSpi {
    private ParameterSet set = ParameterSet.CRYPTOPRO_A;

    @Override
    public void initialize(int keysize, SecureRandom random) {
        if (keysize != 256) {
            throw new InvalidParameterException("GOST R 34.10-2001 keys are 256 bits");
        }
        set = ParameterSet.CRYPTOPRO_A;
    }

    @Override
    public void initialize(AlgorithmParameterSpec params, SecureRandom random)
            throws InvalidAlgorithmParameterException {
        set = GostCurves.of(params);
    }

    @Override
    public KeyPair generateKeyPair() {
        SignatureContext c = SignatureContext.generate(set, VantixProvider.generator());
        GostPrivateKey priv = BouncyCastle.bridge().privateKey(c);
        return new KeyPair(priv.getPublicKey(), priv);
    }
}
