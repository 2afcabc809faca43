package com.norvane.security.gost;

import java.math.BigInteger;
import java.util.Arrays;

/**
 * GOST R 34.10-2001 on one parameter set with one key pair: sign GOST R 34.11-94 digests
 * with the secret key, verify signatures with the public key. Closing wipes the keys and
 * frees the native blocks.
 *
 * <p>Conventions, as OpenSSL's gost engine and Bouncy Castle use them: the 32-byte digest
 * is taken as {@link Gost3411Digest} gives it and read as a little-endian number; a
 * signature is 64 bytes, s then r, each big-endian; the raw public key is 64 bytes, x then
 * y, each little-endian, and {@link #encodedPublicKey()} wraps it in the standard
 * SubjectPublicKeyInfo (see {@link KeyEncoding}).
 *
 * <p>Threads and lifetime: Instances may be shared between threads: calls are serialized.
 * The generator stays open while the context is; close the context first. A context never
 * closed is wiped and freed once unreachable.
 */
public final class SignatureContext implements AutoCloseable {
    /** Size of a bare key container, the form earlier versions sealed. */
    public static final int KEY_CONTAINER_BYTES = 48;
    /** Size of a sealed secret key: a key container in the {@link PasswordHash} form. */
    public static final int SEALED_KEY_BYTES = PasswordHash.HEADER_BYTES + KEY_CONTAINER_BYTES;

    private final ParameterSet parameters;
    private final Block block;
    private final Point point;

    private static final class Block extends NativeBlock {
        Block(RandomGenerator rng) {
            super(Vantix.vantix_LR34_10_2001(), h -> Vantix.vantix_LR34_10_2001_clear(h), rng);
        }
    }

    private static final class Point extends NativeBlock {
        Point() {
            super(Vantix.vantix_LPoint(), h -> zero(h, Vantix.LPOINT_BYTES));
        }
    }

    private SignatureContext(ParameterSet parameters, RandomGenerator rng) {
        this.parameters = parameters;
        this.block = new Block(rng);
        this.point = new Point();
        try {
            writePoint(parameters.x(), parameters.y());
            VantixException.check("loading the parameters", Vantix.vantix_LR34_10_2001_set_parms(block.handle(),
                rng.handle(), parameters.p(), parameters.q(), parameters.a(), parameters.b(), point.handle()));
        } catch (RuntimeException e) {
            close();
            throw e;
        }
    }

    /**
     * A fresh key pair.
     *
     * @param rng the generator the context draws from; kept open while the context is used
     */
    public static SignatureContext generate(ParameterSet parameters, RandomGenerator rng) {
        SignatureContext c = new SignatureContext(parameters, rng);
        return c.run(() -> {
            VantixException.check("generating the secret key",
                Vantix.vantix_LR34_10_2001_gen_secret_key(c.block.handle()));
            VantixException.check("computing the public key",
                Vantix.vantix_LR34_10_2001_gen_public_key(c.block.handle()));
        });
    }

    /**
     * A key pair from the library's 64-byte masked secret key (key XOR mask, then mask; both
     * big-endian), the form {@link #openSecretKey} unseals.
     */
    public static SignatureContext withSecretKey(ParameterSet parameters, RandomGenerator rng, byte[] maskedKey) {
        if (maskedKey.length != Vantix.MASKED_KEY_BYTES) {
            throw new IllegalArgumentException("a masked secret key is 64 bytes");
        }
        SignatureContext c = new SignatureContext(parameters, rng);
        return c.run(() -> {
            VantixException.check("loading the secret key",
                Vantix.vantix_LR34_10_2001_set_secret_key(c.block.handle(), maskedKey));
            VantixException.check("computing the public key",
                Vantix.vantix_LR34_10_2001_gen_public_key(c.block.handle()));
        });
    }

    /**
     * A key pair from a sealed secret key: the {@value #SEALED_KEY_BYTES} bytes of
     * {@link #sealSecretKey}, or a bare {@value #KEY_CONTAINER_BYTES}-byte key container of
     * an earlier version, which opens exactly as before (its password folded to 32 bytes).
     *
     * @throws VantixException code 20 for a wrong password or an altered container
     * @throws IllegalArgumentException for bytes of neither form
     */
    public static SignatureContext openSecretKey(ParameterSet parameters, RandomGenerator rng, byte[] sealed,
                                                 byte[] password) {
        byte[] key = new byte[Vantix.MASKED_KEY_BYTES];
        try {
            PasswordHash.open("a sealed secret key", sealed, KEY_CONTAINER_BYTES, password, (container, pw) -> {
                synchronized (rng) {
                    VantixException.check("opening the key container",
                        Vantix.vantix_ExtractKeyContainer(rng.handle(), container, pw, key));
                }
                return null;
            });
            return withSecretKey(parameters, rng, key);
        } finally {
            Arrays.fill(key, (byte) 0);
        }
    }

