package com.norvane.security.gost;

import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import java.util.Base64;

/**
 * The standard encodings of GOST R 34.10-2001 keys (RFC 4491): X.509 SubjectPublicKeyInfo
 * for public keys and PKCS#8 PrivateKeyInfo for secret keys, as DER or PEM. These are the
 * forms OpenSSL's gost engine and Bouncy Castle write and read.
 *
 * <ul>
 * <li>Algorithm {@code 1.2.643.2.2.19} (id-GostR3410-2001) with parameters
 *     {@code SEQUENCE { publicKeyParamSet, digestParamSet }}; the digest set written is
 *     id-GostR3411-94-CryptoProParamSet, as both peers write it.</li>
 * <li>Public key: an OCTET STRING of 64 bytes, x then y, each little-endian, inside the
 *     BIT STRING.</li>
 * <li>Secret key: an OCTET STRING of the 32-byte little-endian key inside the PKCS#8
 *     OCTET STRING (Bouncy Castle's form). Reading also accepts an INTEGER and the bare
 *     32 bytes OpenSSL writes.</li>
 * </ul>
 *
 * <p>Decoding throws {@link IllegalArgumentException} for anything malformed, another
 * algorithm or an unknown parameter set.
 */
public final class KeyEncoding {
    /** id-GostR3410-2001. */
    public static final String GOST_R3410_2001_OID = "1.2.643.2.2.19";
    /** id-GostR3411-94-CryptoProParamSet, the digest parameters recorded beside the key. */
    static final String DIGEST_PARAMS_OID = "1.2.643.2.2.30.1";
    /** Size of the raw public key: x then y, 32 bytes each, little-endian. */
    public static final int PUBLIC_KEY_BYTES = 64;
    /** Size of the raw secret key, little-endian. */
    public static final int PRIVATE_KEY_BYTES = 32;

    private KeyEncoding() {
    }

    /** A decoded key: its parameter set and its raw bytes (little-endian, as above). */
    public static final class Decoded {
        private final ParameterSet parameterSet;
        private final byte[] key;

        Decoded(ParameterSet parameterSet, byte[] key) {
            this.parameterSet = parameterSet;
            this.key = key;
        }

        /** The parameter set recorded in the encoding. */
        public ParameterSet parameterSet() {
            return parameterSet;
        }

        /** The raw key bytes (the array itself: a caller holding a secret key wipes it). */
        public byte[] key() {
            return key;
        }
    }

    /** SubjectPublicKeyInfo (DER) of a 64-byte raw public key. */
    public static byte[] encodePublicKey(ParameterSet set, byte[] rawKey) {
        if (rawKey.length != PUBLIC_KEY_BYTES) {
            throw new IllegalArgumentException("a raw public key is 64 bytes");
        }
        byte[] bits = Der.tlv(Der.BIT_STRING, new byte[] {0}, Der.tlv(Der.OCTET_STRING, rawKey));
        return Der.sequence(algorithm(set), bits);
    }

    /** Reads a SubjectPublicKeyInfo (DER). */
    public static Decoded decodePublicKey(byte[] der) {
        final String what = "GOST R 34.10-2001 public key";
        Der.Reader info = Der.only(der, Der.SEQUENCE, what);
        ParameterSet set = readAlgorithm(info.next(Der.SEQUENCE, what), what);
        Der.Tlv bits = info.next(Der.BIT_STRING, what);
        info.finish(what);
        if (bits.length() < 1 || bits.buf[bits.start] != 0) {
            throw new IllegalArgumentException(what + ": bad bit string");
        }
        Der.Reader inner = new Der.Reader(bits.buf, bits.start + 1, bits.end);
        Der.Tlv octets = inner.next(Der.OCTET_STRING, what);
        inner.finish(what);
        if (octets.length() != PUBLIC_KEY_BYTES) {
            throw new IllegalArgumentException(what + ": the key is not 64 bytes");
        }
        return new Decoded(set, octets.content());
    }

    /** PKCS#8 PrivateKeyInfo (DER, not encrypted) of a 32-byte little-endian secret key. */
    public static byte[] encodePrivateKey(ParameterSet set, byte[] rawKey) {
        if (rawKey.length != PRIVATE_KEY_BYTES) {
            throw new IllegalArgumentException("a raw secret key is 32 bytes");
        }
        byte[] inner = Der.tlv(Der.OCTET_STRING, rawKey);
        try {
            return Der.sequence(new byte[] {Der.INTEGER, 1, 0}, algorithm(set), Der.tlv(Der.OCTET_STRING, inner));
        } finally {
            Arrays.fill(inner, (byte) 0);
        }
    }

