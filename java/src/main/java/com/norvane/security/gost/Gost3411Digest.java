package com.norvane.security.gost;

/**
 * GOST R 34.11-94 hashing. The digest is 32 bytes, byte 0 the least significant byte of
 * the standard's hash value (the order in which the standard's examples are printed). It is
 * the standard's digest for messages of any length: the digest counts the bytes it is fed
 * and finishes with {@link VantixHash}, so from 2^29 bytes on it still agrees with OpenSSL
 * and Bouncy Castle.
 *
 * <p>Threads and lifetime: Instances may be shared between threads: calls are serialized
 * (a digest shared by threads absorbs the pieces in the order the calls take the lock).
 */
public final class Gost3411Digest implements AutoCloseable {
    /** The running state in the native context: buffer, chaining value, sum, count, fill, state flag. */
    private static final int STATE_OFFSET = 4;
    private static final int STATE_BYTES = 108;

    /**
     * The generator every digest's native context names: the hash init demands one but the
     * hash never draws from it, so one block serves all digests of the JVM (none is
     * allocated per digest). It is never seeded from the system and lives as long as the JVM.
     */
    private static final RandomGenerator STORED_GENERATOR = RandomGenerator.fromSeed(new byte[64]);

    private final SubstitutionTable sbox;
    private final CipherTable table;
    private final Block block;
    private long length;  // bytes fed since the init

    private static final class Block extends NativeBlock {
        Block(CipherTable table) {
            super(Vantix.vantix_R34_11_1994(), h -> Vantix.vantix_GOST_R34_11_1994_clear(h), table, STORED_GENERATOR);
        }
    }

    /** A digest with the CryptoPro parameter set (id-GostR3411-94-CryptoProParamSet). */
    public Gost3411Digest() {
        this(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO);
    }

    /** A digest with the given substitution table. */
    public Gost3411Digest(SubstitutionTable sbox) {
        this.sbox = sbox;
        table = new CipherTable(sbox);
        block = new Block(table);
        try {
            VantixException.check("hash init",
                Vantix.vantix_GOST_R34_11_1994_init(block.handle(), table.handle(), STORED_GENERATOR.handle(), null));
        } catch (RuntimeException e) {
            close();
            throw e;
        }
    }

    /** Feeds {@code len} bytes. */
    public synchronized void update(byte[] data, int off, int len) {
        VantixException.check("hash update", Vantix.vantix_GOST_R34_11_1994_update(block.handle(), data, off, len));
        length += Math.max(len, 0);
    }

    /** Feeds a whole array. */
    public void update(byte[] data) {
        update(data, 0, data.length);
    }

    /**
     * Starts a new message on the same native blocks: the state is that of a new digest
     * with the same table, without allocating anything.
     */
    public synchronized void reset() {
        long h = block.handle();
        VantixException.check("hash clear", Vantix.vantix_GOST_R34_11_1994_clear(h));
        length = 0;
        VantixException.check("hash init",
            Vantix.vantix_GOST_R34_11_1994_init(h, table.handle(), STORED_GENERATOR.handle(), null));
    }

    /** The digest of everything fed so far; more data may follow. */
    public synchronized byte[] digest() {
        byte[] out = new byte[32];
        VantixException.check("hash final",
            VantixHash.vantix_GOST_R34_11_1994_final_length(block.handle(), length, out));
        return out;
    }

    /**
     * An independent digest in this one's state: the same table and everything fed so far
     * (so a prefix such as an HMAC key block is hashed once and copied for each message).
     */
    public Gost3411Digest copy() {
        Gost3411Digest c = new Gost3411Digest(sbox);
        try {
            copyTo(c);
            return c;
        } catch (RuntimeException e) {
            c.close();
            throw e;
        }
    }

    /**
     * Puts {@code target}, a digest with the same table, into this one's state, on its own
     * native blocks (nothing is allocated). One lock at a time: this one's to read, then the
     * target's to write.
     *
     * @throws IllegalArgumentException when the tables differ
     */
    public void copyTo(Gost3411Digest target) {
        if (target.sbox != sbox) {
            throw new IllegalArgumentException("the digests have different tables");
        }
        byte[] state = new byte[STATE_BYTES];
        try {
            long fed;
            synchronized (this) {
                Vantix.mem_read(block.handle(), STATE_OFFSET, state, 0, STATE_BYTES);
                fed = length;
            }
            synchronized (target) {
                Vantix.mem_write(target.block.handle(), STATE_OFFSET, state, 0, STATE_BYTES);
                target.length = fed;
            }
        } finally {
            java.util.Arrays.fill(state, (byte) 0);
        }
    }

    /** The digest of one array with the given table. */
    public static byte[] of(SubstitutionTable sbox, byte[] data) {
        try (Gost3411Digest d = new Gost3411Digest(sbox)) {
            d.update(data);
            return d.digest();
        }
    }

    @Override
    public synchronized void close() {
        block.close();
        table.close();
    }
}
