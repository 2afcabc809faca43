package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.norvane.security.gost.jca.Gost28147ParameterSpec;
import com.norvane.security.gost.jca.GostPrivateKey;
import com.norvane.security.gost.jca.VantixProvider;
import java.security.InvalidAlgorithmParameterException;
import java.security.KeyFactory;
import java.security.KeyPair;
import java.security.KeyPairGenerator;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.security.Provider;
import java.security.SecureRandom;
import java.security.Signature;
import java.security.spec.ECGenParameterSpec;
import java.security.spec.InvalidKeySpecException;
import java.security.spec.PKCS8EncodedKeySpec;
import java.security.spec.X509EncodedKeySpec;
import java.util.Arrays;
import java.util.ServiceLoader;
import java.util.jar.JarFile;
import javax.crypto.Cipher;
import javax.crypto.KeyGenerator;
import javax.crypto.Mac;
import javax.crypto.SecretKey;
import javax.crypto.spec.IvParameterSpec;
import javax.crypto.spec.SecretKeySpec;
import org.bouncycastle.jce.provider.BouncyCastleProvider;
import org.junit.jupiter.api.Test;

/** The provider's names and refusals, the standard key encodings and the API's byte-order conventions. */
class ConventionsTest {
    private static final Provider VANTIX = new VantixProvider();

