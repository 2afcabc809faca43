package com.norvane.security.gost.jca;

import com.norvane.security.gost.CipherTable;
import com.norvane.security.gost.GammaCipher;
import com.norvane.security.gost.GammaFeedbackCipher;
import com.norvane.security.gost.Gost28147Parameters;
import com.norvane.security.gost.SimpleReplacementCipher;
import com.norvane.security.gost.SubstitutionTable;
import java.io.IOException;
import java.security.AlgorithmParameters;
import java.security.GeneralSecurityException;
import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidKeyException;
import java.security.Key;
import java.security.NoSuchAlgorithmException;
import java.security.SecureRandom;
import java.security.spec.AlgorithmParameterSpec;
import java.security.spec.InvalidParameterSpecException;
import java.util.Arrays;
import java.util.Locale;
import javax.crypto.BadPaddingException;
import javax.crypto.Cipher;
import javax.crypto.CipherSpi;
import javax.crypto.IllegalBlockSizeException;
import javax.crypto.NoSuchPaddingException;
import javax.crypto.ShortBufferException;
import javax.crypto.spec.IvParameterSpec;

/**
 * GOST 28147-89 with CryptoPro key meshing as a Cipher, under Bouncy Castle's names where
 * the bytes are its bytes: ECB (simple replacement, at most
 * {@value com.norvane.security.gost.SimpleReplacementCipher#LIMIT_BYTES} bytes per init; NoPadding
 * takes whole 8-byte blocks, PKCS5Padding pads as Bouncy Castle does, and a bare
 * {@code GOST28147} is ECB/PKCS5Padding as there), GCFB (gamma with feedback, also the
 * cipher named by the OID 1.2.643.2.2.21) and CNT (gamma, the counter mode of OpenSSL's
 * {@code gost89-cnt}). Bouncy Castle's CFB, CTR, OFB and GOFB give other bytes than any
 * mode here and are refused, naming the mode to use. After {@code doFinal} the cipher is
 * back at the state after {@code init}, with the same key and vector.
 */
@SuppressWarnings("try")  // the InUse.Held of each engine method is there to be closed, not read
final class GostCipherSpi extends CipherSpi {
    enum Mode { ECB, CFB, CNT }

    private static final int ECB_LIMIT = SimpleReplacementCipher.LIMIT_BYTES;
    private static final String ECB_STOPS = "ECB (simple replacement) stops at " + ECB_LIMIT + " bytes under one key";

    private Mode mode;
    private boolean padded;  // PKCS#5 padding (ECB only)
    private final byte[] held = new byte[ECB_LIMIT + 8];  // padded ECB: everything until doFinal
    private int heldLen;
    private boolean encrypting;
    private byte[] key;
    private byte[] iv;
    private byte[] sbox;
    private CipherTable table;
    private AutoCloseable engine;
    private final byte[] pending = new byte[8];  // input waiting for a whole word (CFB) or block (ECB)
    private int pendingLen;
    private int ecbDone;
    private final InUse inUse = new InUse("Cipher");

    /** The service GOST28147 (bare: ECB/PKCS5Padding) or 1.2.643.2.2.21 (bare: GCFB/NoPadding). */
    GostCipherSpi(Mode bare) {
        mode = bare;
        padded = bare == Mode.ECB;
    }

    @Override
    protected void engineSetMode(String m) throws NoSuchAlgorithmException {
        switch (m.toUpperCase(Locale.ROOT)) {
            case "ECB":
                mode = Mode.ECB;
                break;
            case "GCFB":
                mode = Mode.CFB;
                break;
            case "CNT":
                mode = Mode.CNT;
                break;
            case "CFB":
                throw new NoSuchAlgorithmException("GOST28147/CFB is Bouncy Castle's CFB without key meshing, not "
                    + "made here: use GOST28147/GCFB/NoPadding (gamma with feedback and CryptoPro key meshing, "
                    + "Bouncy Castle's GCFB and the cipher 1.2.643.2.2.21)");
            case "CTR":
            case "SIC":
                throw new NoSuchAlgorithmException("GOST28147/" + m + " is Bouncy Castle's counter over the block "
                    + "cipher, not made here: use GOST28147/CNT/NoPadding (the GOST 28147-89 gamma with key "
                    + "meshing, OpenSSL's gost89-cnt)");
            case "GOFB":
                throw new NoSuchAlgorithmException("GOST28147/GOFB is Bouncy Castle's gamma without key meshing "
                    + "(equal to CNT for the first 1024 bytes only), not made here: use GOST28147/CNT/NoPadding "
                    + "(with CryptoPro key meshing, OpenSSL's gost89-cnt)");
            default:
                throw new NoSuchAlgorithmException("GOST28147 modes here: ECB, GCFB, CNT; not " + m);
        }
    }

