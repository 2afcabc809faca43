package com.norvane.security.gost;

/**
 * The byte-order conversions between the idiomatic API and the exports.
 *
 * <p>The exports read every 32-bit word of a GOST 28147-89 key, vector, data block or MAC
 * big-endian; RFC 4357, OpenSSL and Bouncy Castle read them little-endian. The two orders
 * differ by reversing each 4-byte group, which is its own inverse. GOST R 34.10-2001
 * integers cross the exports big-endian where the peers write them little-endian: a whole
 * reversal.
 */
final class Words {
    private Words() {
    }

    /** Reverses each 4-byte group of {@code b[off, off + len)} in place; {@code len} is a multiple of 4. */
    static void swapInPlace(byte[] b, int off, int len) {
        for (int i = off; i + 4 <= off + len; i += 4) {
            byte t = b[i];
            b[i] = b[i + 3];
            b[i + 3] = t;
            t = b[i + 1];
            b[i + 1] = b[i + 2];
            b[i + 2] = t;
        }
    }

    /** A copy of {@code b} with each 4-byte group reversed. */
    static byte[] swapped(byte[] b) {
        byte[] out = b.clone();
        swapInPlace(out, 0, out.length);
        return out;
    }

    /** A copy of {@code b[off, off + len)} with each 4-byte group reversed. */
    static byte[] swapped(byte[] b, int off, int len) {
        byte[] out = java.util.Arrays.copyOfRange(b, off, off + len);
        swapInPlace(out, 0, len);
        return out;
    }

    /** A reversed copy of {@code b[off, off + len)}. */
    static byte[] reversed(byte[] b, int off, int len) {
        byte[] out = new byte[len];
        for (int i = 0; i < len; i++) {
            out[i] = b[off + len - 1 - i];
        }
        return out;
    }

    /** A reversed copy of {@code b}. */
    static byte[] reversed(byte[] b) {
        return reversed(b, 0, b.length);
    }
}
