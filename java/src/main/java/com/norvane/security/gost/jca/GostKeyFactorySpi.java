package com.norvane.security.gost.jca;

import com.norvane.security.gost.KeyEncoding;
import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.SignatureContext;
import java.math.BigInteger;
import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidKeyException;
import java.security.Key;
import java.security.KeyFactorySpi;
import java.security.PrivateKey;
import java.security.PublicKey;
import java.security.interfaces.ECPrivateKey;
import java.security.interfaces.ECPublicKey;
import java.security.spec.ECParameterSpec;
import java.security.spec.ECPoint;
import java.security.spec.ECPrivateKeySpec;
import java.security.spec.ECPublicKeySpec;
import java.security.spec.InvalidKeySpecException;
import java.security.spec.KeySpec;
import java.security.spec.PKCS8EncodedKeySpec;
import java.security.spec.X509EncodedKeySpec;
import java.util.Arrays;

/**
 * GOST R 34.10-2001 keys from and to their X.509 (public) and PKCS#8 (private) encodings and
 * the JDK's {@link ECPublicKeySpec} and {@link ECPrivateKeySpec} (on a parameter set's
 * curve); any EC key on such a curve translates to this provider's.
 */
final class GostKeyFactorySpi extends KeyFactorySpi {
    @Override
    protected PublicKey engineGeneratePublic(KeySpec algParams) throws InvalidKeySpecException {
        if (algParams instanceof X509EncodedKeySpec) {
            return publicKey(((X509EncodedKeySpec) algParams).getEncoded());
        }
        if (algParams instanceof ECPublicKeySpec) {
            ECPublicKeySpec ec = (ECPublicKeySpec) algParams;
            return publicKey(set(ec.getParams()), ec.getW());
        }
        throw new InvalidKeySpecException("public keys come from an X509EncodedKeySpec or an ECPublicKeySpec");
    }

    @Override
    protected PrivateKey engineGeneratePrivate(KeySpec algParams) throws InvalidKeySpecException {
        if (algParams instanceof ECPrivateKeySpec) {
            ECPrivateKeySpec ec = (ECPrivateKeySpec) algParams;
            return privateKey(set(ec.getParams()), ec.getS());
        }
        if (!(algParams instanceof PKCS8EncodedKeySpec)) {
            throw new InvalidKeySpecException("private keys come from a PKCS8EncodedKeySpec or an ECPrivateKeySpec");
        }
        byte[] der = ((PKCS8EncodedKeySpec) algParams).getEncoded();
        try {
            return privateKey(der);
        } finally {
            Arrays.fill(der, (byte) 0);
        }
    }

    @Override
    protected <T extends KeySpec> T engineGetKeySpec(Key key, Class<T> type) throws InvalidKeySpecException {
        Key ours;
        try {
            ours = engineTranslateKey(key);
        } catch (InvalidKeyException e) {
            throw new InvalidKeySpecException(e.getMessage(), e);
        }
        if (ours instanceof GostPublicKey) {
            GostPublicKey pub = (GostPublicKey) ours;
            if (type.isAssignableFrom(X509EncodedKeySpec.class)) {
                return type.cast(new X509EncodedKeySpec(pub.getEncoded()));
            }
            if (type.isAssignableFrom(ECPublicKeySpec.class)) {
                return type.cast(new ECPublicKeySpec(pub.getW(), pub.getParams()));
            }
        } else {
            GostPrivateKey priv = (GostPrivateKey) ours;
            if (type.isAssignableFrom(PKCS8EncodedKeySpec.class)) {
                byte[] der = priv.getEncoded();
                try {
                    return type.cast(new PKCS8EncodedKeySpec(der));
                } finally {
                    Arrays.fill(der, (byte) 0);
                }
            }
            if (type.isAssignableFrom(ECPrivateKeySpec.class)) {
                return type.cast(new ECPrivateKeySpec(priv.getS(), priv.getParams()));
            }
        }
        throw new InvalidKeySpecException("GOST keys are given as X509EncodedKeySpec, PKCS8EncodedKeySpec, "
            + "ECPublicKeySpec or ECPrivateKeySpec");
    }

