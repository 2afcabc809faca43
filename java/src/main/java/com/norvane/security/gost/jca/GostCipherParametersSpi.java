package com.norvane.security.gost.jca;

import com.norvane.security.gost.Gost28147Parameters;
import com.norvane.security.gost.SubstitutionTable;
import java.io.IOException;
import java.security.AlgorithmParametersSpi;
import java.security.spec.AlgorithmParameterSpec;
import java.security.spec.InvalidParameterSpecException;
import javax.crypto.spec.IvParameterSpec;

/**
 * GOST 28147-89 parameters (vector and table) as {@code AlgorithmParameters}, encoded as
 * RFC 4357 {@code Gost28147-89-Parameters}, byte for byte as Bouncy Castle encodes them.
 * Made from an {@link IvParameterSpec} (the CryptoPro-A table, as Bouncy Castle records it),
 * a {@link Gost28147ParameterSpec} or Bouncy Castle's {@code GOST28147ParameterSpec} with a
 * vector and a named table, or the encoding; given back as any of these.
 */
final class GostCipherParametersSpi extends AlgorithmParametersSpi {
    private byte[] iv;
    private SubstitutionTable table;

    @Override
    protected void engineInit(AlgorithmParameterSpec algParams) throws InvalidParameterSpecException {
        algParams = GostKeys.ours(algParams);
        if (algParams instanceof IvParameterSpec) {
            set(((IvParameterSpec) algParams).getIV(), SubstitutionTable.GOST_28147_89_CRYPTOPRO_A);
        } else if (algParams instanceof Gost28147ParameterSpec) {
            Gost28147ParameterSpec g = (Gost28147ParameterSpec) algParams;
            SubstitutionTable t = GostKeys.named(g.getSBox());
            if (t == null) {
                throw new InvalidParameterSpecException("the table has no object identifier to record");
            }
            set(g.getIV(), t);
        } else {
            throw new InvalidParameterSpecException("GOST 28147-89 parameters come from an IvParameterSpec or a "
                + "Gost28147ParameterSpec");
        }
    }

    private void set(byte[] newIv, SubstitutionTable t) throws InvalidParameterSpecException {
        if (newIv == null || newIv.length != 8) {
            throw new InvalidParameterSpecException("a GOST 28147-89 vector is 8 bytes");
        }
        iv = newIv.clone();
        table = t;
    }

    @Override
    protected void engineInit(byte[] der) throws IOException {
        try {
            Gost28147Parameters p = Gost28147Parameters.decode(der);
            iv = p.iv();
            table = p.table();
        } catch (IllegalArgumentException e) {
            throw new IOException(e.getMessage(), e);
        }
    }

    @Override
    protected void engineInit(byte[] der, String format) throws IOException {
        checkFormat(format);
        engineInit(der);
    }

    @Override
    protected <T extends AlgorithmParameterSpec> T engineGetParameterSpec(Class<T> type)
            throws InvalidParameterSpecException {
        ready();
        if (type == Gost28147ParameterSpec.class) {
            return type.cast(new Gost28147ParameterSpec(table.bytes(), iv));
        }
        if (type == IvParameterSpec.class) {
            return type.cast(new IvParameterSpec(iv));
        }
        // Any parameters asked for as AlgorithmParameterSpec: Bouncy Castle's class where it is present,
        // as its own parameters answer (its ciphers ask that way), otherwise ours.
        AlgorithmParameterSpec bc = BouncyCastle.bridge().bcGost28147(type, table, iv);
        if (bc != null) {
            return type.cast(bc);
        }
        if (type == AlgorithmParameterSpec.class) {
            return type.cast(new Gost28147ParameterSpec(table.bytes(), iv));
        }
        throw new InvalidParameterSpecException("GOST 28147-89 parameters are given as Gost28147ParameterSpec or "
            + "IvParameterSpec");
    }

    @Override
    protected byte[] engineGetEncoded() throws IOException {
        ready();
        return Gost28147Parameters.encode(iv, table);
    }

    @Override
    protected byte[] engineGetEncoded(String format) throws IOException {
        checkFormat(format);
        return engineGetEncoded();
    }

    static void checkFormat(String format) throws IOException {
        if (format != null && !"ASN.1".equalsIgnoreCase(format) && !"DER".equalsIgnoreCase(format)) {
            throw new IOException("the encoding is ASN.1 (DER), not " + format);
        }
    }

    private void ready() {
        if (iv == null) {
            throw new IllegalStateException("the parameters are not initialised");
        }
    }

    @Override
    protected String engineToString() {
        return iv == null ? "GOST 28147-89 parameters (not initialised)"
            : "GOST 28147-89 parameters (" + table.oidName() + ")";
    }
}
