package com.norvane.security.gost;

import java.util.Arrays;

/**
 * GOST R 34.10-2001 on one parameter set with one key pair: sign 32-byte digests with the
 * secret key, verify signatures (64 bytes, r then s) with the public key. Closing wipes
 * the keys and frees the native blocks.
 *
 * <p>Threads and lifetime: Instances may be shared between threads: calls are serialized.
 * The generator stays open while the context is; close the context first. A context never
 * closed is wiped and freed once unreachable.
 */
public final class SignatureContext implements AutoCloseable {
    /** Size of a sealed key container. */
    public static final int KEY_CONTAINER_BYTES = 48;

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
            super(Vantix.vantix_LPoint(), h -> zero(h, 100));
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
            VantixException.check("generating the secret key", Vantix.vantix_LR34_10_2001_gen_secret_key(c.block.handle()));
            VantixException.check("computing the public key", Vantix.vantix_LR34_10_2001_gen_public_key(c.block.handle()));
        });
    }

    /** A key pair from a 64-byte masked secret key (key XOR mask, then mask; big-endian). */
    public static SignatureContext withSecretKey(ParameterSet parameters, RandomGenerator rng, byte[] maskedKey) {
        if (maskedKey.length != 64) {
            throw new IllegalArgumentException("a masked secret key is 64 bytes");
        }
        SignatureContext c = new SignatureContext(parameters, rng);
        return c.run(() -> {
            VantixException.check("loading the secret key",
                Vantix.vantix_LR34_10_2001_set_secret_key(c.block.handle(), maskedKey));
            VantixException.check("computing the public key", Vantix.vantix_LR34_10_2001_gen_public_key(c.block.handle()));
        });
    }

    /**
     * A key pair from a sealed key container.
     *
     * @throws VantixException code 20 for a wrong password or an altered container
     */
    public static SignatureContext openSecretKey(ParameterSet parameters, RandomGenerator rng, byte[] container,
                                                 byte[] password) {
        if (container.length != KEY_CONTAINER_BYTES) {
            throw new IllegalArgumentException("a key container is " + KEY_CONTAINER_BYTES + " bytes");
        }
        byte[] key = new byte[64];
        try {
            synchronized (rng) {
                VantixException.check("opening the key container",
                    Vantix.vantix_ExtractKeyContainer(rng.handle(), container, password, key));
            }
            return withSecretKey(parameters, rng, key);
        } finally {
            Arrays.fill(key, (byte) 0);
        }
    }

    /** A verifying context for a public key: 64 bytes, affine x then y, big-endian. */
    public static SignatureContext withPublicKey(ParameterSet parameters, RandomGenerator rng, byte[] publicKey) {
        if (publicKey.length != 64) {
            throw new IllegalArgumentException("a public key is 64 bytes (x then y)");
        }
        SignatureContext c = new SignatureContext(parameters, rng);
        return c.run(() -> {
            c.writePoint(Arrays.copyOfRange(publicKey, 0, 32), Arrays.copyOfRange(publicKey, 32, 64));
            VantixException.check("loading the public key",
                Vantix.vantix_LR34_10_2001_set_public_key(c.block.handle(), c.point.handle()));
        });
    }

    /** The parameter set. */
    public ParameterSet parameterSet() {
        return parameters;
    }

    /** The public key: 64 bytes, affine x then y, big-endian. */
    public synchronized byte[] publicKey() {
        VantixException.check("reading the public key",
            Vantix.vantix_LR34_10_2001_get_public_key(block.handle(), point.handle()));
        byte[] out = new byte[64];
        Vantix.mem_read(point.handle(), 0, out, 0, 64);
        return out;
    }

    /** Signs a 32-byte digest (read as a big-endian integer); returns r then s. */
    public synchronized byte[] sign(byte[] digest) {
        checkDigest(digest);
        byte[] sig = new byte[64];
        synchronized (block.generatorLock()) {
            VantixException.check("signing", Vantix.vantix_LR34_10_2001_sign(block.handle(), digest, sig));
        }
        return sig;
    }

    /** True when {@code signature} (r then s) is valid for the digest under the public key. */
    public synchronized boolean verify(byte[] digest, byte[] signature) {
        checkDigest(digest);
        if (signature.length != 64) {
            return false;
        }
        int code = Vantix.vantix_LR34_10_2001_verify(block.handle(), digest, signature);
        if (code == 0) {
            return true;
        }
        if (code >= 5 && code <= 9) {
            return false;
        }
        throw new VantixException("verifying", code);
    }

    /** Seals the secret key under a password of at least 10 bytes into a 48-byte container. */
    public synchronized byte[] sealSecretKey(RandomGenerator rng, byte[] password) {
        byte[] key = new byte[64];
        try {
            // One generator lock at a time: never two, so no two threads can wait on each other.
            synchronized (block.generatorLock()) {
                VantixException.check("reading the secret key",
                    Vantix.vantix_LR34_10_2001_get_secret_key(block.handle(), key));
            }
            byte[] container = new byte[KEY_CONTAINER_BYTES];
            synchronized (rng) {
                VantixException.check("sealing the key container",
                    Vantix.vantix_MakeKeyContainer(rng.handle(), key, password, container));
            }
            return container;
        } finally {
            Arrays.fill(key, (byte) 0);
        }
    }

    private void writePoint(byte[] x, byte[] y) {
        byte[] record = new byte[100];
        System.arraycopy(x, 0, record, 0, 32);
        System.arraycopy(y, 0, record, 32, 32);
        Vantix.mem_write(point.handle(), 0, record, 0, 100);
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