    @Override
    protected Key engineTranslateKey(Key key) throws InvalidKeyException {
        if (key instanceof GostPublicKey || key instanceof GostPrivateKey) {
            return key;
        }
        try {
            // The encoding first: it records the parameter set even where two share a curve.
            if (key instanceof PublicKey && "X.509".equals(key.getFormat())) {
                try {
                    return publicKey(key.getEncoded());
                } catch (InvalidKeySpecException e) {
                    if (!(key instanceof ECPublicKey)) {
                        throw e;
                    }
                }
            }
            if (key instanceof PrivateKey && "PKCS#8".equals(key.getFormat())) {
                byte[] der = key.getEncoded();
                try {
                    return privateKey(der);
                } catch (InvalidKeySpecException e) {
                    if (!(key instanceof ECPrivateKey)) {
                        throw e;
                    }
                } finally {
                    Arrays.fill(der, (byte) 0);
                }
            }
            if (key instanceof ECPublicKey) {
                ECPublicKey ec = (ECPublicKey) key;
                return publicKey(set(ec.getParams()), ec.getW());
            }
            if (key instanceof ECPrivateKey) {
                ECPrivateKey ec = (ECPrivateKey) key;
                return privateKey(set(ec.getParams()), ec.getS());
            }
        } catch (InvalidKeySpecException e) {
            throw new InvalidKeyException(e.getMessage(), e);
        }
        throw new InvalidKeyException("not a GOST R 34.10-2001 key: " + (key == null ? "null"
            : key.getAlgorithm() + "/" + key.getFormat()));
    }

    private static ParameterSet set(ECParameterSpec params) throws InvalidKeySpecException {
        try {
            return GostCurves.of(params);
        } catch (InvalidAlgorithmParameterException e) {
            throw new InvalidKeySpecException(e.getMessage(), e);
        }
    }

    static GostPublicKey publicKey(byte[] spki) throws InvalidKeySpecException {
        try {
            KeyEncoding.Decoded d = KeyEncoding.decodePublicKey(spki);
            return checkedPublicKey(d.parameterSet(), d.key());
        } catch (RuntimeException e) {
            throw new InvalidKeySpecException(e.getMessage(), e);
        }
    }

    private static GostPublicKey publicKey(ParameterSet set, ECPoint w) throws InvalidKeySpecException {
        if (w == null || w == ECPoint.POINT_INFINITY || w.getAffineX().signum() < 0 || w.getAffineY().signum() < 0
                || w.getAffineX().bitLength() > 256 || w.getAffineY().bitLength() > 256) {
            throw new InvalidKeySpecException("the point is not on the curve");
        }
        byte[] raw = new byte[KeyEncoding.PUBLIC_KEY_BYTES];
        GostPublicKey.toLittleEndian(w.getAffineX(), raw, 0);
        GostPublicKey.toLittleEndian(w.getAffineY(), raw, 32);
        try {
            return checkedPublicKey(set, raw);
        } catch (RuntimeException e) {
            throw new InvalidKeySpecException(e.getMessage(), e);
        }
    }

    /** Refuses a point that is not on the curve before anyone relies on the key. */
    private static GostPublicKey checkedPublicKey(ParameterSet set, byte[] raw) {
        SignatureContext.withPublicKey(set, VantixProvider.generator(), raw).close();
        return BouncyCastle.bridge().publicKey(set, raw);
    }

    static GostPrivateKey privateKey(byte[] pkcs8) throws InvalidKeySpecException {
        try {
            return BouncyCastle.bridge().privateKey(SignatureContext.fromEncodedPrivateKey(VantixProvider.generator(),
                pkcs8));
        } catch (RuntimeException e) {
            throw new InvalidKeySpecException(e.getMessage(), e);
        }
    }

    private static GostPrivateKey privateKey(ParameterSet set, BigInteger s) throws InvalidKeySpecException {
        if (s == null || s.signum() <= 0 || s.bitLength() > 256) {
            throw new InvalidKeySpecException("the secret key is not between 1 and q - 1");
        }
        byte[] key = new byte[KeyEncoding.PRIVATE_KEY_BYTES];
        try {
            GostPublicKey.toLittleEndian(s, key, 0);
            return BouncyCastle.bridge().privateKey(SignatureContext.withPrivateKey(set, VantixProvider.generator(),
                key));
        } catch (RuntimeException e) {
            throw new InvalidKeySpecException(e.getMessage(), e);
        } finally {
            Arrays.fill(key, (byte) 0);
        }
    }

    /** Any GOST R 34.10-2001 key as ours, through its standard encoding when it comes from another provider. */
    static Key translate(Key key) throws InvalidKeyException {
        return new GostKeyFactorySpi().engineTranslateKey(key);
    }
}
