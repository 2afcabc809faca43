import com.norvane.security.gost.Vantix;
import com.norvane.security.gost.jca.VantixProvider;
import java.lang.management.ManagementFactory;
import java.lang.management.ThreadMXBean;
import java.security.KeyPairGenerator;
import java.security.MessageDigest;
import java.security.Provider;
import java.security.Signature;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.atomic.AtomicLong;
import javax.crypto.Cipher;
import javax.crypto.Mac;
import javax.crypto.spec.IvParameterSpec;
import javax.crypto.spec.SecretKeySpec;

/**
 * The provider as a server uses it: 1, 2, 4 and 8 threads, each with its own Signature or
 * Cipher object, signing or making 64-byte Cipher.update calls as fast as they can;
 * signatures through the exports with one generator per thread are the peer (what the
 * native code gives when nothing in Java serialises the threads). Then 1 MiB through the
 * provider's Cipher (CNT, GCFB), Mac and MessageDigest against the same export calls in the
 * same JVM, as a ratio.
 *
 * <p>Each figure is operations per second of wall time over a timed window after a
 * warm-up in which every thread has already made its objects and drawn from its generator.
 */
public final class VantixThreadsBench {
    private static final int[] THREADS = {1, 2, 4, 8};
    private static final long WARMUP_MS = 600;
    private static final long WINDOW_MS = 2000;
    private static final Provider PROVIDER = new VantixProvider();
    private static String only = "";  // with "bulk": run only the figures whose name starts so

    private interface Worker {
        void op() throws Exception;
    }

    private interface WorkerFactory {
        Worker make() throws Exception;
    }

    private VantixThreadsBench() {
    }

    /**
     * Arguments: {@code threads} or {@code bulk} runs only that part, none runs both;
     * {@code bulk NAME} only the 1 MiB figures whose name starts with NAME.
     */
    public static void main(String[] args) throws Exception {
        boolean all = args.length == 0;
        if (all || args[0].equals("threads")) {
            threads();
        }
        if (all || args[0].equals("bulk")) {
            only = args.length > 1 ? args[1] : "";
            bulk();
        }
    }

    private static void threads() throws Exception {
        System.out.printf("%-44s %10s %10s %10s %10s %12s%n", "per second (wall)", "1 thread", "2 threads", "4 threads",
            "8 threads", "us CPU each");
        row("signatures through the provider", VantixThreadsBench::providerSigner);
        row("64-byte Cipher.update (CNT) through provider", () -> providerCipher("CNT"));
        row("64-byte Cipher.update (GCFB) through provider", () -> providerCipher("GCFB"));
        row("signatures through the exports", VantixThreadsBench::exportSigner);
    }

    private static void bulk() throws Exception {
        System.out.println();
        System.out.println("1 MiB, MB/s: provider / exports (same JVM, one thread)");
        byte[] data = new byte[1 << 20];
        byte[] out = new byte[data.length + 8];
        ratio("Cipher CNT", providerCipherBulk("CNT", data, out), exportBulk(0, data, out));
        ratio("Cipher GCFB", providerCipherBulk("GCFB", data, out), exportBulk(1, data, out));
        Mac mac = Mac.getInstance("GOST28147MAC", PROVIDER);
        mac.init(new SecretKeySpec(new byte[32], "GOST28147"));
        ratio("Mac", () -> {
            mac.update(data);
            mac.doFinal();
        }, exportBulk(2, data, out));
        MessageDigest md = MessageDigest.getInstance("GOST3411", PROVIDER);
        ratio("MessageDigest", () -> md.digest(data), exportBulk(3, data, out));
    }

    private static void row(String name, WorkerFactory factory) throws Exception {
        StringBuilder line = new StringBuilder(String.format("%-44s", name));
        double cpu = 0;
        for (int t : THREADS) {
            double[] r = run(t, factory);
            line.append(String.format(" %10.0f", r[0]));
            cpu = t == 1 ? r[1] : cpu;
        }
        line.append(String.format(" %12.1f", cpu));
        System.out.println(line);
    }

    /**
     * Operations per second of wall time with {@code threads} threads, each with its own
     * objects, and microseconds of processor time per operation (all threads' CPU time in
     * the window over the operations).
     */
    private static double[] run(int threads, WorkerFactory factory) throws Exception {
        AtomicLong count = new AtomicLong();
        AtomicLong cpuNanos = new AtomicLong();
        CountDownLatch ready = new CountDownLatch(threads);
        CountDownLatch go = new CountDownLatch(1);
        long[] window = new long[2];
        Thread[] all = new Thread[threads];
        Exception[] failure = new Exception[1];
        for (int i = 0; i < threads; i++) {
            all[i] = new Thread(() -> {
                try {
                    Worker w = factory.make();
                    long warm = System.nanoTime() + WARMUP_MS * 1_000_000L;
                    while (System.nanoTime() < warm) {
                        w.op();
                    }
                    ready.countDown();
                    go.await();
                    ThreadMXBean mx = ManagementFactory.getThreadMXBean();
                    long c0 = mx.getCurrentThreadCpuTime();
                    long n = 0;
                    while (System.nanoTime() < window[1]) {
                        w.op();
                        n++;
                    }
                    cpuNanos.addAndGet(mx.getCurrentThreadCpuTime() - c0);
                    count.addAndGet(n);
                } catch (Exception e) {
                    synchronized (failure) {
                        failure[0] = e;
                    }
                    ready.countDown();
                }
            });
            all[i].start();
        }
        ready.await();
        window[0] = System.nanoTime();
        window[1] = window[0] + WINDOW_MS * 1_000_000L;
        go.countDown();
        for (Thread th : all) {
            th.join();
        }
        if (failure[0] != null) {
            throw failure[0];
        }
        return new double[] {count.get() / (WINDOW_MS / 1000.0), cpuNanos.get() / 1e3 / Math.max(1, count.get())};
    }

