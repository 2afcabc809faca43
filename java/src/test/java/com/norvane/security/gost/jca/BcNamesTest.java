package com.norvane.security.gost.jca;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.SubstitutionTable;
import java.security.AlgorithmParameters;
import java.security.NoSuchAlgorithmException;
import java.security.Provider;
import java.security.interfaces.ECPublicKey;
import java.security.spec.AlgorithmParameterSpec;
import java.security.spec.ECGenParameterSpec;
import java.security.spec.ECParameterSpec;
import java.security.spec.InvalidParameterSpecException;
import java.util.Arrays;
import java.util.Random;
import javax.crypto.BadPaddingException;
import javax.crypto.Cipher;
import javax.crypto.IllegalBlockSizeException;
import javax.crypto.NoSuchPaddingException;
import javax.crypto.spec.IvParameterSpec;
import javax.crypto.spec.SecretKeySpec;
import org.bouncycastle.jcajce.spec.GOST28147ParameterSpec;
import org.bouncycastle.jce.provider.BouncyCastleProvider;
import org.junit.jupiter.api.Test;

/**
 * Cipher names and parameters as Bouncy Castle means them, side by side with it: the same
 * bytes for the same name (past the 1024-byte meshing point), the same parameter encodings,
 * parameters passed from one provider's cipher to the other's, and every name whose bytes
 * would differ refused with the name to use.
 */
class BcNamesTest {
    private static final Provider BC = new BouncyCastleProvider();
    private static final Provider VANTIX = new VantixProvider();
    private static final int[] LENGTHS = {0, 1, 7, 8, 9, 1023, 1024, 1025, 3001};
    private final Random random = new Random(2025);

    private byte[] bytes(int n) {
        byte[] b = new byte[n];
        random.nextBytes(b);
        return b;
    }

    private static Cipher init(String name, Provider p, int mode, byte[] key,
            AlgorithmParameterSpec algParams)
            throws Exception {
        Cipher c = Cipher.getInstance(name, p);
        c.init(mode, new SecretKeySpec(key, "GOST28147"), algParams);
        return c;
    }

    @Test
    void gcfbAndItsOidGiveBouncyCastlesBytes() throws Exception {
        for (String table : new String[] {"E-A", "E-C", "Param-Z"}) {
            for (int len : LENGTHS) {
                byte[] key = bytes(32);
                byte[] iv = bytes(8);
                byte[] msg = bytes(len);
                GOST28147ParameterSpec theirSpec = new GOST28147ParameterSpec(table, iv);
                byte[] expected = init("GOST28147/GCFB/NoPadding", BC, Cipher.ENCRYPT_MODE, key, theirSpec)
                    .doFinal(msg);
                assertArrayEquals(expected,
                    init("1.2.643.2.2.21", BC, Cipher.ENCRYPT_MODE, key, theirSpec).doFinal(msg));
                for (String name : new String[] {"GOST28147/GCFB/NoPadding", "1.2.643.2.2.21", "OID.1.2.643.2.2.21"}) {
                    // Bouncy Castle's parameter class and ours.
                    assertArrayEquals(expected, init(name, VANTIX, Cipher.ENCRYPT_MODE, key, theirSpec).doFinal(msg),
                        name + " " + table + " " + len);
                    assertArrayEquals(msg, init(name, VANTIX, Cipher.DECRYPT_MODE, key,
                        new Gost28147ParameterSpec(table, iv)).doFinal(expected), name + " " + table + " " + len);
                }
            }
        }
    }