    @Override
    protected void engineSetPadding(String padding) throws NoSuchPaddingException {
        String p = padding.toUpperCase(Locale.ROOT);
        if ("NOPADDING".equals(p)) {
            padded = false;
        } else if (("PKCS5PADDING".equals(p) || "PKCS7PADDING".equals(p)) && mode == Mode.ECB) {
            padded = true;
        } else if ("PKCS5PADDING".equals(p) || "PKCS7PADDING".equals(p)) {
            throw new NoSuchPaddingException(padding + " is taken with ECB only here: GCFB and CNT take "
                + "NoPadding (they need none)");
        } else {
            throw new NoSuchPaddingException("GOST28147 paddings here: NoPadding, PKCS5Padding (ECB); not " + padding);
        }
    }

    @Override
    protected int engineGetBlockSize() {
        return 8;
    }

    @Override
    protected int engineGetOutputSize(int inputLen) {
        if (padded && mode == Mode.ECB) {
            int total = heldLen + inputLen;
            return encrypting ? total - total % 8 + 8 : total;
        }
        return pendingLen + inputLen;
    }

    @Override
    protected byte[] engineGetIV() {
        return iv == null ? null : iv.clone();
    }

    /** The vector and table as AlgorithmParameters GOST28147 (none for ECB or a table without a name). */
    @Override
    protected AlgorithmParameters engineGetParameters() {
        SubstitutionTable named = sbox == null ? null : GostKeys.named(sbox);
        if (iv == null || mode == Mode.ECB || named == null) {
            return null;
        }
        try {
            AlgorithmParameters p = AlgorithmParameters.getInstance("GOST28147", VantixProvider.instance());
            p.init(new Gost28147ParameterSpec(sbox, iv));
            return p;
        } catch (GeneralSecurityException e) {
            throw new IllegalStateException(e);
        }
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
        engineInit(opmode, k, parametersOf(params), random);
    }

