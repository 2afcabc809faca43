package com.norvane.security.gost.jca;

import com.norvane.security.gost.Gost3411Digest;
import com.norvane.security.gost.SubstitutionTable;
import java.security.MessageDigestSpi;

/** GOST R 34.11-94 as a MessageDigest; {@code clone()} copies the running state. */
@SuppressWarnings("try")  // the InUse.Held of each engine method is there to be closed, not read
abstract class GostDigestSpi extends MessageDigestSpi implements Cloneable {
    private final SubstitutionTable table;
    private Gost3411Digest digest;
    private InUse inUse = new InUse("MessageDigest");

    GostDigestSpi(SubstitutionTable table) {
        this.table = table;
        this.digest = new Gost3411Digest(table);
    }

    static final class CryptoPro extends GostDigestSpi {
        CryptoPro() {
            super(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO);
        }
    }

    static final class Test extends GostDigestSpi {
        Test() {
            super(SubstitutionTable.GOST_R_34_11_94_TEST);
        }
    }

    @Override
    protected int engineGetDigestLength() {
        return 32;
    }

    @Override
    protected void engineUpdate(byte input) {
        engineUpdate(new byte[] {input}, 0, 1);
    }

    @Override
    protected void engineUpdate(byte[] input, int offset, int len) {
        try (InUse.Held held = inUse.enter()) {
            digest.update(input, offset, len);
        }
    }

    @Override
    protected byte[] engineDigest() {
        try (InUse.Held held = inUse.enter()) {
            byte[] out = digest.digest();
            engineReset();
            return out;
        }
    }

    @Override
    public Object clone() throws CloneNotSupportedException {
        try (InUse.Held held = inUse.enter()) {
            GostDigestSpi c = (GostDigestSpi) super.clone();
            c.digest = digest.copy();
            c.inUse = new InUse("MessageDigest");
            return c;
        }
    }

    @Override
    protected void engineReset() {
        try (InUse.Held held = inUse.enter()) {
            digest.reset();
        }
    }
}
