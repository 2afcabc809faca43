package com.norvane.security.gost;

import java.util.Arrays;
import java.util.function.LongConsumer;

/**
 * A native block owned by one Java object: allocated on construction, wiped by the
 * family's clear operation and released on {@link #close()}.
 */
abstract class NativeBlock implements AutoCloseable {
    /** Test hook: sees each handle after it is cleared and before it is freed. */
    static volatile LongConsumer beforeFree;

    private long handle;

    NativeBlock(long handle) {
        this.handle = handle;
    }

    /** The live handle; throws once the object is closed. */
    final long handle() {
        if (handle == 0) {
            throw new IllegalStateException(getClass().getSimpleName() + " is closed");
        }
        return handle;
    }

    /** An init export taking the block's handle and a 64-byte masked key. */
    interface KeyedInit {
        int init(long handle, byte[] maskedKey);
    }

    /**
     * Initialises a cipher block with a plain 32-byte key: masks it, runs the init, wipes the
     * masked copy, and closes the block if anything fails.
     */
    final void initWithKey(String what, RandomGenerator rng, byte[] key, KeyedInit init) {
        byte[] m = null;
        try {
            m = KeyMaterial.masked(rng, key);
            VantixException.check(what, init.init(handle(), m));
        } catch (RuntimeException e) {
            close();
            throw e;
        } finally {
            if (m != null) {
                Arrays.fill(m, (byte) 0);
            }
        }
    }

    /** Wipes the block's secrets; runs once, just before the block is freed. */
    abstract void clear(long h);

    /** Clears and frees the block. Calling it again does nothing. */
    @Override
    public void close() {
        long h = handle;
        if (h == 0) {
            return;
        }
        handle = 0;
        clear(h);
        LongConsumer hook = beforeFree;
        if (hook != null) {
            hook.accept(h);
        }
        Vantix.mem_free(h);
    }

    /** Overwrites a block with zeros (for blocks whose family has no clear operation). */
    static void zero(long h, int size) {
        Vantix.mem_write(h, 0, new byte[size], 0, size);
    }
}
