package com.norvane.security.gost.jca;

import com.norvane.security.gost.CipherTable;
import com.norvane.security.gost.GammaCipher;
import com.norvane.security.gost.GammaFeedbackCipher;
import com.norvane.security.gost.SimpleReplacementCipher;
import java.security.AlgorithmParameters;
import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidKeyException;
import java.security.Key;
import java.security.NoSuchAlgorithmException;
import java.security.SecureRandom;
import java.security.spec.AlgorithmParameterSpec;
import java.util.Arrays;
import java.util.Locale;
import javax.crypto.BadPaddingException;
import javax.crypto.Cipher;
import javax.crypto.CipherSpi;
import javax.crypto.IllegalBlockSizeException;
import javax.crypto.NoSuchPaddingException;
import javax.crypto.ShortBufferException;

/**
 * GOST 28147-89 with CryptoPro key meshing as a Cipher: ECB (simple replacement, at most
 * 32 bytes, whole 8-byte blocks, per init), CFB (gamma with feedback; {@code GCFB} is
 * Bouncy Castle's name) and CNT (gamma, the counter mode of OpenSSL's {@code gost89-cnt};
 * also {@code CTR}). NoPadding only. After {@code doFinal} the cipher is back at the
 * state after {@code init}, with the same key and vector.
 */
final class GostCipherSpi extends CipherSpi {
    private enum Mode { ECB, CFB, CNT }

    private static final int ECB_LIMIT = 32;

    private Mode mode = Mode.ECB;
    private boolean encrypting;
    private byte[] key;
    private byte[] iv;
    private byte[] sbox;
    private CipherTable table;
    private AutoCloseable engine;
    private final byte[] pending = new byte[8];  // input waiting for a whole word (CFB) or block (ECB)
    private int pendingLen;
    private int ecbDone;

    @Override
    protected void engineSetMode(String m) throws NoSuchAlgorithmException {
        switch (m.toUpperCase(Locale.ROOT)) {
            case "ECB":
                mode = Mode.ECB;
                break;
            case "CFB":
            case "GCFB":
                mode = Mode.CFB;
                break;
            case "CNT":
            case "CTR":
                mode = Mode.CNT;
                break;
            default:
                throw new NoSuchAlgorithmException("GOST28147 modes: ECB, CFB (GCFB), CNT (CTR); not " + m);
        }
    }

    @Override
    protected void engineSetPadding(String padding) throws NoSuchPaddingException {
        if (!"NOPADDING".equalsIgnoreCase(padding)) {
            throw new NoSuchPaddingException("GOST28147 here takes NoPadding only");
        }
    }

    @Override
    protected int engineGetBlockSize() {
        return 8;
    }

    @Override
    protected int engineGetOutputSize(int inputLen) {
        return pendingLen + inputLen;
    }

    @Override
    protected byte[] engineGetIV() {
        return iv == null ? null : iv.clone();
    }

    @Override
    protected AlgorithmParameters engineGetParameters() {
        return null;
    }

    @Override
    protected void engineInit(int opmode, Key k, SecureRandom random) throws InvalidKeyException {
        try {
            engineInit(opmode, k, (AlgorithmParameterSpec) null, random);
        } catch (InvalidAlgorithmParameterException e) {
            throw new InvalidKeyException(e.getMessage(), e);
        }
    }

    @Override
    protected void engineInit(int opmode, Key k, AlgorithmParameters params, SecureRandom random)
            throws InvalidKeyException, InvalidAlgorithmParameterException {
        if (params != null) {
            throw new InvalidAlgorithmParameterException("pass the vector as an IvParameterSpec or Gost28147ParameterSpec");
        }
        engineInit(opmode, k, (AlgorithmParameterSpec) null, random);
    }

    @Override
    protected void engineInit(int opmode, Key k, AlgorithmParameterSpec params, SecureRandom random)
            throws InvalidKeyException, InvalidAlgorithmParameterException {
        boolean enc = opmode == Cipher.ENCRYPT_MODE || opmode == Cipher.WRAP_MODE;
        byte[] newIv = GostKeys.iv(params);
        if (mode == Mode.ECB) {
            if (newIv != null) {
                throw new InvalidAlgorithmParameterException("ECB takes no vector");
            }
        } else if (newIv == null) {
            if (!enc) {
                throw new InvalidAlgorithmParameterException("decryption needs the vector used to encrypt");
            }
            newIv = VantixProvider.generator().nextBytes(8);
        }
        byte[] newKey = GostKeys.secretKey(k);
        release();
        key = newKey;
        iv = newIv;
        sbox = GostKeys.table(params);
        encrypting = enc;
        restart();
    }

    /** A fresh native cipher with the key, vector and table of the last init (the table is kept). */
    private void restart() {
        closeEngine();
        pendingLen = 0;
        ecbDone = 0;
        if (table == null) {
            table = new CipherTable(sbox);
        }
        switch (mode) {
            case ECB:
                engine = new SimpleReplacementCipher(table, VantixProvider.generator(), key);
                break;
            case CFB:
                engine = new GammaFeedbackCipher(table, VantixProvider.generator(), key, iv);
                break;
            default:
                engine = new GammaCipher(table, VantixProvider.generator(), key, iv);
                break;
        }
    }

