package com.norvane.security.gost.jca;

import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.SignatureContext;
import java.io.NotSerializableException;
import java.io.ObjectOutputStream;
import java.security.PrivateKey;
import javax.security.auth.Destroyable;

/**
 * A GOST R 34.10-2001 secret key, held masked in native memory (inside a signature
 * context) for as long as the object lives. {@link #getEncoded()} produces the PKCS#8 form
 * on request; {@link #destroy()} wipes the native copy at once, otherwise it is wiped when
 * the object is collected. Not serializable: export it with {@code getEncoded()}.
 */
public final class GostPrivateKey implements PrivateKey, Destroyable {
    private static final long serialVersionUID = 1L;
    private final transient SignatureContext context;
    private transient volatile boolean destroyed;

    GostPrivateKey(SignatureContext context) {
        this.context = context;
    }

    /** The parameter set (curve) of the key. */
    public ParameterSet getParameterSet() {
        return context.parameterSet();
    }

    /** The matching public key. */
    public GostPublicKey getPublicKey() {
        return new GostPublicKey(context.parameterSet(), context().publicKey());
    }

    SignatureContext context() {
        if (destroyed) {
            throw new IllegalStateException("the key is destroyed");
        }
        return context;
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
    public String toString() {
        return "GOST R 34.10-2001 private key (" + context.parameterSet().oidName() + ")";
    }

    private void writeObject(ObjectOutputStream out) throws NotSerializableException {
        throw new NotSerializableException("a GOST private key is exported with getEncoded(), not serialized");
    }
}