    @Test
    void bareNameIsEcbWithPkcs5PaddingAsInBouncyCastle() throws Exception {
        byte[] key = bytes(32);
        GOST28147ParameterSpec table = new GOST28147ParameterSpec("E-B");
        for (String name : new String[] {"GOST28147", "GOST",
                "GOST28147/ECB/PKCS5Padding", "GOST28147/ECB/PKCS7Padding"}) {
            for (int len = 0; len < 32; len++) {
                byte[] msg = bytes(len);
                byte[] expected = init("GOST28147", BC, Cipher.ENCRYPT_MODE, key, table).doFinal(msg);
                Cipher ours = init(name, VANTIX, Cipher.ENCRYPT_MODE, key, table);
                assertEquals(expected.length, ours.getOutputSize(len));
                byte[] none = ours.update(msg);
                assertTrue(none == null || none.length == 0, "padded ECB holds everything until doFinal");
                assertArrayEquals(expected, ours.doFinal(), name + " " + len);
                Cipher back = init(name, VANTIX, Cipher.DECRYPT_MODE, key, table);
                assertArrayEquals(msg, back.doFinal(expected), name + " " + len);
                assertArrayEquals(msg, back.doFinal(expected), "doFinal starts over");
            }
            // Simple replacement stops at 32 bytes: 32 bytes of plaintext pad to 40.
            Cipher ours = init(name, VANTIX, Cipher.ENCRYPT_MODE, key, table);
            assertThrows(IllegalBlockSizeException.class, () -> ours.doFinal(new byte[32]));
            assertArrayEquals(init("GOST28147", BC, Cipher.ENCRYPT_MODE, key, table).doFinal(new byte[3]),
                ours.doFinal(new byte[3]), "a refused call leaves the cipher as after init");
            // Padding that is not PKCS#5, and a length that is not whole blocks.
            Cipher back = init(name, VANTIX, Cipher.DECRYPT_MODE, key, table);
            byte[] noPad = init("GOST28147/ECB/NoPadding", BC, Cipher.ENCRYPT_MODE, key, table).doFinal(
                new byte[] {1, 2, 3, 4, 5, 6, 7, 9});
            assertThrows(BadPaddingException.class, () -> back.doFinal(noPad));
            assertThrows(IllegalBlockSizeException.class, () -> back.doFinal(new byte[12]));
            assertThrows(IllegalBlockSizeException.class, () -> back.doFinal(new byte[0]));
        }
        // Given no table, Bouncy Castle uses its "Default" table, the rows of the hash's test set; here it is
        // CryptoPro-A, the table both record in parameters: the same bytes once the table is named.
        byte[] msg = bytes(20);
        assertArrayEquals(bcDefault(key, msg), init("GOST28147", VANTIX, Cipher.ENCRYPT_MODE, key,
            new Gost28147ParameterSpec("D-TEST")).doFinal(msg));
        byte[] block = bytes(16);
        assertArrayEquals(init("GOST28147/ECB/NoPadding", BC, Cipher.ENCRYPT_MODE, key, table).doFinal(block),
            init("GOST28147/ECB/NoPadding", VANTIX, Cipher.ENCRYPT_MODE, key, table).doFinal(block));
    }

    private static byte[] bcDefault(byte[] key, byte[] msg) throws Exception {
        Cipher c = Cipher.getInstance("GOST28147", BC);
        c.init(Cipher.ENCRYPT_MODE, new SecretKeySpec(key, "GOST28147"));
        return c.doFinal(msg);
    }

    @Test
    void namesWithOtherBytesAreRefusedNamingWhatToUse() throws Exception {
        String[][] refused = {
            {"GOST28147/CFB/NoPadding", "GCFB"}, {"GOST28147/CTR/NoPadding", "CNT"},
            {"GOST28147/GOFB/NoPadding", "CNT"},
            {"GOST28147/SIC/NoPadding", "CNT"}, {"GOST28147/OFB/NoPadding", "GCFB"},
            {"GOST28147/CBC/PKCS5Padding", "GCFB"},
        };
        for (String[] r : refused) {
            NoSuchAlgorithmException e = assertThrows(NoSuchAlgorithmException.class,
                () -> Cipher.getInstance(r[0], VANTIX));
            assertTrue(e.getCause() != null && e.getCause().getMessage().contains(r[1]), r[0] + ": " + e.getCause());
        }
        for (String name : new String[] {"GOST28147/GCFB/PKCS5Padding", "GOST28147/CNT/PKCS5Padding",
            "GOST28147/ECB/ISO10126Padding"}) {
            NoSuchPaddingException e = assertThrows(NoSuchPaddingException.class,
                () -> Cipher.getInstance(name, VANTIX));
            assertTrue(e.getMessage().contains("NoPadding"), e.getMessage());
        }
    }

