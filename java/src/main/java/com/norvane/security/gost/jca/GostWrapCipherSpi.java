package com.norvane.security.gost.jca;

import com.norvane.security.gost.CipherTable;
import com.norvane.security.gost.KeyWrap;
import java.io.ByteArrayOutputStream;
import java.security.AlgorithmParameters;
import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidKeyException;
import java.security.Key;
import java.security.NoSuchAlgorithmException;
import java.security.SecureRandom;
import java.security.spec.AlgorithmParameterSpec;
import java.security.spec.InvalidParameterSpecException;
import java.util.Arrays;
import javax.crypto.BadPaddingException;
import javax.crypto.Cipher;
import javax.crypto.CipherSpi;
import javax.crypto.IllegalBlockSizeException;
import javax.crypto.NoSuchPaddingException;
import javax.crypto.ShortBufferException;
import javax.crypto.spec.SecretKeySpec;

/**
 * The GOST 28147-89 key wrap (1.2.643.2.2.13.0) and the CryptoPro key wrap
 * (1.2.643.2.2.13.1) of RFC 4357 as a Cipher, Bouncy Castle's {@code GostWrap} and
 * {@code CryptoProWrap}: WRAP_MODE and UNWRAP_MODE, and ENCRYPT_MODE and DECRYPT_MODE over
 * the key bytes. The key-encryption key is a 32-byte secret key; the parameters, required,
 * are a {@link Gost28147WrapParameterSpec} or Bouncy Castle's
 * {@code GOST28147WrapParameterSpec} (UKM and table). The wrapped key is 36 bytes: the
 * enciphered key, then the MAC (see {@link KeyWrap}). An unwrapped key whose MAC does not
 * match is refused with {@link InvalidKeyException} (BadPaddingException in DECRYPT_MODE).
 */
@SuppressWarnings("try")  // the InUse.Held of each engine method is there to be closed, not read
final class GostWrapCipherSpi extends CipherSpi {
    private final boolean cryptoPro;
    private int opmode;
    private byte[] kek;
    private byte[] ukm;
    private final InUse inUse = new InUse("Cipher");
    private byte[] sbox;
    private final ByteArrayOutputStream input = new ByteArrayOutputStream(KeyWrap.WRAPPED_BYTES);

    GostWrapCipherSpi(boolean cryptoPro) {
        this.cryptoPro = cryptoPro;
    }

    @Override
    protected void engineSetMode(String mode) throws NoSuchAlgorithmException {
        if (!"ECB".equalsIgnoreCase(mode) && !"NONE".equalsIgnoreCase(mode)) {
            throw new NoSuchAlgorithmException("a key wrap has no mode: use the name alone");
        }
    }

    @Override
    protected void engineSetPadding(String padding) throws NoSuchPaddingException {
        if (!"NOPADDING".equalsIgnoreCase(padding)) {
            throw new NoSuchPaddingException("a key wrap takes NoPadding only");
        }
    }

    @Override
    protected int engineGetBlockSize() {
        return 0;
    }

    @Override
    protected int engineGetOutputSize(int inputLen) {
        return opmode == Cipher.ENCRYPT_MODE || opmode == Cipher.WRAP_MODE ? KeyWrap.WRAPPED_BYTES : KeyWrap.KEY_BYTES;
    }

    @Override
    protected byte[] engineGetIV() {
        return null;
    }

    @Override
    protected AlgorithmParameters engineGetParameters() {
        return null;
    }

    @Override
    protected void engineInit(int mode, Key key, SecureRandom random) throws InvalidKeyException {
        try (InUse.Held held = inUse.enter()) {
            throw new InvalidKeyException("a key wrap needs its UKM: init with a GOST28147WrapParameterSpec");
        }
    }

    @Override
    protected void engineInit(int mode, Key key, AlgorithmParameterSpec params, SecureRandom random)
            throws InvalidKeyException, InvalidAlgorithmParameterException {
        try (InUse.Held held = inUse.enter()) {
            Gost28147WrapParameterSpec algParams = params instanceof Gost28147WrapParameterSpec
                ? (Gost28147WrapParameterSpec) params : wrapSpec(params);
            byte[] table = algParams.getSBox();
            byte[] u = algParams.getUKM();
            if (mode < Cipher.ENCRYPT_MODE || mode > Cipher.UNWRAP_MODE) {
                throw new InvalidAlgorithmParameterException("unknown cipher mode " + mode);
            }
            byte[] k = GostKeys.secretKey(key);
            wipe();
            opmode = mode;
            kek = k;
            ukm = u;
            sbox = table;
        }
    }

    /** Bouncy Castle's parameters as ours (its checks of the UKM and table are not relied on). */
    private static Gost28147WrapParameterSpec wrapSpec(AlgorithmParameterSpec params)
            throws InvalidAlgorithmParameterException {
        try {
            Gost28147WrapParameterSpec algParams = BouncyCastle.bridge().wrap(params);
            if (algParams != null) {
                return algParams;
            }
        } catch (IllegalArgumentException e) {
            throw new InvalidAlgorithmParameterException(e.getMessage(), e);
        }
        throw new InvalidAlgorithmParameterException("a key wrap takes a GOST28147WrapParameterSpec");
    }

