package com.norvane.security.gost.jca;

import com.norvane.security.gost.KeyEncoding;
import com.norvane.security.gost.SignatureContext;
import java.security.InvalidKeyException;
import java.security.Key;
import java.security.KeyFactorySpi;
import java.security.PrivateKey;
import java.security.PublicKey;
import java.security.spec.InvalidKeySpecException;
import java.security.spec.KeySpec;
import java.security.spec.PKCS8EncodedKeySpec;
import java.security.spec.X509EncodedKeySpec;
import java.util.Arrays;

/** GOST R 34.10-2001 keys from and to their X.509 (public) and PKCS#8 (private) encodings. */
final class GostKeyFactorySpi extends KeyFactorySpi {
    @Override
    protected PublicKey engineGeneratePublic(KeySpec encoded) throws InvalidKeySpecException {
        if (!(encoded instanceof X509EncodedKeySpec)) {
            throw new InvalidKeySpecException("public keys come from an X509EncodedKeySpec");
        }
        return publicKey(((X509EncodedKeySpec) encoded).getEncoded());
    }

    @Override
    protected PrivateKey engineGeneratePrivate(KeySpec encoded) throws InvalidKeySpecException {
        if (!(encoded instanceof PKCS8EncodedKeySpec)) {
            throw new InvalidKeySpecException("private keys come from a PKCS8EncodedKeySpec");
        }
        byte[] der = ((PKCS8EncodedKeySpec) encoded).getEncoded();
        try {
            return privateKey(der);
        } finally {
            Arrays.fill(der, (byte) 0);
        }
    }

    @Override
    protected <T extends KeySpec> T engineGetKeySpec(Key key, Class<T> type) throws InvalidKeySpecException {
        if (key instanceof PublicKey && type.isAssignableFrom(X509EncodedKeySpec.class)) {
            return type.cast(new X509EncodedKeySpec(key.getEncoded()));
        }
        if (key instanceof PrivateKey && type.isAssignableFrom(PKCS8EncodedKeySpec.class)) {
            byte[] der = key.getEncoded();
            try {
                return type.cast(new PKCS8EncodedKeySpec(der));
            } finally {
                Arrays.fill(der, (byte) 0);
            }
        }
        throw new InvalidKeySpecException("GOST keys are given as X509EncodedKeySpec or PKCS8EncodedKeySpec");
    }

    @Override
    protected Key engineTranslateKey(Key key) throws InvalidKeyException {
        try {
            if (key instanceof GostPublicKey || key instanceof GostPrivateKey) {
                return key;
            }
            if (key instanceof PublicKey && "X.509".equals(key.getFormat())) {
                return publicKey(key.getEncoded());
            }
            if (key instanceof PrivateKey && "PKCS#8".equals(key.getFormat())) {
                byte[] der = key.getEncoded();
                try {
                    return privateKey(der);
                } finally {
                    Arrays.fill(der, (byte) 0);
                }
            }
        } catch (InvalidKeySpecException e) {
            throw new InvalidKeyException(e.getMessage(), e);
        }
        throw new InvalidKeyException("not a GOST R 34.10-2001 key: " + key.getAlgorithm() + "/" + key.getFormat());
    }

    static GostPublicKey publicKey(byte[] spki) throws InvalidKeySpecException {
        try {
            KeyEncoding.Decoded d = KeyEncoding.decodePublicKey(spki);
            // Refuses a point that is not on the curve before anyone relies on the key.
            SignatureContext.withPublicKey(d.parameterSet(), VantixProvider.generator(), d.key()).close();
            return new GostPublicKey(d.parameterSet(), d.key());
        } catch (RuntimeException e) {
            throw new InvalidKeySpecException(e.getMessage(), e);
        }
    }

    static GostPrivateKey privateKey(byte[] pkcs8) throws InvalidKeySpecException {
        try {
            return new GostPrivateKey(SignatureContext.fromEncodedPrivateKey(VantixProvider.generator(), pkcs8));
        } catch (RuntimeException e) {
            throw new InvalidKeySpecException(e.getMessage(), e);
        }
    }

    /** Any GOST R 34.10-2001 key as ours, through its standard encoding when it comes from another provider. */
    static Key translate(Key key) throws InvalidKeyException {
        return new GostKeyFactorySpi().engineTranslateKey(key);
    }
}