    @Test
    void cipherParametersAreBouncyCastlesBothWays() throws Exception {
        byte[] key = bytes(32);
        byte[] msg = bytes(2000);
        for (String table : new String[] {"E-A", "E-D", "Param-Z"}) {
            byte[] iv = bytes(8);
            // Our cipher's parameters carry the vector and table to Bouncy Castle's cipher ...
            Cipher ours = init("1.2.643.2.2.21", VANTIX, Cipher.ENCRYPT_MODE, key,
                new Gost28147ParameterSpec(table, iv));
            byte[] ct = ours.doFinal(msg);
            AlgorithmParameters p = ours.getParameters();
            AlgorithmParameters theirP = AlgorithmParameters.getInstance("GOST28147", BC);
            theirP.init(new GOST28147ParameterSpec(table, iv));
            assertArrayEquals(theirP.getEncoded(), p.getEncoded(), table);
            Cipher theirs = Cipher.getInstance("1.2.643.2.2.21", BC);
            theirs.init(Cipher.DECRYPT_MODE, new SecretKeySpec(key, "GOST28147"), p);
            assertArrayEquals(msg, theirs.doFinal(ct), table);
            // ... and theirs to ours, through init(AlgorithmParameters).
            theirs.init(Cipher.ENCRYPT_MODE, new SecretKeySpec(key, "GOST28147"), theirP);
            byte[] theirCt = theirs.doFinal(msg);
            Cipher back = Cipher.getInstance("GOST28147/GCFB/NoPadding", VANTIX);
            back.init(Cipher.DECRYPT_MODE, new SecretKeySpec(key, "GOST28147"), theirs.getParameters());
            assertArrayEquals(msg, back.doFinal(theirCt), table);
            assertArrayEquals(iv, back.getIV());
            // The same parameters read as every parameters, and from the encoding.
            AlgorithmParameters read = AlgorithmParameters.getInstance("GOST28147", VANTIX);
            read.init(theirP.getEncoded());
            assertArrayEquals(iv, read.getParameterSpec(IvParameterSpec.class).getIV());
            assertArrayEquals(SubstitutionTable.byName(table).bytes(),
                read.getParameterSpec(GOST28147ParameterSpec.class).getSBox());
            assertArrayEquals(SubstitutionTable.byName(table).bytes(),
                read.getParameterSpec(Gost28147ParameterSpec.class).getSBox());
        }
        // Generated parameters: a fresh vector and CryptoPro-A or the table asked for, as in Bouncy Castle.
        java.security.AlgorithmParameterGenerator gen = java.security.AlgorithmParameterGenerator.getInstance(
            "1.2.643.2.2.21", VANTIX);
        byte[] first = gen.generateParameters().getEncoded();
        assertEquals(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A.oid(),
            org.bouncycastle.asn1.cryptopro.GOST28147Parameters.getInstance(first).getEncryptionParamSet().getId());
        assertTrue(!Arrays.equals(first, gen.generateParameters().getEncoded()), "a fresh vector each time");
        gen.init(new GOST28147ParameterSpec("E-C"));
        assertEquals(SubstitutionTable.GOST_28147_89_CRYPTOPRO_C.oid(),
            org.bouncycastle.asn1.cryptopro.GOST28147Parameters
            .getInstance(gen.generateParameters().getEncoded()).getEncryptionParamSet().getId());
        // A bare vector records CryptoPro-A, as Bouncy Castle records it.
        AlgorithmParameters ivOnly = AlgorithmParameters.getInstance("GOST28147", VANTIX);
        AlgorithmParameters theirIvOnly = AlgorithmParameters.getInstance("GOST28147", BC);
        byte[] iv = bytes(8);
        ivOnly.init(new IvParameterSpec(iv));
        theirIvOnly.init(new IvParameterSpec(iv));
        assertArrayEquals(theirIvOnly.getEncoded(), ivOnly.getEncoded());
        // No parameters for ECB; a table with no identifier is not recorded.
        assertNull(init("GOST28147/ECB/NoPadding", VANTIX, Cipher.ENCRYPT_MODE, key, null).getParameters());
        byte[] unnamed = bytes(128);
        for (int i = 0; i < 128; i++) {
            unnamed[i] &= 15;
        }
        assertThrows(InvalidParameterSpecException.class, () -> AlgorithmParameters.getInstance("GOST28147", VANTIX)
            .init(new Gost28147ParameterSpec(unnamed, iv)));
        assertNull(init("GOST28147/GCFB/NoPadding", VANTIX, Cipher.ENCRYPT_MODE, key,
            new Gost28147ParameterSpec(unnamed, iv)).getParameters());
        assertThrows(java.io.IOException.class, () -> AlgorithmParameters.getInstance("GOST28147", VANTIX)
            .init(new byte[] {0x30, 0x03, 0x04, 0x01, 0x00}));
    }