    @Override
    protected byte[] engineUpdate(byte[] in, int off, int len) {
        byte[] out = new byte[updateSize(len)];
        int n = update(in, off, len, out, 0);
        return n == out.length ? out : Arrays.copyOf(out, n);
    }

    @Override
    protected int engineUpdate(byte[] in, int off, int len, byte[] out, int outOff) throws ShortBufferException {
        if (out.length - outOff < updateSize(len)) {
            throw new ShortBufferException("the output needs " + updateSize(len) + " bytes");
        }
        return update(in, off, len, out, outOff);
    }

    @Override
    protected byte[] engineDoFinal(byte[] in, int off, int len) throws IllegalBlockSizeException {
        byte[] out = new byte[engineGetOutputSize(len)];
        int n = doFinal(in, off, len, out, 0);
        return n == out.length ? out : Arrays.copyOf(out, n);
    }

    @Override
    protected int engineDoFinal(byte[] in, int off, int len, byte[] out, int outOff)
            throws ShortBufferException, IllegalBlockSizeException, BadPaddingException {
        if (out.length - outOff < engineGetOutputSize(len)) {
            throw new ShortBufferException("the output needs " + engineGetOutputSize(len) + " bytes");
        }
        return doFinal(in, off, len, out, outOff);
    }

    private int unit() {
        return mode == Mode.ECB ? 8 : mode == Mode.CFB ? 4 : 1;
    }

    private int updateSize(int len) {
        int total = pendingLen + len;
        return total - total % unit();
    }

    private int update(byte[] in, int off, int len, byte[] out, int outOff) {
        checkReady();
        if (in == null || len == 0) {
            return 0;
        }
        if (mode == Mode.ECB && ecbDone + updateSize(len) > ECB_LIMIT) {
            throw new IllegalStateException("ECB (simple replacement) stops at 32 bytes under one key");
        }
        if (pendingLen == 0) {  // straight from the caller's arrays
            int n = len - len % unit();
            pendingLen = len - n;
            System.arraycopy(in, off + n, pending, 0, pendingLen);
            run(in, off, n, out, outOff);
            return n;
        }
        byte[] data = join(in, off, len);
        int n = data.length - data.length % unit();
        pendingLen = data.length - n;
        System.arraycopy(data, n, pending, 0, pendingLen);
        run(data, 0, n, out, outOff);
        Arrays.fill(data, (byte) 0);
        return n;
    }

    private int doFinal(byte[] in, int off, int len, byte[] out, int outOff) throws IllegalBlockSizeException {
        checkReady();
        if (in == null) {
            in = new byte[0];
            off = 0;
            len = 0;
        }
        byte[] data = null;  // the pending bytes and the input joined, when there are pending bytes
        try {
            int total = pendingLen + len;
            if (mode == Mode.ECB && total % 8 != 0) {
                throw new IllegalBlockSizeException("ECB (simple replacement) works on whole 8-byte blocks");
            }
            if (mode == Mode.ECB && ecbDone + total > ECB_LIMIT) {
                throw new IllegalBlockSizeException("ECB (simple replacement) stops at 32 bytes under one key");
            }
            if (pendingLen == 0) {
                run(in, off, len, out, outOff);
            } else {
                data = join(in, off, len);
                run(data, 0, total, out, outOff);
            }
            return total;
        } finally {
            if (data != null) {
                Arrays.fill(data, (byte) 0);
            }
            restart();
        }
    }

    private byte[] join(byte[] in, int off, int len) {
        byte[] data = new byte[pendingLen + len];
        System.arraycopy(pending, 0, data, 0, pendingLen);
        System.arraycopy(in, off, data, pendingLen, len);
        Arrays.fill(pending, (byte) 0);
        pendingLen = 0;
        return data;
    }

    private void run(byte[] data, int off, int n, byte[] out, int outOff) {
        if (n == 0) {
            return;
        }
        switch (mode) {
            case ECB:
                SimpleReplacementCipher ecb = (SimpleReplacementCipher) engine;
                byte[] piece = Arrays.copyOfRange(data, off, off + n);
                byte[] result = encrypting ? ecb.encrypt(piece) : ecb.decrypt(piece);
                System.arraycopy(result, 0, out, outOff, n);
                Arrays.fill(piece, (byte) 0);
                ecbDone += n;
                break;
            case CFB:
                GammaFeedbackCipher cfb = (GammaFeedbackCipher) engine;
                if (encrypting) {
                    cfb.encrypt(data, off, out, outOff, n);
                } else {
                    cfb.decrypt(data, off, out, outOff, n);
                }
                break;
            default:
                ((GammaCipher) engine).process(data, off, out, outOff, n);
                break;
        }
    }

    private void checkReady() {
        if (engine == null) {
            throw new IllegalStateException("the cipher is not initialised");
        }
    }

    private void closeEngine() {
        try {
            if (engine != null) {
                engine.close();
            }
        } catch (Exception e) {
            throw new IllegalStateException(e);
        }
        engine = null;
    }

    private void release() {
        closeEngine();
        if (table != null) {
            table.close();
            table = null;
        }
        if (key != null) {
            Arrays.fill(key, (byte) 0);
        }
        Arrays.fill(pending, (byte) 0);
        pendingLen = 0;
    }
}
