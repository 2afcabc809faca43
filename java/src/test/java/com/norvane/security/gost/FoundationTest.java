package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.nio.charset.StandardCharsets;
import org.junit.jupiter.api.Test;

/** Native memory, the raw cipher entry points, the hash and the argument rules through a real JVM. */
class FoundationTest {

    @Test
    void memoryRoundTripAndAllocatorSizes() {
        long h = Vantix.mem_alloc(16);
        byte[] in = "0123456789abcdef".getBytes(StandardCharsets.US_ASCII);
        Vantix.mem_write(h, 0, in, 0, 16);
        byte[] out = new byte[20];
        Vantix.mem_read(h, 2, out, 4, 10);
        assertEquals("23456789ab", new String(out, 4, 10, StandardCharsets.US_ASCII));
        Vantix.mem_free(h);
        long zero = Vantix.mem_alloc(0);
        assertNotEquals(0L, zero);
        Vantix.mem_free(zero);
        Vantix.mem_free(0);
        Vantix.mem_free(-5);
        long com = Vantix.vantix_COM_State();
        byte[] all = new byte[4228];
        Vantix.mem_read(com, 0, all, 0, all.length);
        assertArrayEquals(new byte[4228], all);
        Vantix.mem_free(com);
    }

    @Test
    void allocationFailureRaisesOutOfMemoryError() {
        assertThrows(OutOfMemoryError.class, () -> Vantix.mem_alloc(-1));
    }

    @Test
    void badArgumentsRaiseInsteadOfCorruptingMemory() {
        long h = Vantix.mem_alloc(8);
        byte[] small = new byte[4];
        assertThrows(ArrayIndexOutOfBoundsException.class, () -> Vantix.mem_read(h, 0, small, 2, 4));
        assertThrows(NullPointerException.class, () -> Vantix.mem_read(h, 0, null, 0, 4));
        assertThrows(NullPointerException.class, () -> Vantix.mem_write(0, 0, small, 0, 4));
        assertThrows(ArrayIndexOutOfBoundsException.class,
            () -> Vantix.vantix__GOSTE(new byte[4096], new byte[64], new byte[7], new byte[8]));
        assertThrows(NullPointerException.class, () -> Vantix.vantix__InitGost(null, new byte[4096]));
        long ctx = Vantix.vantix_R34_11_1994();
        byte[] data = new byte[10];
        assertThrows(ArrayIndexOutOfBoundsException.class,
            () -> Vantix.vantix_GOST_R34_11_1994_update(ctx, data, 8, 3));
        assertEquals(ResultCode.MISSING, Vantix.vantix_GOST_R34_11_1994_update(ctx, null, 0, 3));
        Vantix.mem_free(ctx);
        Vantix.mem_free(h);
    }

    @Test
    void hashReferenceDigests() {
        String[][] vectors = {
            {"This is message, length=32 bytes", "b1c466d37519b82e8319819ff32595e047a28cb6f83eff1c6916a815a637fffa"},
            {"Suppose the original message has length = 50 bytes",
                "471aba57a60a770d3a76130635c1fbea4ef14de51f78b4ae57dd893b62f55208"},
            {"abc", "f3134348c44fb1b2a277729e2285ebb5cb5e0f29c975bc753b70497c06a4d51d"},
            {"", "891d358a84c6033cf17bac82d77bb5d6791695a08ffce3768d39fbcacf8b29bd"},
        };
        long rnd = Vantix.vantix_RND_State();
        long com = VantixTestSupport.table(Hex.HASH_TEST_TABLE);
        for (String[] v : vectors) {
            long ctx = Vantix.vantix_R34_11_1994();
            assertEquals(ResultCode.OK, Vantix.vantix_GOST_R34_11_1994_init(ctx, com, rnd, null));
            byte[] msg = v[0].getBytes(StandardCharsets.US_ASCII);
            int half = msg.length / 2;
            assertEquals(ResultCode.OK, Vantix.vantix_GOST_R34_11_1994_update(ctx, msg, 0, half));
            assertEquals(ResultCode.OK, Vantix.vantix_GOST_R34_11_1994_update(ctx, msg, half, msg.length - half));
            byte[] out = new byte[32];
            assertEquals(ResultCode.OK, Vantix.vantix_GOST_R34_11_1994_final(ctx, out));
            assertEquals(v[1], Hex.of(out), v[0]);
            assertEquals(ResultCode.OK, Vantix.vantix_GOST_R34_11_1994_clear(ctx));
            Vantix.mem_free(ctx);
        }
        Vantix.mem_free(com);
        Vantix.mem_free(rnd);
    }

    @Test
    void rawEntryPointsRoundTripAndMaskIndependence() {
        byte[] expanded = new byte[4096];
        Vantix.vantix__InitGost(Hex.CIPHER_A_TABLE, expanded);
        byte[] key = new byte[64];
        for (int i = 0; i < 32; i++) {
            key[i] = (byte) (i * 13);
        }
        byte[] other = key.clone();
        for (int i = 0; i < 32; i++) {
            other[i] ^= (byte) 0x5a;
            other[32 + i] = (byte) 0x5a;
        }
        byte[] block = Hex.parse("0102030405060708");
        byte[] c1 = new byte[8];
        byte[] c2 = new byte[8];
        Vantix.vantix__GOSTE(expanded, key, block, c1);
        Vantix.vantix__GOSTE(expanded, other, block, c2);
        assertArrayEquals(c1, c2);
        byte[] back = new byte[8];
        Vantix.vantix__GOSTD(expanded, key, c1, back);
        assertArrayEquals(block, back);
        byte[] inPlace = block.clone();
        Vantix.vantix__GOSTE(expanded, key, inPlace, inPlace);
        assertArrayEquals(c1, inPlace);
        byte[] state = new byte[8];
        Vantix.vantix__GOSTA(expanded, key, state, block);
        assertNotEquals(Hex.of(new byte[8]), Hex.of(state));
    }
}
