package com.norvane.security.gost.jca;

import com.norvane.security.gost.RandomGenerator;
import com.norvane.security.gost.Version;
import java.security.Provider;
import java.util.List;
import java.util.Map;
import java.util.function.Supplier;

/**
 * The library as a JCA provider, under the algorithm names, aliases and object identifiers
 * Bouncy Castle uses, so that code written for Bouncy Castle switches provider by its name:
 *
 * <table>
 * <caption>Services</caption>
 * <tr><th>Type</th><th>Name (aliases)</th><th>What</th></tr>
 * <tr><td>MessageDigest</td><td>GOST3411 (GOST, GOST-3411, 1.2.643.2.2.9)</td>
 *     <td>GOST R 34.11-94, CryptoPro table; {@code clone()} copies the running state</td></tr>
 * <tr><td>MessageDigest</td><td>GOST3411-TEST</td><td>GOST R 34.11-94, test table</td></tr>
 * <tr><td>Signature</td><td>GOST3411WITHECGOST3410 (ECGOST3410, ECGOST-3410,
 *     GOST-3410-2001, GOST3411/ECGOST3410, 1.2.643.2.2.3)</td>
 *     <td>GOST R 34.10-2001 over the GOST R 34.11-94 digest of the message</td></tr>
 * <tr><td>Signature</td><td>NONEWITHECGOST3410</td>
 *     <td>the same over a 32-byte digest the caller computed</td></tr>
 * <tr><td>KeyPairGenerator, KeyFactory</td><td>ECGOST3410 (ECGOST-3410, GOST-3410-2001,
 *     1.2.643.2.2.19, 1.2.643.2.2.98)</td><td>GOST R 34.10-2001 keys, {@code ECPublicKey} and
 *     {@code ECPrivateKey}; X.509, PKCS#8, {@code ECPublicKeySpec}, {@code ECPrivateKeySpec}</td></tr>
 * <tr><td>AlgorithmParameters</td><td>ECGOST3410 (ECGOST-3410, GOST-3410-2001,
 *     1.2.643.2.2.19)</td><td>a parameter set, encoded as its object identifier</td></tr>
 * <tr><td>Cipher</td><td>GOST28147 (GOST, GOST-28147)</td>
 *     <td>modes ECB (simple replacement; bare name: ECB/PKCS5Padding), GCFB (gamma with
 *     feedback), CNT (gamma); NoPadding, PKCS5Padding with ECB</td></tr>
 * <tr><td>Cipher</td><td>1.2.643.2.2.21</td><td>GCFB, NoPadding</td></tr>
 * <tr><td>AlgorithmParameters</td><td>GOST28147 (GOST, GOST-28147, 1.2.643.2.2.21)</td>
 *     <td>vector and table, RFC 4357 {@code Gost28147-89-Parameters}</td></tr>
 * <tr><td>AlgorithmParameterGenerator</td><td>GOST28147 (1.2.643.2.2.21)</td>
 *     <td>a random vector with CryptoPro-A or the named table</td></tr>
 * <tr><td>Mac</td><td>GOST28147MAC (GOST28147, 1.2.643.2.2.22)</td><td>4-byte MAC</td></tr>
 * <tr><td>Mac</td><td>GOST28147MAC-64</td><td>the full 8-byte MAC</td></tr>
 * <tr><td>Mac</td><td>HMACGOST3411 (HMAC-GOST3411, HMAC/GOST3411, 1.2.643.2.2.10,
 *     1.2.643.2.2.9 as in Bouncy Castle)</td>
 *     <td>HMAC over GOST R 34.11-94 (CryptoPro table), 32 bytes</td></tr>
 * <tr><td>SecretKeyFactory</td><td>PBKDF2WITHHMACGOST3411</td>
 *     <td>PBKDF2 with HMAC-GOST3411; the password as UTF-8</td></tr>
 * <tr><td>KeyGenerator</td><td>GOST28147 (GOST, GOST-28147), HMACGOST3411</td>
 *     <td>32-byte keys</td></tr>
 * <tr><td>SecureRandom</td><td>GOST</td><td>the library's generator</td></tr>
 * <tr><td>KeyAgreement</td><td>ECGOST3410 (GOST-3410-2001, 1.2.643.2.2.19, 1.2.643.2.2.96)</td>
 *     <td>VKO GOST R 34.10-2001: the key-encryption key from a private key, a public key
 *     and a UKM</td></tr>
 * <tr><td>Cipher</td><td>GOST28147WRAP (1.2.643.2.2.13.0), CRYPTOPROWRAP (1.2.643.2.2.13.1)</td>
 *     <td>the GOST 28147-89 and CryptoPro key wraps</td></tr>
 * </table>
 *
 * <p>Byte orders are those of the peers (see the package description of
 * {@code com.norvane.security.gost}). Where Bouncy Castle is on the class path the keys are
 * also its EC key types and parameters may be given in its classes; Bouncy Castle is never
 * needed at run time.
 *
 * <p>What still differs from Bouncy Castle, and why:
 *
 * <table>
 * <caption>Differences from Bouncy Castle</caption>
 * <tr><th>What</th><th>Here</th><th>Bouncy Castle</th><th>Why</th></tr>
 * <tr><td>GOST 28147-89 table when none is named (ciphers, MACs)</td><td>CryptoPro-A</td>
 *     <td>its "Default" table (the rows of id-GostR3411-94-TestParamSet)</td>
 *     <td>CryptoPro-A is what Bouncy Castle records in its own GOST28147 parameters and CMS
 *     messages and OpenSSL's default for gost-mac ({@code openssl enc -gost89} defaults to
 *     Param-Z); data made here before stays readable. Name the table when exchanging
 *     data.</td></tr>
 * <tr><td>ECB</td><td>at most 32 bytes per init</td><td>any length</td>
 *     <td>simple replacement is for key material; longer ECB would show the data's
 *     patterns</td></tr>
 * <tr><td>GCFB or CNT with PKCS5Padding</td><td>refused (NoSuchPaddingException)</td>
 *     <td>pads</td><td>these modes need no padding; use NoPadding</td></tr>
 * <tr><td>CFB, CTR, SIC, GOFB, OFB, CBC and other modes</td>
 *     <td>refused (NoSuchAlgorithmException naming GCFB or CNT)</td>
 *     <td>block-cipher modes without CryptoPro key meshing</td>
 *     <td>not made here; the name must not give other bytes than Bouncy Castle's</td></tr>
 * <tr><td>CNT</td><td>the GOST 28147-89 gamma with key meshing (OpenSSL's
 *     gost89-cnt)</td><td>no such mode (its GOFB is equal for the first 1024 bytes only)</td>
 *     <td>the OpenSSL peer</td></tr>
 * <tr><td>GOST28147MAC of a message over 1024 bytes</td><td>enciphers the running value at
 *     each key meshing</td><td>does not</td><td>this MAC's construction, kept for stored
 *     MACs</td></tr>
 * <tr><td>GOST3411 digest of the empty message</td><td>OpenSSL's value</td><td>another
 *     value</td><td>OpenSSL agrees with this one</td></tr>
 * <tr><td>SecureRandom given to generators and ciphers</td><td>not used</td><td>used</td>
 *     <td>keys and vectors come from the library's own generator</td></tr>
 * <tr><td>An unnamed {@code ECParameterSpec} of a curve two sets share (CryptoPro-A and XchA,
 *     CryptoPro-C and XchB)</td><td>the first set (CryptoPro-A, CryptoPro-C)</td>
 *     <td>explicit parameters</td><td>keys here always name their set; a named parameters
 *     (a key's {@code getParams()}) keeps the set</td></tr>
 * <tr><td>Keys on the test parameter set</td><td>plain {@code ECPublicKey}/{@code ECPrivateKey},
 *     not Bouncy Castle's types</td><td>no such set</td><td>Bouncy Castle cannot name
 *     it</td></tr>
 * <tr><td>Private keys</td><td>not serializable; {@code getS()} unmasks on each call</td>
 *     <td>serializable</td><td>the key stays masked in native memory; export it with
 *     {@code getEncoded()}</td></tr>
 * <tr><td>PBKDF2 with an empty password</td><td>InvalidKeySpecException</td>
 *     <td>IllegalArgumentException</td><td>the JCA's checked exception for a bad key
 *     parameters</td></tr>
 * <tr><td>Key wrap (1.2.643.2.2.13.0, .13.1): a wrapped key whose MAC does not match</td>
 *     <td>InvalidKeyException (BadPaddingException in DECRYPT_MODE)</td>
 *     <td>IllegalStateException</td><td>the JCA's exception for a key that cannot be
 *     unwrapped</td></tr>
 * <tr><td>Key wrap: a key to wrap that is not 32 bytes; no UKM; a UKM or KEK of the wrong
 *     length</td><td>InvalidKeyException or InvalidAlgorithmParameterException</td>
 *     <td>wraps the first 32 bytes, or fails with an index or cast exception</td>
 *     <td>the wraps are defined for a 32-byte key, an 8-byte UKM and a 32-byte KEK</td></tr>
 * <tr><td>Key wrap: Bouncy Castle's {@code GOST28147WrapParameterSpec} without a
 *     table</td><td>CryptoPro-A</td><td>NullPointerException</td><td>the table RFC 4490's
 *     CMS uses</td></tr>
 * <tr><td>Key wrap: {@code getParameters()}</td><td>null</td><td>RuntimeException (no
 *     parameters service for the wrap)</td><td>the UKM travels in the caller's own
 *     structure</td></tr>
 * <tr><td>KeyAgreement ECGOST3410 initialised without a UKM</td><td>InvalidKeyException at
 *     {@code init}</td><td>NullPointerException at {@code doPhase}</td><td>VKO is defined
 *     with a UKM</td></tr>
 * <tr><td>KeyAgreement ECGOST3410: {@code generateSecret} a second time, or after a new
 *     {@code init} without {@code doPhase}</td><td>IllegalStateException</td><td>the last
 *     secret again</td><td>the JCA resets the agreement after each secret; a stale secret
 *     must not pass for a new one</td></tr>
 * <tr><td>KeyAgreement ECGOST3410: a UKM that is 0 modulo q (an all-zero UKM included), a
 *     public key on another curve</td><td>InvalidKeyException</td><td>the same (its
 *     "calculation failed")</td><td>as Bouncy Castle</td></tr>
 * <tr><td>Cipher parameters with a table that has no object identifier</td>
 *     <td>{@code getParameters()} gives null</td><td>cannot encode them either</td>
 *     <td>the encoding records the table by its identifier</td></tr>
 * </table>
 *
 * <pre>{@code
 * Security.addProvider(new VantixProvider());
 * KeyPair pair = KeyPairGenerator.getInstance("ECGOST3410", "Vantix").generateKeyPair();
 * Signature s = Signature.getInstance("GOST3411withECGOST3410", "Vantix");
 * s.initSign(pair.getPrivate()); s.update(document); byte[] sig = s.sign();
 * s.initVerify(pair.getPublic()); s.update(document); boolean ok = s.verify(sig);
 * }</pre>
 *
 * <p>Every service object may be used by one thread at a time, as the JCA expects: a call
 * made while another thread is inside the same Cipher, Mac, Signature, MessageDigest or
 * KeyAgreement throws IllegalStateException and changes nothing. The keys may be shared.
 * Secret keys made here stay masked in native memory; their encoded form is produced only
 * when {@code getEncoded()} is called.
 */