    /**
     * A key pair from a plain secret key: 32 bytes, little-endian (the form inside a PKCS#8
     * encoding). The caller wipes its array.
     *
     * @throws IllegalArgumentException when the key is not between 1 and q - 1
     */
    public static SignatureContext withPrivateKey(ParameterSet parameters, RandomGenerator rng, byte[] privateKey) {
        if (privateKey.length != KeyEncoding.PRIVATE_KEY_BYTES) {
            throw new IllegalArgumentException("a secret key is 32 bytes");
        }
        if (!inRange(privateKey, parameters.q())) {
            throw new IllegalArgumentException("the secret key is not between 1 and q - 1");
        }
        byte[] masked = new byte[Vantix.MASKED_KEY_BYTES];
        try {
            System.arraycopy(Words.reversed(privateKey), 0, masked, 0, 32);
            synchronized (rng) {
                VantixException.check("masking the secret key", Vantix.vantix_Mask_SecretKey_(rng.handle(), masked));
            }
            return withSecretKey(parameters, rng, masked);
        } finally {
            Arrays.fill(masked, (byte) 0);
        }
    }

    /**
     * A key pair from a PKCS#8 PrivateKeyInfo (DER, not encrypted); the parameter set is the
     * one it records.
     *
     * @throws IllegalArgumentException for a malformed encoding or a key out of range
     */
    public static SignatureContext fromEncodedPrivateKey(RandomGenerator rng, byte[] pkcs8) {
        KeyEncoding.Decoded d = KeyEncoding.decodePrivateKey(pkcs8);
        try {
            return withPrivateKey(d.parameterSet(), rng, d.key());
        } finally {
            Arrays.fill(d.key(), (byte) 0);
        }
    }

    /**
     * A verifying context for a raw public key: 64 bytes, x then y, each little-endian.
     *
     * @throws VantixException code 15 for a point that is not on the curve
     */
    public static SignatureContext withPublicKey(ParameterSet parameters, RandomGenerator rng, byte[] publicKey) {
        if (publicKey.length != KeyEncoding.PUBLIC_KEY_BYTES) {
            throw new IllegalArgumentException("a public key is 64 bytes (x then y)");
        }
        SignatureContext c = new SignatureContext(parameters, rng);
        return c.run(() -> {
            c.writePoint(Words.reversed(publicKey, 0, 32), Words.reversed(publicKey, 32, 32));
            VantixException.check("loading the public key",
                Vantix.vantix_LR34_10_2001_set_public_key(c.block.handle(), c.point.handle()));
        });
    }

    /** The parameter set. */
    public ParameterSet parameterSet() {
        return parameters;
    }

    /**
     * A verifying context for a SubjectPublicKeyInfo (DER); the parameter set is the one it
     * records.
     *
     * @throws IllegalArgumentException for a malformed encoding
     */
    public static SignatureContext fromEncodedPublicKey(RandomGenerator rng, byte[] spki) {
        KeyEncoding.Decoded d = KeyEncoding.decodePublicKey(spki);
        return withPublicKey(d.parameterSet(), rng, d.key());
    }

    /** The raw public key: 64 bytes, x then y, each little-endian. */
    public synchronized byte[] publicKey() {
        VantixException.check("reading the public key",
            Vantix.vantix_LR34_10_2001_get_public_key(block.handle(), point.handle()));
        byte[] record = new byte[64];
        Vantix.mem_read(point.handle(), 0, record, 0, 64);
        byte[] out = new byte[64];
        System.arraycopy(Words.reversed(record, 0, 32), 0, out, 0, 32);
        System.arraycopy(Words.reversed(record, 32, 32), 0, out, 32, 32);
        return out;
    }

    /** The public key as SubjectPublicKeyInfo (DER), the parameter set recorded. */
    public byte[] encodedPublicKey() {
        return KeyEncoding.encodePublicKey(parameters, publicKey());
    }