    @Override
    protected void engineInit(int mode, Key key, AlgorithmParameters params, SecureRandom random)
            throws InvalidKeyException, InvalidAlgorithmParameterException {
        try (InUse.Held held = inUse.enter()) {
            if (params == null) {
                engineInit(mode, key, random);
                return;
            }
            try {
                engineInit(mode, key, params.getParameterSpec(Gost28147WrapParameterSpec.class), random);
            } catch (InvalidParameterSpecException e) {
                throw new InvalidAlgorithmParameterException("a key wrap takes a GOST28147WrapParameterSpec", e);
            }
        }
    }

    @Override
    protected byte[] engineWrap(Key key) throws IllegalBlockSizeException, InvalidKeyException {
        try (InUse.Held held = inUse.enter()) {
            requireMode(Cipher.WRAP_MODE);
            byte[] cek = key == null ? null : key.getEncoded();
            if (cek == null || cek.length != KeyWrap.KEY_BYTES) {
                if (cek != null) {
                    Arrays.fill(cek, (byte) 0);
                }
                throw new InvalidKeyException("a key wrap takes a 32-byte key with an encoding");
            }
            try {
                return wrap(cek);
            } finally {
                Arrays.fill(cek, (byte) 0);
            }
        }
    }

    @Override
    protected Key engineUnwrap(byte[] wrapped, String algorithm, int type)
            throws InvalidKeyException, NoSuchAlgorithmException {
        try (InUse.Held held = inUse.enter()) {
            requireMode(Cipher.UNWRAP_MODE);
            if (type != Cipher.SECRET_KEY) {
                throw new InvalidKeyException("a key wrap holds a secret key");
            }
            byte[] cek = unwrap(wrapped);
            try {
                return new SecretKeySpec(cek, algorithm);
            } finally {
                Arrays.fill(cek, (byte) 0);
            }
        }
    }

    @Override
    protected byte[] engineUpdate(byte[] in, int off, int len) {
        try (InUse.Held held = inUse.enter()) {
            requireData();
            input.write(in, off, len);
            return new byte[0];
        }
    }

    @Override
    protected int engineUpdate(byte[] in, int off, int len, byte[] out, int outOff) {
        engineUpdate(in, off, len);
        return 0;
    }

    @Override
    protected byte[] engineDoFinal(byte[] in, int off, int len) throws IllegalBlockSizeException, BadPaddingException {
        try (InUse.Held held = inUse.enter()) {
            requireData();
            if (len > 0) {
                input.write(in, off, len);
            }
            byte[] data = input.toByteArray();
            input.reset();
            try {
                if (opmode == Cipher.ENCRYPT_MODE) {
                    if (data.length != KeyWrap.KEY_BYTES) {
                        throw new IllegalBlockSizeException("a key wrap enciphers 32 bytes");
                    }
                    return wrap(data);
                }
                if (data.length != KeyWrap.WRAPPED_BYTES) {
                    throw new IllegalBlockSizeException("a wrapped key is 36 bytes");
                }
                try {
                    return unwrap(data);
                } catch (InvalidKeyException e) {
                    throw (BadPaddingException) new BadPaddingException(e.getMessage()).initCause(e);
                }
            } finally {
                Arrays.fill(data, (byte) 0);
            }
        }
    }

    @Override
    protected int engineDoFinal(byte[] in, int off, int len, byte[] out, int outOff)
            throws ShortBufferException, IllegalBlockSizeException, BadPaddingException {
        try (InUse.Held held = inUse.enter()) {
            GostCipherSpi.checkRoom(out, outOff, engineGetOutputSize(len));
            byte[] r = engineDoFinal(in, off, len);
            System.arraycopy(r, 0, out, outOff, r.length);
            Arrays.fill(r, (byte) 0);
            return r.length;
        }
    }

    private byte[] wrap(byte[] cek) {
        try (CipherTable table = new CipherTable(sbox)) {
            return KeyWrap.wrap(table, VantixProvider.generator(), cryptoPro, kek, ukm, cek);
        }
    }

    private byte[] unwrap(byte[] wrapped) throws InvalidKeyException {
        if (wrapped == null || wrapped.length != KeyWrap.WRAPPED_BYTES) {
            throw new InvalidKeyException("a wrapped key is 36 bytes");
        }
        try (CipherTable table = new CipherTable(sbox)) {
            return KeyWrap.unwrap(table, VantixProvider.generator(), cryptoPro, kek, ukm, wrapped);
        } catch (IllegalArgumentException e) {
            throw new InvalidKeyException(e.getMessage(), e);
        }
    }

    private void requireMode(int mode) {
        if (kek == null || opmode != mode) {
            throw new IllegalStateException("the cipher is not initialised for " + (mode == Cipher.WRAP_MODE
                ? "wrapping" : "unwrapping"));
        }
    }

    private void requireData() {
        if (kek == null || (opmode != Cipher.ENCRYPT_MODE && opmode != Cipher.DECRYPT_MODE)) {
            throw new IllegalStateException("the cipher is not initialised for encryption or decryption");
        }
    }

    private void wipe() {
        if (kek != null) {
            Arrays.fill(kek, (byte) 0);
        }
        kek = null;
        input.reset();
    }
}
