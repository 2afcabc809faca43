package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.norvane.security.gost.jca.Gost28147ParameterSpec;
import com.norvane.security.gost.jca.VantixProvider;
import java.io.ByteArrayOutputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.security.KeyFactory;
import java.security.KeyPair;
import java.security.KeyPairGenerator;
import java.security.MessageDigest;
import java.security.PrivateKey;
import java.security.Provider;
import java.security.PublicKey;
import java.security.Signature;
import java.security.spec.ECGenParameterSpec;
import java.security.spec.PKCS8EncodedKeySpec;
import java.security.spec.X509EncodedKeySpec;
import java.util.ArrayList;
import java.util.List;
import java.util.Random;
import javax.crypto.Cipher;
import javax.crypto.Mac;
import javax.crypto.spec.SecretKeySpec;
import org.bouncycastle.crypto.BlockCipher;
import org.bouncycastle.crypto.StreamBlockCipher;
import org.bouncycastle.crypto.digests.GOST3411Digest;
import org.bouncycastle.crypto.engines.GOST28147Engine;
import org.bouncycastle.crypto.macs.GOST28147Mac;
import org.bouncycastle.crypto.modes.GCFBBlockCipher;
import org.bouncycastle.crypto.modes.GOFBBlockCipher;
import org.bouncycastle.crypto.params.KeyParameter;
import org.bouncycastle.crypto.params.ParametersWithIV;
import org.bouncycastle.crypto.params.ParametersWithSBox;
import org.bouncycastle.jce.provider.BouncyCastleProvider;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The same bytes give the same results here, in Bouncy Castle and in OpenSSL with the gost
 * engine: digests, ciphertexts, MACs, and signatures with keys exchanged in their standard
 * encodings, both ways. Also the JCA provider against Bouncy Castle's.
 */
class InteropTest {
    private static final Provider BC = new BouncyCastleProvider();
    private static final Provider VANTIX = new VantixProvider();
    private static final String[] CURVES = {"GostR3410-2001-CryptoPro-A", "GostR3410-2001-CryptoPro-B",
        "GostR3410-2001-CryptoPro-C", "GostR3410-2001-CryptoPro-XchA", "GostR3410-2001-CryptoPro-XchB"};
    private final Random random = new Random(20261210);

    @TempDir
    Path dir;

    private byte[] bytes(int n) {
        byte[] b = new byte[n];
        random.nextBytes(b);
        return b;
    }

    /**
     * Cuts n bytes into pieces of random lengths (some empty); with {@code step} > 1 every piece but the last is a
     * multiple of it.
     */
    private List<int[]> pieces(int n, int step) {
        List<int[]> out = new ArrayList<>();
        int pos = 0;
        while (pos < n) {
            int len = Math.min(n - pos, random.nextInt(90) * step);
            out.add(new int[] {pos, len});
            pos += len;
        }
        return out;
    }

    // ---- tables and digests ----

    @Test
    void tablesAreBouncyCastles() {
        for (SubstitutionTable t : SubstitutionTable.values()) {
            assertArrayEquals(GOST28147Engine.getSBox(t.shortName()), t.bytes(), t.name());
            assertEquals(t, SubstitutionTable.byName(t.oid()));
        }
    }

