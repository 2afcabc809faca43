package com.norvane.security.gost.jca;

import com.norvane.security.gost.KeyEncoding;
import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.SignatureContext;
import java.io.NotSerializableException;
import java.io.ObjectOutputStream;
import java.math.BigInteger;
import java.security.interfaces.ECPrivateKey;
import java.security.spec.ECParameterSpec;
import java.util.Arrays;
import javax.security.auth.Destroyable;

/**
 * A GOST R 34.10-2001 secret key, held masked in native memory (inside a signature
 * context) for as long as the object lives. It is an {@link ECPrivateKey}; where Bouncy
 * Castle is on the class path the provider hands out a subclass that is also Bouncy Castle's
 * EC private key. {@link #getS()} and {@link #getEncoded()} unmask the key only when called;
 * {@link #destroy()} wipes the native copy at once, otherwise it is wiped when the object is
 * collected. Two keys are equal when their public keys are (the same secret on the same
 * parameter set), so comparing never brings the secret into the heap. Not serializable:
 * export it with {@code getEncoded()}.
 */
public class GostPrivateKey implements ECPrivateKey, Destroyable {
    private static final long serialVersionUID = 1L;
    private final transient SignatureContext context;
    private final transient GostPublicKey publicKey;
    private transient volatile boolean destroyed;

    GostPrivateKey(SignatureContext context, GostPublicKey publicKey) {
        this.context = context;
        this.publicKey = publicKey;
    }

    /** The parameter set (curve) of the key. */
    public ParameterSet getParameterSet() {
        return context.parameterSet();
    }

    /** The matching public key. */
    public GostPublicKey getPublicKey() {
        return publicKey;
    }

    SignatureContext context() {
        if (destroyed) {
            throw new IllegalStateException("the key is destroyed");
        }
        return context;
    }

    /** The parameter set's curve, base point, order and cofactor. */
    @Override
    public ECParameterSpec getParams() {
        return GostCurves.curveParameters(context.parameterSet());
    }

    /**
     * The secret number, unmasked on this call (a copy in the heap, which the caller cannot
     * wipe: prefer keeping the key here).
     */
    @Override
    public BigInteger getS() {
        byte[] der = getEncoded();
        byte[] key = null;
        try {
            key = KeyEncoding.decodePrivateKey(der).key();
            return GostPublicKey.littleEndian(key, 0);
        } finally {
            Arrays.fill(der, (byte) 0);
            if (key != null) {
                Arrays.fill(key, (byte) 0);
            }
        }
    }

    @Override
    public String getAlgorithm() {
        return "ECGOST3410";
    }

    @Override
    public String getFormat() {
        return "PKCS#8";
    }

    /** The PKCS#8 PrivateKeyInfo (DER, not encrypted); the caller wipes it when done. */
    @Override
    public byte[] getEncoded() {
        return context().encodedPrivateKey();
    }

    @Override
    public void destroy() {
        destroyed = true;
        context.close();
    }

    @Override
    public boolean isDestroyed() {
        return destroyed;
    }

    @Override
    public final boolean equals(Object o) {
        return o instanceof GostPrivateKey && publicKey.equals(((GostPrivateKey) o).publicKey);
    }

    @Override
    public final int hashCode() {
        return ~publicKey.hashCode();
    }

    @Override
    public String toString() {
        return "GOST R 34.10-2001 private key (" + context.parameterSet().oidName() + ")";
    }

    private void writeObject(ObjectOutputStream out) throws NotSerializableException {
        throw new NotSerializableException("a GOST private key is exported with getEncoded(), not serialized");
    }
}
