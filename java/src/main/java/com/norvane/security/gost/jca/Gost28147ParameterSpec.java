package com.norvane.security.gost.jca;

import com.norvane.security.gost.SubstitutionTable;
import java.security.spec.AlgorithmParameterSpec;

/**
 * The substitution table and the vector of a GOST 28147-89 cipher or MAC. The table is
 * named (Bouncy Castle's {@code E-A}, {@code E-B}, {@code E-C}, {@code E-D},
 * {@code E-TEST}, {@code D-A}, {@code D-TEST}, an RFC 4357 name or an object identifier)
 * or given as 128 bytes in Bouncy Castle's row order (see
 * {@link SubstitutionTable#bytes()}).
 */
public final class Gost28147ParameterSpec implements AlgorithmParameterSpec {
    private final byte[] sbox;
    private final byte[] iv;

    /** A named table, no vector (a cipher that needs one draws it; a MAC starts from zero). */
    public Gost28147ParameterSpec(String tableName) {
        this(tableName, null);
    }

    /** A named table and an 8-byte vector. */
    public Gost28147ParameterSpec(String tableName, byte[] iv) {
        this(SubstitutionTable.byName(tableName).bytes(), iv);
    }

    /** A 128-byte table and an 8-byte vector (or null). */
    public Gost28147ParameterSpec(byte[] sbox, byte[] iv) {
        if (sbox.length != SubstitutionTable.TABLE_BYTES) {
            throw new IllegalArgumentException("a substitution table is 128 bytes");
        }
        if (iv != null && iv.length != 8) {
            throw new IllegalArgumentException("a GOST 28147-89 vector is 8 bytes");
        }
        this.sbox = sbox.clone();
        this.iv = iv == null ? null : iv.clone();
    }

    /** The table, rows K1 to K8. */
    public byte[] getSBox() {
        return sbox.clone();
    }

    /** The vector, or null. */
    public byte[] getIV() {
        return iv == null ? null : iv.clone();
    }
}
