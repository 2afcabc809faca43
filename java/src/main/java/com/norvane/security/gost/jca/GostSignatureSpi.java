package com.norvane.security.gost.jca;

import com.norvane.security.gost.Gost3411Digest;
import com.norvane.security.gost.SignatureContext;
import java.io.ByteArrayOutputStream;
import java.security.InvalidKeyException;
import java.security.InvalidParameterException;
import java.security.PrivateKey;
import java.security.PublicKey;
import java.security.SignatureException;
import java.security.SignatureSpi;

/**
 * GOST R 34.10-2001 signatures: 64 bytes, s then r. With hashing, over the GOST R 34.11-94
 * (CryptoPro table) digest of the message; without, over a 32-byte digest the caller gives.
 */
@SuppressWarnings("try")  // the InUse.Held of each engine method is there to be closed, not read
final class GostSignatureSpi extends SignatureSpi {
    private final boolean hashing;
    private Gost3411Digest digest;
    private final ByteArrayOutputStream raw = new ByteArrayOutputStream(32);
    private GostPrivateKey signer;
    private SignatureContext verifier;
    private final InUse inUse = new InUse("Signature");

    GostSignatureSpi(boolean hashing) {
        this.hashing = hashing;
    }

    @Override
    protected void engineInitSign(PrivateKey key) throws InvalidKeyException {
        try (InUse.Held held = inUse.enter()) {
            Object k = GostKeyFactorySpi.translate(key);
            if (!(k instanceof GostPrivateKey)) {
                throw new InvalidKeyException("not a GOST R 34.10-2001 private key");
            }
            if (((GostPrivateKey) k).isDestroyed()) {
                throw new InvalidKeyException("the key is destroyed");
            }
            dropVerifier();
            signer = (GostPrivateKey) k;
            reset();
        }
    }

    @Override
    protected void engineInitVerify(PublicKey key) throws InvalidKeyException {
        try (InUse.Held held = inUse.enter()) {
            Object k = GostKeyFactorySpi.translate(key);
            if (!(k instanceof GostPublicKey)) {
                throw new InvalidKeyException("not a GOST R 34.10-2001 public key");
            }
            GostPublicKey pub = (GostPublicKey) k;
            dropVerifier();
            signer = null;
            verifier = SignatureContext.withPublicKey(pub.getParameterSet(), VantixProvider.generator(),
                pub.getRawKey());
            reset();
        }
    }

    @Override
    protected void engineUpdate(byte b) {
        engineUpdate(new byte[] {b}, 0, 1);
    }

    @Override
    protected void engineUpdate(byte[] b, int off, int len) {
        try (InUse.Held held = inUse.enter()) {
            if (hashing) {
                if (digest == null) {
                    throw new IllegalStateException("the signature object is not initialised");
                }
                digest.update(b, off, len);
            } else {
                raw.write(b, off, len);
            }
        }
    }

    @Override
    protected byte[] engineSign() throws SignatureException {
        try (InUse.Held held = inUse.enter()) {
            if (signer == null) {
                throw new SignatureException("not initialised for signing");
            }
            try {
                return signer.context().sign(finishDigest());
            } catch (RuntimeException e) {
                throw new SignatureException(e.getMessage(), e);
            } finally {
                reset();
            }
        }
    }

    @Override
    protected boolean engineVerify(byte[] sig) throws SignatureException {
        try (InUse.Held held = inUse.enter()) {
            if (verifier == null) {
                throw new SignatureException("not initialised for verification");
            }
            try {
                return verifier.verify(finishDigest(), sig);
            } catch (RuntimeException e) {
                throw new SignatureException(e.getMessage(), e);
            } finally {
                reset();
            }
        }
    }

    private byte[] finishDigest() throws SignatureException {
        if (hashing) {
            return digest.digest();
        }
        if (raw.size() != 32) {
            throw new SignatureException("NONEwithECGOST3410 signs a 32-byte GOST R 34.11-94 digest, not " + raw.size()
                + " bytes");
        }
        return raw.toByteArray();
    }

    private void reset() {
        raw.reset();
        if (hashing) {
            if (digest != null) {
                digest.reset();
            } else {
                digest = new Gost3411Digest();
            }
        }
    }

    private void dropVerifier() {
        if (verifier != null) {
            verifier.close();
            verifier = null;
        }
    }

    @Override
    @Deprecated
    protected void engineSetParameter(String param, Object value) {
        throw new InvalidParameterException("no parameters");
    }

    @Override
    @Deprecated
    protected Object engineGetParameter(String param) {
        throw new InvalidParameterException("no parameters");
    }
}