    private static Worker providerSigner() throws Exception {
        KeyPairGenerator kpg = KeyPairGenerator.getInstance("ECGOST3410", PROVIDER);
        Signature s = Signature.getInstance("GOST3411withECGOST3410", PROVIDER);
        s.initSign(kpg.generateKeyPair().getPrivate());
        byte[] message = new byte[64];
        return () -> {
            s.update(message);
            s.sign();
        };
    }

    private static Worker providerCipher(String mode) throws Exception {
        Cipher c = Cipher.getInstance("GOST28147/" + mode + "/NoPadding", PROVIDER);
        byte[] key = new byte[32];
        key[0] = 1;
        c.init(Cipher.ENCRYPT_MODE, new SecretKeySpec(key, "GOST28147"), new IvParameterSpec(new byte[8]));
        byte[] in = new byte[64];
        byte[] out = new byte[64];
        return () -> c.update(in, 0, 64, out, 0);
    }

    /** The signature exports on CryptoPro-A with a generator of the thread's own. */
    private static Worker exportSigner() {
        long rnd = VantixBench.seededGenerator();
        long ctx = VantixBench.signingContext(rnd);
        byte[] digest = new byte[32];
        Vantix.vantix_Random_Fill(rnd, digest);
        byte[] sig = new byte[64];
        return () -> check(Vantix.vantix_LR34_10_2001_sign(ctx, digest, sig));
    }

    private static Runnable providerCipherBulk(String mode, byte[] data, byte[] out) throws Exception {
        Cipher c = Cipher.getInstance("GOST28147/" + mode + "/NoPadding", PROVIDER);
        c.init(Cipher.ENCRYPT_MODE, new SecretKeySpec(new byte[32], "GOST28147"), new IvParameterSpec(new byte[8]));
        return () -> {
            try {
                c.doFinal(data, 0, data.length, out, 0);
            } catch (Exception e) {
                throw new IllegalStateException(e);
            }
        };
    }

    /** The same work through the exports: 0 gamma, 1 gamma with feedback, 2 MAC, 3 hash. */
    private static Runnable exportBulk(int which, byte[] data, byte[] out) {
        long rnd = VantixBench.seededGenerator();
        long com = Vantix.vantix_COM_State();
        Vantix.mem_write(com, 0, new byte[128], 0, 128);
        byte[] key = new byte[64];
        byte[] iv = new byte[8];
        switch (which) {
            case 0: {
                long h = Vantix.vantix_G28147_1989_gamma();
                check(Vantix.vantix_G28147_1989_gamma_init(h, com, rnd, key, iv));
                return () -> check(Vantix.vantix_G28147_1989_gamma_crypt(h, data, 0, out, 0, data.length));
            }
            case 1: {
                long h = Vantix.vantix_G28147_1989_gamma_ofb();
                check(Vantix.vantix_G28147_1989_gamma_ofb_init(h, com, rnd, key, iv));
                return () -> check(Vantix.vantix_G28147_1989_gamma_ofb_encrypt(h, data, 0, out, 0, data.length));
            }
            case 2: {
                long h = Vantix.vantix_G28147_1989_mac();
                check(Vantix.vantix_G28147_1989_mac_init(h, com, rnd, key, null));
                byte[] m = new byte[8];
                return () -> {
                    check(Vantix.vantix_G28147_1989_mac_update(h, data, 0, data.length));
                    check(Vantix.vantix_G28147_1989_mac_final(h, m));
                };
            }
            default: {
                long h = Vantix.vantix_R34_11_1994();
                check(Vantix.vantix_GOST_R34_11_1994_init(h, com, rnd, null));
                byte[] d = new byte[32];
                return () -> {
                    check(Vantix.vantix_GOST_R34_11_1994_update(h, data, 0, data.length));
                    check(Vantix.vantix_GOST_R34_11_1994_final(h, d));
                };
            }
        }
    }

    /**
     * Prints MB per second of this thread's CPU time and of wall time, each the best of
     * nine rounds taken in turn with the peer, and their ratios. On a shared machine the
     * CPU figure is the steadier one; the wall figure also holds the generator's sleeps.
     */
    private static void ratio(String name, Runnable provider, Runnable exports) {
        if (!name.startsWith(only)) {
            return;
        }
        double[] p = {0, 0};
        double[] e = {0, 0};
        for (int round = 0; round < 9; round++) {
            best(p, provider);
            best(e, exports);
        }
        System.out.printf("%-14s CPU: provider %7.1f  exports %7.1f  ratio %.2f   wall: %7.1f %7.1f  ratio %.2f%n",
            name,
            p[0], e[0], p[0] / e[0], p[1], e[1], p[1] / e[1]);
    }

    private static void best(double[] cpuAndWall, Runnable r) {
        ThreadMXBean mx = ManagementFactory.getThreadMXBean();
        r.run();
        int reps = 4;
        long c0 = mx.getCurrentThreadCpuTime();
        long t0 = System.nanoTime();
        for (int i = 0; i < reps; i++) {
            r.run();
        }
        long wall = System.nanoTime() - t0;
        long cpu = mx.getCurrentThreadCpuTime() - c0;
        cpuAndWall[0] = Math.max(cpuAndWall[0], reps * (1 << 20) / (cpu / 1e9) / 1e6);
        cpuAndWall[1] = Math.max(cpuAndWall[1], reps * (1 << 20) / (wall / 1e9) / 1e6);
    }

    private static void check(int code) {
        VantixBench.check(code);
    }
}
