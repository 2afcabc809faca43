import com.norvane.security.gost.Vantix;
import java.lang.management.ManagementFactory;
import java.lang.management.ThreadMXBean;
import java.math.BigInteger;
import java.security.SecureRandom;
import org.bouncycastle.asn1.cryptopro.CryptoProObjectIdentifiers;
import org.bouncycastle.asn1.cryptopro.ECGOST3410NamedCurves;
import org.bouncycastle.asn1.x9.X9ECParameters;
import org.bouncycastle.crypto.AsymmetricCipherKeyPair;
import org.bouncycastle.crypto.digests.GOST3411Digest;
import org.bouncycastle.crypto.engines.GOST28147Engine;
import org.bouncycastle.crypto.generators.ECKeyPairGenerator;
import org.bouncycastle.crypto.macs.GOST28147Mac;
import org.bouncycastle.crypto.modes.GCFBBlockCipher;
import org.bouncycastle.crypto.modes.GOFBBlockCipher;
import org.bouncycastle.crypto.params.ECDomainParameters;
import org.bouncycastle.crypto.params.ECKeyGenerationParameters;
import org.bouncycastle.crypto.params.KeyParameter;
import org.bouncycastle.crypto.params.ParametersWithIV;
import org.bouncycastle.crypto.params.ParametersWithRandom;
import org.bouncycastle.crypto.params.ParametersWithSBox;
import org.bouncycastle.crypto.signers.ECGOST3410Signer;

/**
 * Java-side timing of the exports: throughput of each cipher mode and of the hash on
 * 64 B, 1 KiB, 64 KiB and 1 MiB buffers, and signatures and verifications per second.
 * Each figure is the best of several timed rounds after a warm-up. Bouncy Castle's
 * lightweight API is timed the same way in the same run, as the peer a Java user would
 * otherwise pick: its GCFB is the same feedback mode with the same key meshing, its GOFB
 * is a counter mode without meshing, its MAC and digest are the same functions.
 */
public final class VantixBench {
    private static final int[] SIZES = {64, 1024, 64 << 10, 1 << 20};

    private interface Op {
        void run(byte[] in, byte[] out, int len);
    }

    private VantixBench() {
    }

    public static void main(String[] args) {
        long rnd = seededGenerator();
        long com = Vantix.vantix_COM_State();
        byte[] table = new byte[128];
        for (int r = 0; r < 8; r++) {
            for (int j = 0; j < 16; j++) {
                table[16 * r + j] = (byte) ((j * 7 + r) & 15);
            }
        }
        Vantix.mem_write(com, 0, table, 0, 128);
        byte[] key = new byte[64];
        Vantix.vantix_Random_Fill(rnd, key);
        byte[] iv = new byte[8];

        long gamma = Vantix.vantix_G28147_1989_gamma();
        check(Vantix.vantix_G28147_1989_gamma_init(gamma, com, rnd, key, iv));
        long ofb = Vantix.vantix_G28147_1989_gamma_ofb();
        check(Vantix.vantix_G28147_1989_gamma_ofb_init(ofb, com, rnd, key, iv));
        long mac = Vantix.vantix_G28147_1989_mac();
        check(Vantix.vantix_G28147_1989_mac_init(mac, com, rnd, key, null));
        long hash = Vantix.vantix_R34_11_1994();
        check(Vantix.vantix_GOST_R34_11_1994_init(hash, com, rnd, null));

        throughput("gamma", (in, out, len) -> check(Vantix.vantix_G28147_1989_gamma_crypt(gamma, in, 0, out, 0, len)));
        throughput("gamma_ofb",
            (in, out, len) -> check(Vantix.vantix_G28147_1989_gamma_ofb_encrypt(ofb, in, 0, out, 0, len)));
        throughput("mac", (in, out, len) -> check(Vantix.vantix_G28147_1989_mac_update(mac, in, 0, len)));
        throughput("hash", (in, out, len) -> check(Vantix.vantix_GOST_R34_11_1994_update(hash, in, 0, len)));

        byte[] bcKey = new byte[32];
        byte[] cipherTable = GOST28147Engine.getSBox("E-A");
        GCFBBlockCipher bcCfb = new GCFBBlockCipher(new GOST28147Engine());
        bcCfb.init(true, new ParametersWithIV(new ParametersWithSBox(new KeyParameter(bcKey), cipherTable), iv));
        GOFBBlockCipher bcCnt = new GOFBBlockCipher(new GOST28147Engine());
        bcCnt.init(true, new ParametersWithIV(new ParametersWithSBox(new KeyParameter(bcKey), cipherTable), iv));
        GOST28147Mac bcMac = new GOST28147Mac();
        bcMac.init(new ParametersWithSBox(new KeyParameter(bcKey), cipherTable));
        GOST3411Digest bcHash = new GOST3411Digest(GOST28147Engine.getSBox("D-A"));
        throughput("bc-gamma", (in, out, len) -> bcCnt.processBytes(in, 0, len, out, 0));
        throughput("bc-ofb", (in, out, len) -> bcCfb.processBytes(in, 0, len, out, 0));
        throughput("bc-mac", (in, out, len) -> bcMac.update(in, 0, len));
        throughput("bc-hash", (in, out, len) -> bcHash.update(in, 0, len));

        long ctx = signingContext(rnd);
        byte[] digest = new byte[32];
        Vantix.vantix_Random_Fill(rnd, digest);
        byte[] sig = new byte[64];
        double[] signs = rate(() -> check(Vantix.vantix_LR34_10_2001_sign(ctx, digest, sig)));
        System.out.printf("sign      %8.1f per second (wall), %7.1f us CPU each%n", signs[0], signs[1]);
        double[] verifies = rate(() -> {
            if (Vantix.vantix_LR34_10_2001_verify(ctx, digest, sig) != 0) {
                throw new IllegalStateException("verify failed");
            }
        });
        System.out.printf("verify    %8.1f per second (wall), %7.1f us CPU each%n", verifies[0], verifies[1]);

        X9ECParameters x9 = ECGOST3410NamedCurves.getByOIDX9(CryptoProObjectIdentifiers.gostR3410_2001_CryptoPro_A);
        ECDomainParameters domain = new ECDomainParameters(x9.getCurve(), x9.getG(), x9.getN(), x9.getH());
        SecureRandom random = new SecureRandom();
        ECKeyPairGenerator generator = new ECKeyPairGenerator();
        generator.init(new ECKeyGenerationParameters(domain, random));
        AsymmetricCipherKeyPair pair = generator.generateKeyPair();
        ECGOST3410Signer bcSigner = new ECGOST3410Signer();
        bcSigner.init(true, new ParametersWithRandom(pair.getPrivate(), random));
        ECGOST3410Signer bcVerifier = new ECGOST3410Signer();
        bcVerifier.init(false, pair.getPublic());
        BigInteger[] bcSig = bcSigner.generateSignature(digest);
        double[] bcSigns = rate(() -> bcSigner.generateSignature(digest));
        System.out.printf("bc-sign   %8.1f per second (wall), %7.1f us CPU each%n", bcSigns[0], bcSigns[1]);
        double[] bcVerifies = rate(() -> {
            if (!bcVerifier.verifySignature(digest, bcSig[0], bcSig[1])) {
                throw new IllegalStateException("verify failed");
            }
        });
        System.out.printf("bc-verify %8.1f per second (wall), %7.1f us CPU each%n", bcVerifies[0], bcVerifies[1]);
    }

