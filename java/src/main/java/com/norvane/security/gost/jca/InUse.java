package com.norvane.security.gost.jca;

import java.lang.invoke.MethodHandles;
import java.lang.invoke.VarHandle;

/**
 * Refuses a second thread inside one service object. The JCA lets one thread at a time use
 * a Cipher, Mac, Signature or MessageDigest; two at once would interleave their calls on
 * the object's state and give wrong digests and signatures without a word. Each engine
 * method takes the object with {@link #enter} and gives it back with {@link #exit} in a
 * {@code finally}:
 *
 * <pre>{@code
 * boolean entered = inUse.enter();
 * try {
 *     ...
 * } finally {
 *     inUse.exit(entered);
 * }
 * }</pre>
 *
 * A thread that finds another thread inside gets {@link IllegalStateException} and changes
 * nothing; a call the same thread makes from inside another (an update from a doFinal)
 * passes through. Handing an object from one thread to the next between calls stays
 * allowed, as the JCA allows it. The cost is one compare-and-set and one store per call.
 * A clone gets a fresh one: it is another object.
 */
final class InUse {
    private static final VarHandle OWNER;

    static {
        try {
            OWNER = MethodHandles.lookup().findVarHandle(InUse.class, "owner", Thread.class);
        } catch (ReflectiveOperationException e) {
            throw new ExceptionInInitializerError(e);
        }
    }

    private final String service;
    @SuppressWarnings("unused")  // through OWNER
    private volatile Thread owner;

    /** @param service the JCA service name, for the message */
    InUse(String service) {
        this.service = service;
    }

    /**
     * Takes the object for this thread.
     *
     * @return true when this call took it, false when this thread already holds it
     * @throws IllegalStateException when another thread is inside
     */
    boolean enter() {
        Thread me = Thread.currentThread();
        Object was = OWNER.compareAndExchange(this, (Thread) null, me);
        if (was == null) {
            return true;
        }
        if (was == me) {
            return false;
        }
        throw new IllegalStateException("this " + service + " object is in use by another thread; the JCA allows "
            + "one thread at a time (give each thread its own object)");
    }

    /** Gives the object back when {@code entered} (what {@link #enter} returned). */
    void exit(boolean entered) {
        if (entered) {
            OWNER.setRelease(this, (Thread) null);
        }
    }
}
