package com.norvane.security.gost;

/**
 * The native entry point that finishes a GOST R 34.11-94 hash with the whole message length,
 * beside the methods of {@link Vantix}, whose hash context counts bytes modulo 2^32: from
 * 2^29 bytes on, {@link Vantix#vantix_GOST_R34_11_1994_final} puts the bit length modulo
 * 2^32 into the length block, which other implementations of the standard do not. The
 * caller counts the bytes it fed and passes the count here. Handles and arrays follow the
 * rules of {@link Vantix}.
 */
public final class VantixHash {
    static {
        NativeLoader.load();
    }

    private VantixHash() {
    }

    /**
     * Like {@link Vantix#vantix_GOST_R34_11_1994_final}, with {@code length}, the number of bytes fed since the
     * init, in the length block. Returns 15, with {@code out} unchanged, when {@code length} is negative or does not
     * agree with the context's own count modulo 2^32 (checked before the context's state: one that is not initialised
     * counts 0); otherwise the codes of
     * {@link Vantix#vantix_GOST_R34_11_1994_final}. The context keeps its state, so more updates may follow.
     */
    public static native int vantix_GOST_R34_11_1994_final_length(long ctx, long length, byte[] out);
}
