package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;

import java.util.Arrays;
import org.junit.jupiter.api.Test;

/** One round trip and one refusal per cipher mode, and one MAC, through a real JVM. */
class ModesTest {
    private final long rnd = VantixTestSupport.seededGenerator();
    private final long com = VantixTestSupport.table(Hex.CIPHER_A_TABLE);
    private final byte[] key = VantixTestSupport.masked(Hex.parse(
        "00112233445566778899aabbccddeeff0123456789abcdeffedcba9876543210"));
    private final byte[] iv = Hex.parse("0102030405060708");

    @Test
    void simpleReplacement() {
        long enc = Vantix.vantix_G28147_1989_block();
        long dec = Vantix.vantix_G28147_1989_block();
        byte[] msg = new byte[32];
        Arrays.fill(msg, (byte) 0x33);
        byte[] c = new byte[32];
        byte[] p = new byte[32];
        assertEquals(ResultCode.BAD_MARKER, Vantix.vantix_G28147_1989_block_encrypt(enc, msg, 0, c, 0, 1));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_block_init(enc, com, rnd, key));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_block_init(dec, com, rnd, key));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_block_encrypt(enc, msg, 0, c, 0, 4));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_block_decrypt(dec, c, 0, p, 0, 4));
        assertArrayEquals(msg, p);
        assertEquals(ResultCode.ECB_LIMIT, Vantix.vantix_G28147_1989_block_encrypt(enc, msg, 0, c, 0, 1));
        Vantix.vantix_G28147_1989_block_clear(enc);
        Vantix.vantix_G28147_1989_block_clear(dec);
        Vantix.mem_free(enc);
        Vantix.mem_free(dec);
    }

    @Test
    void gamma() {
        long a = Vantix.vantix_G28147_1989_gamma();
        long b = Vantix.vantix_G28147_1989_gamma();
        assertEquals(ResultCode.MISSING,
            Vantix.vantix_G28147_1989_gamma_init(a, com, Vantix.vantix_RND_State(), key, iv));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_gamma_init(a, com, rnd, key, iv));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_gamma_init(b, com, rnd, key, iv));
        byte[] msg = new byte[3000];
        Arrays.fill(msg, (byte) 'g');
        byte[] c = new byte[3000];
        byte[] p = new byte[3000];
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_gamma_crypt(a, msg, 0, c, 0, 1001));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_gamma_crypt(a, msg, 1001, c, 1001, 1999));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_gamma_crypt(b, c, 0, p, 0, 3000));
        assertArrayEquals(msg, p);
        Vantix.vantix_G28147_1989_gamma_clear(a);
        Vantix.vantix_G28147_1989_gamma_clear(b);
        Vantix.mem_free(a);
        Vantix.mem_free(b);
    }

    @Test
    void gammaWithFeedback() {
        long a = Vantix.vantix_G28147_1989_gamma_ofb();
        long b = Vantix.vantix_G28147_1989_gamma_ofb();
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_gamma_ofb_init(a, com, rnd, key, iv));
        assertEquals(ResultCode.ALREADY_INITIALISED, Vantix.vantix_G28147_1989_gamma_ofb_init(a, com, rnd, key, iv));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_gamma_ofb_init(b, com, rnd, key, iv));
        byte[] msg = new byte[2049];
        Arrays.fill(msg, (byte) 'f');
        byte[] c = new byte[2049];
        byte[] p = new byte[2049];
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_gamma_ofb_encrypt(a, msg, 0, c, 0, 2049));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_gamma_ofb_decrypt(b, c, 0, p, 0, 5));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_gamma_ofb_decrypt(b, c, 5, p, 5, 2044));
        assertArrayEquals(msg, p);
        Vantix.vantix_G28147_1989_gamma_ofb_clear(a);
        Vantix.vantix_G28147_1989_gamma_ofb_clear(b);
        Vantix.mem_free(a);
        Vantix.mem_free(b);
    }

    @Test
    void macAndTamperDetection() {
        long m = Vantix.vantix_G28147_1989_mac();
        assertEquals(ResultCode.NOT_INITIALISED, Vantix.vantix_G28147_1989_mac_update(m, new byte[4], 0, 4));
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_mac_init(m, com, rnd, key, null));
        byte[] data = "authenticate me".getBytes();
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_mac_update(m, data, 0, data.length));
        byte[] mac = new byte[8];
        assertEquals(ResultCode.OK, Vantix.vantix_G28147_1989_mac_final(m, mac));
        assertFalse(Arrays.equals(new byte[8], mac));
        byte[] value = new byte[1];
        Vantix.mem_read(m, 4, value, 0, 1);  // first byte of key_value
        value[0] ^= 1;
        Vantix.mem_write(m, 4, value, 0, 1);
        assertEquals(ResultCode.CHECKSUM, Vantix.vantix_G28147_1989_mac_update(m, data, 0, 1));
        Vantix.vantix_G28147_1989_mac_clear(m);
        Vantix.mem_free(m);
    }
}
