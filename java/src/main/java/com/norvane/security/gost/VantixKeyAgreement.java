package com.norvane.security.gost;

/**
 * Native entry point of the VKO GOST R 34.10-2001 key agreement (RFC 4357, section 5.2),
 * beside the methods of {@link Vantix} and under the same rules: result codes, argument
 * checks, handles checked against the blocks the library allocated and pinned for the call.
 *
 * <p>The agreement works on a signature context ({@link Vantix#vantix_LR34_10_2001()}) with
 * parameters and a secret key loaded. The secret key stays masked: the point product runs
 * in constant time in the key, which is re-masked afterwards as after every use.
 */
public final class VantixKeyAgreement {
    static {
        NativeLoader.load();
    }

    /** Bytes of the multiplier: a big-endian number. */
    public static final int MULTIPLIER_BYTES = 32;
    /** Bytes of the shared point: affine x then y, each big-endian. */
    public static final int SHARED_POINT_BYTES = 64;

    private VantixKeyAgreement() {
    }

    /**
     * The shared point (m·d mod q)·Q of the context's secret key d and a peer's public key Q.
     *
     * @param ctx a signature context with parameters and a secret key
     * @param point an LPoint holding the peer's key: affine X then Y, each 32 bytes
     *     big-endian, as for {@link Vantix#vantix_LR34_10_2001_set_public_key(long, long)}
     * @param multiplier 32 bytes, the big-endian number m (for RFC 4357: the UKM read as a
     *     little-endian number, times the cofactor, reduced modulo q)
     * @param shared receives 64 bytes: the affine x then y of the point, each big-endian
     * @return 0; 15 for a missing argument, an unseeded generator, a peer coordinate not
     *     below p, a peer point not on the curve, m = 0 modulo q or a result at infinity;
     *     2 without parameters; 3 without a secret key; 17 when the key or the context was
     *     altered. A refusal writes nothing.
     */
    public static native int vantix_LR34_10_2001_vko(long ctx, long point, byte[] multiplier, byte[] shared);
}
