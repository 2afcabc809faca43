package com.norvane.security.gost.jca;

import java.lang.invoke.MethodHandles;
import java.lang.invoke.VarHandle;

/**
 * Refuses a second thread inside one service object. The JCA lets one thread at a time use
 * a Cipher, Mac, Signature or MessageDigest; two at once would interleave their calls on
 * the object's state and give wrong digests and signatures without a word. Each engine
 * method holds the object for its length with try-with-resources:
 *
 * <pre>{@code
 * try (InUse.Held held = inUse.enter()) {
 *     ...
 * }
 * }</pre>
 *
 * A thread that finds another thread inside gets {@link IllegalStateException} and changes
 * nothing; a call the same thread makes from inside another (an update from a doFinal)
 * passes through. Handing an object from one thread to the next between calls stays
 * allowed, as the JCA allows it. The cost is one compare-and-set and one store per call,
 * and nothing is allocated: {@link #enter} hands out one of two objects made in advance.
 * A clone gets a fresh one: it is another object.
 *
 * <p>The classes that use it suppress javac's "try" lint: the held object is there only to
 * be closed at the end of the block, never referenced inside it.
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

    /** Handed out for a call made from inside another: closing it gives nothing back. */
    private static final Held PASS_THROUGH = new Held(null);

    private final String service;
    private final Held taken = new Held(this);
    @SuppressWarnings("unused")  // through OWNER
    private volatile Thread owner;

    /** @param service the JCA service name, for the message */
    InUse(String service) {
        this.service = service;
    }

    /**
     * Takes the object for this thread until the returned {@link Held} is closed.
     *
     * @return what gives the object back when closed (nothing, when this thread already held it)
     * @throws IllegalStateException when another thread is inside
     */
    Held enter() {
        Thread me = Thread.currentThread();
        Object was = OWNER.compareAndExchange(this, (Thread) null, me);
        if (was == null) {
            return taken;
        }
        if (was == me) {
            return PASS_THROUGH;
        }
        throw new IllegalStateException("this " + service + " object is in use by another thread; the JCA allows "
            + "one thread at a time (give each thread its own object)");
    }

    /** The object held by one call; closing it gives the object back. */
    static final class Held implements AutoCloseable {
        private final InUse inUse;  // null: a call from inside another, which gives nothing back

        private Held(InUse inUse) {
            this.inUse = inUse;
        }

        @Override
        public void close() {
            if (inUse != null) {
                OWNER.setRelease(inUse, (Thread) null);
            }
        }
    }
}
