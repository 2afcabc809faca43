package com.norvane.security.gost;

import java.lang.ref.Cleaner;
import java.util.Arrays;
import java.util.function.LongConsumer;

/**
 * A native block owned by one Java object: allocated on construction, wiped by the
 * family's clear operation and released on {@link #close()}, or by a {@link Cleaner} when
 * the object is forgotten without being closed.
 *
 * <p>A block that works with other blocks (a cipher with its table and generator) holds
 * them: they stay reachable while it lives, and closing one of them while it is still in
 * use throws {@link IllegalStateException} instead of freeing memory under it. Methods
 * that touch the native block are synchronized on the object, so concurrent calls, and a
 * {@code close()} racing a call, are serialized; calls that draw from the generator also
 * hold the generator's lock.
 */
abstract class NativeBlock implements AutoCloseable {
    private static final Cleaner CLEANER = Cleaner.create();

    /** Test hook: sees each handle after it is cleared and before it is freed. */
    static volatile LongConsumer beforeFree;

    /**
     * What freeing needs, kept apart from the owner so that the cleaner can run it once the
     * owner is unreachable. Runs once: from close() or from the cleaner.
     */
    private static final class Resource implements Runnable {
        private final LongConsumer clear;
        private final NativeBlock[] uses;  // kept reachable, and open, while this block lives
        private long handle;

        Resource(long handle, LongConsumer clear, NativeBlock[] uses) {
            this.handle = handle;
            this.clear = clear;
            this.uses = uses;
        }

        @Override
        public void run() {
            long h;
            synchronized (this) {
                h = handle;
                handle = 0;
            }
            if (h == 0) {
                return;
            }
            clear.accept(h);
            LongConsumer hook = beforeFree;
            if (hook != null) {
                hook.accept(h);
            }
            Vantix.mem_free(h);
            for (NativeBlock u : uses) {
                u.release();
            }
        }
    }

    private final Resource resource;
    private final Cleaner.Cleanable cleanable;
    private final RandomGenerator generator;
    private boolean closed;
    private int users;  // open blocks that use this one

    /**
     * @param handle the freshly allocated block
     * @param clear the family's clear operation (must not capture the owner)
     * @param uses the blocks this one works with
     */
    NativeBlock(long handle, LongConsumer clear, NativeBlock... uses) {
        int acquired = 0;
        try {
            for (NativeBlock u : uses) {
                u.acquire();
                acquired++;
            }
        } catch (RuntimeException e) {
            for (int i = 0; i < acquired; i++) {
                uses[i].release();
            }
            Vantix.mem_free(handle);
            throw e;
        }
        RandomGenerator g = null;
        for (NativeBlock u : uses) {
            if (u instanceof RandomGenerator) {
                g = (RandomGenerator) u;
            }
        }
        generator = g;
        resource = new Resource(handle, clear, uses.clone());
        cleanable = CLEANER.register(this, resource);
    }

    private synchronized void acquire() {
        if (closed) {
            throw new IllegalStateException(getClass().getSimpleName() + " is closed");
        }
        users++;
    }

    private synchronized void release() {
        users--;
    }

    /** The live handle; throws once the object is closed. */
    final synchronized long handle() {
        if (closed) {
            throw new IllegalStateException(getClass().getSimpleName() + " is closed");
        }
        return resource.handle;
    }

    /** The lock to hold while a call draws from this block's generator (this object when it has none). */
    final Object generatorLock() {
        return generator != null ? generator : this;
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
            synchronized (rng) {
                m = KeyMaterial.masked(rng, key);
                VantixException.check(what, init.init(handle(), m));
            }
        } catch (RuntimeException e) {
            close();
            throw e;
        } finally {
            if (m != null) {
                Arrays.fill(m, (byte) 0);
            }
        }
    }

    /**
     * Clears and frees the block. Calling it again does nothing.
     *
     * @throws IllegalStateException while other open objects still use this block
     */
    @Override
    public synchronized void close() {
        if (closed) {
            return;
        }
        if (users > 0) {
            throw new IllegalStateException(getClass().getSimpleName() + " is still used by " + users
                + " open object(s); close them first");
        }
        closed = true;
        cleanable.clean();
    }

    /** Overwrites a block with zeros (for blocks whose family has no clear operation). */
    static void zero(long h, int size) {
        Vantix.mem_write(h, 0, new byte[size], 0, size);
    }
}
