package com.norvane.security.gost.jca;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.norvane.security.gost.Gost3411Digest;
import com.norvane.security.gost.SubstitutionTable;
import java.security.KeyPair;
import java.security.KeyPairGenerator;
import java.security.MessageDigest;
import java.security.Provider;
import java.security.Signature;
import java.util.Arrays;
import javax.crypto.Cipher;
import javax.crypto.Mac;
import javax.crypto.spec.IvParameterSpec;
import javax.crypto.spec.SecretKeySpec;
import org.junit.jupiter.api.Test;

/**
 * The provider's objects reuse their native blocks between messages, and its ciphers and
 * MAC work straight in the caller's arrays: whatever the arrays and offsets (separate, the
 * same region, overlapping regions of one array) and however the stream is cut, the output
 * is that of one call on separate arrays.
 */
class CipherBuffersTest {
    private static final Provider VANTIX = new VantixProvider();
    private static final SecretKeySpec KEY = new SecretKeySpec(bytes(32, 5), "GOST28147");
    private static final IvParameterSpec IV = new IvParameterSpec(bytes(8, 9));
    private static final byte[] DATA = bytes(2600, 13);  // past two key meshings
    // Piece lengths, for ciphers whose pieces must be whole words (CFB) and for any.
    private static final int[] WORD_PIECES = {4, 64, 1024, 8, 1000, 500};
    private static final int[] ANY_PIECES = {1, 3, 64, 7, 1024, 5, 1000, 496};

    private static byte[] bytes(int n, int step) {
        byte[] b = new byte[n];
        for (int i = 0; i < n; i++) {
            b[i] = (byte) (i * step + 7);
        }
        return b;
    }

    private static Cipher cipher(String mode, int opmode) throws Exception {
        Cipher c = Cipher.getInstance("GOST28147/" + mode + "/NoPadding", VANTIX);
        c.init(opmode, KEY, IV);
        return c;
    }

    /**
     * Runs DATA through the cipher in the given pieces, input at {@code inAt} and output at
     * {@code outAt} of one array of {@code room} bytes (or of two arrays when {@code shared}
     * is false); the last piece goes through doFinal.
     */
    private static byte[] run(Cipher c, int[] pieces, boolean shared, int inAt, int outAt) throws Exception {
        int room = DATA.length + Math.max(inAt, outAt);
        byte[] in = new byte[room];
        byte[] out = shared ? in : new byte[room];
        System.arraycopy(DATA, 0, in, inAt, DATA.length);
        int done = 0;
        int written = 0;
        for (int p = 0; done < DATA.length; p++) {
            int n = Math.min(pieces[p % pieces.length], DATA.length - done);
            if (done + n == DATA.length) {
                written += c.doFinal(in, inAt + done, n, out, outAt + written);
            } else {
                written += c.update(in, inAt + done, n, out, outAt + written);
            }
            done += n;
        }
        return Arrays.copyOfRange(out, outAt, outAt + written);
    }

    @Test
    void everyLayoutOfTheArraysGivesTheSameStream() throws Exception {
        String[] modes = {"CNT", "GCFB"};
        for (String mode : modes) {
            int[] pieces = mode.equals("CNT") ? ANY_PIECES : WORD_PIECES;
            byte[] expected = cipher(mode, Cipher.ENCRYPT_MODE).doFinal(DATA);
            // A stream in pieces: separate arrays; one array in place; one array with the
            // output behind the input (ahead of it, each piece would overwrite input to come).
            int[][] layouts = {{0, 0, 0}, {1, 0, 0}, {1, 5, 0}, {1, 12, 4}, {1, 3, 0}, {0, 3, 1}};
            for (int[] l : layouts) {
                String what = mode + " layout " + Arrays.toString(l);
                Cipher enc = cipher(mode, Cipher.ENCRYPT_MODE);
                assertArrayEquals(expected, run(enc, pieces, l[0] == 1, l[1], l[2]), what);
                assertArrayEquals(expected, run(enc, pieces, l[0] == 1, l[1], l[2]), what + ", after doFinal");
            }
            // One call on overlapping regions of one array, the output ahead or behind.
            int[][] shifts = {{0, 3}, {0, 8}, {3, 0}, {8, 0}, {4, 4}};
            for (int[] sh : shifts) {
                byte[] buf = new byte[DATA.length + 8];
                System.arraycopy(DATA, 0, buf, sh[0], DATA.length);
                int n = cipher(mode, Cipher.ENCRYPT_MODE).doFinal(buf, sh[0], DATA.length, buf, sh[1]);
                assertArrayEquals(expected, Arrays.copyOfRange(buf, sh[1], sh[1] + n),
                    mode + " shift " + Arrays.toString(sh));
            }
            byte[] back = cipher(mode, Cipher.DECRYPT_MODE).doFinal(expected);
            assertArrayEquals(DATA, back, mode + " decryption");
        }
    }

    @Test
    void digestAndSignatureObjectsStartEachMessageAfresh() throws Exception {
        byte[] other = bytes(77, 3);
        for (SubstitutionTable t : new SubstitutionTable[] {SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO,
                                                            SubstitutionTable.GOST_R_34_11_94_TEST}) {
            try (Gost3411Digest d = new Gost3411Digest(t)) {
                d.update(DATA);
                d.reset();  // a started message is dropped
                d.update(other);
                assertArrayEquals(Gost3411Digest.of(t, other), d.digest());
                d.reset();
                assertArrayEquals(Gost3411Digest.of(t, new byte[0]), d.digest());
            }
        }
        MessageDigest md = MessageDigest.getInstance("GOST3411", VANTIX);
        byte[] first = md.digest(DATA);
        assertArrayEquals(Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, other), md.digest(other));
        md.update(other, 0, 10);
        md.reset();
        assertArrayEquals(first, md.digest(DATA));

        KeyPair pair = KeyPairGenerator.getInstance("ECGOST3410", VANTIX).generateKeyPair();
        Signature s = Signature.getInstance("GOST3411withECGOST3410", VANTIX);
        s.initSign(pair.getPrivate());
        Signature v = Signature.getInstance("GOST3411withECGOST3410", VANTIX);
        v.initVerify(pair.getPublic());
        for (byte[] message : new byte[][] {DATA, other, DATA}) {
            s.update(message);
            byte[] sig = s.sign();
            v.update(message);
            assertTrue(v.verify(sig));
        }
    }

    @Test
    void macOfPiecesEqualsMacOfTheWhole() throws Exception {
        Mac whole = Mac.getInstance("GOST28147MAC-64", VANTIX);
        whole.init(KEY);
        byte[] expected = whole.doFinal(DATA);
        Mac m = Mac.getInstance("GOST28147MAC-64", VANTIX);
        m.init(KEY);
        for (int round = 0; round < 2; round++) {  // the second message after doFinal, on the kept table
            int done = 0;
            for (int p = 0; done < DATA.length; p++) {
                int n = Math.min(ANY_PIECES[p % ANY_PIECES.length], DATA.length - done);
                m.update(DATA, done, n);
                done += n;
            }
            assertArrayEquals(expected, m.doFinal());
        }
        m.init(KEY, new Gost28147ParameterSpec("E-TEST"));  // a new table on a new init
        Mac other = Mac.getInstance("GOST28147MAC-64", VANTIX);
        other.init(KEY, new Gost28147ParameterSpec("E-TEST"));
        assertArrayEquals(other.doFinal(DATA), m.doFinal(DATA));
    }
}
