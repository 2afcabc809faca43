package com.norvane.security.gost;

/**
 * Native entry points of the GOST 28147-89 stream modes that take the data in the byte order
 * of RFC 4357, OpenSSL and Bouncy Castle, beside the methods of {@link Vantix} and under the
 * same rules: result codes, argument checks, handles checked against the blocks the library
 * allocated and pinned for the call.
 *
 * <p>The exports of {@link Vantix} read every 32-bit word of the data big-endian; the peers
 * read it little-endian. Each method here gives exactly what its {@link Vantix} counterpart
 * gives with each 4-byte group of the data (what it reads and what it writes) reversed: the
 * same keystream, key meshing, generator draws and result codes, with the reversal done
 * natively, so the caller's arrays need no converted copy. {@code length} must be a whole
 * number of words: otherwise 15, with nothing changed (checked after the arrays' bounds, with
 * the context's own checks). Contexts are initialised and cleared through {@link Vantix}.
 */
public final class VantixPeerOrder {
    static {
        NativeLoader.load();
    }

    private VantixPeerOrder() {
    }

    /** {@link Vantix#vantix_G28147_1989_gamma_crypt} on little-endian words. */
    public static native int vantix_G28147_1989_gamma_crypt_le(long ctx, byte[] in, int inOffset, byte[] out,
            int outOffset, int length);

    /** {@link Vantix#vantix_G28147_1989_gamma_ofb_encrypt} on little-endian words. */
    public static native int vantix_G28147_1989_gamma_ofb_encrypt_le(long ctx, byte[] in, int inOffset, byte[] out,
            int outOffset, int length);

    /** {@link Vantix#vantix_G28147_1989_gamma_ofb_decrypt} on little-endian words. */
    public static native int vantix_G28147_1989_gamma_ofb_decrypt_le(long ctx, byte[] in, int inOffset, byte[] out,
            int outOffset, int length);

    /** {@link Vantix#vantix_G28147_1989_mac_update} on little-endian words. */
    public static native int vantix_G28147_1989_mac_update_le(long ctx, byte[] data, int offset, int length);
}
