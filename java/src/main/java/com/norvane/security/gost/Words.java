package com.norvane.security.gost;

import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.IntBuffer;

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
        swapInto(b, off, b, off, len);
    }

    /**
     * Writes {@code src[srcOff, srcOff + len)} with each 4-byte group reversed to
     * {@code dst} at {@code dstOff}; {@code len} is a multiple of 4. The two may be the
     * same array at the same offset, not at overlapping different ones.
     */
    static void swapInto(byte[] src, int srcOff, byte[] dst, int dstOff, int len) {
        // The buffers' bulk copy between opposite orders swaps whole words at memory speed,
        // several times faster than a loop in Java.
        IntBuffer from = ByteBuffer.wrap(src, srcOff, len).order(ByteOrder.LITTLE_ENDIAN).asIntBuffer();
        ByteBuffer.wrap(dst, dstOff, len).order(ByteOrder.BIG_ENDIAN).asIntBuffer().put(from);
    }

    /**
     * True when {@code [aOff, aOff + len)} and {@code [bOff, bOff + len)} of the same array overlap at different
     * offsets.
     */
    static boolean overlapsShifted(byte[] a, int aOff, byte[] b, int bOff, int len) {
        return a == b && aOff != bOff && aOff < bOff + len && bOff < aOff + len;
    }

    /** A copy of {@code b} with each 4-byte group reversed. */
    static byte[] swapped(byte[] b) {
        byte[] out = b.clone();
        swapInPlace(out, 0, out.length);
        return out;
    }

    /** A copy of {@code b[off, off + len)} with each 4-byte group reversed. */
    static byte[] swapped(byte[] b, int off, int len) {
        byte[] out = new byte[len];
        int whole = len & ~3;
        swapInto(b, off, out, 0, whole);
        System.arraycopy(b, off + whole, out, whole, len - whole);  // a partial group stays as it is
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