    @Test
    void digestsAgree() throws Exception {
        MessageDigest ours = MessageDigest.getInstance("GOST3411", VANTIX);
        MessageDigest oursTest = MessageDigest.getInstance("GOST3411-TEST", VANTIX);
        // Not the empty message: there this library hashes one zero block, as OpenSSL does
        // (checked below), where Bouncy Castle hashes none.
        for (int len : new int[] {1, 31, 32, 33, 64, 1000, 4097}) {
            byte[] msg = bytes(len);
            GOST3411Digest bc = new GOST3411Digest();
            bc.update(msg, 0, len);
            byte[] theirs = new byte[32];
            bc.doFinal(theirs, 0);
            assertArrayEquals(theirs, Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, msg), "" + len);
            assertArrayEquals(theirs, ours.digest(msg));
            assertArrayEquals(theirs, MessageDigest.getInstance("GOST3411", BC).digest(msg));
            GOST3411Digest bcTest = new GOST3411Digest(GOST28147Engine.getSBox("D-TEST"));
            bcTest.update(msg, 0, len);
            bcTest.doFinal(theirs, 0);
            assertArrayEquals(theirs, oursTest.digest(msg));
        }
        for (int len : new int[] {0, 3000}) {
            byte[] msg = bytes(len);
            Path file = dir.resolve("doc");
            Files.write(file, msg);
            String line = Openssl.run("dgst", "-engine", "gost", "-md_gost94", file.toString());
            assertTrue(line.trim().endsWith("= " + Hex.of(ours.digest(msg))), line);
        }
    }

    // ---- cipher modes and MAC ----

    private static byte[] bcStream(StreamBlockCipher c, byte[] key, byte[] iv, byte[] sbox, byte[] msg, boolean enc) {
        c.init(enc, new ParametersWithIV(new ParametersWithSBox(new KeyParameter(key), sbox), iv));
        byte[] out = new byte[msg.length];
        c.processBytes(msg, 0, msg.length, out, 0);
        return out;
    }

    @Test
    void feedbackModeAgreesWithBouncyCastleAcrossMeshings() throws Exception {
        try (RandomGenerator rng = RandomGenerator.fromSystem()) {
            for (SubstitutionTable t : new SubstitutionTable[] {SubstitutionTable.GOST_28147_89_CRYPTOPRO_A,
                    SubstitutionTable.GOST_28147_89_CRYPTOPRO_D, SubstitutionTable.GOST_28147_89_TEST}) {
                byte[] key = bytes(32);
                byte[] iv = bytes(8);
                byte[] msg = bytes(5003);
                byte[] theirs = bcStream(new GCFBBlockCipher(new GOST28147Engine()), key, iv, t.bytes(), msg, true);
                byte[] ours = new byte[msg.length];
                try (CipherTable table = new CipherTable(t);
                     GammaFeedbackCipher enc = new GammaFeedbackCipher(table, rng, key, iv);
                     GammaFeedbackCipher dec = new GammaFeedbackCipher(table, rng, key, iv)) {
                    for (int[] p : pieces(msg.length, 4)) {
                        enc.encrypt(msg, p[0], ours, p[0], p[1]);
                    }
                    assertArrayEquals(theirs, ours, t.name());
                    assertArrayEquals(msg, dec.decrypt(ours));
                }
                Cipher jca = Cipher.getInstance("GOST28147/GCFB/NoPadding", VANTIX);
                jca.init(Cipher.ENCRYPT_MODE, new SecretKeySpec(key, "GOST28147"),
                    new Gost28147ParameterSpec(t.shortName(), iv));
                assertArrayEquals(theirs, updateInPieces(jca, msg));
                jca.init(Cipher.DECRYPT_MODE, new SecretKeySpec(key, "GOST28147"),
                    new Gost28147ParameterSpec(t.bytes(), iv));
                assertArrayEquals(msg, updateInPieces(jca, theirs));
                assertArrayEquals(msg, jca.doFinal(theirs), "doFinal starts over with the same key and vector");
            }
        }
    }

    /** update() in random pieces, then doFinal(). */
    private byte[] updateInPieces(Cipher c, byte[] msg) throws Exception {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        for (int[] p : pieces(msg.length, 1)) {
            byte[] o = c.update(msg, p[0], p[1]);
            if (o != null) {
                out.write(o);
            }
        }
        out.write(c.doFinal());
        return out.toByteArray();
    }

    @Test
    void counterModeAgreesWithBouncyCastleBeforeTheFirstMeshingAndWithOpensslAfter() throws Exception {
        byte[] key = bytes(32);
        byte[] iv = bytes(8);
        byte[] msg = bytes(3001);
        // CryptoPro-A: OpenSSL's gost89-cnt always uses it, whatever CRYPT_PARAMS says.
        SubstitutionTable t = SubstitutionTable.GOST_28147_89_CRYPTOPRO_A;
        byte[] ours = new byte[msg.length];
        try (RandomGenerator rng = RandomGenerator.fromSystem(); CipherTable table = new CipherTable(t);
             GammaCipher gamma = new GammaCipher(table, rng, key, iv)) {
            for (int[] p : pieces(msg.length, 1)) {  // pieces that end inside words
                gamma.process(msg, p[0], ours, p[0], p[1]);
            }
        }
        // Bouncy Castle's GOFB is the same counter mode without key meshing: equal up to 1024 bytes.
        byte[] bc = bcStream(new GOFBBlockCipher(new GOST28147Engine()), key, iv, t.bytes(), msg, true);
        assertEquals(Hex.of(java.util.Arrays.copyOf(bc, 1024)), Hex.of(java.util.Arrays.copyOf(ours, 1024)));
        assertFalse(java.util.Arrays.equals(bc, ours));
        assertArrayEquals(ours, Openssl.enc(dir, "gost89-cnt", t.oidName(), key, iv, msg));
        Cipher jca = Cipher.getInstance("GOST/CNT/NoPadding", VANTIX);
        jca.init(Cipher.DECRYPT_MODE, new SecretKeySpec(key, "GOST28147"), new Gost28147ParameterSpec("E-A", iv));
        assertArrayEquals(msg, updateInPieces(jca, ours));
        jca = Cipher.getInstance("GOST28147/CNT/NoPadding", VANTIX);
        jca.init(Cipher.ENCRYPT_MODE, new SecretKeySpec(key, "GOST28147"), new Gost28147ParameterSpec(t.oidName(), iv));
        assertArrayEquals(ours, jca.doFinal(msg));
    }

    @Test
    void simpleReplacementAgreesWithBouncyCastleAndStopsAt32Bytes() throws Exception {
        byte[] key = bytes(32);
        byte[] msg = bytes(32);
        SubstitutionTable t = SubstitutionTable.GOST_28147_89_CRYPTOPRO_C;
        BlockCipher bc = new GOST28147Engine();
        bc.init(true, new ParametersWithSBox(new KeyParameter(key), t.bytes()));
        byte[] theirs = new byte[32];
        for (int i = 0; i < 32; i += 8) {
            bc.processBlock(msg, i, theirs, i);
        }
        try (RandomGenerator rng = RandomGenerator.fromSystem(); CipherTable table = new CipherTable(t);
             SimpleReplacementCipher ecb = new SimpleReplacementCipher(table, rng, key)) {
            assertArrayEquals(theirs, ecb.encrypt(msg));
        }
        Cipher jca = Cipher.getInstance("GOST28147/ECB/NoPadding", VANTIX);
        jca.init(Cipher.ENCRYPT_MODE, new SecretKeySpec(key, "GOST28147"), new Gost28147ParameterSpec("E-C"));
        assertArrayEquals(theirs, jca.doFinal(msg));
        jca.init(Cipher.DECRYPT_MODE, new SecretKeySpec(key, "GOST28147"), new Gost28147ParameterSpec("E-C"));
        assertArrayEquals(msg, jca.doFinal(theirs));
        org.junit.jupiter.api.Assertions.assertThrows(javax.crypto.IllegalBlockSizeException.class,
            () -> jca.doFinal(new byte[40]));
        org.junit.jupiter.api.Assertions.assertThrows(javax.crypto.IllegalBlockSizeException.class,
            () -> jca.doFinal(new byte[12]));
        assertArrayEquals(msg, jca.doFinal(theirs), "a refused call leaves the cipher as after init");
    }

    @Test
    void macAgreesWithBouncyCastleAndOpensslUpTo1024Bytes() throws Exception {
        SubstitutionTable t = SubstitutionTable.GOST_28147_89_CRYPTOPRO_A;
        byte[] key = bytes(32);
        Mac jca = Mac.getInstance("GOST28147MAC", VANTIX);
        jca.init(new SecretKeySpec(key, "GOST28147"));
        try (RandomGenerator rng = RandomGenerator.fromSystem(); CipherTable table = new CipherTable(t)) {
            for (int len : new int[] {1, 3, 4, 7, 8, 9, 15, 16, 17, 100, 1017, 1020, 1023, 1024}) {
                byte[] msg = bytes(len);
                GOST28147Mac bc = new GOST28147Mac();
                bc.init(new ParametersWithSBox(new KeyParameter(key), t.bytes()));
                bc.update(msg, 0, len);
                byte[] theirs = new byte[4];
                bc.doFinal(theirs, 0);
                try (MacGenerator mac = new MacGenerator(table, rng, key, null)) {
                    for (int[] p : pieces(len, 1)) {
                        mac.update(msg, p[0], p[1]);
                    }
                    assertEquals(Hex.of(theirs), Hex.of(java.util.Arrays.copyOf(mac.doFinal(), 4)), "length " + len);
                }
                assertArrayEquals(theirs, jca.doFinal(msg), "length " + len);
                if (len == 100 || len == 1024) {
                    assertArrayEquals(theirs, Openssl.mac(dir, key, msg), "openssl, length " + len);
                }
            }
        }
        Mac full = Mac.getInstance("GOST28147MAC-64", VANTIX);
        full.init(new SecretKeySpec(key, "GOST28147"));
        assertEquals(8, full.doFinal(new byte[10]).length);
    }

    // ---- signatures and keys ----

    @Test
    void signaturesAndKeysCrossToBouncyCastleBothWays() throws Exception {
        byte[] doc = bytes(777);
        for (String curve : CURVES) {
            KeyPairGenerator g = KeyPairGenerator.getInstance("ECGOST3410", VANTIX);
            g.initialize(new ECGenParameterSpec(curve));
            KeyPair ours = g.generateKeyPair();
            KeyPairGenerator bg = KeyPairGenerator.getInstance("ECGOST3410", BC);
            bg.initialize(new ECGenParameterSpec(curve));
            KeyPair theirs = bg.generateKeyPair();

            // Our signature, our key in its X.509 form, checked by Bouncy Castle.
            PublicKey ourPubThere = KeyFactory.getInstance("ECGOST3410", BC)
                .generatePublic(new X509EncodedKeySpec(ours.getPublic().getEncoded()));
            assertTrue(verify(BC, ourPubThere, doc, sign(VANTIX, ours.getPrivate(), doc)), curve);
            // Their signature, their key read here.
            PublicKey theirPubHere = KeyFactory.getInstance("ECGOST3410", VANTIX)
                .generatePublic(new X509EncodedKeySpec(theirs.getPublic().getEncoded()));
            byte[] theirSig = sign(BC, theirs.getPrivate(), doc);
            assertTrue(verify(VANTIX, theirPubHere, doc, theirSig), curve);
            assertTrue(verify(VANTIX, theirs.getPublic(), doc, theirSig), "a foreign key object is translated");
            theirSig[5] ^= 1;
            assertFalse(verify(VANTIX, theirPubHere, doc, theirSig));
            // Secret keys both ways through PKCS#8.
            PrivateKey ourPrivThere = KeyFactory.getInstance("ECGOST3410", BC)
                .generatePrivate(new PKCS8EncodedKeySpec(ours.getPrivate().getEncoded()));
            assertTrue(verify(VANTIX, ours.getPublic(), doc, sign(BC, ourPrivThere, doc)), curve);
            PrivateKey theirPrivHere = KeyFactory.getInstance("ECGOST3410", VANTIX)
                .generatePrivate(new PKCS8EncodedKeySpec(theirs.getPrivate().getEncoded()));
            assertTrue(verify(BC, theirs.getPublic(), doc, sign(VANTIX, theirPrivHere, doc)), curve);
        }
        // The form over a precomputed digest is the hashing form's inner step.
        KeyPair pair = KeyPairGenerator.getInstance("ECGOST3410", VANTIX).generateKeyPair();
        Signature raw = Signature.getInstance("NONEwithECGOST3410", VANTIX);
        raw.initSign(pair.getPrivate());
        raw.update(MessageDigest.getInstance("GOST3411", BC).digest(doc));
        assertTrue(verify(BC, pair.getPublic(), doc, raw.sign()));
    }

    private static byte[] sign(Provider p, PrivateKey k, byte[] doc) throws Exception {
        Signature s = Signature.getInstance("GOST3411withECGOST3410", p);
        s.initSign(k);
        s.update(doc);
        return s.sign();
    }

    private static boolean verify(Provider p, PublicKey k, byte[] doc, byte[] sig) throws Exception {
        Signature s = Signature.getInstance("GOST3411withECGOST3410", p);
        s.initVerify(k);
        s.update(doc);
        return s.verify(sig);
    }

    @Test
    void signaturesAndKeysCrossToOpensslBothWays() throws Exception {
        byte[] doc = bytes(2000);
        Path docFile = dir.resolve("doc.bin");
        Files.write(docFile, doc);
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             SignatureContext ours = SignatureContext.generate(ParameterSet.CRYPTOPRO_B, rng)) {
            Path pub = dir.resolve("ours.pub.pem");
            Files.writeString(pub, KeyEncoding.toPem("PUBLIC KEY", ours.encodedPublicKey()));
            Path sig = dir.resolve("ours.sig");
            Files.write(sig, ours.sign(Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, doc)));
            String verified = Openssl.run("dgst", "-engine", "gost", "-md_gost94", "-verify", pub.toString(),
                "-signature", sig.toString(), docFile.toString());
            assertTrue(verified.contains("Verified OK"), verified);

            // The exported secret key signs in OpenSSL; the signature verifies here.
            Path key = dir.resolve("ours.key.pem");
            Files.writeString(key, KeyEncoding.toPem("PRIVATE KEY", ours.encodedPrivateKey()));
            Path theirSig = dir.resolve("theirs.sig");
            Openssl.run("dgst", "-engine", "gost", "-md_gost94", "-sign", key.toString(), "-out",
                theirSig.toString(), docFile.toString());
            byte[] digest = Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, doc);
            assertTrue(ours.verify(digest, Files.readAllBytes(theirSig)));
        }
        // A key OpenSSL generated, read here in both encodings.
        Path key = dir.resolve("openssl.key.pem");
        Path pub = dir.resolve("openssl.pub.pem");
        Path sig = dir.resolve("openssl.sig");
        Openssl.run("genpkey", "-engine", "gost", "-algorithm", "gost2001", "-pkeyopt", "paramset:C", "-out",
            key.toString());
        Openssl.run("pkey", "-engine", "gost", "-in", key.toString(), "-pubout", "-out", pub.toString());
        Openssl.run("dgst", "-engine", "gost", "-md_gost94", "-sign", key.toString(), "-out", sig.toString(),
            docFile.toString());
        byte[] digest = Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, doc);
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             SignatureContext theirPub = SignatureContext.fromEncodedPublicKey(rng,
                 KeyEncoding.fromPem("PUBLIC KEY", Files.readAllBytes(pub)));
             SignatureContext theirPriv = SignatureContext.fromEncodedPrivateKey(rng,
                 KeyEncoding.fromPem("PRIVATE KEY", Files.readAllBytes(key)))) {
            assertEquals(ParameterSet.CRYPTOPRO_C, theirPub.parameterSet());
            assertTrue(theirPub.verify(digest, Files.readAllBytes(sig)));
            assertArrayEquals(theirPub.publicKey(), theirPriv.publicKey());
            assertTrue(theirPub.verify(digest, theirPriv.sign(digest)));
        }
    }
}
