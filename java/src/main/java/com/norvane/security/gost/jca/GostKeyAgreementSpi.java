package com.norvane.security.gost.jca;

import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.VantixException;
import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidKeyException;
import java.security.Key;
import java.security.SecureRandom;
import java.security.spec.AlgorithmParameterSpec;
import java.util.Arrays;
import javax.crypto.KeyAgreementSpi;
import javax.crypto.SecretKey;
import javax.crypto.ShortBufferException;
import javax.crypto.spec.SecretKeySpec;

/**
 * VKO GOST R 34.10-2001 (RFC 4357, section 5.2), Bouncy Castle's {@code ECGOST3410}
 * key agreement: the shared secret is the 32-byte GOST R 34.11-94 digest (CryptoPro table)
 * of the point (UKM·d mod q)·Q, x then y little-endian: the key-encryption key of the
 * GOST 28147-89 and CryptoPro key wraps. The UKM comes with {@code init}, in a
 * {@link VkoParameterSpec} or Bouncy Castle's {@code UserKeyingMaterialSpec}. The point
 * product runs in native code with the private key masked.
 */
@SuppressWarnings("try")  // the InUse.Held of each engine method is there to be closed, not read
final class GostKeyAgreementSpi extends KeyAgreementSpi {
    private GostPrivateKey key;
    private byte[] ukm;
    private byte[] secret;
    private final InUse inUse = new InUse("KeyAgreement");

    @Override
    protected void engineInit(Key k, SecureRandom random) throws InvalidKeyException {
        try (InUse.Held held = inUse.enter()) {
            throw new InvalidKeyException("VKO needs a UKM: init with a VkoParameterSpec or a UserKeyingMaterialSpec");
        }
    }

    @Override
    protected void engineInit(Key k, AlgorithmParameterSpec params, SecureRandom random)
            throws InvalidKeyException, InvalidAlgorithmParameterException {
        try (InUse.Held held = inUse.enter()) {
            byte[] u = params instanceof VkoParameterSpec ? ((VkoParameterSpec) params).getUserKeyingMaterial()
                : BouncyCastle.bridge().userKeyingMaterial(params);
            if (u == null) {
                throw new InvalidAlgorithmParameterException("VKO takes its UKM in a VkoParameterSpec or a "
                    + "UserKeyingMaterialSpec");
            }
            Key t = GostKeyFactorySpi.translate(k);
            if (!(t instanceof GostPrivateKey)) {
                throw new InvalidKeyException("not a GOST R 34.10-2001 private key");
            }
            if (((GostPrivateKey) t).isDestroyed()) {
                throw new InvalidKeyException("the key is destroyed");
            }
            wipe();
            key = (GostPrivateKey) t;
            ukm = u;
        }
    }

    @Override
    protected Key engineDoPhase(Key k, boolean lastPhase) throws InvalidKeyException {
        try (InUse.Held held = inUse.enter()) {
            if (key == null) {
                throw new IllegalStateException("the key agreement is not initialised");
            }
            if (!lastPhase) {
                throw new IllegalStateException("VKO is between two parties: one phase, the last");
            }
            Key t = GostKeyFactorySpi.translate(k);
            if (!(t instanceof GostPublicKey)) {
                throw new InvalidKeyException("not a GOST R 34.10-2001 public key");
            }
            GostPublicKey peer = (GostPublicKey) t;
            if (!sameCurve(peer.getParameterSet(), key.getParameterSet())) {
                throw new InvalidKeyException("the public key is on another curve than the private key");
            }
            byte[] s;
            try {
                s = key.context().agreeKey(peer.getRawKey(), ukm);
            } catch (VantixException | IllegalStateException e) {
                // 15: a UKM that is 0 modulo q (or a point at infinity as the result).
                throw new InvalidKeyException("key agreement failed: " + e.getMessage(), e);
            }
            wipeSecret();
            secret = s;
            return null;
        }
    }

    @Override
    protected byte[] engineGenerateSecret() {
        try (InUse.Held held = inUse.enter()) {
            return take();
        }
    }

    @Override
    protected int engineGenerateSecret(byte[] out, int offset) throws ShortBufferException {
        try (InUse.Held held = inUse.enter()) {
            byte[] s = current();
            if (offset < 0 || out.length - offset < s.length) {
                throw new ShortBufferException("the shared secret is " + s.length + " bytes");
            }
            System.arraycopy(s, 0, out, offset, s.length);
            wipeSecret();
            return s.length;
        }
    }

    @Override
    protected SecretKey engineGenerateSecret(String algorithm) {
        try (InUse.Held held = inUse.enter()) {
            byte[] s = take();
            try {
                return new SecretKeySpec(s, algorithm);
            } finally {
                Arrays.fill(s, (byte) 0);
            }
        }
    }

    private byte[] current() {
        if (secret == null) {
            throw new IllegalStateException("no shared secret: doPhase first");
        }
        return secret;
    }

    private byte[] take() {
        byte[] s = current();
        secret = null;
        return s;
    }

    private void wipeSecret() {
        if (secret != null) {
            Arrays.fill(secret, (byte) 0);
            secret = null;
        }
    }

    private void wipe() {
        wipeSecret();
        key = null;
        ukm = null;
    }

    /** The same curve, whatever its name (CryptoPro-A and XchA share one). */
    private static boolean sameCurve(ParameterSet a, ParameterSet b) {
        return a == b || Arrays.equals(a.p(), b.p()) && Arrays.equals(a.a(), b.a()) && Arrays.equals(a.b(), b.b())
            && Arrays.equals(a.q(), b.q()) && Arrays.equals(a.x(), b.x()) && Arrays.equals(a.y(), b.y());
    }
}
