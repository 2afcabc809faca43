package com.norvane.security.gost.jca;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertNotSame;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.norvane.security.gost.RandomGenerator;
import java.security.KeyPair;
import java.security.KeyPairGenerator;
import java.security.Provider;
import java.security.Signature;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.Callable;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import javax.crypto.Cipher;
import javax.crypto.Mac;
import javax.crypto.spec.IvParameterSpec;
import javax.crypto.spec.SecretKeySpec;
import org.junit.jupiter.api.Test;

/** The provider's generator per thread: what objects made on one thread do on another. */
class ProviderThreadsTest {
    private static final Provider VANTIX = new VantixProvider();
    private static final SecretKeySpec KEY = new SecretKeySpec(bytes(32, 7), "GOST28147");
    private static final IvParameterSpec IV = new IvParameterSpec(bytes(8, 3));
    private static final byte[] DATA = bytes(3000, 11);  // past two key meshings

    private static byte[] bytes(int n, int step) {
        byte[] b = new byte[n];
        for (int i = 0; i < n; i++) {
            b[i] = (byte) (i * step + 1);
        }
        return b;
    }

    private static <T> T onNewThread(Callable<T> task) throws Exception {
        Object[] result = new Object[1];
        Exception[] failure = new Exception[1];
        Thread t = new Thread(() -> {
            try {
                result[0] = task.call();
            } catch (Exception e) {
                failure[0] = e;
            }
        });
        t.start();
        t.join();
        if (failure[0] != null) {
            throw failure[0];
        }
        @SuppressWarnings("unchecked")
        T r = (T) result[0];
        return r;
    }

    private static byte[] gamma(Cipher c) throws Exception {
        byte[] out = new byte[DATA.length];
        int n = c.update(DATA, 0, 1000, out, 0);  // the stream in pieces, one ending inside a word
        n += c.update(DATA, 1000, 1001, out, n);
        c.doFinal(DATA, 2001, DATA.length - 2001, out, n);
        return out;
    }

    @Test
    void eachThreadHasItsOwnSeededGenerator() throws Exception {
        RandomGenerator mine = VantixProvider.generator();
        assertSame(mine, VantixProvider.generator());
        RandomGenerator other = onNewThread(() -> {
            RandomGenerator g = VantixProvider.generator();
            assertSame(g, VantixProvider.generator());
            g.nextBytes(16);
            return g;
        });
        assertNotSame(mine, other);
        byte[] a = mine.nextBytes(32);
        byte[] b = other.nextBytes(32);  // still usable after its thread ended
        assertTrue(!java.util.Arrays.equals(a, b));
    }

    @Test
    void objectsMadeOnAnEndedThreadKeepWorkingElsewhere() throws Exception {
        Cipher reference = Cipher.getInstance("GOST28147/CNT/NoPadding", VANTIX);
        reference.init(Cipher.ENCRYPT_MODE, KEY, IV);
        byte[] expected = gamma(reference);
        Mac referenceMac = Mac.getInstance("GOST28147MAC", VANTIX);
        referenceMac.init(KEY);
        byte[] expectedMac = referenceMac.doFinal(DATA);

        Object[] made = onNewThread(() -> {
            Cipher c = Cipher.getInstance("GOST28147/CNT/NoPadding", VANTIX);
            c.init(Cipher.ENCRYPT_MODE, KEY, IV);
            Mac m = Mac.getInstance("GOST28147MAC", VANTIX);
            m.init(KEY);
            KeyPair pair = KeyPairGenerator.getInstance("ECGOST3410", VANTIX).generateKeyPair();
            Signature s = Signature.getInstance("GOST3411withECGOST3410", VANTIX);
            s.initSign(pair.getPrivate());
            return new Object[] {c, m, pair, s};
        });
        for (int i = 0; i < 3; i++) {  // the dead thread's generator must outlive it while used
            System.gc();
            Thread.sleep(20);
        }
        Cipher c = (Cipher) made[0];
        assertArrayEquals(expected, gamma(c));
        assertArrayEquals(expected, gamma(c));  // doFinal restarted it under the same generator
        assertArrayEquals(expectedMac, ((Mac) made[1]).doFinal(DATA));
        Signature s = (Signature) made[3];
        s.update(DATA);
        byte[] sig = s.sign();
        Signature v = Signature.getInstance("GOST3411withECGOST3410", VANTIX);
        v.initVerify(((KeyPair) made[2]).getPublic());
        v.update(DATA);
        assertTrue(v.verify(sig));
    }

    @Test
    void threadsWithTheirOwnObjectsAgree() throws Exception {
        Cipher reference = Cipher.getInstance("GOST28147/GCFB/NoPadding", VANTIX);
        reference.init(Cipher.ENCRYPT_MODE, KEY, IV);
        byte[] expected = reference.doFinal(DATA);
        ExecutorService pool = Executors.newFixedThreadPool(4);
        try {
            List<Future<byte[]>> results = new ArrayList<>();
            for (int t = 0; t < 8; t++) {
                results.add(pool.submit(() -> {
                    Cipher c = Cipher.getInstance("GOST28147/GCFB/NoPadding", VANTIX);
                    c.init(Cipher.ENCRYPT_MODE, KEY, IV);
                    byte[] last = null;
                    for (int i = 0; i < 20; i++) {
                        last = c.doFinal(DATA);
                    }
                    return last;
                }));
            }
            for (Future<byte[]> f : results) {
                assertArrayEquals(expected, f.get());
            }
        } finally {
            pool.shutdown();
        }
    }
}
