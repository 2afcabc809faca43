package com.norvane.security.gost;

import java.nio.ByteBuffer;
import java.nio.CharBuffer;
import java.nio.charset.CharacterCodingException;
import java.nio.charset.CodingErrorAction;
import java.nio.charset.StandardCharsets;
import java.security.GeneralSecurityException;
import java.security.SecureRandom;
import java.util.Arrays;
import javax.crypto.Cipher;
import javax.crypto.SecretKeyFactory;
import javax.crypto.spec.IvParameterSpec;
import javax.crypto.spec.PBEKeySpec;
import javax.crypto.spec.SecretKeySpec;

/**
 * PKCS#8 EncryptedPrivateKeyInfo under a password (PKCS#5 v2.1, RFC 8018): PBES2 with
 * PBKDF2-HMAC-SHA256 and AES-256-CBC, the form {@code openssl pkcs8 -topk8} writes and
 * every PKCS#8 reader takes. Reading also accepts PBKDF2 with HMAC-SHA1 or -SHA512 and
 * AES-128 or -192, and at most {@value PasswordHash#MAX_ITERATIONS} PBKDF2 iterations (real
 * tools write 2048 to 100,000; more would let a file hold each attempt for seconds). The
 * password is its UTF-8 bytes.
 */
public final class EncryptedKeys {
    private static final String PBES2 = "1.2.840.113549.1.5.13";
    private static final String PBKDF2 = "1.2.840.113549.1.5.12";
    private static final String HMAC_SHA1 = "1.2.840.113549.2.7";
    private static final String HMAC_SHA256 = "1.2.840.113549.2.9";
    private static final String HMAC_SHA512 = "1.2.840.113549.2.11";
    private static final String AES128_CBC = "2.16.840.1.101.3.4.1.2";
    private static final String AES192_CBC = "2.16.840.1.101.3.4.1.22";
    private static final String AES256_CBC = "2.16.840.1.101.3.4.1.42";
    /** PBKDF2 iterations written (OpenSSL writes 2048; more costs a guesser more). */
    static final int ITERATIONS = 100_000;

    private EncryptedKeys() {
    }

    /** Encrypts a PrivateKeyInfo (DER) into an EncryptedPrivateKeyInfo (DER). */
    public static byte[] encrypt(byte[] privateKeyInfo, byte[] password) {
        SecureRandom random = new SecureRandom();
        byte[] salt = new byte[16];
        byte[] iv = new byte[16];
        random.nextBytes(salt);
        random.nextBytes(iv);
        byte[] key = derive(password, salt, ITERATIONS, 32, "PBKDF2WithHmacSHA256");
        try {
            Cipher c = Cipher.getInstance("AES/CBC/PKCS5Padding");
            c.init(Cipher.ENCRYPT_MODE, new SecretKeySpec(key, "AES"), new IvParameterSpec(iv));
            byte[] encrypted = c.doFinal(privateKeyInfo);
            byte[] kdf = Der.sequence(Der.oid(PBKDF2), Der.sequence(Der.tlv(Der.OCTET_STRING, salt),
                integer(ITERATIONS), Der.sequence(Der.oid(HMAC_SHA256), new byte[] {0x05, 0x00})));
            byte[] scheme = Der.sequence(Der.oid(AES256_CBC), Der.tlv(Der.OCTET_STRING, iv));
            return Der.sequence(Der.sequence(Der.oid(PBES2), Der.sequence(kdf, scheme)),
                Der.tlv(Der.OCTET_STRING, encrypted));
        } catch (GeneralSecurityException e) {
            throw new IllegalStateException("AES-256-CBC is missing from this JVM", e);
        } finally {
            Arrays.fill(key, (byte) 0);
        }
    }

