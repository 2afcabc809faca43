package com.norvane.security.gost.jca;

import com.norvane.security.gost.KeyWrap;
import com.norvane.security.gost.SubstitutionTable;
import java.security.spec.AlgorithmParameterSpec;

/**
 * The parameters of the GOST 28147-89 and CryptoPro key wraps: the 8-byte UKM and the
 * substitution table, named (as for {@link Gost28147ParameterSpec}) or given as 128 bytes
 * in Bouncy Castle's row order. The same as Bouncy Castle's
 * {@code GOST28147WrapParameterSpec}, which the wrap ciphers
 * also take.
 */
public final class Gost28147WrapParameterSpec implements AlgorithmParameterSpec {
    private final byte[] sbox;
    private final byte[] ukm;

    /** The CryptoPro-A table (the table of RFC 4490's CMS) and a UKM. */
    public Gost28147WrapParameterSpec(byte[] ukm) {
        this(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A.bytes(), ukm);
    }

    /** A named table and a UKM. */
    public Gost28147WrapParameterSpec(String tableName, byte[] ukm) {
        this(SubstitutionTable.byName(tableName).bytes(), ukm);
    }

    /** A 128-byte table (rows K1 to K8) and an 8-byte UKM. */
    public Gost28147WrapParameterSpec(byte[] sbox, byte[] ukm) {
        if (sbox.length != SubstitutionTable.TABLE_BYTES) {
            throw new IllegalArgumentException("a substitution table is 128 bytes");
        }
        if (ukm.length != KeyWrap.UKM_BYTES) {
            throw new IllegalArgumentException("a UKM is 8 bytes");
        }
        this.sbox = sbox.clone();
        this.ukm = ukm.clone();
    }

    /** The table, rows K1 to K8. */
    public byte[] getSBox() {
        return sbox.clone();
    }

    /** The UKM. */
    public byte[] getUKM() {
        return ukm.clone();
    }
}
