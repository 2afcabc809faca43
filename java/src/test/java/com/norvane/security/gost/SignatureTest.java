package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;

import java.nio.charset.StandardCharsets;
import org.junit.jupiter.api.Test;

/** The typical request end to end through a real JVM: seed, hash, key, sign, verify, seal. */
class SignatureTest {

    @Test
    void typicalRequestAndContainers() {
        byte[] seed = new byte[64];
        assertEquals(0, Vantix.vantix_InitBioRnd(seed));
        long rnd = Vantix.vantix_RND_State();
        Vantix.vantix_ForceRandom_(rnd, seed);

        long com = VantixTestSupport.table(Hex.HASH_TEST_TABLE);
        long hash = Vantix.vantix_R34_11_1994();
        assertEquals(ResultCode.OK, Vantix.vantix_GOST_R34_11_1994_init(hash, com, rnd, null));
        byte[] doc = "a document to sign".getBytes(StandardCharsets.US_ASCII);
        assertEquals(ResultCode.OK, Vantix.vantix_GOST_R34_11_1994_update(hash, doc, 0, doc.length));
        byte[] digest = new byte[32];
        assertEquals(ResultCode.OK, Vantix.vantix_GOST_R34_11_1994_final(hash, digest));
        Vantix.vantix_GOST_R34_11_1994_clear(hash);
        Vantix.mem_free(hash);

        long ctx = Vantix.vantix_LR34_10_2001();
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_set_parms(ctx, rnd, null, null, null, null, 0));
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_gen_secret_key(ctx));
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_gen_public_key(ctx));
        byte[] sig = new byte[64];
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_sign(ctx, digest, sig));
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_verify(ctx, digest, sig));
        sig[40] ^= 1;
        assertEquals(ResultCode.BAD_SIGNATURE, Vantix.vantix_LR34_10_2001_verify(ctx, digest, sig));
        sig[40] ^= 1;

        // A different key does not verify the signature.
        long other = Vantix.vantix_LR34_10_2001();
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_set_parms(other, rnd, null, null, null, null, 0));
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_gen_secret_key(other));
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_gen_public_key(other));
        assertEquals(ResultCode.BAD_SIGNATURE, Vantix.vantix_LR34_10_2001_verify(other, digest, sig));

        // Seal the secret key and the generator; reopen both.
        byte[] password = "a password of some length".getBytes(StandardCharsets.US_ASCII);
        byte[] key = new byte[64];
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_get_secret_key(ctx, key));
        byte[] keyContainer = new byte[48];
        assertEquals(ResultCode.OK, Vantix.vantix_MakeKeyContainer(rnd, key, password, keyContainer));
        byte[] reopened = new byte[64];
        assertEquals(ResultCode.OK, Vantix.vantix_ExtractKeyContainer(rnd, keyContainer, password, reopened));
        assertEquals(ResultCode.CONTAINER_MAC,
            Vantix.vantix_ExtractKeyContainer(rnd, keyContainer, "wrong password!".getBytes(), reopened));
        long third = Vantix.vantix_LR34_10_2001();
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_set_parms(third, rnd, null, null, null, null, 0));
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_set_secret_key(third, reopened));
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_gen_public_key(third));
        long p1 = Vantix.vantix_LPoint();
        long p2 = Vantix.vantix_LPoint();
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_get_public_key(ctx, p1));
        assertEquals(ResultCode.OK, Vantix.vantix_LR34_10_2001_get_public_key(third, p2));
        byte[] a = new byte[64];
        byte[] b = new byte[64];
        Vantix.mem_read(p1, 0, a, 0, 64);
        Vantix.mem_read(p2, 0, b, 0, 64);
        assertArrayEquals(a, b);

        byte[] rndContainer = new byte[84];
        assertEquals(ResultCode.OK, Vantix.vantix_MakeRndContainer(rnd, password, rndContainer));
        long restored = Vantix.vantix_RND_State();
        assertEquals(ResultCode.OK, Vantix.vantix_ExtractRndContainer(rndContainer, password, restored));
        byte[] flag = new byte[2];
        Vantix.mem_read(restored, 72, flag, 0, 2);
        assertEquals(1, flag[0]);
        assertNotEquals(0, rndContainer[8] | rndContainer[9] | rndContainer[10]);

        for (long c : new long[] {ctx, other, third}) {
            Vantix.vantix_LR34_10_2001_clear(c);
            Vantix.mem_free(c);
        }
        for (long h : new long[] {p1, p2, com, rnd, restored}) {
            Vantix.mem_free(h);
        }
    }
}