    /** Reads a PKCS#8 PrivateKeyInfo (DER, not encrypted); the key comes back little-endian. */
    public static Decoded decodePrivateKey(byte[] der) {
        final String what = "GOST R 34.10-2001 private key";
        Der.Reader info = Der.only(der, Der.SEQUENCE, what);
        Der.Tlv version = info.next(Der.INTEGER, what);
        if (version.length() != 1 || (version.buf[version.start] != 0 && version.buf[version.start] != 1)) {
            throw new IllegalArgumentException(what + ": unknown version");
        }
        ParameterSet set = readAlgorithm(info.next(Der.SEQUENCE, what), what);
        Der.Tlv priv = info.next(Der.OCTET_STRING, what);
        // Optional attributes [0] and public key [1] may follow; they carry nothing we need.
        byte[] key = new byte[PRIVATE_KEY_BYTES];
        if (priv.length() == PRIVATE_KEY_BYTES) {
            System.arraycopy(priv.buf, priv.start, key, 0, PRIVATE_KEY_BYTES);  // OpenSSL's bare form
        } else {
            Der.Reader inner = priv.contents();
            Der.Tlv t = inner.next(what);
            inner.finish(what);
            if (t.tag == Der.OCTET_STRING && t.length() == PRIVATE_KEY_BYTES) {
                System.arraycopy(t.buf, t.start, key, 0, PRIVATE_KEY_BYTES);
            } else if (t.tag == Der.INTEGER && t.length() >= 1 && t.length() <= PRIVATE_KEY_BYTES + 1
                    && (t.buf[t.start] & 0x80) == 0) {
                // Big-endian, possibly with a leading zero: turn it around into the little-endian key.
                int n = t.length();
                for (int i = 0; i < n; i++) {
                    int le = n - 1 - i;
                    if (le < PRIVATE_KEY_BYTES) {
                        key[le] = t.buf[t.start + i];
                    } else if (t.buf[t.start + i] != 0) {
                        throw new IllegalArgumentException(what + ": the key is longer than 32 bytes");
                    }
                }
            } else {
                throw new IllegalArgumentException(what + ": the key is neither a 32-byte string nor an integer");
            }
        }
        return new Decoded(set, key);
    }

    /** The parameter set's object identifier in DER (Bouncy Castle's ECGOST3410 AlgorithmParameters form). */
    public static byte[] encodeParameterSet(ParameterSet set) {
        return Der.oid(set.oid());
    }

    /**
     * A parameter set from DER: its object identifier, or the key algorithm's parameters
     * {@code SEQUENCE { publicKeyParamSet, digestParamSet, ... }}.
     */
    public static ParameterSet decodeParameterSet(byte[] der) {
        final String what = "GOST R 34.10-2001 parameters";
        Der.Reader top = new Der.Reader(der);
        Der.Tlv t = top.next(what);
        top.finish(what);
        if (t.tag == Der.SEQUENCE) {
            t = t.contents().next(what);
        }
        return ParameterSet.byName(Der.readOid(t, what));
    }

    /** PEM text of DER bytes under a label ({@code PUBLIC KEY}, {@code PRIVATE KEY}, ...). */
    public static String toPem(String label, byte[] der) {
        return "-----BEGIN " + label + "-----\n" + Base64.getMimeEncoder(64, new byte[] {'\n'}).encodeToString(der)
            + "\n-----END " + label + "-----\n";
    }

    /**
     * The DER bytes of the first PEM block with the given label in {@code text}.
     *
     * @throws IllegalArgumentException when there is no such block or its base64 is broken
     */
    public static byte[] fromPem(String label, byte[] text) {
        return Base64.getMimeDecoder().decode(pemBody(label, text).strip());
    }

    /**
     * The text between the BEGIN and END lines of the first PEM block with the given label
     * (headers, if any, included).
     *
     * @throws IllegalArgumentException when there is no such block
     */
    public static String pemBody(String label, byte[] text) {
        String s = new String(text, StandardCharsets.US_ASCII);
        String begin = "-----BEGIN " + label + "-----";
        String end = "-----END " + label + "-----";
        int b = s.indexOf(begin);
        int e = b < 0 ? -1 : s.indexOf(end, b);
        if (b < 0 || e < 0) {
            throw new IllegalArgumentException("no " + label + " block in the PEM text");
        }
        return s.substring(b + begin.length(), e);
    }

    private static byte[] algorithm(ParameterSet set) {
        return Der.sequence(Der.oid(GOST_R3410_2001_OID), Der.sequence(Der.oid(set.oid()), Der.oid(DIGEST_PARAMS_OID)));
    }

    private static ParameterSet readAlgorithm(Der.Tlv algorithm, String what) {
        Der.Reader alg = algorithm.contents();
        String oid = Der.readOid(alg.next(what), what);
        if (!GOST_R3410_2001_OID.equals(oid)) {
            throw new IllegalArgumentException(what + ": algorithm " + oid + " is not GOST R 34.10-2001");
        }
        Der.Reader params = alg.next(Der.SEQUENCE, what).contents();
        alg.finish(what);
        String setOid = Der.readOid(params.next(what), what);
        // The digest (and optional cipher) parameters that follow do not change the key.
        for (ParameterSet s : ParameterSet.values()) {
            if (s.oid().equals(setOid)) {
                return s;
            }
        }
        throw new IllegalArgumentException(what + ": unknown parameter set " + setOid);
    }
}
