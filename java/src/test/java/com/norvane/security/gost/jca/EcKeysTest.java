package com.norvane.security.gost.jca;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertInstanceOf;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import com.norvane.security.gost.ParameterSet;
import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.NotSerializableException;
import java.io.ObjectInputStream;
import java.io.ObjectOutputStream;
import java.math.BigInteger;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidKeyException;
import java.security.Key;
import java.security.KeyFactory;
import java.security.KeyPair;
import java.security.KeyPairGenerator;
import java.security.PrivateKey;
import java.security.Provider;
import java.security.PublicKey;
import java.security.Signature;
import java.security.interfaces.ECPrivateKey;
import java.security.interfaces.ECPublicKey;
import java.security.spec.ECGenParameterSpec;
import java.security.spec.ECParameterSpec;
import java.security.spec.ECPoint;
import java.security.spec.ECPrivateKeySpec;
import java.security.spec.ECPublicKeySpec;
import java.security.spec.InvalidKeySpecException;
import java.security.spec.PKCS8EncodedKeySpec;
import java.security.spec.X509EncodedKeySpec;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import org.bouncycastle.jce.provider.BouncyCastleProvider;
import org.bouncycastle.jce.spec.ECNamedCurveGenParameterSpec;
import org.bouncycastle.jce.spec.ECNamedCurveSpec;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The provider's GOST R 34.10-2001 keys as EC keys, beside Bouncy Castle's in the same JVM:
 * parameters equal in value, points, key specs both ways, Bouncy Castle's signer taking our
 * keys and ours taking its, equality by value, and the plain forms where Bouncy Castle is
 * absent.
 */
class EcKeysTest {
    private static final Provider BC = new BouncyCastleProvider();
    private static final Provider VANTIX = new VantixProvider();
    private static final byte[] DOC = new byte[1500];

    @TempDir
    Path dir;

    private static KeyPair generate(Provider p, String curve) throws Exception {
        KeyPairGenerator g = KeyPairGenerator.getInstance("ECGOST3410", p);
        g.initialize(new ECGenParameterSpec(curve));
        return g.generateKeyPair();
    }

    private static void assertSameCurve(ECParameterSpec expected, ECParameterSpec actual, String what) {
        assertEquals(expected.getCurve(), actual.getCurve(), what);
        assertEquals(expected.getGenerator(), actual.getGenerator(), what);
        assertEquals(expected.getOrder(), actual.getOrder(), what);
        assertEquals(expected.getCofactor(), actual.getCofactor(), what);
    }

    /** A signature object of the provider over the document, ready to sign (private key) or verify. */
    private static Signature over(Provider p, Key k) throws Exception {
        Signature s = Signature.getInstance("GOST3411withECGOST3410", p);
        if (k instanceof PrivateKey) {
            s.initSign((PrivateKey) k);
        } else {
            s.initVerify((PublicKey) k);
        }
        s.update(DOC);
        return s;
    }

    private static byte[] sign(Provider p, PrivateKey k) throws Exception {
        return over(p, k).sign();
    }

    private static boolean verify(Provider p, PublicKey k, byte[] sig) throws Exception {
        return over(p, k).verify(sig);
    }

    @Test
    void keysAreEcKeysEqualInValueToBouncyCastles() throws Exception {
        KeyFactory bcFactory = KeyFactory.getInstance("ECGOST3410", BC);
        for (ParameterSet set : ParameterSet.values()) {
            if (set == ParameterSet.TEST) {
                continue;  // Bouncy Castle has no test set
            }
            String curve = set.curveName();
            KeyPair ours = generate(VANTIX, curve);
            ECPublicKey pub = (ECPublicKey) ours.getPublic();
            ECPrivateKey priv = (ECPrivateKey) ours.getPrivate();
            // Bouncy Castle's reading of the same encodings.
            ECPublicKey theirPub = (ECPublicKey) bcFactory.generatePublic(new X509EncodedKeySpec(pub.getEncoded()));
            ECPrivateKey theirPriv = (ECPrivateKey) bcFactory.generatePrivate(
                new PKCS8EncodedKeySpec(priv.getEncoded()));
            assertSameCurve(theirPub.getParams(), pub.getParams(), curve);
            assertSameCurve(theirPriv.getParams(), priv.getParams(), curve);
            assertEquals(theirPub.getW(), pub.getW(), curve);
            assertEquals(theirPriv.getS(), priv.getS(), curve);
            // Named as Bouncy Castle names it: its CMS code encodes the parameter set by this name.
            assertEquals(curve, ((ECNamedCurveSpec) pub.getParams()).getName());
            assertEquals(curve, ((ECNamedCurveSpec) priv.getParams()).getName());
            assertEquals(((org.bouncycastle.jce.interfaces.ECPublicKey) theirPub).getQ(),
                ((org.bouncycastle.jce.interfaces.ECPublicKey) pub).getQ());
            assertEquals(theirPriv.getS(), ((org.bouncycastle.jce.interfaces.ECPrivateKey) priv).getD());

            // Bouncy Castle's signer takes our key objects, and ours takes its.
            assertTrue(verify(VANTIX, pub, sign(BC, priv)), curve);
            assertTrue(verify(BC, pub, sign(VANTIX, priv)), curve);
            KeyPair theirs = generate(BC, curve);
            assertTrue(verify(BC, theirs.getPublic(), sign(VANTIX, theirs.getPrivate())), curve);
            assertTrue(verify(VANTIX, theirs.getPublic(), sign(BC, theirs.getPrivate())), curve);
        }
    }

