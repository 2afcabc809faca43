package com.norvane.security.gost;

/**
 * The substitution tables published in RFC 4357, and the TC26 table of RFC 7836. {@link #bytes()} gives each as 128
 * bytes in the order Bouncy Castle ({@code GOST28147Engine.getSBox}) and the RFC's tables use:
 * eight rows of sixteen entries, one entry per byte, row 0 substituting the least
 * significant nibble of the round function's input (the standard's K1) and row 7 the most
 * significant (K8).
 */
public enum SubstitutionTable {
    /** id-GostR3411-94-TestParamSet. */
    GOST_R_34_11_94_TEST("1.2.643.2.2.30.0", "D-TEST", "id-GostR3411-94-TestParamSet",
        "010f0d0005070a040902030e060b080c0d0b0401030f0509000a0e070608020c040b0a000702010d03060805090c0f0e"
        + "060c0701050f0d08040a090e00030b02070d0a010008090f0e04060c0b0205030508010d0a0304020e0f0c070600090b"
        + "0e0b040c060d0f0a0203080100070509040a09020d08000e060b010c070f0503"),

    /** id-GostR3411-94-CryptoProParamSet. */
    GOST_R_34_11_94_CRYPTOPRO("1.2.643.2.2.30.1", "D-A", "id-GostR3411-94-CryptoProParamSet",
        "01030a09050b040f0806070e0d00020c0d0e04010700050a030c080f0602090b070602040d090f000a01050b080e0c03"
        + "0706040b090c020a0108000e0f0d0305040a070c000f02080e0106050d0b0903070f0c0e09040100030b0502060a080d"
        + "050f0400020d0b09010706030c0e0a080a040506080103070d0c0e0009020b0f"),

    /** id-Gost28147-89-TestParamSet. */
    GOST_28147_89_TEST("1.2.643.2.2.31.0", "E-TEST", "id-Gost28147-89-TestParamSet",
        "0c0605020b00090d030e070a0f040108090b0c000306070504080e0f010a020d080f060b01090c050d03070a000e0204"
        + "030e05090608000d0a0b070c02010f040e090b02050f0701000d0c060a0403080d080e0c0703090a01050204060f000b"
        + "0c090f0e0801030a0207040d06000b0504020f05090100080e030b0c0d070a06"),

    /** id-Gost28147-89-CryptoPro-A-ParamSet. */
    GOST_28147_89_CRYPTOPRO_A("1.2.643.2.2.31.1", "E-A", "id-Gost28147-89-CryptoPro-A-ParamSet",
        "0b0a0f05000c0e080602030901070d04010d0209070a0600080c04050f030b0e030a0d0c0102000b07050904080f0e06"
        + "0b050109080d0f000e0402030c070a060e070a0c0d01030900020b040f0805060e0406020b030d080c0f050a00070109"
        + "03070e09080a0f000502060c0b040d0109060302080b01070a040e0f0c000d05"),

    /** id-Gost28147-89-CryptoPro-B-ParamSet. */
    GOST_28147_89_CRYPTOPRO_B("1.2.643.2.2.31.2", "E-B", "id-Gost28147-89-CryptoPro-B-ParamSet",
        "00040b0e080307010a0209060f0d050c05020a0b09010c0307040d00060f080e08030206040d0e0b0c01070f0a000905"
        + "02070c0f09050a0b0104000d06080e030705000d0b060102030a0c0f040e09080e0c000a09020d0b0705080f03060104"
        + "0001020a040d050c0907030f0b08060e08040b0103050009020e0a0c0d06070f"),

    /** id-Gost28147-89-CryptoPro-C-ParamSet. */
    GOST_28147_89_CRYPTOPRO_C("1.2.643.2.2.31.3", "E-C", "id-Gost28147-89-CryptoPro-C-ParamSet",
        "070400050a020f0e0c06010b0d0903080a0906080d0e02000f03050b04010c070c090b01080e0204070306050a000f0d"
        + "080d0b000405010209030c0e060f0a0703060001050d0a080b0209070e0f0c040802050004090f0a03070c0d060e010b"
        + "0001070d0b040502080e0f0c090a0603010b0c02090d000f0405080e0a070603"),

