package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.util.Arrays;
import org.junit.jupiter.api.Test;

/** The generator, the companion seed and key masking through a real JVM. */
class RandomTest {

    @Test
    void seedCloneAndFill() {
        long rnd = VantixTestSupport.seededGenerator();
        long copy = Vantix.clone_vantix_RND_State(rnd);
        byte[] a = new byte[76];
        byte[] b = new byte[76];
        Vantix.mem_read(rnd, 0, a, 0, 76);
        Vantix.mem_read(copy, 0, b, 0, 76);
        assertArrayEquals(a, b);
        byte[] out = new byte[45];
        Vantix.vantix_Random_Fill(rnd, out);
        assertFalse(Arrays.equals(new byte[45], out));
        Vantix.mem_read(rnd, 0, a, 0, 76);
        Vantix.mem_read(copy, 0, b, 0, 76);
        assertFalse(Arrays.equals(a, b), "the clone evolves independently");
        Vantix.mem_free(copy);
        Vantix.mem_free(rnd);
    }

    @Test
    void unseededFillThrowsAndLeavesArray() {
        long rnd = Vantix.vantix_RND_State();
        byte[] out = new byte[16];
        Arrays.fill(out, (byte) 7);
        IllegalStateException e = assertThrows(IllegalStateException.class, () -> Vantix.vantix_Random_Fill(rnd, out));
        assertEquals("random generator is not seeded", e.getMessage());
        byte[] sevens = new byte[16];
        Arrays.fill(sevens, (byte) 7);
        assertArrayEquals(sevens, out);
        Vantix.vantix_ForceRandom_(VantixTestSupport.seededGenerator(), null);
        Vantix.mem_free(rnd);
    }

    @Test
    void companionWritesSixtyFourBytes() {
        byte[] seed = new byte[64];
        assertEquals(0, Vantix.vantix_InitBioRnd(seed));
        assertFalse(Arrays.equals(new byte[64], seed));
        assertThrows(ArrayIndexOutOfBoundsException.class, () -> Vantix.vantix_InitBioRnd(new byte[63]));
    }

    @Test
    void maskSecretKeyKeepsTheKeyUnderFreshMasks() {
        long rnd = VantixTestSupport.seededGenerator();
        byte[] key = new byte[32];
        for (int i = 0; i < 32; i++) {
            key[i] = (byte) (200 - i);
        }
        byte[] first = Arrays.copyOf(key, 64);
        byte[] second = Arrays.copyOf(key, 64);
        assertEquals(ResultCode.OK, Vantix.vantix_Mask_SecretKey_(rnd, first));
        assertEquals(ResultCode.OK, Vantix.vantix_Mask_SecretKey_(rnd, second));
        for (byte[] m : new byte[][] {first, second}) {
            byte[] k = new byte[32];
            for (int i = 0; i < 32; i++) {
                k[i] = (byte) (m[i] ^ m[32 + i]);
            }
            assertArrayEquals(key, k);
        }
        assertFalse(Arrays.equals(Arrays.copyOfRange(first, 32, 64), Arrays.copyOfRange(second, 32, 64)));
        Vantix.mem_free(rnd);
    }
}