    @Test
    void keySpecsBothWaysAndTranslation() throws Exception {
        KeyFactory f = KeyFactory.getInstance("ECGOST3410", VANTIX);
        KeyFactory bcFactory = KeyFactory.getInstance("ECGOST3410", BC);
        for (String curve : new String[] {"GostR3410-2001-CryptoPro-B", "GostR3410-2001-CryptoPro-XchB"}) {
            KeyPair theirs = generate(BC, curve);
            ECPublicKeySpec pubSpec = bcFactory.getKeySpec(theirs.getPublic(), ECPublicKeySpec.class);
            ECPrivateKeySpec privSpec = bcFactory.getKeySpec(theirs.getPrivate(), ECPrivateKeySpec.class);
            PublicKey pub = f.generatePublic(pubSpec);
            PrivateKey priv = f.generatePrivate(privSpec);
            assertArrayEquals(theirs.getPublic().getEncoded(), pub.getEncoded(), curve);
            assertEquals(privSpec.getS(), ((ECPrivateKey) priv).getS(), curve);
            // And back: our specs read by Bouncy Castle give its keys.
            assertArrayEquals(theirs.getPublic().getEncoded(),
                bcFactory.generatePublic(f.getKeySpec(pub, ECPublicKeySpec.class)).getEncoded());
            assertEquals(privSpec.getS(),
                ((ECPrivateKey) bcFactory.generatePrivate(f.getKeySpec(priv, ECPrivateKeySpec.class))).getS());
            // Any EC key on a GOST curve translates, by its encoding or its numbers.
            assertEquals(pub, f.translateKey(theirs.getPublic()));
            assertEquals(priv, f.translateKey(theirs.getPrivate()));
            assertEquals(pub, f.translateKey(new NumbersOnly(pubSpec.getW(), pubSpec.getParams())));
            assertSame(pub, f.translateKey(pub));
        }
        // A plain ECParameterSpec (no name) on a set's curve; the first set on the curve is taken.
        ECParameterSpec plainA = GostCurves.plain(ParameterSet.CRYPTOPRO_A);
        ECParameterSpec unnamed = new ECParameterSpec(plainA.getCurve(), plainA.getGenerator(), plainA.getOrder(), 1);
        PrivateKey fromNumbers = f.generatePrivate(new ECPrivateKeySpec(BigInteger.valueOf(12345), unnamed));
        assertEquals(ParameterSet.CRYPTOPRO_A, ((GostPrivateKey) fromNumbers).getParameterSet());
        assertEquals(BigInteger.valueOf(12345), ((ECPrivateKey) fromNumbers).getS());
        // Refused: out of range, off the curve, another curve.
        BigInteger q = plainA.getOrder();
        for (BigInteger s : new BigInteger[] {BigInteger.ZERO, q,
                BigInteger.ONE.negate(), BigInteger.ONE.shiftLeft(256)}) {
            assertThrows(InvalidKeySpecException.class, () -> f.generatePrivate(new ECPrivateKeySpec(s, unnamed)));
        }
        ECPoint g = plainA.getGenerator();
        assertThrows(InvalidKeySpecException.class, () -> f.generatePublic(
            new ECPublicKeySpec(new ECPoint(g.getAffineX(), g.getAffineY().add(BigInteger.ONE)), unnamed)));
        KeyPairGenerator p256 = KeyPairGenerator.getInstance("EC");
        p256.initialize(new ECGenParameterSpec("secp256r1"));
        KeyPair nist = p256.generateKeyPair();
        assertThrows(InvalidKeyException.class, () -> f.translateKey(nist.getPublic()));
        assertThrows(InvalidKeyException.class, () -> f.translateKey(nist.getPrivate()));
    }

