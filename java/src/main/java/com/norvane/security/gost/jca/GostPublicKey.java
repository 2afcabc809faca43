package com.norvane.security.gost.jca;

import com.norvane.security.gost.KeyEncoding;
import com.norvane.security.gost.ParameterSet;
import java.math.BigInteger;
import java.security.interfaces.ECPublicKey;
import java.security.spec.ECParameterSpec;
import java.security.spec.ECPoint;
import java.util.Arrays;

/**
 * A GOST R 34.10-2001 public key: its parameter set and the raw 64 bytes (x then y,
 * little-endian). It is an {@link ECPublicKey}; where Bouncy Castle is on the class path the
 * provider hands out a subclass that is also Bouncy Castle's EC public key, and
 * {@link #getParams()} is Bouncy Castle's named parameters. Equal keys have equal encodings.
 */
public class GostPublicKey implements ECPublicKey {
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

    /** The point: x and y as numbers. */
    @Override
    public ECPoint getW() {
        byte[] raw = getRawKey();
        return new ECPoint(littleEndian(raw, 0), littleEndian(raw, 32));
    }

    /** The parameter set's curve, base point, order and cofactor. */
    @Override
    public ECParameterSpec getParams() {
        return GostCurves.curveParameters(parameterSet);
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
    public final boolean equals(Object o) {
        return o instanceof GostPublicKey && Arrays.equals(encoded, ((GostPublicKey) o).encoded);
    }

    @Override
    public final int hashCode() {
        return Arrays.hashCode(encoded);
    }

    @Override
    public String toString() {
        return "GOST R 34.10-2001 public key (" + parameterSet.oidName() + ")";
    }

    /** 32 little-endian bytes from {@code off} as an unsigned number. */
    static BigInteger littleEndian(byte[] b, int off) {
        byte[] be = new byte[32];
        for (int i = 0; i < 32; i++) {
            be[i] = b[off + 31 - i];
        }
        return new BigInteger(1, be);
    }

    /** A number below 2^256 as 32 little-endian bytes into {@code out} at {@code off}. */
    static void toLittleEndian(BigInteger n, byte[] out, int off) {
        byte[] be = n.toByteArray();
        int len = Math.min(be.length, 32);
        for (int i = 0; i < len; i++) {
            out[off + i] = be[be.length - 1 - i];
        }
        Arrays.fill(be, (byte) 0);
    }

    /** Written as the plain class, so that it reads back where Bouncy Castle is absent. */
    Object writeReplace() {
        return getClass() == GostPublicKey.class ? this : new GostPublicKey(parameterSet, getRawKey());
    }

    private Object readResolve() throws java.io.ObjectStreamException {
        KeyEncoding.Decoded d = KeyEncoding.decodePublicKey(encoded);
        return BouncyCastle.bridge().publicKey(d.parameterSet(), d.key());
    }
}