    /**
     * The secret key as PKCS#8 PrivateKeyInfo (DER, not encrypted): for moving the key to
     * another tool. The caller wipes the array when done with it.
     */
    public synchronized byte[] encodedPrivateKey() {
        byte[] masked = new byte[Vantix.MASKED_KEY_BYTES];
        byte[] key = new byte[32];
        try {
            synchronized (block.generatorLock()) {
                VantixException.check("reading the secret key",
                    Vantix.vantix_LR34_10_2001_get_secret_key(block.handle(), masked));
            }
            for (int i = 0; i < 32; i++) {
                key[31 - i] = (byte) (masked[i] ^ masked[32 + i]);  // unmasked, little-endian
            }
            reduceOnce(key, parameters.q());
            return KeyEncoding.encodePrivateKey(parameters, key);
        } finally {
            Arrays.fill(masked, (byte) 0);
            Arrays.fill(key, (byte) 0);
        }
    }

    /** Signs a 32-byte GOST R 34.11-94 digest; returns the 64-byte signature, s then r. */
    public synchronized byte[] sign(byte[] digest) {
        checkDigest(digest);
        byte[] rs = new byte[64];
        synchronized (block.generatorLock()) {
            VantixException.check("signing",
                Vantix.vantix_LR34_10_2001_sign(block.handle(), Words.reversed(digest), rs));
        }
        return swapHalves(rs);
    }

    /** True when {@code signature} (s then r) is valid for the digest under the public key. */
    public synchronized boolean verify(byte[] digest, byte[] signature) {
        checkDigest(digest);
        if (signature.length != 64) {
            return false;
        }
        return verifyExportForm(Words.reversed(digest), swapHalves(signature));
    }

    /**
     * True when {@code signature} is valid in the form the vantix tool wrote before it took
     * OpenSSL's: r then s, over the digest read as a big-endian number. For old signature
     * files only; new ones use {@link #verify}.
     */
    public synchronized boolean verifyVersion1(byte[] digest, byte[] signature) {
        checkDigest(digest);
        if (signature.length != 64) {
            return false;
        }
        return verifyExportForm(digest, signature);
    }

    /** The export's own form: a big-endian digest, r then s. */
    private boolean verifyExportForm(byte[] digest, byte[] rs) {
        int code = Vantix.vantix_LR34_10_2001_verify(block.handle(), digest, rs);
        if (code == ResultCode.OK) {
            return true;
        }
        if (ResultCode.isInvalidSignature(code)) {
            return false;
        }
        throw new VantixException("verifying", code);
    }

    /**
     * VKO GOST R 34.10-2001 (RFC 4357, section 5.2): the shared point (UKM·d mod q)·Q of this
     * context's secret key d and a peer's public key Q, the UKM read as a little-endian
     * number of any length (as OpenSSL's gost engine and Bouncy Castle read it; the cofactor
     * of every GOST R 34.10-2001 parameter set is 1). The product runs in native code with
     * the key masked. The caller wipes the result.
     *
     * @param peerPublicKey the peer's raw key on this context's parameter set: 64 bytes, x
     *     then y, each little-endian
     * @return 64 bytes, x then y of the point, each little-endian (what
     *     {@link #agreeKey} hashes)
     * @throws VantixException code 15 for a peer key that is not on the curve or a UKM that
     *     is 0 modulo q
     */
    public synchronized byte[] agreePoint(byte[] peerPublicKey, byte[] ukm) {
        if (peerPublicKey.length != KeyEncoding.PUBLIC_KEY_BYTES) {
            throw new IllegalArgumentException("a public key is 64 bytes (x then y)");
        }
        byte[] m = multiplier(ukm, parameters.q());
        byte[] shared = new byte[VantixKeyAgreement.SHARED_POINT_BYTES];
        try {
            writePoint(Words.reversed(peerPublicKey, 0, 32), Words.reversed(peerPublicKey, 32, 32));
            synchronized (block.generatorLock()) {
                VantixException.check("key agreement",
                    VantixKeyAgreement.vantix_LR34_10_2001_vko(block.handle(), point.handle(), m, shared));
            }
            byte[] out = new byte[64];
            System.arraycopy(Words.reversed(shared, 0, 32), 0, out, 0, 32);
            System.arraycopy(Words.reversed(shared, 32, 32), 0, out, 32, 32);
            return out;
        } finally {
            Arrays.fill(shared, (byte) 0);
        }
    }