    @Test
    void theWorkedExampleOfThePackageDescription() {
        byte[] key = new byte[32];
        for (int i = 0; i < 32; i++) {
            key[i] = (byte) i;
        }
        byte[] iv = {1, 2, 3, 4, 5, 6, 7, 8};
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             CipherTable table = new CipherTable(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A);
             GammaFeedbackCipher cfb = new GammaFeedbackCipher(table, rng, key, iv)) {
            assertEquals("27ca957f6426a1e4", Hex.of(cfb.encrypt(new byte[8])));
        }
    }

    @Test
    void oneVersionEverywhere() throws Exception {
        assertTrue(Version.VERSION.matches("\\d+\\.\\d+\\.\\d+"), Version.VERSION);
        assertEquals(Version.VERSION, VANTIX.getVersionStr());
        String jar = System.getProperty("vantix.all.jar");
        if (jar != null) {
            try (JarFile all = new JarFile(jar)) {
                String carried = all.getManifest().getMainAttributes().getValue("Implementation-Version");
                assertEquals(Version.VERSION, carried, jar);
            }
        }
    }

    @Test
    void theCipherObjectIdentifierIsGammaWithFeedback() throws Exception {
        SecretKeySpec key = new SecretKeySpec(Hex.parse(
            "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"), "GOST28147");
        IvParameterSpec iv = new IvParameterSpec(Hex.parse("0102030405060708"));
        byte[] msg = new byte[37];  // not a whole number of blocks: the last one is cut
        Cipher named = Cipher.getInstance("GOST28147/GCFB/NoPadding", VANTIX);
        named.init(Cipher.ENCRYPT_MODE, key, iv);
        byte[] expected = named.doFinal(msg);
        for (String name : new String[] {"1.2.643.2.2.21", "OID.1.2.643.2.2.21"}) {
            Cipher c = Cipher.getInstance(name, VANTIX);
            c.init(Cipher.ENCRYPT_MODE, key, iv);
            byte[] ct = c.doFinal(msg);
            assertArrayEquals(expected, ct, name + " enciphers as GOST28147/GCFB/NoPadding");
            c.init(Cipher.DECRYPT_MODE, key, iv);
            assertArrayEquals(msg, c.doFinal(ct), name + " deciphers its own output");
        }
        // The worked example above: the same key, vector and first block.
        assertEquals("27ca957f6426a1e4", Hex.of(Arrays.copyOf(expected, 8)));
    }

    @Test
    void theProviderIsFoundByNameAliasAndObjectIdentifier() throws Exception {
        boolean listed = false;
        for (Provider p : ServiceLoader.load(Provider.class)) {
            listed |= p instanceof VantixProvider;
        }
        assertTrue(listed, "listed for the service loader");
        for (String name : new String[] {"GOST3411", "GOST", "GOST-3411", "1.2.643.2.2.9", "OID.1.2.643.2.2.9"}) {
            assertEquals(32, MessageDigest.getInstance(name, VANTIX).getDigestLength(), name);
        }
        for (String name : new String[] {"GOST3411withECGOST3410", "ECGOST3410", "GOST-3410-2001",
            "GOST3411/ECGOST3410", "1.2.643.2.2.3", "NONEwithECGOST3410"}) {
            Signature.getInstance(name, VANTIX);
        }
        for (String name : new String[] {"ECGOST3410", "ECGOST-3410", "GOST-3410-2001", "1.2.643.2.2.19"}) {
            KeyPairGenerator.getInstance(name, VANTIX);
            KeyFactory.getInstance(name, VANTIX);
        }
        for (String name : new String[] {"GOST28147", "GOST", "GOST-28147", "GOST28147/GCFB/NoPadding",
            "GOST28147/CNT/NoPadding", "GOST28147/ECB/NoPadding", "1.2.643.2.2.21"}) {
            Cipher.getInstance(name, VANTIX);
        }
        assertThrows(NoSuchAlgorithmException.class, () -> Cipher.getInstance("GOST28147/CBC/NoPadding", VANTIX));
        // Bouncy Castle's CFB does not mesh the key: refused here rather than giving other bytes.
        assertThrows(NoSuchAlgorithmException.class, () -> Cipher.getInstance("GOST28147/CFB/NoPadding", VANTIX));
        assertThrows(Exception.class, () -> Cipher.getInstance("GOST28147/CFB/PKCS5Padding", VANTIX));
        assertEquals(4, Mac.getInstance("GOST28147MAC", VANTIX).getMacLength());
        assertEquals(4, Mac.getInstance("GOST28147", VANTIX).getMacLength());
        assertEquals(8, Mac.getInstance("GOST28147MAC-64", VANTIX).getMacLength());
        SecretKey k = KeyGenerator.getInstance("GOST28147", VANTIX).generateKey();
        assertEquals(32, k.getEncoded().length);
        SecureRandom r = SecureRandom.getInstance("GOST", VANTIX);
        byte[] a = new byte[40];
        byte[] b = new byte[40];
        r.nextBytes(a);
        r.nextBytes(b);
        assertTrue(!Arrays.equals(a, b));
        assertEquals(100, r.generateSeed(100).length);
    }

    @Test
    void keyGenerationByParameterSetName() throws Exception {
        KeyPairGenerator g = KeyPairGenerator.getInstance("ECGOST3410", VANTIX);
        for (ParameterSet set : ParameterSet.values()) {
            for (String name : new String[] {set.curveName(), set.oidName(), set.oid()}) {
                g.initialize(new ECGenParameterSpec(name));
                KeyPair p = g.generateKeyPair();
                assertEquals(set, ((GostPrivateKey) p.getPrivate()).getParameterSet(), name);
            }
        }
        assertThrows(InvalidAlgorithmParameterException.class,
            () -> g.initialize(new ECGenParameterSpec("secp256r1")));
        g.initialize(256);
        assertEquals(ParameterSet.CRYPTOPRO_A,
            ((GostPrivateKey) g.generateKeyPair().getPrivate()).getParameterSet());
    }

    @Test
    void exportedSecretKeysAreBelowQ() throws Exception {
        // Generated keys are 32 random bytes; on CryptoPro-B about half exceed q. Their
        // standard encoding is the equivalent key mod q, which a strict reader accepts.
        Provider bc = new BouncyCastleProvider();
        KeyFactory theirs = KeyFactory.getInstance("ECGOST3410", bc);
        try (RandomGenerator rng = RandomGenerator.fromSystem()) {
            for (int i = 0; i < 12; i++) {
                try (SignatureContext c = SignatureContext.generate(ParameterSet.CRYPTOPRO_B, rng)) {
                    byte[] p8 = c.encodedPrivateKey();
                    try (SignatureContext back = SignatureContext.fromEncodedPrivateKey(rng, p8)) {
                        assertArrayEquals(c.publicKey(), back.publicKey());
                    }
                    theirs.generatePrivate(new PKCS8EncodedKeySpec(p8));
                }
            }
        }
    }

    @Test
    void malformedAndForeignEncodingsAreRefused() throws Exception {
        KeyFactory f = KeyFactory.getInstance("ECGOST3410", VANTIX);
        KeyPair pair = KeyPairGenerator.getInstance("ECGOST3410", VANTIX).generateKeyPair();
        byte[] spki = pair.getPublic().getEncoded();
        assertEquals(pair.getPublic(), f.generatePublic(new X509EncodedKeySpec(spki)));
        // Every truncation and every single-byte change of the encoding is refused or read as a valid key.
        for (int n = 0; n < spki.length; n++) {
            byte[] cut = Arrays.copyOf(spki, n);
            assertThrows(InvalidKeySpecException.class, () -> f.generatePublic(new X509EncodedKeySpec(cut)));
        }
        byte[] offCurve = spki.clone();
        offCurve[offCurve.length - 1] ^= 1;
        assertThrows(InvalidKeySpecException.class, () -> f.generatePublic(new X509EncodedKeySpec(offCurve)));
        byte[] p8 = pair.getPrivate().getEncoded();
        for (int n = 0; n < p8.length; n++) {
            byte[] cut = Arrays.copyOf(p8, n);
            assertThrows(InvalidKeySpecException.class, () -> f.generatePrivate(new PKCS8EncodedKeySpec(cut)));
        }
        // A P-256 key from the JDK: another algorithm.
        KeyPairGenerator ec = KeyPairGenerator.getInstance("EC");
        ec.initialize(new ECGenParameterSpec("secp256r1"));
        byte[] p256 = ec.generateKeyPair().getPublic().getEncoded();
        assertThrows(InvalidKeySpecException.class, () -> f.generatePublic(new X509EncodedKeySpec(p256)));
        // A zero secret key.
        byte[] zero = KeyEncoding.encodePrivateKey(ParameterSet.CRYPTOPRO_A, new byte[32]);
        assertThrows(InvalidKeySpecException.class, () -> f.generatePrivate(new PKCS8EncodedKeySpec(zero)));
        // A destroyed key no longer signs.
        GostPrivateKey priv = (GostPrivateKey) pair.getPrivate();
        priv.destroy();
        Signature s = Signature.getInstance("GOST3411withECGOST3410", VANTIX);
        assertThrows(java.security.InvalidKeyException.class, () -> s.initSign(priv));
    }

    @Test
    void cipherRefusalsAreClear() throws Exception {
        SecretKeySpec key = new SecretKeySpec(new byte[32], "GOST28147");
        Cipher cfb = Cipher.getInstance("GOST28147/GCFB/NoPadding", VANTIX);
        // Decryption without the vector: the JCA's InvalidKeyException for missing parameters.
        assertThrows(java.security.InvalidKeyException.class, () -> cfb.init(Cipher.DECRYPT_MODE, key));
        assertThrows(InvalidAlgorithmParameterException.class,
            () -> cfb.init(Cipher.ENCRYPT_MODE, key, new IvParameterSpec(new byte[7])));
        assertThrows(java.security.InvalidKeyException.class,
            () -> cfb.init(Cipher.ENCRYPT_MODE, new SecretKeySpec(new byte[16], "GOST28147")));
        cfb.init(Cipher.ENCRYPT_MODE, key);
        assertEquals(8, cfb.getIV().length, "encryption draws a vector when none is given");
        // The feedback mode holds back a word that is not complete until doFinal.
        assertEquals(4, cfb.update(new byte[7]).length);
        assertEquals(4, cfb.doFinal(new byte[1]).length);
        Cipher ecb = Cipher.getInstance("GOST28147/ECB/NoPadding", VANTIX);
        ecb.init(Cipher.ENCRYPT_MODE, key);
        ecb.update(new byte[24]);
        assertThrows(IllegalStateException.class, () -> ecb.update(new byte[16]));
        assertEquals(8, ecb.doFinal(new byte[8]).length);
    }

    @Test
    void feedbackStreamsGoOnOnlyFromWholeWords() {
        byte[] key = new byte[32];
        byte[] msg = new byte[40];
        Arrays.fill(msg, (byte) 7);
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             CipherTable table = new CipherTable(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A);
             GammaFeedbackCipher whole = new GammaFeedbackCipher(table, rng, key, null);
             GammaFeedbackCipher split = new GammaFeedbackCipher(table, rng, key, null)) {
            byte[] expected = whole.encrypt(msg);
            byte[] out = new byte[40];
            split.encrypt(msg, 0, out, 0, 12);
            split.encrypt(msg, 12, out, 12, 0);
            split.encrypt(msg, 12, out, 12, 27);  // the last piece may end inside a word
            assertArrayEquals(Arrays.copyOf(expected, 39), Arrays.copyOf(out, 39));
            assertThrows(IllegalStateException.class, () -> split.encrypt(msg, 39, out, 39, 1));
        }
    }

    @Test
    void rawSignatureTakesExactlyADigest() throws Exception {
        KeyPair pair = KeyPairGenerator.getInstance("ECGOST3410", VANTIX).generateKeyPair();
        Signature raw = Signature.getInstance("NONEwithECGOST3410", VANTIX);
        raw.initSign(pair.getPrivate());
        raw.update(new byte[31]);
        assertThrows(java.security.SignatureException.class, raw::sign);
        byte[] digest = MessageDigest.getInstance("GOST3411", VANTIX).digest("document".getBytes());
        raw.update(digest);
        byte[] sig = raw.sign();
        Signature hashing = Signature.getInstance("GOST3411withECGOST3410", VANTIX);
        hashing.initVerify(pair.getPublic());
        hashing.update("document".getBytes());
        assertTrue(hashing.verify(sig));
        hashing.update("document".getBytes());
        assertTrue(!hashing.verify(new byte[10]), "a malformed signature does not verify");
    }

    @Test
    void macParametersNameTheTableAndVector() throws Exception {
        SecretKeySpec key = new SecretKeySpec(new byte[32], "GOST28147");
        Mac a = Mac.getInstance("GOST28147MAC-64", VANTIX);
        a.init(key);
        byte[] plain = a.doFinal(new byte[20]);
        a.init(key, new Gost28147ParameterSpec("E-A"));
        assertArrayEquals(plain, a.doFinal(new byte[20]), "CryptoPro-A is the default table");
        a.init(key, new Gost28147ParameterSpec("E-B"));
        assertTrue(!Arrays.equals(plain, a.doFinal(new byte[20])));
        a.init(key, new IvParameterSpec(new byte[] {1, 0, 0, 0, 0, 0, 0, 0}));
        assertTrue(!Arrays.equals(plain, a.doFinal(new byte[20])));
        assertArrayEquals(a.doFinal(new byte[20]), a.doFinal(new byte[20]), "doFinal starts a new message");
    }
}
