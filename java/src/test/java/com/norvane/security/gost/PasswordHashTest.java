package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Random;
import javax.crypto.SecretKeyFactory;
import javax.crypto.spec.PBEKeySpec;
import org.junit.jupiter.api.Test;

/**
 * Sealing under a password hash: the derivation against published vectors and the JDK, the
 * passwords that the containers' folding confuses kept apart, and containers of earlier
 * versions (the golden files) opening exactly as before.
 */
class PasswordHashTest {
    private static byte[] ascii(String s) {
        return s.getBytes(StandardCharsets.US_ASCII);
    }

    /** A file under the source tree (CTest passes its location). */
    static byte[] sourceFile(String relative) throws Exception {
        String source = System.getProperty("vantix.source.dir");
        assertNotNull(source, "set vantix.source.dir to the project");
        return Files.readAllBytes(Path.of(source, relative));
    }

    @Test
    void derivationIsPbkdf2HmacSha256() throws Exception {
        // RFC 7914, section 11: the first 32 bytes of its PBKDF2-HMAC-SHA256 outputs.
        assertEquals("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc",
            Hex.of(PasswordHash.derive(ascii("passwd"), ascii("salt"), 1)));
        assertEquals("4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56",
            Hex.of(PasswordHash.derive(ascii("Password"), ascii("NaCl"), 80000)));
        // The JDK's own PBKDF2 (which takes characters, as UTF-8) agrees.
        Random r = new Random(5);
        SecretKeyFactory jdk = SecretKeyFactory.getInstance("PBKDF2WithHmacSHA256");
        for (String pw : new String[] {"abcabcabcabc", "пароль с пробелами", "x".repeat(100)}) {
            byte[] salt = new byte[16];
            r.nextBytes(salt);
            int iterations = 1 + r.nextInt(3000);
            byte[] expected = jdk.generateSecret(new PBEKeySpec(pw.toCharArray(), salt, iterations, 256)).getEncoded();
            assertArrayEquals(expected, PasswordHash.derive(pw.getBytes(StandardCharsets.UTF_8), salt, iterations), pw);
        }
    }

    /** The two pairs the folding confuses: a repeated pattern, and a 34-byte password with its ends exchanged. */
    private static final String[][] FOLDED_ALIKE = {
        {"abcabcabcabc", "abcabcabcabcabcabc"},
        {"0123456789abcdefghijklmnopqrstuvwx", "wx23456789abcdefghijklmnopqrstuv01"},
    };

