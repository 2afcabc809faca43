package com.norvane.security.gost.jca;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNotSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import java.security.KeyPair;
import java.security.KeyPairGenerator;
import java.security.MessageDigest;
import java.security.Provider;
import java.security.Signature;
import java.util.concurrent.atomic.AtomicReference;
import javax.crypto.Cipher;
import javax.crypto.Mac;
import javax.crypto.spec.IvParameterSpec;
import javax.crypto.spec.SecretKeySpec;
import org.junit.jupiter.api.Test;

/**
 * One service object used by two threads at once, which the JCA does not allow: the second
 * thread gets IllegalStateException and the first one's result is still right (before, the
 * second call went through and both results were wrong without a word). Handing an object
 * from thread to thread between calls still works.
 */
class ProviderInUseTest {
    private static final Provider VANTIX = new VantixProvider();
    private static final SecretKeySpec KEY = new SecretKeySpec(new byte[32], "GOST28147");
    private static final byte[] SMALL = {1, 2, 3};

    private interface Op<T> {
        Object run(T object) throws Exception;
    }

    private interface Factory<T> {
        T make() throws Exception;
    }

    /** True while {@code t} is in a call of the native library (inside an engine method here). */
    private static boolean inNativeCall(Thread t) {
        for (StackTraceElement f : t.getStackTrace()) {
            if (f.getClassName().equals("com.norvane.security.gost.Vantix")) {
                return true;
            }
        }
        return false;
    }

    /**
     * Thread A makes one long call ({@code slow}, a large buffer); once it is seen inside the
     * native library, this thread makes {@code intruder}, which must be refused, and A
     * finishes with {@code finish}, whose result must equal that of a fresh object given
     * {@code slow} and {@code finish} alone. A run where the intruder came only after A's
     * call had ended (the machine stalled this thread) says nothing and is tried again.
     */
    private static <T> void secondThreadIsRefused(Factory<T> factory, Op<T> slow, Op<T> intruder, Op<T> finish,
                                                  Op<T> check) throws Exception {
        for (int attempt = 0; attempt < 5; attempt++) {
            T shared = factory.make();
            AtomicReference<Object> aResult = new AtomicReference<>();
            AtomicReference<Throwable> aFailure = new AtomicReference<>();
            long[] aEnd = new long[1];
            Object started = new Object();
            boolean[] go = new boolean[1];
            Thread a = new Thread(() -> {
                try {
                    synchronized (started) {
                        go[0] = true;
                        started.notifyAll();
                    }
                    slow.run(shared);
                    aEnd[0] = System.nanoTime();
                    aResult.set(finish.run(shared));
                } catch (Throwable e) {
                    aFailure.set(e);
                }
            });
            a.start();
            synchronized (started) {
                while (!go[0]) {
                    started.wait();
                }
            }
            while (a.isAlive() && !inNativeCall(a)) {
                Thread.sleep(1);
            }
            long intruderStart = System.nanoTime();
            IllegalStateException refused = null;
            try {
                intruder.run(shared);
            } catch (IllegalStateException e) {
                refused = e;
            }
            a.join();
            if (aFailure.get() != null) {
                throw new AssertionError("the first thread failed", aFailure.get());
            }
            if (refused == null && intruderStart >= aEnd[0]) {
                continue;  // came after A's call: no overlap to see
            }
            assertNotNull(refused, "a second thread inside the object at once is refused");
            assertTrue(refused.getMessage().contains("in use by another thread"), refused.getMessage());
            Object expected = check.run(factory.make());
            if (expected instanceof byte[]) {
                assertArrayEquals((byte[]) expected, (byte[]) aResult.get(), "the first thread's result is right");
            } else {
                assertEquals(expected, aResult.get(), "the first thread's result is right");
            }
            return;
        }
        fail("no overlapping call in five attempts");
    }

    private static final byte[] BIG_HASH = new byte[4 << 20];
    private static final byte[] BIG_CIPHER = new byte[8 << 20];

