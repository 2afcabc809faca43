package com.norvane.security.gost.jca;

import com.norvane.security.gost.KeyEncoding;
import com.norvane.security.gost.ParameterSet;
import java.security.PublicKey;
import java.util.Arrays;

/** A GOST R 34.10-2001 public key: its parameter set and the raw 64 bytes (x then y, little-endian). */
public final class GostPublicKey implements PublicKey {
    private static final long serialVersionUID = 1L;
    private final byte[] encoded;
    private final transient ParameterSet parameterSet;

    GostPublicKey(ParameterSet parameterSet, byte[] rawKey) {
        this.parameterSet = parameterSet;
        this.encoded = KeyEncoding.encodePublicKey(parameterSet, rawKey);
    }

    /** The parameter set (curve) of the key. */
    public ParameterSet getParameterSet() {
        return parameterSet;
    }

    /** The raw key: 64 bytes, x then y, each little-endian. */
    public byte[] getRawKey() {
        return KeyEncoding.decodePublicKey(encoded).key();
    }

    @Override
    public String getAlgorithm() {
        return "ECGOST3410";
    }

    @Override
    public String getFormat() {
        return "X.509";
    }

    /** The SubjectPublicKeyInfo (DER). */
    @Override
    public byte[] getEncoded() {
        return encoded.clone();
    }

    @Override
    public boolean equals(Object o) {
        return o instanceof GostPublicKey && Arrays.equals(encoded, ((GostPublicKey) o).encoded);
    }

    @Override
    public int hashCode() {
        return Arrays.hashCode(encoded);
    }

    @Override
    public String toString() {
        return "GOST R 34.10-2001 public key (" + parameterSet.oidName() + ")";
    }

    private Object readResolve() throws java.io.ObjectStreamException {
        KeyEncoding.Decoded d = KeyEncoding.decodePublicKey(encoded);
        return new GostPublicKey(d.parameterSet(), d.key());
    }
}