    @Test
    void passwordsThatFoldAlikeNoLongerOpenEachOther() {
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             SignatureContext key = SignatureContext.generate(ParameterSet.CRYPTOPRO_A, rng)) {
            for (String[] pair : FOLDED_ALIKE) {
                byte[] sealedKey = key.sealSecretKey(rng, ascii(pair[0]));
                byte[] sealedState = rng.sealState(ascii(pair[0]));
                assertEquals(SignatureContext.SEALED_KEY_BYTES, sealedKey.length);
                assertEquals(RandomGenerator.SEALED_STATE_BYTES, sealedState.length);
                assertTrue(PasswordHash.isHashed(sealedKey) && PasswordHash.isHashed(sealedState));
                assertEquals(ResultCode.CONTAINER_MAC, assertThrows(VantixException.class,
                    () -> SignatureContext.openSecretKey(ParameterSet.CRYPTOPRO_A, rng, sealedKey, ascii(pair[1])))
                    .code(), pair[1]);
                assertEquals(ResultCode.CONTAINER_MAC, assertThrows(VantixException.class,
                    () -> RandomGenerator.fromContainer(sealedState, ascii(pair[1]))).code(), pair[1]);
                try (SignatureContext back = SignatureContext.openSecretKey(ParameterSet.CRYPTOPRO_A, rng, sealedKey,
                         ascii(pair[0]));
                     RandomGenerator restored = RandomGenerator.fromContainer(sealedState, ascii(pair[0]))) {
                    assertArrayEquals(key.publicKey(), back.publicKey());
                    assertEquals(32, restored.nextBytes(32).length);
                }
            }
        }
    }

    @Test
    void earlierContainersOpenExactlyAsBeforeAndMoveByResealing() throws Exception {
        // Made once by an earlier version under this password (tests/golden/README.md).
        byte[] password = ascii("golden password 2026");
        byte[] foldedAlike = ascii("golden password 2026golden passw");  // the same 32 bytes after folding
        byte[] keyContainer = sourceFile("tests/golden/key_container.bin");
        byte[] seedContainer = sourceFile("tests/golden/rnd_container.bin");
        byte[] plainKey = sourceFile("tests/golden/key.bin");  // big-endian
        byte[] state = sourceFile("tests/golden/rnd_state.bin");
        assertFalse(PasswordHash.isHashed(keyContainer) || PasswordHash.isHashed(seedContainer));
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             SignatureContext expected = SignatureContext.withPrivateKey(ParameterSet.CRYPTOPRO_A, rng,
                 Words.reversed(plainKey))) {
            for (byte[] pw : new byte[][] {password, foldedAlike}) {
                try (SignatureContext k = SignatureContext.openSecretKey(ParameterSet.CRYPTOPRO_A, rng, keyContainer,
                         pw);
                     RandomGenerator g = RandomGenerator.fromContainer(seedContainer, pw)) {
                    assertArrayEquals(expected.publicKey(), k.publicKey());
                    byte[] opened = new byte[68];
                    Vantix.mem_read(g.handle(), 0, opened, 0, 68);
                    assertArrayEquals(state, opened);
                }
            }
            // Sealing again gives the new form, which the folded-alike password no longer opens.
            try (SignatureContext k = SignatureContext.openSecretKey(ParameterSet.CRYPTOPRO_A, rng, keyContainer,
                     password)) {
                byte[] moved = k.sealSecretKey(rng, password);
                assertThrows(VantixException.class,
                    () -> SignatureContext.openSecretKey(ParameterSet.CRYPTOPRO_A, rng, moved, foldedAlike));
                try (SignatureContext again = SignatureContext.openSecretKey(ParameterSet.CRYPTOPRO_A, rng, moved,
                         password)) {
                    assertArrayEquals(expected.publicKey(), again.publicKey());
                }
            }
        }
    }

    @Test
    void alteredHeadersAndBadPasswordsAreRefused() {
        byte[] password = ascii("a long enough password");
        try (RandomGenerator rng = RandomGenerator.fromSystem()) {
            byte[] sealed = rng.sealState(password);
            // An iteration count above the limit is refused before anything is derived.
            for (int[] count : new int[][] {{0x00, 0x0f, 0x42, 0x41}, {0xff, 0xff, 0xff, 0xff}, {0, 0, 0, 0}}) {
                byte[] altered = sealed.clone();
                for (int i = 0; i < 4; i++) {
                    altered[4 + i] = (byte) count[i];
                }
                IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
                    () -> RandomGenerator.fromContainer(altered, password));
                assertTrue(e.getMessage().contains("PBKDF2 iterations"), e.getMessage());
            }
            // Any other header byte changed (count in range, salt, magic): it does not open.
            for (int i : new int[] {6, 7, 8, 23}) {
                byte[] altered = sealed.clone();
                altered[i] ^= 1;
                assertEquals(ResultCode.CONTAINER_MAC, assertThrows(VantixException.class,
                    () -> RandomGenerator.fromContainer(altered, password)).code(), "byte " + i);
            }
            byte[] badMagic = sealed.clone();
            badMagic[0] ^= 1;
            assertThrows(IllegalArgumentException.class, () -> RandomGenerator.fromContainer(badMagic, password));
            assertThrows(IllegalArgumentException.class,
                () -> RandomGenerator.fromContainer(Arrays.copyOf(sealed, 100), password));
            // A zero byte is refused: HMAC could not tell P from P followed by zeros.
            byte[] withZero = Arrays.copyOf(password, password.length + 1);
            assertFalse(PasswordHash.sealable(withZero));
            assertThrows(IllegalArgumentException.class, () -> rng.sealState(withZero));
            assertThrows(IllegalArgumentException.class, () -> RandomGenerator.fromContainer(sealed, withZero));
            assertEquals(ResultCode.MISSING, assertThrows(VantixException.class,
                () -> rng.sealState(ascii("123456789"))).code(), "still at least 10 bytes");
            assertEquals(ResultCode.MISSING, assertThrows(VantixException.class,
                () -> RandomGenerator.fromContainer(sealed, new byte[0])).code());
        }
    }

    @Test
    void encryptedPkcs8AsksForAtMostAMillionIterations() {
        byte[] password = ascii("pkcs8 password");
        byte[] info = KeyEncoding.encodePrivateKey(ParameterSet.CRYPTOPRO_A, new byte[32]);
        byte[] encrypted = EncryptedKeys.encrypt(info, password);
        assertArrayEquals(info, EncryptedKeys.decrypt(encrypted, password));
        // The iteration count, INTEGER 100000, rewritten to 1,000,001 (same length).
        byte[] written = {0x02, 0x03, 0x01, (byte) 0x86, (byte) 0xa0};
        byte[] asked = {0x02, 0x03, 0x0f, 0x42, 0x41};
        int at = indexOf(encrypted, written);
        byte[] altered = encrypted.clone();
        System.arraycopy(asked, 0, altered, at, asked.length);
        IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
            () -> EncryptedKeys.decrypt(altered, password));
        assertEquals("the encrypted private key asks for 1000001 PBKDF2 iterations; this reader takes 1 to 1000000",
            e.getMessage());
    }

    @Test
    void encryptedPkcs8ThatDecryptsToNoiseIsAWrongPassword() {
        // What a wrong password leaves when its padding happens to check: not one DER sequence.
        byte[] password = ascii("pkcs8 password");
        byte[] sequence = KeyEncoding.encodePrivateKey(ParameterSet.CRYPTOPRO_A, new byte[32]);
        byte[][] noise = {
            {0x02, (byte) 0x8f, 0x11, 0x22, 0x33},
            {0x30, 0x05, 0x01},
            Arrays.copyOf(sequence, sequence.length + 1),
            Arrays.copyOf(sequence, sequence.length - 1),
        };
        for (byte[] plain : noise) {
            byte[] encrypted = EncryptedKeys.encrypt(plain, password);
            IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
                () -> EncryptedKeys.decrypt(encrypted, password));
            assertEquals("wrong password for the encrypted private key (or it is damaged)", e.getMessage());
        }
    }

    private static int indexOf(byte[] b, byte[] part) {
        for (int i = 0; i + part.length <= b.length; i++) {
            if (Arrays.equals(b, i, i + part.length, part, 0, part.length)) {
                return i;
            }
        }
        throw new AssertionError("not found");
    }
}