    @Test
    void messageDigest() throws Exception {
        Factory<MessageDigest> f = () -> MessageDigest.getInstance("GOST3411", VANTIX);
        secondThreadIsRefused(f, md -> {
            md.update(BIG_HASH);
            return md;
        }, md -> md.digest(), MessageDigest::digest, md -> md.digest(BIG_HASH));
        secondThreadIsRefused(f, md -> {
            md.update(BIG_HASH);
            return md;
        }, md -> {
            md.update(SMALL);
            return md;
        }, MessageDigest::digest, md -> md.digest(BIG_HASH));
    }

    @Test
    void signature() throws Exception {
        KeyPair pair = KeyPairGenerator.getInstance("ECGOST3410", VANTIX).generateKeyPair();
        Signature verifier = Signature.getInstance("GOST3411withECGOST3410", VANTIX);
        byte[][] signature = new byte[1][];
        secondThreadIsRefused(() -> {
            Signature s = Signature.getInstance("GOST3411withECGOST3410", VANTIX);
            s.initSign(pair.getPrivate());
            return s;
        }, s -> {
            s.update(BIG_HASH);
            return s;
        }, s -> {
            s.update(SMALL);
            return s;
        }, s -> {
            signature[0] = s.sign();
            verifier.initVerify(pair.getPublic());
            verifier.update(BIG_HASH);
            return verifier.verify(signature[0]);
        }, s -> true);
    }

    @Test
    void macs() throws Exception {
        for (String name : new String[] {"GOST28147MAC", "HMACGOST3411"}) {
            Factory<Mac> f = () -> {
                Mac m = Mac.getInstance(name, VANTIX);
                m.init(new SecretKeySpec(new byte[32], name));
                return m;
            };
            byte[] big = name.startsWith("HMAC") ? BIG_HASH : BIG_CIPHER;
            secondThreadIsRefused(f, m -> {
                m.update(big);
                return m;
            }, m -> {
                m.doFinal();
                return m;
            }, Mac::doFinal, m -> m.doFinal(big));
        }
    }

    @Test
    void cipher() throws Exception {
        IvParameterSpec iv = new IvParameterSpec(new byte[8]);
        Factory<Cipher> f = () -> {
            Cipher c = Cipher.getInstance("GOST28147/CNT/NoPadding", VANTIX);
            c.init(Cipher.ENCRYPT_MODE, KEY, iv);
            return c;
        };
        byte[][] first = new byte[1][];
        secondThreadIsRefused(f, c -> {
            first[0] = c.update(BIG_CIPHER);
            return c;
        }, c -> {
            c.update(SMALL);
            return c;
        }, c -> {
            byte[] rest = c.doFinal(SMALL);
            byte[] all = java.util.Arrays.copyOf(first[0], first[0].length + rest.length);
            System.arraycopy(rest, 0, all, first[0].length, rest.length);
            return all;
        }, c -> {
            byte[] in = java.util.Arrays.copyOf(BIG_CIPHER, BIG_CIPHER.length + SMALL.length);
            System.arraycopy(SMALL, 0, in, BIG_CIPHER.length, SMALL.length);
            return c.doFinal(in);
        });
    }

    private interface Body {
        void run() throws Exception;
    }

    /** Runs {@code body} on a new thread; what it threw, or null. */
    private static Throwable onOtherThread(Body body) throws InterruptedException {
        AtomicReference<Throwable> thrown = new AtomicReference<>();
        Thread t = new Thread(() -> {
            try {
                body.run();
            } catch (Throwable e) {
                thrown.set(e);
            }
        });
        t.start();
        t.join();
        return thrown.get();
    }

    @Test
    void handingOnBetweenCallsAndClonesStillWork() throws Exception {
        MessageDigest md = MessageDigest.getInstance("GOST3411", VANTIX);
        assertEquals(null, onOtherThread(() -> md.update(SMALL)));
        assertArrayEquals(MessageDigest.getInstance("GOST3411", VANTIX).digest(SMALL), md.digest());

        // A clone is another object: used while the original is busy on another thread.
        md.update(SMALL);
        MessageDigest copy = (MessageDigest) md.clone();
        Thread busy = new Thread(() -> md.update(BIG_HASH));
        busy.start();
        Thread.sleep(100);
        copy.update(SMALL);
        byte[] fromCopy = copy.digest();
        busy.join();
        assertArrayEquals(MessageDigest.getInstance("GOST3411", VANTIX).digest(new byte[] {1, 2, 3, 1, 2, 3}),
            fromCopy);

        // The guard itself: the same thread passes through, another is refused until the exit.
        InUse guard = new InUse("test");
        InUse.Held taken = guard.enter();
        InUse.Held passedThrough = guard.enter();
        assertNotSame(taken, passedThrough);
        passedThrough.close();
        assertTrue(onOtherThread(guard::enter) instanceof IllegalStateException);
        taken.close();
        assertEquals(null, onOtherThread(() -> guard.enter().close()));
    }