    /** id-Gost28147-89-CryptoPro-D-ParamSet. */
    GOST_28147_89_CRYPTOPRO_D("1.2.643.2.2.31.4", "E-D", "id-Gost28147-89-CryptoPro-D-ParamSet",
        "010a06080f0b00040c030509070d020e0300060f010e09020d080c040b0a050708000f0302050e0b010a04070c090d06"
        + "000c08090d020a0b07030605040e0f0101050e0c0a07000d06020b0409030f08010c0b000f0e06050a0d040809030702"
        + "0b0603040c0f0e02070d0800050a09010f0c020a0604050007090e0d010b0803"),

    /**
     * id-tc26-gost-28147-param-Z (RFC 7836 appendix A.1; the table of GOST R 34.12-2015,
     * RFC 8891 section 4.1), Bouncy Castle's {@code Param-Z}: OpenSSL's default for
     * {@code openssl enc -gost89}.
     */
    GOST_28147_89_TC26_Z("1.2.643.7.1.2.5.1.1", "Param-Z", "id-tc26-gost-28147-param-Z",
        "01070e0d00050803040f0a06090c0b02080e02050609010c0f040b000d0a0307050d0f0609020c0a0b07080104030e00"
        + "070f050a0801060d0009030e0b04020c0c0802010d040f0607000a05030e090b0b030508020f0a0d0e0107040c090600"
        + "06080203090a050c010e04070b0d000f0c0406020a050b090e080d0700030f01");

    /** Size of a substitution table. */
    public static final int TABLE_BYTES = 128;

    private final String oid;
    private final String shortName;
    private final String oidName;
    private final String hex;

    SubstitutionTable(String oid, String shortName, String oidName, String hex) {
        this.oid = oid;
        this.shortName = shortName;
        this.oidName = oidName;
        this.hex = hex;
    }

    /** The object identifier of the parameter set, dotted. */
    public String oid() {
        return oid;
    }

    /** The short name Bouncy Castle uses for the table ({@code E-A}, {@code D-TEST}, ...). */
    public String shortName() {
        return shortName;
    }

    /**
     * Looks a table up by its RFC 4357 name, its object identifier or its short name
     * ({@code E-A}, {@code E-B}, {@code E-C}, {@code E-D}, {@code E-TEST}, {@code D-A},
     * {@code D-TEST}, {@code Param-Z}), ignoring case.
     */
    public static SubstitutionTable byName(String name) {
        for (SubstitutionTable t : values()) {
            if (t.oidName.equalsIgnoreCase(name) || t.oid.equals(name) || t.shortName.equalsIgnoreCase(name)) {
                return t;
            }
        }
        throw new IllegalArgumentException("unknown substitution table: " + name);
    }

    /** The RFC 4357 name of the parameter set. */
    public String oidName() {
        return oidName;
    }

    /** A fresh copy of the 128-byte table, rows K1 to K8. */
    public byte[] bytes() {
        return flipRows(exportBytes());
    }

    /**
     * The table as {@link Vantix}'s exports take it (written into a COM_State): rows K8 to
     * K1, the reverse of {@link #bytes()}. The constants above are in this order.
     *
     * @return a fresh copy of the 128 bytes
     */
    public byte[] exportBytes() {
        return ParameterSet.bytes(hex);
    }

    /** Turns rows K1..K8 into K8..K1 and back. */
    static byte[] flipRows(byte[] table) {
        if (table.length != TABLE_BYTES) {
            throw new IllegalArgumentException("a substitution table is " + TABLE_BYTES + " bytes");
        }
        byte[] out = new byte[TABLE_BYTES];
        for (int row = 0; row < 8; row++) {
            System.arraycopy(table, row * 16, out, (7 - row) * 16, 16);
        }
        return out;
    }
}