    private static void throughput(String name, Op op) {
        for (int size : SIZES) {
            byte[] in = new byte[size];
            byte[] out = new byte[size];
            int reps = Math.max(1, (4 << 20) / size);
            double best = Double.MAX_VALUE;
            for (int round = 0; round < 4; round++) {
                long t0 = System.nanoTime();
                for (int i = 0; i < reps; i++) {
                    op.run(in, out, size);
                }
                best = Math.min(best, (System.nanoTime() - t0) / 1e9);
            }
            System.out.printf("%-9s %8d B  %8.2f MB/s%n", name, size, (double) size * reps / best / 1e6);
        }
    }

    /** Operations per second of wall time, and microseconds of this thread's CPU time each. */
    private static double[] rate(Runnable r) {
        for (int i = 0; i < 200; i++) {
            r.run();
        }
        ThreadMXBean mx = ManagementFactory.getThreadMXBean();
        int n = 2000;
        long c0 = mx.getCurrentThreadCpuTime();
        long t0 = System.nanoTime();
        for (int i = 0; i < n; i++) {
            r.run();
        }
        long wall = System.nanoTime() - t0;
        long cpu = mx.getCurrentThreadCpuTime() - c0;
        return new double[] {n / (wall / 1e9), cpu / 1e3 / n};
    }

    /** A generator seeded from the companion. */
    static long seededGenerator() {
        long rnd = Vantix.vantix_RND_State();
        byte[] seed = new byte[64];
        Vantix.vantix_InitBioRnd(seed);
        Vantix.vantix_ForceRandom_(rnd, seed);
        return rnd;
    }

    /**
     * A signature context with a fresh key pair on CryptoPro-A (RFC 4357, 11.4), the
     * parameter set of the engine's figures, drawing from {@code rnd}.
     */
    static long signingContext(long rnd) {
        long ctx = Vantix.vantix_LR34_10_2001();
        long g = Vantix.vantix_LPoint();
        byte[] point = new byte[100];
        System.arraycopy(hex("0000000000000000000000000000000000000000000000000000000000000001"), 0, point, 0, 32);
        System.arraycopy(hex("8D91E471E0989CDA27DF505A453F2B7635294F2DDF23E3B122ACC99C9E9F1E14"), 0, point, 32, 32);
        Vantix.mem_write(g, 0, point, 0, 100);
        check(Vantix.vantix_LR34_10_2001_set_parms(ctx, rnd,
            hex("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD97"),
            hex("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893"),
            hex("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD94"),
            hex("00000000000000000000000000000000000000000000000000000000000000A6"), g));
        check(Vantix.vantix_LR34_10_2001_gen_secret_key(ctx));
        check(Vantix.vantix_LR34_10_2001_gen_public_key(ctx));
        return ctx;
    }

    private static byte[] hex(String s) {
        byte[] b = new byte[s.length() / 2];
        for (int i = 0; i < b.length; i++) {
            b[i] = (byte) Integer.parseInt(s.substring(2 * i, 2 * i + 2), 16);
        }
        return b;
    }

    static void check(int code) {
        if (code != 0) {
            throw new IllegalStateException("result code " + code);
        }
    }
}
