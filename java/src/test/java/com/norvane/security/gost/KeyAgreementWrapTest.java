package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;

import com.norvane.security.gost.jca.Gost28147WrapParameterSpec;
import com.norvane.security.gost.jca.VantixProvider;
import com.norvane.security.gost.jca.VkoParameterSpec;
import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidKeyException;
import java.security.Key;
import java.security.KeyFactory;
import java.security.KeyPair;
import java.security.KeyPairGenerator;
import java.security.PrivateKey;
import java.security.Provider;
import java.security.PublicKey;
import java.security.spec.AlgorithmParameterSpec;
import java.security.spec.ECGenParameterSpec;
import java.security.spec.PKCS8EncodedKeySpec;
import java.security.spec.X509EncodedKeySpec;
import java.util.Arrays;
import java.util.Random;
import javax.crypto.BadPaddingException;
import javax.crypto.Cipher;
import javax.crypto.KeyAgreement;
import javax.crypto.SecretKey;
import javax.crypto.ShortBufferException;
import javax.crypto.spec.SecretKeySpec;
import org.bouncycastle.crypto.engines.GOST28147Engine;
import org.bouncycastle.jcajce.spec.GOST28147WrapParameterSpec;
import org.bouncycastle.jcajce.spec.UserKeyingMaterialSpec;
import org.bouncycastle.jce.provider.BouncyCastleProvider;
import org.junit.jupiter.api.Test;

/**
 * VKO GOST R 34.10-2001 and the two RFC 4357 key wraps through the provider, against Bouncy
 * Castle in the same JVM: the same shared secret for the same keys and UKM whichever side
 * computes it, the same wrapped bytes for the same KEK, UKM and table, and each side
 * unwrapping the other's.
 */
class KeyAgreementWrapTest {
    private static final Provider BC = new BouncyCastleProvider();
    private static final Provider VANTIX = new VantixProvider();
    private static final String[] CURVES = {"GostR3410-2001-CryptoPro-A", "GostR3410-2001-CryptoPro-B",
        "GostR3410-2001-CryptoPro-C", "GostR3410-2001-CryptoPro-XchA", "GostR3410-2001-CryptoPro-XchB"};
    private static final String[] WRAPS = {"1.2.643.2.2.13.0", "1.2.643.2.2.13.1"};
    private final Random random = new Random(20261211);

    private byte[] bytes(int n) {
        byte[] b = new byte[n];
        random.nextBytes(b);
        return b;
    }

    private static KeyPair pair(Provider p, String curve) throws Exception {
        KeyPairGenerator g = KeyPairGenerator.getInstance("ECGOST3410", p);
        g.initialize(new ECGenParameterSpec(curve));
        return g.generateKeyPair();
    }

    /** A key moved to another provider through its standard encoding. */
    private static PublicKey moved(PublicKey k, Provider to) throws Exception {
        return KeyFactory.getInstance("ECGOST3410", to).generatePublic(new X509EncodedKeySpec(k.getEncoded()));
    }

    private static PrivateKey moved(PrivateKey k, Provider to) throws Exception {
        return KeyFactory.getInstance("ECGOST3410", to).generatePrivate(new PKCS8EncodedKeySpec(k.getEncoded()));
    }

    private static byte[] agree(Provider p, String name, PrivateKey own, PublicKey peer, AlgorithmParameterSpec ukm)
            throws Exception {
        KeyAgreement ka = KeyAgreement.getInstance(name, p);
        ka.init(own, ukm);
        ka.doPhase(peer, true);
        return ka.generateSecret();
    }

    @Test
    void vkoGivesBouncyCastlesSecretBothWaysOnEveryCurve() throws Exception {
        for (String curve : CURVES) {
            KeyPair ours = pair(VANTIX, curve);
            KeyPair theirs = pair(BC, curve);
            // 8 bytes as in CMS; 1 and 40 bytes as Bouncy Castle also reads them (modulo q).
            for (int len : new int[] {8, 1, 40}) {
                byte[] ukm = bytes(len);
                byte[] bc = agree(BC, "ECGOST3410", theirs.getPrivate(), moved(ours.getPublic(), BC),
                    new UserKeyingMaterialSpec(ukm));
                byte[] here = agree(VANTIX, "ECGOST3410", ours.getPrivate(), theirs.getPublic(),
                    new VkoParameterSpec(ukm));
                assertArrayEquals(bc, here, curve + ", UKM of " + len);
                assertEquals(32, here.length);
                // Our side with Bouncy Castle's parameters and its key; Bouncy Castle's side with ours.
                for (String name : new String[] {"1.2.643.2.2.96", "1.2.643.2.2.19", "GOST-3410-2001"}) {
                    assertArrayEquals(bc, agree(VANTIX, name, moved(ours.getPrivate(), VANTIX),
                        moved(theirs.getPublic(), VANTIX), new UserKeyingMaterialSpec(ukm)), curve + " " + name);
                }
                assertArrayEquals(bc, agree(BC, "ECGOST3410", moved(ours.getPrivate(), BC), theirs.getPublic(),
                    new UserKeyingMaterialSpec(ukm)), curve);
            }
        }
    }

