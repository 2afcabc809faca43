package com.norvane.security.gost.jca;

import com.norvane.security.gost.CipherTable;
import com.norvane.security.gost.MacGenerator;
import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidKeyException;
import java.security.Key;
import java.security.spec.AlgorithmParameterSpec;
import java.util.Arrays;
import javax.crypto.MacSpi;

/**
 * The GOST 28147-89 MAC: the first 4 bytes (the value OpenSSL's {@code gost-mac} and
 * Bouncy Castle's {@code GOST28147MAC} give, for messages up to 1024 bytes) or all 8.
 * Takes an optional vector and table through {@link Gost28147ParameterSpec} or an
 * IvParameterSpec. After {@code doFinal} it starts a new message under the same key.
 */
@SuppressWarnings("try")  // the InUse.Held of each engine method is there to be closed, not read
final class GostMacSpi extends MacSpi {
    private final int length;
    private byte[] key;
    private byte[] iv;
    private byte[] sbox;
    private CipherTable table;
    private MacGenerator mac;
    private final InUse inUse = new InUse("Mac");

    GostMacSpi(int length) {
        this.length = length;
    }

    @Override
    protected int engineGetMacLength() {
        return length;
    }

    @Override
    protected void engineInit(Key k, AlgorithmParameterSpec params)
            throws InvalidKeyException, InvalidAlgorithmParameterException {
        try (InUse.Held held = inUse.enter()) {
            byte[] newIv = GostKeys.iv(params);
            byte[] newKey = GostKeys.secretKey(k);
            if (key != null) {
                Arrays.fill(key, (byte) 0);
            }
            key = newKey;
            iv = newIv;
            sbox = GostKeys.table(params);
            closeMac();
            if (table != null) {
                table.close();
            }
            table = new CipherTable(sbox);  // kept for every message under this init
            engineReset();
        }
    }

    @Override
    protected void engineUpdate(byte input) {
        engineUpdate(new byte[] {input}, 0, 1);
    }

    @Override
    protected void engineUpdate(byte[] input, int offset, int len) {
        try (InUse.Held held = inUse.enter()) {
            if (mac == null) {
                throw new IllegalStateException("the MAC is not initialised");
            }
            mac.update(input, offset, len);
        }
    }

    @Override
    protected byte[] engineDoFinal() {
        try (InUse.Held held = inUse.enter()) {
            if (mac == null) {
                throw new IllegalStateException("the MAC is not initialised");
            }
            byte[] full = mac.doFinal();
            engineReset();
            return Arrays.copyOf(full, length);
        }
    }

    @Override
    protected void engineReset() {
        try (InUse.Held held = inUse.enter()) {
            closeMac();
            if (key != null) {
                mac = new MacGenerator(table, VantixProvider.generator(), key, iv);
            }
        }
    }

    private void closeMac() {
        if (mac != null) {
            mac.close();
            mac = null;
        }
    }
}
