package com.norvane.security.gost;

import java.util.Locale;

/**
 * The GOST R 34.10-2001 domain parameter sets of RFC 4357 (p, q, a, b and the base point
 * as big-endian hexadecimal).
 */
public enum ParameterSet {
    /** id-GostR3410-2001-TestParamSet, the worked example of the standard. */
    TEST("1.2.643.2.2.35.0", "GostR3410-2001-Test", "id-GostR3410-2001-TestParamSet",
        "8000000000000000000000000000000000000000000000000000000000000431",
        "8000000000000000000000000000000150FE8A1892976154C59CFC193ACCF5B3",
        "0000000000000000000000000000000000000000000000000000000000000007",
        "5FBFF498AA938CE739B8E022FBAFEF40563F6E6A3472FC2A514C0CE9DAE23B7E",
        "0000000000000000000000000000000000000000000000000000000000000002",
        "08E2A8A0E65147D4BD6316030E16D19C85C97F0A9CA267122B96ABBCEA7E8FC8"),
    /** id-GostR3410-2001-CryptoPro-A-ParamSet. */
    CRYPTOPRO_A("1.2.643.2.2.35.1", "GostR3410-2001-CryptoPro-A", "id-GostR3410-2001-CryptoPro-A-ParamSet",
        "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD97",
        "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893",
        "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD94",
        "00000000000000000000000000000000000000000000000000000000000000A6",
        "0000000000000000000000000000000000000000000000000000000000000001",
        "8D91E471E0989CDA27DF505A453F2B7635294F2DDF23E3B122ACC99C9E9F1E14"),
    /** id-GostR3410-2001-CryptoPro-B-ParamSet. */
    CRYPTOPRO_B("1.2.643.2.2.35.2", "GostR3410-2001-CryptoPro-B", "id-GostR3410-2001-CryptoPro-B-ParamSet",
        "8000000000000000000000000000000000000000000000000000000000000C99",
        "800000000000000000000000000000015F700CFFF1A624E5E497161BCC8A198F",
        "8000000000000000000000000000000000000000000000000000000000000C96",
        "3E1AF419A269A5F866A7D3C25C3DF80AE979259373FF2B182F49D4CE7E1BBC8B",
        "0000000000000000000000000000000000000000000000000000000000000001",
        "3FA8124359F96680B83D1C3EB2C070E5C545C9858D03ECFB744BF8D717717EFC"),
    /** id-GostR3410-2001-CryptoPro-C-ParamSet. */
    CRYPTOPRO_C("1.2.643.2.2.35.3", "GostR3410-2001-CryptoPro-C", "id-GostR3410-2001-CryptoPro-C-ParamSet",
        "9B9F605F5A858107AB1EC85E6B41C8AACF846E86789051D37998F7B9022D759B",
        "9B9F605F5A858107AB1EC85E6B41C8AA582CA3511EDDFB74F02F3A6598980BB9",
        "9B9F605F5A858107AB1EC85E6B41C8AACF846E86789051D37998F7B9022D7598",
        "000000000000000000000000000000000000000000000000000000000000805A",
        "0000000000000000000000000000000000000000000000000000000000000000",
        "41ECE55743711A8C3CBF3783CD08C0EE4D4DC440D4641A8F366E550DFDB3BB67"),
    /** id-GostR3410-2001-CryptoPro-XchA-ParamSet (the curve of CryptoPro-A). */
    XCHA("1.2.643.2.2.36.0", "GostR3410-2001-CryptoPro-XchA", "id-GostR3410-2001-CryptoPro-XchA-ParamSet",
        CRYPTOPRO_A.p, CRYPTOPRO_A.q, CRYPTOPRO_A.a, CRYPTOPRO_A.b, CRYPTOPRO_A.x, CRYPTOPRO_A.y),
    /** id-GostR3410-2001-CryptoPro-XchB-ParamSet (the curve of CryptoPro-C). */
    XCHB("1.2.643.2.2.36.1", "GostR3410-2001-CryptoPro-XchB", "id-GostR3410-2001-CryptoPro-XchB-ParamSet",
        CRYPTOPRO_C.p, CRYPTOPRO_C.q, CRYPTOPRO_C.a, CRYPTOPRO_C.b, CRYPTOPRO_C.x, CRYPTOPRO_C.y);

    private final String oid;
    private final String curveName;
    private final String oidName;
    private final String p;
    private final String q;
    private final String a;
    private final String b;
    private final String x;
    private final String y;

    ParameterSet(String oid, String curveName, String oidName, String p, String q, String a, String b,
            String x, String y) {
        this.oid = oid;
        this.curveName = curveName;
        this.oidName = oidName;
        this.p = p;
        this.q = q;
        this.a = a;
        this.b = b;
        this.x = x;
        this.y = y;
    }

    /** The RFC 4357 name. */
    public String oidName() {
        return oidName;
    }

    /** The object identifier, dotted (recorded in encoded keys). */
    public String oid() {
        return oid;
    }

    /** The curve name Bouncy Castle uses ({@code GostR3410-2001-CryptoPro-A}, ...). */
    public String curveName() {
        return curveName;
    }

    /** The field prime, 32 bytes big-endian. */
    public byte[] p() {
        return bytes(p);
    }

    /** The order of the base point, 32 bytes big-endian. */
    public byte[] q() {
        return bytes(q);
    }

    /** The curve coefficient a, 32 bytes big-endian. */
    public byte[] a() {
        return bytes(a);
    }

    /** The curve coefficient b, 32 bytes big-endian. */
    public byte[] b() {
        return bytes(b);
    }

    /** The base point's x coordinate, 32 bytes big-endian. */
    public byte[] x() {
        return bytes(x);
    }

    /** The base point's y coordinate, 32 bytes big-endian. */
    public byte[] y() {
        return bytes(y);
    }

    /**
     * Looks a set up by its RFC 4357 name, its object identifier, Bouncy Castle's curve name
     * or its short name ({@code test}, {@code cryptopro-a}, {@code cryptopro-b},
     * {@code cryptopro-c}, {@code xcha}, {@code xchb}), ignoring case.
     */
    public static ParameterSet byName(String name) {
        for (ParameterSet s : values()) {
            String shortName = s.name().toLowerCase(Locale.ROOT).replace('_', '-');
            if (s.oidName.equalsIgnoreCase(name) || shortName.equalsIgnoreCase(name) || s.oid.equals(name)
                    || s.curveName.equalsIgnoreCase(name)) {
                return s;
            }
        }
        throw new IllegalArgumentException("unknown parameter set: " + name);
    }

    static byte[] bytes(String hex) {
        byte[] out = new byte[hex.length() / 2];
        for (int i = 0; i < out.length; i++) {
            out[i] = (byte) Integer.parseInt(hex.substring(2 * i, 2 * i + 2), 16);
        }
        return out;
    }
}