    @Test
    void vkoStateAndRefusals() throws Exception {
        KeyPair a = pair(VANTIX, CURVES[0]);
        KeyPair b = pair(VANTIX, CURVES[0]);
        KeyPair other = pair(VANTIX, CURVES[1]);
        KeyAgreement ka = KeyAgreement.getInstance("ECGOST3410", VANTIX);
        assertThrows(InvalidKeyException.class, () -> ka.init(a.getPrivate()));  // no UKM
        assertThrows(InvalidAlgorithmParameterException.class,
            () -> ka.init(a.getPrivate(), new javax.crypto.spec.IvParameterSpec(new byte[8])));
        assertThrows(InvalidKeyException.class, () -> ka.init(a.getPublic(), new VkoParameterSpec(new byte[8])));
        byte[] ukm = bytes(8);
        ka.init(a.getPrivate(), new VkoParameterSpec(ukm));
        assertThrows(IllegalStateException.class, ka::generateSecret);
        assertThrows(IllegalStateException.class, () -> ka.doPhase(b.getPublic(), false));
        assertThrows(InvalidKeyException.class, () -> ka.doPhase(other.getPublic(), true));
        ka.doPhase(b.getPublic(), true);
        byte[] out = new byte[40];
        assertThrows(ShortBufferException.class, () -> ka.generateSecret(out, 9));
        assertEquals(32, ka.generateSecret(out, 8));  // the refused call kept the secret
        assertThrows(IllegalStateException.class, ka::generateSecret);  // each secret is handed out once
        ka.doPhase(b.getPublic(), true);  // the UKM and key stay from init
        SecretKey k = ka.generateSecret("GOST28147");
        assertEquals("GOST28147", k.getAlgorithm());
        assertArrayEquals(Arrays.copyOfRange(out, 8, 40), k.getEncoded());
        byte[] mine = agree(VANTIX, "ECGOST3410", b.getPrivate(), a.getPublic(), new VkoParameterSpec(ukm));
        assertArrayEquals(k.getEncoded(), mine);
        // A UKM that is 0 modulo q gives the point at infinity for every key.
        ka.init(a.getPrivate(), new VkoParameterSpec(new byte[8]));
        assertThrows(InvalidKeyException.class, () -> ka.doPhase(b.getPublic(), true));
    }

    @Test
    void bothWrapsGiveBouncyCastlesBytesAndUnwrapEachOther() throws Exception {
        String[] tables = {"E-A", "E-B", "E-C", "E-D", "Param-Z"};
        for (String wrap : WRAPS) {
            for (String table : tables) {
                byte[] sbox = GOST28147Engine.getSBox(table);
                SecretKey kek = new SecretKeySpec(bytes(32), "GOST28147");
                SecretKey cek = new SecretKeySpec(bytes(32), "GOST28147");
                byte[] ukm = bytes(8);
                String what = wrap + " " + table;
                Cipher bc = Cipher.getInstance(wrap, BC);
                bc.init(Cipher.WRAP_MODE, kek, new GOST28147WrapParameterSpec(sbox, ukm));
                byte[] expected = bc.wrap(cek);
                Cipher ours = Cipher.getInstance(wrap, VANTIX);
                ours.init(Cipher.WRAP_MODE, kek, new Gost28147WrapParameterSpec(sbox, ukm));
                assertArrayEquals(expected, ours.wrap(cek), what);
                ours.init(Cipher.WRAP_MODE, kek, new GOST28147WrapParameterSpec(sbox, ukm));
                assertArrayEquals(expected, ours.wrap(cek), what + " (Bouncy Castle's algParams)");
                ours.init(Cipher.ENCRYPT_MODE, kek, new Gost28147WrapParameterSpec(sbox, ukm));
                assertArrayEquals(expected, ours.doFinal(cek.getEncoded()), what + " (encrypt mode)");

                ours.init(Cipher.UNWRAP_MODE, kek, new Gost28147WrapParameterSpec(sbox, ukm));
                Key back = ours.unwrap(expected, "GOST28147", Cipher.SECRET_KEY);
                assertArrayEquals(cek.getEncoded(), back.getEncoded(), what);
                assertEquals("GOST28147", back.getAlgorithm());
                bc.init(Cipher.UNWRAP_MODE, kek, new GOST28147WrapParameterSpec(sbox, ukm));
                assertArrayEquals(cek.getEncoded(), bc.unwrap(expected, "GOST28147", Cipher.SECRET_KEY).getEncoded());
                // Any changed byte, a wrong UKM or a wrong KEK: InvalidKeyException.
                for (int i = 0; i < expected.length; i++) {
                    byte[] bad = expected.clone();
                    bad[i] ^= (byte) (1 << (i % 8));
                    assertThrows(InvalidKeyException.class, () -> ours.unwrap(bad, "GOST28147", Cipher.SECRET_KEY),
                        what + ", byte " + i);
                }
                byte[] otherUkm = ukm.clone();
                otherUkm[7] ^= 1;
                ours.init(Cipher.UNWRAP_MODE, kek, new Gost28147WrapParameterSpec(sbox, otherUkm));
                assertThrows(InvalidKeyException.class, () -> ours.unwrap(expected, "GOST28147", Cipher.SECRET_KEY));
                ours.init(Cipher.DECRYPT_MODE, kek, new Gost28147WrapParameterSpec(sbox, otherUkm));
                assertThrows(BadPaddingException.class, () -> ours.doFinal(expected));
                ours.init(Cipher.DECRYPT_MODE, kek, new Gost28147WrapParameterSpec(sbox, ukm));
                assertArrayEquals(cek.getEncoded(), ours.doFinal(expected));
            }
        }
    }

