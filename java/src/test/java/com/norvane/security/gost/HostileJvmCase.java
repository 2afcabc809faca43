package com.norvane.security.gost;

import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.util.LinkedHashMap;
import java.util.Map;
import java.util.function.IntSupplier;

/**
 * The cases of {@link HostileJvmTest}, each run in a JVM of its own: {@code main} runs the
 * named case and prints "result CODE".
 */
final class HostileJvmCase {
    private HostileJvmCase() {
    }

    record Case(int expected, IntSupplier run) {
    }

    // Offsets of the fields a case rewrites (the layouts of the context blocks).
    private static final int MARKER = 0;
    private static final int MAC_TABLE = 100;
    private static final int HASH_TABLE = 120;
    private static final int SIGN_GENERATOR = 16;
    private static final long GARBAGE = 0x4141414141414140L;

    static final Map<String, Case> CASES = new LinkedHashMap<>();

    static {
        // The MAC and the hash never test their marker: a rewritten marker must not hide a
        // rewritten or freed table from the check of the stored addresses.
        CASES.put("mac-marker-0-table-garbage", new Case(17, () -> macUpdate(true, false)));
        CASES.put("mac-marker-0-table-freed", new Case(17, () -> macUpdate(false, false)));
        CASES.put("mac-final-marker-0-table-garbage", new Case(17, () -> macUpdate(true, true)));
        CASES.put("hash-marker-0-table-garbage", new Case(17, () -> hashUpdate(true, false)));
        CASES.put("hash-marker-0-table-freed", new Case(17, () -> hashUpdate(false, false)));
        CASES.put("hash-final-marker-0-table-freed", new Case(17, () -> hashUpdate(false, true)));
        // A signature context's generator address rewritten to 0 is damaged for every operation.
        CASES.put("sign-generator-0-get-secret-key",
            new Case(17, () -> withoutGenerator(c -> Vantix.vantix_LR34_10_2001_get_secret_key(c, new byte[64]))));
        CASES.put("sign-generator-0-sign", new Case(17,
            () -> withoutGenerator(c -> Vantix.vantix_LR34_10_2001_sign(c, new byte[32], new byte[64]))));
        // A non-zero point handle that is no point is never "absent" (the built-in set).
        CASES.put("set-parms-point-freed", new Case(15, () -> setParmsWithPoint(freedBlock())));
        CASES.put("set-parms-point-16-bytes", new Case(15, () -> setParmsWithPoint(Vantix.mem_alloc(16))));
    }

    public static void main(String[] args) {
        Case c = CASES.get(args[0]);
        System.out.println("result " + c.run().getAsInt());
    }

    private static void write64(long block, int offset, long value) {
        byte[] b = ByteBuffer.allocate(8).order(ByteOrder.nativeOrder()).putLong(value).array();
        Vantix.mem_write(block, offset, b, 0, 8);
    }

    private static void write32(long block, int offset, int value) {
        byte[] b = ByteBuffer.allocate(4).order(ByteOrder.nativeOrder()).putInt(value).array();
        Vantix.mem_write(block, offset, b, 0, 4);
    }

    private static long freedBlock() {
        long h = Vantix.vantix_COM_State();
        Vantix.mem_free(h);
        return h;
    }

    private static int macUpdate(boolean garbage, boolean finish) {
        long rnd = VantixTestSupport.seededGenerator();
        long com = Vantix.vantix_COM_State();
        long mac = Vantix.vantix_G28147_1989_mac();
        check(Vantix.vantix_G28147_1989_mac_init(mac, com, rnd, new byte[64], null));
        write32(mac, MARKER, 0);
        if (garbage) {
            write64(mac, MAC_TABLE, GARBAGE);
        } else {
            Vantix.mem_free(com);
        }
        int r = Vantix.vantix_G28147_1989_mac_update(mac, new byte[64], 0, finish ? 3 : 64);
        return finish ? Vantix.vantix_G28147_1989_mac_final(mac, new byte[8]) : r;
    }

    private static int hashUpdate(boolean garbage, boolean finish) {
        long rnd = VantixTestSupport.seededGenerator();
        long com = Vantix.vantix_COM_State();
        long hash = Vantix.vantix_R34_11_1994();
        check(Vantix.vantix_GOST_R34_11_1994_init(hash, com, rnd, null));
        write32(hash, MARKER, 0);
        if (garbage) {
            write64(hash, HASH_TABLE, GARBAGE);
        } else {
            Vantix.mem_free(com);
        }
        int r = Vantix.vantix_GOST_R34_11_1994_update(hash, new byte[64], 0, finish ? 3 : 64);
        return finish ? Vantix.vantix_GOST_R34_11_1994_final(hash, new byte[32]) : r;
    }

    private static int withoutGenerator(java.util.function.LongToIntFunction op) {
        long rnd = VantixTestSupport.seededGenerator();
        long ctx = Vantix.vantix_LR34_10_2001();
        check(Vantix.vantix_LR34_10_2001_set_parms(ctx, rnd, null, null, null, null, 0));
        check(Vantix.vantix_LR34_10_2001_gen_secret_key(ctx));
        write64(ctx, SIGN_GENERATOR, 0);
        return op.applyAsInt(ctx);
    }

    private static int setParmsWithPoint(long point) {
        long rnd = VantixTestSupport.seededGenerator();
        long ctx = Vantix.vantix_LR34_10_2001();
        byte[] p = Hex.parse("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD97");
        byte[] q = Hex.parse("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893");
        byte[] a = Hex.parse("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD94");
        byte[] b = Hex.parse("00000000000000000000000000000000000000000000000000000000000000A6");
        return Vantix.vantix_LR34_10_2001_set_parms(ctx, rnd, p, q, a, b, point);
    }

    private static void check(int code) {
        if (code != 0) throw new IllegalStateException("set-up failed with " + code);
    }
}
