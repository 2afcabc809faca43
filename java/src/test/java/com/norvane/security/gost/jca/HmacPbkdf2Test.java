package com.norvane.security.gost.jca;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.security.MessageDigest;
import java.security.Provider;
import java.security.spec.InvalidKeySpecException;
import java.util.Random;
import javax.crypto.Mac;
import javax.crypto.SecretKey;
import javax.crypto.SecretKeyFactory;
import javax.crypto.spec.PBEKeySpec;
import javax.crypto.spec.SecretKeySpec;
import org.bouncycastle.jce.provider.BouncyCastleProvider;
import org.junit.jupiter.api.Test;

/** HMAC-GOST3411, PBKDF2 with it and the digest's clone, byte for byte against Bouncy Castle. */
class HmacPbkdf2Test {
    private static final Provider BC = new BouncyCastleProvider();
    private static final Provider VANTIX = new VantixProvider();
    private final Random random = new Random(25);

    private byte[] bytes(int n) {
        byte[] b = new byte[n];
        random.nextBytes(b);
        return b;
    }

    @Test
    void hmacEqualsBouncyCastles() throws Exception {
        // Keys shorter than, equal to and longer than the 32-byte block; messages past 1024 bytes, fed in pieces.
        for (int keyLen : new int[] {0, 1, 31, 32, 33, 100}) {
            for (int len : new int[] {0, 1, 32, 33, 1023, 1024, 1025, 3000}) {
                byte[] key = bytes(keyLen);
                byte[] msg = bytes(len);
                for (String name : new String[] {"HMACGOST3411", "HMAC-GOST3411", "HMAC/GOST3411", "1.2.643.2.2.10",
                    "1.2.643.2.2.9"}) {
                    Mac theirs = Mac.getInstance("HMACGOST3411", BC);
                    Mac ours = Mac.getInstance(name, VANTIX);
                    SecretKeySpec k = new SecretKeySpec(key.length == 0 ? new byte[1] : key, "HMACGOST3411");
                    if (key.length == 0) {
                        continue;  // SecretKeySpec takes no empty key
                    }
                    theirs.init(k);
                    ours.init(k);
                    byte[] expected = theirs.doFinal(msg);
                    int cut = len / 3;
                    ours.update(msg, 0, cut);
                    ours.update(msg, cut, len - cut);
                    assertArrayEquals(expected, ours.doFinal(), name + " key " + keyLen + " length " + len);
                    assertArrayEquals(expected, ours.doFinal(msg), "doFinal starts over with the same key");
                    ours.update(msg);
                    Mac copy = (Mac) ours.clone();
                    assertArrayEquals(expected, copy.doFinal());
                    assertArrayEquals(expected, ours.doFinal(), "the clone is independent");
                }
            }
        }
        assertEquals(32, Mac.getInstance("HMACGOST3411", VANTIX).getMacLength());
        SecretKey generated = javax.crypto.KeyGenerator.getInstance("HMACGOST3411", VANTIX).generateKey();
        assertEquals("HMACGOST3411", generated.getAlgorithm());
        assertEquals(32, generated.getEncoded().length);
    }

    @Test
    void pbkdf2EqualsBouncyCastles() throws Exception {
        Object[][] cases = {
            {"password", 1, 256}, {"password", 2, 256}, {"pässwörd ∑", 1000, 512}, {"p", 3, 264}, {"long", 5, 8},
            {"x", 2, 1000},
        };
        for (Object[] c : cases) {
            PBEKeySpec algParams = new PBEKeySpec(((String) c[0]).toCharArray(), bytes(16), (int) c[1], (int) c[2]);
            SecretKey theirs = SecretKeyFactory.getInstance("PBKDF2WITHHMACGOST3411", BC).generateSecret(algParams);
            SecretKey ours = SecretKeyFactory.getInstance("PBKDF2withHMACGOST3411", VANTIX).generateSecret(algParams);
            assertArrayEquals(theirs.getEncoded(), ours.getEncoded(), c[0] + " " + c[1] + " " + c[2]);
            assertEquals(theirs.getFormat(), ours.getFormat());
        }
        SecretKeyFactory f = SecretKeyFactory.getInstance("PBKDF2WITHHMACGOST3411", VANTIX);
        for (PBEKeySpec bad : new PBEKeySpec[] {new PBEKeySpec("p".toCharArray()),
            new PBEKeySpec("p".toCharArray(), new byte[8], 1, 7), new PBEKeySpec(new char[0], new byte[8], 1, 256)}) {
            assertThrows(InvalidKeySpecException.class, () -> f.generateSecret(bad));
        }
    }

    @Test
    void digestCloneCopiesTheRunningState() throws Exception {
        byte[] msg = bytes(2500);
        for (int split : new int[] {0, 1, 31, 32, 33, 1024, 1025, 2500}) {
            MessageDigest ours = MessageDigest.getInstance("GOST3411", VANTIX);
            ours.update(msg, 0, split);
            MessageDigest copy = (MessageDigest) ours.clone();
            ours.update(msg, split, msg.length - split);
            byte[] whole = MessageDigest.getInstance("GOST3411", BC).digest(msg);
            assertArrayEquals(whole, ours.digest(), "split " + split);
            copy.update(msg, split, msg.length - split);
            assertArrayEquals(whole, copy.digest(), "the clone goes on from the split");
            // Against ours: for the empty message Bouncy Castle's value differs from OpenSSL's, which this follows.
            MessageDigest prefix = MessageDigest.getInstance("GOST3411", VANTIX);
            prefix.update(msg, 0, split);
            MessageDigest early = MessageDigest.getInstance("GOST3411", VANTIX);
            early.update(msg, 0, split);
            MessageDigest earlyCopy = (MessageDigest) early.clone();
            early.update(new byte[5]);
            assertArrayEquals(prefix.digest(), earlyCopy.digest(),
                "the original's later input stays out of the clone, split " + split);
        }
        com.norvane.security.gost.Gost3411Digest closed = new com.norvane.security.gost.Gost3411Digest();
        closed.update(msg);
        closed.close();
        assertThrows(IllegalStateException.class, closed::copy, "a closed digest is not copied");
        try (com.norvane.security.gost.Gost3411Digest a = new com.norvane.security.gost.Gost3411Digest();
             com.norvane.security.gost.Gost3411Digest b = new com.norvane.security.gost.Gost3411Digest(
                 com.norvane.security.gost.SubstitutionTable.GOST_R_34_11_94_TEST)) {
            a.update(msg);
            assertThrows(IllegalArgumentException.class, () -> a.copyTo(b), "another table");
            assertThrows(IllegalStateException.class, () -> a.copyTo(closed), "a closed target");
            assertArrayEquals(MessageDigest.getInstance("GOST3411", BC).digest(msg),
                a.digest(), "the source is untouched");
        }
    }
}