    @Override
    protected void engineInit(int opmode, Key k, AlgorithmParameterSpec params, SecureRandom random)
            throws InvalidKeyException, InvalidAlgorithmParameterException {
        try (InUse.Held held = inUse.enter()) {
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
    }

    /**
     * The vector and table in parameters of any provider: through their common encoding
     * ({@code Gost28147-89-Parameters}), else as an IvParameterSpec.
     */
    static AlgorithmParameterSpec parametersOf(AlgorithmParameters params) throws InvalidAlgorithmParameterException {
        if (params == null) {
            return null;
        }
        try {
            Gost28147Parameters p = Gost28147Parameters.decode(params.getEncoded());
            return new Gost28147ParameterSpec(p.table().bytes(), p.iv());
        } catch (IOException | IllegalArgumentException notThatEncoding) {
            try {
                return params.getParameterSpec(IvParameterSpec.class);
            } catch (InvalidParameterSpecException e) {
                throw new InvalidAlgorithmParameterException("GOST 28147-89 takes GOST28147 parameters (vector and "
                    + "table) or a vector, not " + params.getAlgorithm(), e);
            }
        }
    }

    /** A fresh native cipher with the key, vector and table of the last init (the table is kept). */
    private void restart() {
        closeEngine();
        pendingLen = 0;
        ecbDone = 0;
        Arrays.fill(held, (byte) 0);
        heldLen = 0;
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
        try (InUse.Held held = inUse.enter()) {
            byte[] out = new byte[updateSize(len)];
            int n = update(in, off, len, out, 0);
            return n == out.length ? out : Arrays.copyOf(out, n);
        }
    }

    @Override
    protected int engineUpdate(byte[] in, int off, int len, byte[] out, int outOff) throws ShortBufferException {
        try (InUse.Held held = inUse.enter()) {
            checkRoom(out, outOff, updateSize(len));
            return update(in, off, len, out, outOff);
        }
    }

    @Override
    protected byte[] engineDoFinal(byte[] in, int off, int len) throws IllegalBlockSizeException, BadPaddingException {
        try (InUse.Held held = inUse.enter()) {
            byte[] out = new byte[engineGetOutputSize(len)];
            int n = doFinal(in, off, len, out, 0);
            return n == out.length ? out : Arrays.copyOf(out, n);
        }
    }

    @Override
    protected int engineDoFinal(byte[] in, int off, int len, byte[] out, int outOff)
            throws ShortBufferException, IllegalBlockSizeException, BadPaddingException {
        try (InUse.Held held = inUse.enter()) {
            checkRoom(out, outOff, engineGetOutputSize(len));
            return doFinal(in, off, len, out, outOff);
        }
    }

    /**
     * The output check of every engine method that writes into the caller's array (this
     * cipher's and the key wrap's): {@code size} bytes must fit from {@code outOff} on.
     */
    static void checkRoom(byte[] out, int outOff, int size) throws ShortBufferException {
        if (out.length - outOff < size) {
            throw new ShortBufferException("the output needs " + size + " bytes");
        }
    }

    private int unit() {
        return mode == Mode.ECB ? 8 : mode == Mode.CFB ? 4 : 1;
    }

    private int updateSize(int len) {
        if (padded && mode == Mode.ECB) {
            return 0;
        }
        int total = pendingLen + len;
        return total - total % unit();
    }

    private int update(byte[] in, int off, int len, byte[] out, int outOff) {
        checkReady();
        if (in == null || len == 0) {
            return 0;
        }
        if (padded && mode == Mode.ECB) {
            if (len > held.length - heldLen) {
                throw new IllegalStateException(ECB_STOPS);
            }
            System.arraycopy(in, off, held, heldLen, len);
            heldLen += len;
            return 0;
        }
        if (mode == Mode.ECB && ecbDone + updateSize(len) > ECB_LIMIT) {
            throw new IllegalStateException(ECB_STOPS);
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

    private int doFinal(byte[] in, int off, int len, byte[] out, int outOff) throws IllegalBlockSizeException,
            BadPaddingException {
        checkReady();
        if (in == null) {
            in = new byte[0];
            off = 0;
            len = 0;
        }
        if (padded && mode == Mode.ECB) {
            return paddedFinal(in, off, len, out, outOff);
        }
        byte[] data = null;  // the pending bytes and the input joined, when there are pending bytes
        try {
            int total = pendingLen + len;
            if (mode == Mode.ECB && total % 8 != 0) {
                throw new IllegalBlockSizeException("ECB (simple replacement) works on whole 8-byte blocks");
            }
            if (mode == Mode.ECB && ecbDone + total > ECB_LIMIT) {
                throw new IllegalBlockSizeException(ECB_STOPS);
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

    /** ECB with PKCS#5 padding, all at once (the input is at most {@link #ECB_LIMIT} bytes). */
    private int paddedFinal(byte[] in, int off, int len, byte[] out, int outOff) throws IllegalBlockSizeException,
            BadPaddingException {
        int total = heldLen + len;
        int size = encrypting ? total - total % 8 + 8 : total;
        byte[] data = null;
        byte[] result = null;
        try {
            if (size > ECB_LIMIT) {
                throw new IllegalBlockSizeException(ECB_STOPS + ": with PKCS5Padding at most " + (ECB_LIMIT - 1)
                    + " bytes of plaintext");
            }
            if (!encrypting && (total == 0 || total % 8 != 0)) {
                throw new IllegalBlockSizeException("PKCS5Padding: the ciphertext is whole 8-byte blocks");
            }
            data = new byte[size];
            System.arraycopy(held, 0, data, 0, heldLen);
            if (len > 0) {
                System.arraycopy(in, off, data, heldLen, len);
            }
            SimpleReplacementCipher ecb = (SimpleReplacementCipher) engine;
            if (encrypting) {
                Arrays.fill(data, total, size, (byte) (size - total));
                result = ecb.encrypt(data);
                System.arraycopy(result, 0, out, outOff, size);
                return size;
            }
            result = ecb.decrypt(data);
            int n = size - unpad(result);
            System.arraycopy(result, 0, out, outOff, n);
            return n;
        } finally {
            if (data != null) {
                Arrays.fill(data, (byte) 0);
            }
            if (result != null) {
                Arrays.fill(result, (byte) 0);
            }
            restart();
        }
    }

    /** The length of PKCS#5 padding ending {@code block}; every byte looked at whatever the values. */
    private static int unpad(byte[] block) throws BadPaddingException {
        int p = block[block.length - 1] & 0xff;
        int bad = ((p - 1) | (8 - p)) >>> 31;  // p outside 1..8
        for (int i = 1; i <= 8; i++) {
            int inPad = (i - p - 1) >>> 31;  // i <= p
            bad |= inPad & (((block[block.length - i] & 0xff) ^ p) + 0xff) >>> 8;
        }
        if (bad != 0) {
            throw new BadPaddingException("the padding is not PKCS#5");
        }
        return p;
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
        Arrays.fill(held, (byte) 0);
        heldLen = 0;
    }
}