    /** An EC public key known only by its numbers (no encoding). */
    private static final class NumbersOnly implements ECPublicKey {
        private static final long serialVersionUID = 1L;
        private final ECPoint w;
        private final transient ECParameterSpec params;

        NumbersOnly(ECPoint w, ECParameterSpec params) {
            this.w = w;
            this.params = params;
        }

        @Override
        public ECPoint getW() {
            return w;
        }

        @Override
        public ECParameterSpec getParams() {
            return params;
        }

        @Override
        public String getAlgorithm() {
            return "EC";
        }

        @Override
        public String getFormat() {
            return null;
        }

        @Override
        public byte[] getEncoded() {
            return null;
        }
    }

    @Test
    void generatorTakesEveryWayOfNamingTheCurve() throws Exception {
        KeyPairGenerator g = KeyPairGenerator.getInstance("1.2.643.2.2.98", VANTIX);
        KeyPair theirs = generate(BC, "GostR3410-2001-CryptoPro-XchA");
        List<Object[]> cases = new ArrayList<>();
        cases.add(new Object[] {new ECNamedCurveGenParameterSpec("GostR3410-2001-CryptoPro-C"),
            ParameterSet.CRYPTOPRO_C});
        cases.add(new Object[] {((ECPublicKey) theirs.getPublic()).getParams(), ParameterSet.XCHA});
        cases.add(new Object[] {GostCurves.curveParameters(ParameterSet.XCHB), ParameterSet.XCHB});
        cases.add(new Object[] {GostCurves.plain(ParameterSet.TEST), ParameterSet.TEST});
        ECParameterSpec b = GostCurves.plain(ParameterSet.CRYPTOPRO_B);
        cases.add(new Object[] {new ECParameterSpec(b.getCurve(), b.getGenerator(), b.getOrder(), 1),
            ParameterSet.CRYPTOPRO_B});
        for (Object[] c : cases) {
            g.initialize((java.security.spec.AlgorithmParameterSpec) c[0]);
            assertEquals(c[1], ((GostPublicKey) g.generateKeyPair().getPublic()).getParameterSet(), c[0].toString());
        }
        assertThrows(InvalidAlgorithmParameterException.class,
            () -> g.initialize(new ECNamedCurveGenParameterSpec("secp256r1")));
        assertThrows(InvalidAlgorithmParameterException.class,
            () -> g.initialize(((ECPublicKey) KeyPairGenerator.getInstance("EC").generateKeyPair().getPublic())
                .getParams()));
        assertEquals(KeyFactory.getInstance("1.2.643.2.2.98", VANTIX).getProvider(), VANTIX);
    }

    @Test
    void privateKeysAreEqualByValueAndDestroyWipes() throws Exception {
        KeyFactory f = KeyFactory.getInstance("ECGOST3410", VANTIX);
        KeyPair pair = generate(VANTIX, "GostR3410-2001-CryptoPro-A");
        byte[] pkcs8 = pair.getPrivate().getEncoded();
        PrivateKey a = f.generatePrivate(new PKCS8EncodedKeySpec(pkcs8));
        PrivateKey b = f.generatePrivate(new PKCS8EncodedKeySpec(pkcs8));
        assertEquals(a, b);
        assertEquals(a.hashCode(), b.hashCode());
        assertEquals(pair.getPrivate(), a);
        assertNotEquals(a, generate(VANTIX, "GostR3410-2001-CryptoPro-A").getPrivate());
        assertNotEquals(a, pair.getPublic());
        // The public key is equal by its encoding, whichever way it was made.
        assertEquals(pair.getPublic(), f.generatePublic(new X509EncodedKeySpec(pair.getPublic().getEncoded())));

        BigInteger s = ((ECPrivateKey) a).getS();
        ((GostPrivateKey) a).destroy();
        assertTrue(((GostPrivateKey) a).isDestroyed());
        assertThrows(IllegalStateException.class, ((ECPrivateKey) a)::getS);
        assertThrows(IllegalStateException.class, a::getEncoded);
        assertThrows(InvalidKeyException.class, () -> Signature.getInstance("ECGOST3410", VANTIX).initSign(a));
        assertEquals(a, b, "equality needs no secret");
        assertEquals(s, ((ECPrivateKey) b).getS(), "the other copy is untouched");

        // A public key serializes as the plain class and reads back as an equal key.
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        try (ObjectOutputStream out = new ObjectOutputStream(bytes)) {
            out.writeObject(pair.getPublic());
        }
        try (ObjectInputStream in = new ObjectInputStream(new ByteArrayInputStream(bytes.toByteArray()))) {
            assertEquals(pair.getPublic(), in.readObject());
        }
        assertFalse(new String(bytes.toByteArray(), StandardCharsets.ISO_8859_1).contains("Bridge"));
        assertThrows(NotSerializableException.class, () -> new ObjectOutputStream(new ByteArrayOutputStream())
            .writeObject(b));
    }

