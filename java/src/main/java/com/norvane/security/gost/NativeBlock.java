package com.norvane.security.gost;

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