    /**
     * Decrypts an EncryptedPrivateKeyInfo (DER) into the PrivateKeyInfo (DER) it holds; the
     * caller wipes the result.
     *
     * @throws IllegalArgumentException for a malformed encoding, an unsupported scheme, or a
     *     wrong password
     */
    public static byte[] decrypt(byte[] encryptedInfo, byte[] password) {
        final String what = "encrypted private key";
        Der.Reader top = new Der.Reader(encryptedInfo);
        Der.Reader info = top.next(Der.SEQUENCE, what).contents();
        top.finish(what);
        Der.Reader alg = info.next(Der.SEQUENCE, what).contents();
        byte[] encrypted = info.next(Der.OCTET_STRING, what).content();
        info.finish(what);
        String algOid = Der.readOid(alg.next(what), what);
        if (!PBES2.equals(algOid)) {
            throw new IllegalArgumentException(what + ": only PBES2 is supported, not " + algOid);
        }
        Der.Reader params = alg.next(Der.SEQUENCE, what).contents();
        Der.Reader kdf = params.next(Der.SEQUENCE, what).contents();
        Der.Reader scheme = params.next(Der.SEQUENCE, what).contents();
        if (!PBKDF2.equals(Der.readOid(kdf.next(what), what))) {
            throw new IllegalArgumentException(what + ": only PBKDF2 is supported");
        }
        Der.Reader kp = kdf.next(Der.SEQUENCE, what).contents();
        byte[] salt = kp.next(Der.OCTET_STRING, what).content();
        int iterations = readInt(kp.next(Der.INTEGER, what), what);
        // Real tools write 2048 (OpenSSL, Bouncy Castle) to 100,000 (this class): a file asking
        // for more than the limit is refused before anything is derived.
        PasswordHash.checkIterations("the " + what, iterations);
        String prf = HMAC_SHA1;
        while (kp.hasMore()) {
            Der.Tlv t = kp.next(what);
            if (t.tag == Der.SEQUENCE) {
                prf = Der.readOid(t.contents().next(what), what);
            }  // an INTEGER here is the optional key length, fixed by the cipher anyway
        }
        String prfName;
        switch (prf) {
            case HMAC_SHA1: prfName = "PBKDF2WithHmacSHA1"; break;
            case HMAC_SHA256: prfName = "PBKDF2WithHmacSHA256"; break;
            case HMAC_SHA512: prfName = "PBKDF2WithHmacSHA512"; break;
            default: throw new IllegalArgumentException(what + ": unsupported PBKDF2 function " + prf);
        }
        String cipherOid = Der.readOid(scheme.next(what), what);
        int keyLen;
        switch (cipherOid) {
            case AES128_CBC: keyLen = 16; break;
            case AES192_CBC: keyLen = 24; break;
            case AES256_CBC: keyLen = 32; break;
            default: throw new IllegalArgumentException(what + ": unsupported cipher " + cipherOid);
        }
        byte[] iv = scheme.next(Der.OCTET_STRING, what).content();
        if (iv.length != 16) {
            throw new IllegalArgumentException(what + ": bad cipher parameters");
        }
        byte[] key = derive(password, salt, iterations, keyLen, prfName);
        try {
            Cipher c = Cipher.getInstance("AES/CBC/PKCS5Padding");
            c.init(Cipher.DECRYPT_MODE, new SecretKeySpec(key, "AES"), new IvParameterSpec(iv));
            byte[] plain = c.doFinal(encrypted);
            // A wrong key still ends in valid padding about once in 256 tries; what it leaves is
            // noise, so anything but one whole DER sequence is the same wrong password.
            if (!isOneSequence(plain)) {
                Arrays.fill(plain, (byte) 0);
                throw wrongPassword();
            }
            return plain;
        } catch (GeneralSecurityException e) {
            throw wrongPassword();
        } finally {
            Arrays.fill(key, (byte) 0);
        }
    }

    private static IllegalArgumentException wrongPassword() {
        return new IllegalArgumentException("wrong password for the encrypted private key (or it is damaged)");
    }

    private static boolean isOneSequence(byte[] der) {
        try {
            Der.only(der, Der.SEQUENCE, "private key");
            return true;
        } catch (IllegalArgumentException e) {
            return false;
        }
    }

    private static byte[] derive(byte[] password, byte[] salt, int iterations, int keyLen, String prf) {
        char[] chars;
        try {
            CharBuffer cb = StandardCharsets.UTF_8.newDecoder().onMalformedInput(CodingErrorAction.REPORT)
                .onUnmappableCharacter(CodingErrorAction.REPORT).decode(ByteBuffer.wrap(password));
            chars = new char[cb.remaining()];
            cb.get(chars);
            if (cb.hasArray()) {
                Arrays.fill(cb.array(), '\0');
            }
        } catch (CharacterCodingException e) {
            throw new IllegalArgumentException("the password is not UTF-8 text");
        }
        PBEKeySpec pbe = new PBEKeySpec(chars, salt, iterations, keyLen * 8);
        try {
            return SecretKeyFactory.getInstance(prf).generateSecret(pbe).getEncoded();
        } catch (GeneralSecurityException e) {
            throw new IllegalStateException(prf + " is missing from this JVM", e);
        } finally {
            pbe.clearPassword();
            Arrays.fill(chars, '\0');
        }
    }

    private static byte[] integer(int v) {
        byte[] b = java.math.BigInteger.valueOf(v).toByteArray();
        return Der.tlv(Der.INTEGER, b);
    }

    private static int readInt(Der.Tlv t, String what) {
        if (t.length() < 1 || t.length() > 4 || (t.buf[t.start] & 0x80) != 0) {
            throw new IllegalArgumentException(what + ": bad iteration count");
        }
        int v = 0;
        for (int i = t.start; i < t.end; i++) {
            v = (v << 8) | (t.buf[i] & 0xff);
        }
        return v;
    }
}
