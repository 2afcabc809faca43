package com.norvane.security.gost.jca;

import java.nio.ByteBuffer;
import java.nio.CharBuffer;
import java.nio.charset.StandardCharsets;
import java.security.InvalidKeyException;
import java.security.spec.InvalidKeySpecException;
import java.security.spec.KeySpec;
import java.util.Arrays;
import javax.crypto.SecretKey;
import javax.crypto.SecretKeyFactorySpi;
import javax.crypto.spec.PBEKeySpec;
import javax.crypto.spec.SecretKeySpec;

/**
 * PBKDF2 (RFC 8018) with HMAC-GOST3411 as Bouncy Castle derives it: the password's
 * characters as UTF-8, the salt, iteration count and key length (bits, whole bytes taken)
 * of a {@link PBEKeySpec}. The key is a RAW secret key of the derived bytes.
 */
final class GostPbkdf2Spi extends SecretKeyFactorySpi {
    static final String NAME = "PBKDF2WITHHMACGOST3411";

    @Override
    protected SecretKey engineGenerateSecret(KeySpec algParams) throws InvalidKeySpecException {
        if (!(algParams instanceof PBEKeySpec)) {
            throw new InvalidKeySpecException("PBKDF2 takes a PBEKeySpec");
        }
        PBEKeySpec pbe = (PBEKeySpec) algParams;
        byte[] salt = pbe.getSalt();
        if (salt == null) {
            throw new InvalidKeySpecException("missing required salt");
        }
        if (pbe.getIterationCount() <= 0) {
            throw new InvalidKeySpecException("positive iteration count required: " + pbe.getIterationCount());
        }
        if (pbe.getKeyLength() / 8 <= 0) {
            throw new InvalidKeySpecException("positive key length required: " + pbe.getKeyLength());
        }
        char[] chars = pbe.getPassword();
        if (chars.length == 0) {
            throw new InvalidKeySpecException("password empty");
        }
        byte[] password = utf8(chars);
        byte[] derived = new byte[pbe.getKeyLength() / 8];
        try {
            derive(password, salt, pbe.getIterationCount(), derived);
            return new SecretKeySpec(derived, NAME);
        } finally {
            Arrays.fill(chars, '\0');
            Arrays.fill(password, (byte) 0);
            Arrays.fill(derived, (byte) 0);
        }
    }

    private static byte[] utf8(char[] chars) {
        ByteBuffer b = StandardCharsets.UTF_8.encode(CharBuffer.wrap(chars));
        byte[] out = Arrays.copyOfRange(b.array(), b.position(), b.limit());
        Arrays.fill(b.array(), (byte) 0);
        return out;
    }

    /** T1 || T2 || ... cut to out's length; Ti = U1 ^ ... ^ Uc, U1 = PRF(salt || i), Uj = PRF(Uj-1). */
    static void derive(byte[] password, byte[] salt, int iterations, byte[] out) {
        GostHmacSpi prf = GostHmacSpi.keyed(password);
        byte[] u = null;
        byte[] t = new byte[32];
        try {
            for (int block = 1, pos = 0; pos < out.length; block++, pos += 32) {
                prf.engineUpdate(salt, 0, salt.length);
                prf.engineUpdate(new byte[] {(byte) (block >>> 24), (byte) (block >>> 16), (byte) (block >>> 8),
                    (byte) block}, 0, 4);
                u = prf.engineDoFinal();
                System.arraycopy(u, 0, t, 0, 32);
                for (int j = 1; j < iterations; j++) {
                    prf.engineUpdate(u, 0, 32);
                    byte[] next = prf.engineDoFinal();
                    Arrays.fill(u, (byte) 0);
                    u = next;
                    for (int k = 0; k < 32; k++) {
                        t[k] ^= u[k];
                    }
                }
                Arrays.fill(u, (byte) 0);
                System.arraycopy(t, 0, out, pos, Math.min(32, out.length - pos));
            }
        } finally {
            prf.close();
            Arrays.fill(t, (byte) 0);
            if (u != null) {
                Arrays.fill(u, (byte) 0);
            }
        }
    }

    @Override
    protected KeySpec engineGetKeySpec(SecretKey key, Class<?> type) throws InvalidKeySpecException {
        if (key != null && type != null && type.isAssignableFrom(SecretKeySpec.class)) {
            byte[] k = key.getEncoded();
            try {
                return new SecretKeySpec(k, NAME);
            } finally {
                Arrays.fill(k, (byte) 0);
            }
        }
        throw new InvalidKeySpecException("the derived key is given as a SecretKeySpec");
    }

    @Override
    protected SecretKey engineTranslateKey(SecretKey key) throws InvalidKeyException {
        if (key == null || !NAME.equalsIgnoreCase(key.getAlgorithm()) || !"RAW".equalsIgnoreCase(key.getFormat())) {
            throw new InvalidKeyException("not a " + NAME + " key");
        }
        byte[] k = key.getEncoded();
        try {
            return new SecretKeySpec(k, NAME);
        } finally {
            Arrays.fill(k, (byte) 0);
        }
    }
}