    /** A default argument of each type: zero, false or null. */
    private static Object zero(Class<?> type) {
        if (!type.isPrimitive()) {
            return null;
        }
        return type == boolean.class ? false : type == byte.class ? (byte) 0 : type == char.class ? '\0'
            : type == long.class ? 0L : type == float.class ? 0f : type == double.class ? 0d : (Object) 0;
    }

    /**
     * Every Cipher, Mac, Signature, MessageDigest and KeyAgreement has a guard, and every
     * engine method of every service object with one, called while another thread holds
     * the guard, is refused before it looks at its arguments or its state (the getters and
     * the mode and padding setters aside).
     */
    @Test
    void everyEngineMethodIsGuarded() throws Exception {
        int guarded = 0;
        java.util.List<String> unguarded = new java.util.ArrayList<>();
        for (Provider.Service service : VANTIX.getServices()) {
            Object spi = service.newInstance(null);
            java.lang.reflect.Field field = null;
            for (Class<?> c = spi.getClass(); c != Object.class && field == null; c = c.getSuperclass()) {
                for (java.lang.reflect.Field f : c.getDeclaredFields()) {
                    if (f.getType() == InUse.class) {
                        field = f;
                    }
                }
            }
            if (field == null) {
                if (java.util.Set.of("Cipher", "Mac", "Signature", "MessageDigest", "KeyAgreement")
                        .contains(service.getType())) {
                    unguarded.add(service.getType() + "." + service.getAlgorithm() + " has no guard");
                }
                continue;
            }
            guarded++;
            field.setAccessible(true);
            InUse guard = (InUse) field.get(spi);
            java.util.concurrent.CountDownLatch held = new java.util.concurrent.CountDownLatch(1);
            java.util.concurrent.CountDownLatch done = new java.util.concurrent.CountDownLatch(1);
            Thread holder = new Thread(() -> {
                InUse.Held entered = guard.enter();
                held.countDown();
                try {
                    done.await();
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                } finally {
                    entered.close();
                }
            });
            holder.start();
            assertTrue(held.await(60, java.util.concurrent.TimeUnit.SECONDS), "the holder thread entered the guard");
            try {
                for (Class<?> c = spi.getClass(); c.getName().startsWith("com.norvane"); c = c.getSuperclass()) {
                    for (java.lang.reflect.Method m : c.getDeclaredMethods()) {
                        String n = m.getName();
                        boolean engine = n.startsWith("engine") && !n.startsWith("engineGet")
                            && !n.startsWith("engineSet");
                        if (!engine && !n.equals("clone") || m.isSynthetic()) {
                            continue;
                        }
                        m.setAccessible(true);
                        Object[] args = new Object[m.getParameterCount()];
                        for (int i = 0; i < args.length; i++) {
                            args[i] = zero(m.getParameterTypes()[i]);
                        }
                        Throwable thrown = null;
                        try {
                            m.invoke(spi, args);
                        } catch (java.lang.reflect.InvocationTargetException e) {
                            thrown = e.getCause();
                        }
                        String where = service.getType() + "." + service.getAlgorithm() + ": " + m;
                        if (!(thrown instanceof IllegalStateException
                                && thrown.getMessage().contains("in use by another thread"))) {
                            unguarded.add(where + " gave " + thrown);
                        }
                    }
                }
            } finally {
                done.countDown();
                holder.join();
            }
        }
        assertEquals(java.util.List.of(), unguarded);
        assertTrue(guarded >= 9, "guarded services: " + guarded);
    }
}
