package com.norvane.security.gost;

/**
 * The RFC 4357 {@code Gost28147-89-Parameters} encoding of a cipher's vector and table:
 * {@code SEQUENCE { iv OCTET STRING (SIZE (8)), encryptionParamSet OBJECT IDENTIFIER }},
 * the form CMS and Bouncy Castle's {@code AlgorithmParameters} carry. Decoding throws
 * {@link IllegalArgumentException} for anything malformed or a table without a name here.
 */
public final class Gost28147Parameters {
    private final byte[] iv;
    private final SubstitutionTable table;

    private Gost28147Parameters(byte[] iv, SubstitutionTable table) {
        this.iv = iv;
        this.table = table;
    }

    /** The 8-byte vector (a copy). */
    public byte[] iv() {
        return iv.clone();
    }

    /** The table named by the encryption parameter set. */
    public SubstitutionTable table() {
        return table;
    }

    /** DER of an 8-byte vector and a table. */
    public static byte[] encode(byte[] iv, SubstitutionTable table) {
        if (iv.length != 8) {
            throw new IllegalArgumentException("a GOST 28147-89 vector is 8 bytes");
        }
        return Der.sequence(Der.tlv(Der.OCTET_STRING, iv), Der.oid(table.oid()));
    }

    /** Reads the DER form. */
    public static Gost28147Parameters decode(byte[] der) {
        final String what = "GOST 28147-89 parameters";
        Der.Reader seq = Der.only(der, Der.SEQUENCE, what);
        Der.Tlv iv = seq.next(Der.OCTET_STRING, what);
        if (iv.length() != 8) {
            throw new IllegalArgumentException(what + ": the vector is not 8 bytes");
        }
        String oid = Der.readOid(seq.next(what), what);
        seq.finish(what);
        return new Gost28147Parameters(iv.content(), SubstitutionTable.byName(oid));
    }
}
