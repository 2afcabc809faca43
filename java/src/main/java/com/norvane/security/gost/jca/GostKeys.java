package com.norvane.security.gost.jca;

import com.norvane.security.gost.SubstitutionTable;
import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidKeyException;
import java.security.Key;
import java.security.spec.AlgorithmParameterSpec;
import javax.crypto.spec.IvParameterSpec;

/** What a GOST 28147-89 cipher or MAC takes from the JCA's key and parameters. */
final class GostKeys {
    /**
     * The table used when none is named: CryptoPro-A, OpenSSL's default for gost-mac and the
     * table Bouncy Castle records in its parameters (its ciphers given no table use another).
     */
    static final SubstitutionTable DEFAULT_TABLE = SubstitutionTable.GOST_28147_89_CRYPTOPRO_A;

    private GostKeys() {
    }

    /** The 32 raw key bytes (a copy the caller wipes). */
    static byte[] secretKey(Key key) throws InvalidKeyException {
        if (key == null || !"RAW".equalsIgnoreCase(key.getFormat())) {
            throw new InvalidKeyException("a GOST 28147-89 key is a 32-byte secret key in RAW format");
        }
        byte[] k = key.getEncoded();
        if (k == null || k.length != 32) {
            if (k != null) {
                java.util.Arrays.fill(k, (byte) 0);
            }
            throw new InvalidKeyException("a GOST 28147-89 key is 32 bytes");
        }
        return k;
    }

    /** Bouncy Castle's GOST28147ParameterSpec as ours; anything else as it is. */
    static AlgorithmParameterSpec ours(AlgorithmParameterSpec params) {
        Gost28147ParameterSpec bc = params == null ? null : BouncyCastle.bridge().gost28147(params);
        return bc != null ? bc : params;
    }

    /** The named table with these 128 bytes (rows K1..K8), or null. */
    static SubstitutionTable named(byte[] sbox) {
        for (SubstitutionTable t : SubstitutionTable.values()) {
            if (java.util.Arrays.equals(t.bytes(), sbox)) {
                return t;
            }
        }
        return null;
    }

    /** The table (rows K1..K8) named by the parameters, or the default. */
    static byte[] table(AlgorithmParameterSpec params) {
        params = ours(params);
        if (params instanceof Gost28147ParameterSpec) {
            return ((Gost28147ParameterSpec) params).getSBox();
        }
        return DEFAULT_TABLE.bytes();
    }

    /** The 8-byte vector in the parameters, or null. */
    static byte[] iv(AlgorithmParameterSpec params) throws InvalidAlgorithmParameterException {
        byte[] iv = null;
        params = ours(params);
        if (params instanceof Gost28147ParameterSpec) {
            iv = ((Gost28147ParameterSpec) params).getIV();
        } else if (params instanceof IvParameterSpec) {
            iv = ((IvParameterSpec) params).getIV();
        } else if (params != null) {
            throw new InvalidAlgorithmParameterException("GOST 28147-89 takes an IvParameterSpec or a "
                + "Gost28147ParameterSpec (this provider's or Bouncy Castle's)");
        }
        if (iv != null && iv.length != 8) {
            throw new InvalidAlgorithmParameterException("a GOST 28147-89 vector is 8 bytes");
        }
        return iv;
    }
}
