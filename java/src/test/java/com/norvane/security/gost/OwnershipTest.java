package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;

/**
 * Objects that depend on other objects' native blocks, forgotten objects, and one object
 * shared by threads: nothing may free memory in use, leak, or fail for a legitimate use.
 */
class OwnershipTest {
    private final byte[] key = Hex.parse("00112233445566778899aabbccddeeff0123456789abcdeffedcba9876543210");

    @AfterEach
    void removeHook() {
        NativeBlock.beforeFree = null;
    }

    @Test
    void aTableOrGeneratorInUseCannotBeClosedUntilItsUsersAre() {
        RandomGenerator rng = RandomGenerator.fromSystem();
        CipherTable table = new CipherTable(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A);
        GammaCipher gamma = new GammaCipher(table, rng, key, null);
        MacGenerator mac = new MacGenerator(table, rng, key, null);
        assertThrows(IllegalStateException.class, table::close);
        assertThrows(IllegalStateException.class, rng::close);
        byte[] c = gamma.process(new byte[100]);  // both still work
        mac.update(c);
        gamma.close();
        assertThrows(IllegalStateException.class, table::close);  // the MAC still uses it
        mac.close();
        table.close();
        rng.close();
        assertThrows(IllegalStateException.class, () -> new GammaCipher(table, rng, key, null));
    }

    @Test
    void forgottenObjectsAreWipedAndFreedByTheCleaner() throws InterruptedException {
        AtomicInteger freed = new AtomicInteger();
        NativeBlock.beforeFree = h -> freed.incrementAndGet();
        RandomGenerator rng = RandomGenerator.fromSeed(new byte[64]);
        for (int i = 0; i < 2000; i++) {
            CipherTable t = new CipherTable(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A);
            new GammaCipher(t, rng, key, null);  // neither is closed
        }
        for (int i = 0; i < 100 && freed.get() < 4000; i++) {
            System.gc();
            Thread.sleep(50);
        }
        // At least these 4000 (a block forgotten by another test may be cleaned meanwhile).
        assertTrue(freed.get() >= 4000, "forgotten ciphers and tables freed: " + freed.get());
        rng.close();  // no cipher holds it any more
    }

    @Test
    void oneCipherSharedByThreadsGivesTheSameKeystreamAsOneThread() throws InterruptedException {
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             CipherTable table = new CipherTable(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A)) {
            GammaCipher shared = new GammaCipher(table, rng, key, null);
            int threads = 4;
            int calls = 500;
            List<Thread> ts = new ArrayList<>();
            AtomicReference<Throwable> failure = new AtomicReference<>();
            for (int t = 0; t < threads; t++) {
                Thread th = new Thread(() -> {
                    try {
                        for (int i = 0; i < calls; i++) {
                            shared.process(new byte[64]);
                        }
                    } catch (Throwable e) {
                        failure.set(e);
                    }
                });
                ts.add(th);
                th.start();
            }
            for (Thread th : ts) {
                th.join();
            }
            assertEquals(null, failure.get());
            // The calls were serialised: the stream continues where a single thread's would.
            byte[] next = shared.process(new byte[64]);
            try (GammaCipher single = new GammaCipher(table, rng, key, null)) {
                for (int i = 0; i < threads * calls; i++) {
                    single.process(new byte[64]);
                }
                assertArrayEquals(single.process(new byte[64]), next);
            }
            shared.close();
        }
    }

    @Test
    void closeRacingOperationsNeverTouchesFreedMemory() throws InterruptedException {
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             CipherTable table = new CipherTable(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A)) {
            for (int round = 0; round < 20; round++) {
                MacGenerator mac = new MacGenerator(table, rng, key, null);
                AtomicReference<Throwable> unexpected = new AtomicReference<>();
                Thread worker = new Thread(() -> {
                    try {
                        while (true) {
                            mac.update(new byte[256]);
                        }
                    } catch (IllegalStateException closed) {
                        // the object was closed under the loop: the expected end
                    } catch (Throwable e) {
                        unexpected.set(e);
                    }
                });
                worker.start();
                Thread.sleep(2);
                mac.close();
                worker.join();
                assertEquals(null, unexpected.get());
            }
        }
    }
}