    /**
     * The VKO key-encryption key: the GOST R 34.11-94 digest (CryptoPro table) of
     * {@link #agreePoint}: 32 bytes, the key of the GOST 28147-89 and CryptoPro key wraps
     * (RFC 4357, sections 5.2, 6). The caller wipes it.
     */
    public byte[] agreeKey(byte[] peerPublicKey, byte[] ukm) {
        byte[] point = agreePoint(peerPublicKey, ukm);
        try {
            return Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, point);
        } finally {
            Arrays.fill(point, (byte) 0);
        }
    }

    /** The UKM read as a little-endian number, reduced modulo q: 32 bytes, big-endian. */
    private static byte[] multiplier(byte[] ukm, byte[] q) {
        BigInteger m = new BigInteger(1, Words.reversed(ukm)).mod(new BigInteger(1, q));
        byte[] raw = m.toByteArray();
        byte[] out = new byte[VantixKeyAgreement.MULTIPLIER_BYTES];
        int n = Math.min(raw.length, out.length);
        System.arraycopy(raw, raw.length - n, out, out.length - n, n);
        return out;
    }

    /**
     * Seals the secret key under a password of at least 10 bytes: a key container sealed
     * under the password's {@link PasswordHash}, {@value #SEALED_KEY_BYTES} bytes.
     */
    public synchronized byte[] sealSecretKey(RandomGenerator rng, byte[] password) {
        byte[] key = new byte[Vantix.MASKED_KEY_BYTES];
        try {
            // One generator lock at a time: never two, so no two threads can wait on each other.
            synchronized (block.generatorLock()) {
                VantixException.check("reading the secret key",
                    Vantix.vantix_LR34_10_2001_get_secret_key(block.handle(), key));
            }
            return PasswordHash.seal("sealing the key container", rng, password, derived -> {
                byte[] container = new byte[KEY_CONTAINER_BYTES];
                synchronized (rng) {
                    VantixException.check("sealing the key container",
                        Vantix.vantix_MakeKeyContainer(rng.handle(), key, derived, container));
                }
                return container;
            });
        } finally {
            Arrays.fill(key, (byte) 0);
        }
    }

    private void writePoint(byte[] x, byte[] y) {
        byte[] record = new byte[Vantix.LPOINT_BYTES];
        System.arraycopy(x, 0, record, 0, 32);
        System.arraycopy(y, 0, record, 32, 32);
        Vantix.mem_write(point.handle(), 0, record, 0, Vantix.LPOINT_BYTES);
    }

    /** s then r from r then s, and back. */
    private static byte[] swapHalves(byte[] sig) {
        byte[] out = new byte[64];
        System.arraycopy(sig, 32, out, 0, 32);
        System.arraycopy(sig, 0, out, 32, 32);
        return out;
    }

    /**
     * key - q into diff (both little-endian, q big-endian as the parameter sets give it);
     * returns the borrow, 1 when key < q. No branch on the key's bytes.
     */
    private static int subtractQ(byte[] key, byte[] q, byte[] diff) {
        int borrow = 0;
        for (int i = 0; i < 32; i++) {
            int d = (key[i] & 0xff) - (q[31 - i] & 0xff) - borrow;
            diff[i] = (byte) d;
            borrow = (d >> 8) & 1;
        }
        return borrow;
    }

    /**
     * key mod q for a little-endian key below 2q, without branching on the key's bytes.
     * Generated keys are 32 random bytes with no range check, so on the sets whose q is just
     * above 2^255 (test, CryptoPro-B) about half exceed q; they sign as key mod q, which is
     * the form the standard encodings (and the peers' range checks) require. Every set's q
     * exceeds 2^255, so one conditional subtraction reduces any 32-byte key.
     */
    private static void reduceOnce(byte[] key, byte[] q) {
        byte[] diff = new byte[32];
        int keep = -subtractQ(key, q, diff);  // all ones when key < q: keep the key
        for (int i = 0; i < 32; i++) {
            key[i] = (byte) ((key[i] & keep) | (diff[i] & ~keep));
        }
        Arrays.fill(diff, (byte) 0);
    }

    /** 1 <= key < q for a little-endian key, without branching on the key's bytes. */
    private static boolean inRange(byte[] key, byte[] q) {
        byte[] diff = new byte[32];
        int borrow = subtractQ(key, q, diff);
        Arrays.fill(diff, (byte) 0);
        int any = 0;
        for (byte b : key) {
            any |= b & 0xff;
        }
        return (borrow & ((any + 0xff) >> 8)) == 1;
    }

    private static void checkDigest(byte[] digest) {
        if (digest.length != 32) {
            throw new IllegalArgumentException("a digest is 32 bytes");
        }
    }

    private SignatureContext run(Runnable setup) {
        try {
            synchronized (block.generatorLock()) {
                setup.run();
            }
            return this;
        } catch (RuntimeException e) {
            close();
            throw e;
        }
    }

    @Override
    public synchronized void close() {
        block.close();
        point.close();
    }
}
