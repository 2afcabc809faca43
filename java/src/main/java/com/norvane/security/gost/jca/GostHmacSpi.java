package com.norvane.security.gost.jca;

import com.norvane.security.gost.Gost3411Digest;
import com.norvane.security.gost.SubstitutionTable;
import java.security.InvalidAlgorithmParameterException;
import java.security.InvalidKeyException;
import java.security.Key;
import java.security.spec.AlgorithmParameterSpec;
import java.util.Arrays;
import javax.crypto.MacSpi;

/**
 * HMAC (RFC 2104) over GOST R 34.11-94 with the CryptoPro table, as Bouncy Castle computes
 * it: 32-byte blocks, a longer key hashed first, a 32-byte result. The key blocks are
 * hashed once per init; each message starts from copies of those states.
 */
@SuppressWarnings("try")  // the InUse.Held of each engine method is there to be closed, not read
final class GostHmacSpi extends MacSpi implements Cloneable {
    static final int BLOCK = 32;
    private Gost3411Digest innerStart;
    private Gost3411Digest outerStart;
    private Gost3411Digest inner;
    private Gost3411Digest outer;  // set to outerStart's state for each result
    private InUse inUse = new InUse("Mac");

    /** HMAC keyed with raw bytes (the caller wipes its array). */
    static GostHmacSpi keyed(byte[] key) {
        GostHmacSpi h = new GostHmacSpi();
        h.setKey(key);
        return h;
    }

    @Override
    protected int engineGetMacLength() {
        return 32;
    }

    @Override
    protected void engineInit(Key key, AlgorithmParameterSpec params) throws InvalidKeyException,
            InvalidAlgorithmParameterException {
        try (InUse.Held held = inUse.enter()) {
            if (params != null) {
                throw new InvalidAlgorithmParameterException("HMAC takes no parameters");
            }
            if (key == null || !"RAW".equalsIgnoreCase(key.getFormat())) {
                throw new InvalidKeyException("an HMAC key is a secret key in RAW format");
            }
            byte[] k = key.getEncoded();
            if (k == null) {
                throw new InvalidKeyException("the key gives no bytes");
            }
            try {
                setKey(k);
            } finally {
                Arrays.fill(k, (byte) 0);
            }
        }
    }

    private void setKey(byte[] key) {
        byte[] block = new byte[BLOCK];
        byte[] hashed = null;
        try {
            if (key.length > BLOCK) {
                hashed = Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, key);
                System.arraycopy(hashed, 0, block, 0, 32);
            } else {
                System.arraycopy(key, 0, block, 0, key.length);
            }
            close();
            innerStart = started(block, (byte) 0x36);
            outerStart = started(block, (byte) (0x36 ^ 0x5c));
            inner = innerStart.copy();
            outer = outerStart.copy();
        } finally {
            Arrays.fill(block, (byte) 0);
            if (hashed != null) {
                Arrays.fill(hashed, (byte) 0);
            }
        }
    }

    /** A digest that has absorbed the key block XOR pad (the block is left XORed with pad). */
    private static Gost3411Digest started(byte[] block, byte pad) {
        for (int i = 0; i < BLOCK; i++) {
            block[i] ^= pad;
        }
        Gost3411Digest d = new Gost3411Digest(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO);
        d.update(block);
        return d;
    }

    private Gost3411Digest inner() {
        if (inner == null) {
            throw new IllegalStateException("the MAC is not initialised");
        }
        return inner;
    }

    @Override
    protected void engineUpdate(byte input) {
        engineUpdate(new byte[] {input}, 0, 1);
    }

    @Override
    protected void engineUpdate(byte[] input, int offset, int len) {
        try (InUse.Held held = inUse.enter()) {
            inner().update(input, offset, len);
        }
    }

    @Override
    protected byte[] engineDoFinal() {
        try (InUse.Held held = inUse.enter()) {
            byte[] h = inner().digest();
            try {
                outerStart.copyTo(outer);
                outer.update(h);
                return outer.digest();
            } finally {
                Arrays.fill(h, (byte) 0);
                engineReset();
            }
        }
    }

    @Override
    protected void engineReset() {
        try (InUse.Held held = inUse.enter()) {
            if (inner != null) {
                innerStart.copyTo(inner);
            }
        }
    }

    @Override
    public Object clone() throws CloneNotSupportedException {
        try (InUse.Held held = inUse.enter()) {
            GostHmacSpi c = (GostHmacSpi) super.clone();
            if (inner != null) {
                c.innerStart = innerStart.copy();
                c.outerStart = outerStart.copy();
                c.inner = inner.copy();
                c.outer = outer.copy();
            }
            c.inUse = new InUse("Mac");
            return c;
        }
    }

    /** Wipes and frees the key states now (otherwise once unreachable). */
    void close() {
        for (Gost3411Digest d : new Gost3411Digest[] {inner, innerStart, outerStart, outer}) {
            if (d != null) {
                d.close();
            }
        }
        inner = null;
        innerStart = null;
        outerStart = null;
        outer = null;
    }
}