public final class VantixProvider extends Provider {
    private static final long serialVersionUID = 1L;
    /** The provider's name. */
    public static final String NAME = "Vantix";

    // One generator per thread: a generator serialises its draws and sleeps through an
    // entropy gathering every 16 KiB of output, so a generator shared by the whole JVM
    // would make every thread wait for every other thread's gathering.
    private static final ThreadLocal<RandomGenerator> GENERATORS = ThreadLocal.withInitial(RandomGenerator::fromSystem);

    private static final class Instance {
        static final VantixProvider PROVIDER = new VantixProvider();
    }

    /** A provider object for what the services hand out themselves (parameters), installed or not. */
    static VantixProvider instance() {
        return Instance.PROVIDER;
    }

    /** The provider; add it with {@code Security.addProvider(new VantixProvider())}. */
    public VantixProvider() {
        super(NAME, Version.VERSION, "GOST 28147-89, GOST R 34.11-94 and GOST R 34.10-2001 (tellarvantix)");
        add("MessageDigest", "GOST3411", GostDigestSpi.CryptoPro::new, "GOST", "GOST-3411", "1.2.643.2.2.9");
        add("MessageDigest", "GOST3411-TEST", GostDigestSpi.Test::new);
        add("Signature", "GOST3411WITHECGOST3410", () -> new GostSignatureSpi(true), "ECGOST3410", "ECGOST-3410",
            "GOST-3410-2001", "GOST3411/ECGOST3410", "GOST3411WITHECGOST3410-2001", "1.2.643.2.2.3");
        add("Signature", "NONEWITHECGOST3410", () -> new GostSignatureSpi(false));
        add("KeyPairGenerator", "ECGOST3410", GostKeyPairGeneratorSpi::new, "ECGOST-3410", "GOST-3410-2001",
            "1.2.643.2.2.19", "1.2.643.2.2.98");
        add("KeyFactory", "ECGOST3410", GostKeyFactorySpi::new, "ECGOST-3410", "GOST-3410-2001", "1.2.643.2.2.19",
            "1.2.643.2.2.98");
        // No SupportedModes/SupportedPaddings: a mode or padding not made here reaches the cipher,
        // which refuses it naming the one to use instead.
        add("Cipher", "GOST28147", () -> new GostCipherSpi(GostCipherSpi.Mode.ECB),
            Map.of("SupportedKeyFormats", "RAW"), "GOST", "GOST-28147");
        add("Cipher", "1.2.643.2.2.21", () -> new GostCipherSpi(GostCipherSpi.Mode.CFB),
            Map.of("SupportedKeyFormats", "RAW"), "OID.1.2.643.2.2.21");
        add("AlgorithmParameters", "GOST28147", GostCipherParametersSpi::new, "GOST", "GOST-28147", "1.2.643.2.2.21");
        add("AlgorithmParameterGenerator", "GOST28147", GostCipherParameterGeneratorSpi::new, "1.2.643.2.2.21");
        add("AlgorithmParameters", "ECGOST3410", GostCurveParametersSpi::new, "ECGOST-3410", "GOST-3410-2001",
            "1.2.643.2.2.19");
        add("Mac", "GOST28147MAC", () -> new GostMacSpi(4), "GOST28147", "1.2.643.2.2.22");
        add("Mac", "GOST28147MAC-64", () -> new GostMacSpi(8));
        add("Mac", "HMACGOST3411", GostHmacSpi::new, "HMAC-GOST3411", "HMAC/GOST3411", "1.2.643.2.2.10",
            "1.2.643.2.2.9");
        add("KeyGenerator", "HMACGOST3411", () -> new GostKeyGeneratorSpi("HMACGOST3411"), "HMAC-GOST3411",
            "HMAC/GOST3411", "1.2.643.2.2.10", "1.2.643.2.2.9");
        add("SecretKeyFactory", GostPbkdf2Spi.NAME, GostPbkdf2Spi::new);
        add("KeyGenerator", "GOST28147", () -> new GostKeyGeneratorSpi("GOST28147"),
            "GOST", "GOST-28147", "1.2.643.2.2.21");
        add("SecureRandom", "GOST", GostSecureRandomSpi::new, Map.of("ThreadSafe", "true"));
        add("KeyAgreement", "ECGOST3410", GostKeyAgreementSpi::new, "GOST-3410-2001", "1.2.643.2.2.19",
            "1.2.643.2.2.96");
        add("Cipher", "GOST28147WRAP", () -> new GostWrapCipherSpi(false), "1.2.643.2.2.13.0");
        add("Cipher", "CRYPTOPROWRAP", () -> new GostWrapCipherSpi(true), "1.2.643.2.2.13.1");
    }

    private void add(String type, String name, Supplier<Object> factory, String... aliases) {
        add(type, name, factory, Map.of(), aliases);
    }

    private void add(String type, String name, Supplier<Object> factory, Map<String, String> attributes,
                     String... aliases) {
        List<String> all = new java.util.ArrayList<>(List.of(aliases));
        for (String a : aliases) {
            if (Character.isDigit(a.charAt(0))) {
                all.add("OID." + a);
            }
        }
        putService(new Service(this, type, name, getClass().getName() + "$" + type + "/" + name, all, attributes) {
            @Override
            public Object newInstance(Object constructorParameter) {
                return factory.get();
            }
        });
    }

    /**
     * The calling thread's generator, for the keys, ciphers, MACs and signatures made on
     * this thread: seeded from the system on the thread's first use, and wiped and freed by
     * its cleaner once the thread has ended and no object made with it is left. An object
     * keeps the generator it was made with; used later from another thread, it draws from
     * that generator under the generator's lock. Never close it.
     */
    static RandomGenerator generator() {
        return GENERATORS.get();
    }
}
