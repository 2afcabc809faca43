package com.norvane.security.gost.jca;

import java.security.MessageDigest;
import java.security.Provider;
import javax.crypto.Mac;
import javax.crypto.spec.SecretKeySpec;
import org.bouncycastle.jce.provider.BouncyCastleProvider;

/**
 * What the provider's check for a second thread inside an object costs: the enter/close pair
 * alone, and the 64-byte MessageDigest.update and Mac.update calls it guards, with Bouncy
 * Castle's provider timed in the same run as the peer. Nanoseconds per call, best of 5
 * rounds after a warm-up, one thread. {@code --no-guard} skips the pair alone (for a run
 * against a build without it).
 */
public final class InUseBench {
    private static final int CALLS = 200_000;

    private interface Call {
        void run() throws Exception;
    }

    private InUseBench() {
    }

    public static void main(String[] args) throws Exception {
        if (args.length == 0 || !args[0].equals("--no-guard")) {
            InUse guard = new InUse("bench");
            report("InUse enter + close", () -> guard.enter().close(), 50_000_000);
        }
        Provider vantix = new VantixProvider();
        Provider bc = new BouncyCastleProvider();
        byte[] data = new byte[64];
        for (Provider p : new Provider[] {vantix, bc}) {
            MessageDigest md = MessageDigest.getInstance("GOST3411", p);
            report(p.getName() + " MessageDigest.update(64 B)", () -> md.update(data), CALLS);
            Mac mac = Mac.getInstance("GOST28147MAC", p);
            mac.init(new SecretKeySpec(new byte[32], "GOST28147"));
            report(p.getName() + " Mac.update(64 B)", () -> mac.update(data), CALLS);
        }
    }

    private static void report(String name, Call call, int calls) throws Exception {
        double best = Double.MAX_VALUE;
        for (int round = 0; round < 6; round++) {
            long t0 = System.nanoTime();
            for (int i = 0; i < calls; i++) {
                call.run();
            }
            double ns = (double) (System.nanoTime() - t0) / calls;
            if (round > 0) {  // the first round warms up
                best = Math.min(best, ns);
            }
        }
        System.out.printf("%-44s %9.1f ns per call%n", name, best);
    }
}