    @Test
    void wrapNamesAndRefusals() throws Exception {
        SecretKey kek = new SecretKeySpec(bytes(32), "GOST28147");
        byte[] ukm = bytes(8);
        for (String[] names : new String[][] {{"GOST28147WRAP", "1.2.643.2.2.13.0"},
                {"CRYPTOPROWRAP", "1.2.643.2.2.13.1"}}) {
            Cipher a = Cipher.getInstance(names[0], VANTIX);
            Cipher b = Cipher.getInstance("OID." + names[1], VANTIX);
            a.init(Cipher.WRAP_MODE, kek, new Gost28147WrapParameterSpec("E-A", ukm));
            b.init(Cipher.WRAP_MODE, kek, new Gost28147WrapParameterSpec(ukm));  // CryptoPro-A by default
            SecretKey cek = new SecretKeySpec(bytes(32), "GOST28147");
            assertArrayEquals(a.wrap(cek), b.wrap(cek));
            assertNull(a.getParameters());
            assertThrows(InvalidKeyException.class, () -> a.init(Cipher.WRAP_MODE, kek));  // no UKM
            assertThrows(InvalidAlgorithmParameterException.class,
                () -> a.init(Cipher.WRAP_MODE, kek, new javax.crypto.spec.IvParameterSpec(ukm)));
            assertThrows(InvalidKeyException.class, () -> a.init(Cipher.WRAP_MODE,
                new SecretKeySpec(new byte[16], "GOST28147"), new Gost28147WrapParameterSpec(ukm)));
            a.init(Cipher.WRAP_MODE, kek, new Gost28147WrapParameterSpec(ukm));
            assertThrows(InvalidKeyException.class, () -> a.wrap(new SecretKeySpec(new byte[16], "AES")));
            assertThrows(IllegalStateException.class, () -> a.unwrap(new byte[36], "GOST28147", Cipher.SECRET_KEY));
            a.init(Cipher.UNWRAP_MODE, kek, new Gost28147WrapParameterSpec(ukm));
            assertThrows(InvalidKeyException.class, () -> a.unwrap(new byte[35], "GOST28147", Cipher.SECRET_KEY));
            assertThrows(InvalidKeyException.class, () -> a.unwrap(new byte[36], "GOST28147", Cipher.PRIVATE_KEY));
        }
        assertThrows(IllegalArgumentException.class, () -> new Gost28147WrapParameterSpec(new byte[4]));
    }

    @Test
    void agreementThenCryptoProWrapAsInKeyTransport() throws Exception {
        // The sender's ephemeral key, the recipient's key from Bouncy Castle: the KEK from VKO
        // wraps the content key; Bouncy Castle derives the same KEK and unwraps it.
        KeyPair recipient = pair(BC, CURVES[0]);
        KeyPair ephemeral = pair(VANTIX, CURVES[0]);
        byte[] ukm = bytes(8);
        KeyAgreement ka = KeyAgreement.getInstance("ECGOST3410", VANTIX);
        ka.init(ephemeral.getPrivate(), new UserKeyingMaterialSpec(ukm));
        ka.doPhase(recipient.getPublic(), true);
        SecretKey kek = ka.generateSecret("1.2.643.2.2.13.1");
        Cipher wrap = Cipher.getInstance("1.2.643.2.2.13.1", VANTIX);
        wrap.init(Cipher.WRAP_MODE, kek, new GOST28147WrapParameterSpec("E-A", ukm));
        SecretKey cek = new SecretKeySpec(bytes(32), "GOST28147");
        byte[] wrapped = wrap.wrap(cek);

        KeyAgreement bka = KeyAgreement.getInstance("ECGOST3410", BC);
        bka.init(recipient.getPrivate(), new UserKeyingMaterialSpec(ukm));
        bka.doPhase(moved(ephemeral.getPublic(), BC), true);
        Cipher unwrap = Cipher.getInstance("1.2.643.2.2.13.1", BC);
        unwrap.init(Cipher.UNWRAP_MODE, bka.generateSecret("1.2.643.2.2.13.1"),
            new GOST28147WrapParameterSpec("E-A", ukm));
        assertArrayEquals(cek.getEncoded(), unwrap.unwrap(wrapped, "GOST28147", Cipher.SECRET_KEY).getEncoded());
    }
}