    /** Without Bouncy Castle: plain EC keys and parameter specs, nothing of it loaded, everything else the same. */
    @Test
    void withoutBouncyCastleKeysArePlainEcKeys() throws Exception {
        String jar = System.getProperty("vantix.all.jar");
        assumeTrue(jar != null && Files.isRegularFile(Path.of(jar)), "set vantix.all.jar to the self-loading jar");
        Path src = dir.resolve("Plain.java");
        Files.writeString(src, String.join("\n",
            "import java.security.*;",
            "import java.security.interfaces.*;",
            "import java.security.spec.*;",
            "public class Plain {",
            "  public static void main(String[] a) throws Exception {",
            "    Provider v = new com.norvane.security.gost.jca.VantixProvider();",
            "    KeyPairGenerator g = KeyPairGenerator.getInstance(\"ECGOST3410\", v);",
            "    g.initialize(new ECGenParameterSpec(\"GostR3410-2001-CryptoPro-B\"));",
            "    KeyPair p = g.generateKeyPair();",
            "    ECPublicKey pub = (ECPublicKey) p.getPublic();",
            "    KeyFactory f = KeyFactory.getInstance(\"ECGOST3410\", v);",
            "    ECPrivateKey priv = (ECPrivateKey) f.generatePrivate(",
            "        f.getKeySpec(p.getPrivate(), ECPrivateKeySpec.class));",
            "    Signature s = Signature.getInstance(\"ECGOST3410\", v);",
            "    s.initSign(priv); s.update(new byte[3]); byte[] sig = s.sign();",
            "    s.initVerify(f.generatePublic(new ECPublicKeySpec(pub.getW(), pub.getParams())));",
            "    s.update(new byte[3]);",
            "    javax.crypto.Cipher c = javax.crypto.Cipher.getInstance(\"1.2.643.2.2.21\", v);",
            "    c.init(javax.crypto.Cipher.ENCRYPT_MODE,",
            "        javax.crypto.KeyGenerator.getInstance(\"GOST28147\", v).generateKey());",
            "    String algParams =",
            "        c.getParameters().getParameterSpec(AlgorithmParameterSpec.class).getClass().getSimpleName();",
            "    System.out.println(pub.getClass().getName() + \" \" + priv.getClass().getName() + \" \"",
            "      + pub.getParams() + \" \" + s.verify(sig) + \" \" + priv.equals(p.getPrivate())",
            "      + \" \" + algParams);",
            "  }",
            "}"));
        String java = Path.of(System.getProperty("java.home"), "bin", "java").toString();
        Process p = new ProcessBuilder(java, "-Xcheck:jni", "-cp", jar, src.toString())
            .redirectErrorStream(true).start();
        String out = new String(p.getInputStream().readAllBytes(), StandardCharsets.UTF_8).trim();
        assertTrue(p.waitFor(60, TimeUnit.SECONDS));
        assertEquals("com.norvane.security.gost.jca.GostPublicKey com.norvane.security.gost.jca.GostPrivateKey "
            + "GostR3410-2001-CryptoPro-B true true Gost28147ParameterSpec", out);
    }

    @Test
    void bouncyCastleTypesOnlyWhereItIsPresent() {
        assertTrue(BouncyCastle.bridge().present());
        Key k = BouncyCastle.bridge().publicKey(ParameterSet.TEST, GostCurvesTestPoints.testBase());
        assertEquals(GostPublicKey.class, k.getClass(), "Bouncy Castle does not name the test set");
        assertInstanceOf(org.bouncycastle.jce.interfaces.ECPublicKey.class,
            BouncyCastle.bridge().publicKey(ParameterSet.CRYPTOPRO_A,
                GostCurvesTestPoints.base(ParameterSet.CRYPTOPRO_A)));
    }

    /** Base points as raw keys (x then y, little-endian). */
    private static final class GostCurvesTestPoints {
        static byte[] base(ParameterSet s) {
            byte[] raw = new byte[64];
            ECPoint g = GostCurves.plain(s).getGenerator();
            GostPublicKey.toLittleEndian(g.getAffineX(), raw, 0);
            GostPublicKey.toLittleEndian(g.getAffineY(), raw, 32);
            return raw;
        }

        static byte[] testBase() {
            return base(ParameterSet.TEST);
        }
    }
}