    @Test
    void curveParametersAreBouncyCastles() throws Exception {
        for (ParameterSet set : ParameterSet.values()) {
            if (set == ParameterSet.TEST) {
                continue;
            }
            AlgorithmParameters theirs = AlgorithmParameters.getInstance("ECGOST3410", BC);
            theirs.init(new ECGenParameterSpec(set.curveName()));
            AlgorithmParameters ours = AlgorithmParameters.getInstance("ECGOST3410", VANTIX);
            ours.init(new ECGenParameterSpec(set.curveName()));
            assertArrayEquals(theirs.getEncoded(), ours.getEncoded(), set.name());
            AlgorithmParameters read = AlgorithmParameters.getInstance("ECGOST3410", VANTIX);
            read.init(theirs.getEncoded());
            ECParameterSpec algParams = read.getParameterSpec(ECParameterSpec.class);
            ECParameterSpec theirSpec = theirs.getParameterSpec(ECParameterSpec.class);
            assertEquals(theirSpec.getCurve(), algParams.getCurve());
            assertEquals(theirSpec.getGenerator(), algParams.getGenerator());
            assertEquals(theirSpec.getOrder(), algParams.getOrder());
            assertEquals(theirs.getParameterSpec(ECGenParameterSpec.class).getName(),
                read.getParameterSpec(ECGenParameterSpec.class).getName());
            // From a key's parameters, which a caller hands on to a key pair generator.
            AlgorithmParameters fromKey = AlgorithmParameters.getInstance("ECGOST3410", VANTIX);
            java.security.KeyPairGenerator g = java.security.KeyPairGenerator.getInstance("ECGOST3410", BC);
            g.initialize(new ECGenParameterSpec(set.curveName()));
            fromKey.init(((ECPublicKey) g.generateKeyPair().getPublic()).getParams());
            assertArrayEquals(theirs.getEncoded(), fromKey.getEncoded(), set.name());
        }
        assertThrows(InvalidParameterSpecException.class, () -> AlgorithmParameters.getInstance("ECGOST3410", VANTIX)
            .init(new ECGenParameterSpec("secp256r1")));
        assertThrows(java.io.IOException.class, () -> AlgorithmParameters.getInstance("ECGOST3410", VANTIX)
            .init(Arrays.copyOf(new byte[] {6, 7, 42}, 3)));
    }
}
