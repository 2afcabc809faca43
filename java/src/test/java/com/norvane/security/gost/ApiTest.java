package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** The idiomatic API: wiping on close, exceptions, parameter sets and published tables. */
class ApiTest {
    @TempDir
    Path dir;

    private final byte[] key = Hex.parse("00112233445566778899aabbccddeeff0123456789abcdeffedcba9876543210");
    private final byte[] password = "api test password".getBytes(StandardCharsets.US_ASCII);

    @AfterEach
    void removeHook() {
        NativeBlock.beforeFree = null;
    }

    /**
     * Records the blocks at the moment before they are freed: the i-th freed block's first
     * {@code sizes[i]} bytes (the last size serves every later block). Each size is at most
     * the block's own size: reading past a block is refused.
     */
    private static List<byte[]> recordFrees(int... sizes) {
        List<byte[]> seen = new ArrayList<>();
        NativeBlock.beforeFree = h -> {
            int size = sizes[Math.min(seen.size(), sizes.length - 1)];
            byte[] b = new byte[size];
            Vantix.mem_read(h, 0, b, 0, size);
            seen.add(b);
        };
        return seen;
    }

    private static boolean zeroAfterMagic(byte[] b, int magic) {
        int m = (b[0] & 0xff) | (b[1] & 0xff) << 8 | (b[2] & 0xff) << 16 | (b[3] & 0xff) << 24;
        for (int i = 4; i < b.length; i++) {
            if (b[i] != 0) {
                return false;
            }
        }
        return m == magic;
    }

    @Test
    void closingWipesEveryBlockBeforeFreeing() {
        try (RandomGenerator rng = RandomGenerator.fromSystem(); CipherTable table = new CipherTable(
                SubstitutionTable.GOST_28147_89_CRYPTOPRO_A)) {
            List<byte[]> seen = recordFrees(116);
            GammaCipher gamma = new GammaCipher(table, rng, key, null);
            gamma.process(new byte[100]);
            gamma.close();
            GammaFeedbackCipher ofb = new GammaFeedbackCipher(table, rng, key, null);
            ofb.close();
            MacGenerator mac = new MacGenerator(table, rng, key, null);
            mac.close();
            assertEquals(3, seen.size());
            assertTrue(zeroAfterMagic(seen.get(0), 0x9ABCDEF2));
            assertTrue(zeroAfterMagic(seen.get(1), 0x9ABCDEF3));
            assertTrue(zeroAfterMagic(seen.get(2), 0x9ABCDEF4));

            List<byte[]> big = recordFrees(750, 100);  // the context, then its point record
            SignatureContext ctx = SignatureContext.generate(ParameterSet.CRYPTOPRO_A, rng);
            ctx.close();
            assertTrue(zeroAfterMagic(big.get(0), 0x9ABCDEF9), "signature context wiped");
            assertArrayEquals(new byte[100], Arrays.copyOf(big.get(1), 100), "point record wiped");

            List<byte[]> gen = recordFrees(76);
            RandomGenerator.fromSeed(new byte[64]).close();
            assertArrayEquals(new byte[76], gen.get(0));
        }
    }

    @Test
    void useAfterCloseThrows() {
        RandomGenerator rng = RandomGenerator.fromSystem();
        CipherTable table = new CipherTable(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A);
        MacGenerator mac = new MacGenerator(table, rng, key, null);
        mac.close();
        mac.close();  // closing twice is harmless
        assertThrows(IllegalStateException.class, () -> mac.update(new byte[1]));
        Gost3411Digest d = new Gost3411Digest();
        d.close();
        assertThrows(IllegalStateException.class, d::digest);
        table.close();
        rng.close();
        assertThrows(IllegalStateException.class, () -> rng.nextBytes(4));
    }

    @Test
    void exceptionsCarryTheResultCode() {
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             SignatureContext ctx = SignatureContext.generate(ParameterSet.TEST, rng)) {
            byte[] sealed = ctx.sealSecretKey(rng, password);
            VantixException wrong = assertThrows(VantixException.class,
                () -> SignatureContext.openSecretKey(ParameterSet.TEST, rng, sealed, "not the password".getBytes()));
            assertEquals(ResultCode.CONTAINER_MAC, wrong.code());
            assertTrue(wrong.getMessage().contains("wrong password"));
            VantixException shortPw = assertThrows(VantixException.class, () -> rng.sealState("short".getBytes()));
            assertEquals(ResultCode.MISSING, shortPw.code());
            byte[] seed = rng.sealState(password);
            VantixException seedWrong = assertThrows(VantixException.class,
                () -> RandomGenerator.fromContainer(seed, "not the password".getBytes()));
            assertEquals(ResultCode.CONTAINER_MAC, seedWrong.code());
            try (SignatureContext reopened = SignatureContext.openSecretKey(ParameterSet.TEST, rng, sealed, password);
                 RandomGenerator restored = RandomGenerator.fromContainer(seed, password)) {
                assertArrayEquals(ctx.publicKey(), reopened.publicKey());
                assertEquals(16, restored.nextBytes(16).length);
            }
            try (SimpleReplacementCipher ecb = new SimpleReplacementCipher(
                    new CipherTable(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A), rng, key)) {
                ecb.encrypt(new byte[32]);
                assertEquals(ResultCode.ECB_LIMIT,
                    assertThrows(VantixException.class, () -> ecb.encrypt(new byte[8])).code());
            }
        }
    }

    @Test
    void everyParameterSetSignsAndVerifies() {
        byte[] digest = Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, "document".getBytes());
        try (RandomGenerator rng = RandomGenerator.fromSystem()) {
            for (ParameterSet set : ParameterSet.values()) {
                try (SignatureContext signer = SignatureContext.generate(set, rng);
                     SignatureContext verifier = SignatureContext.withPublicKey(set, rng, signer.publicKey())) {
                    byte[] sig = signer.sign(digest);
                    assertTrue(verifier.verify(digest, sig), set.name());
                    sig[63] ^= 1;
                    assertFalse(verifier.verify(digest, sig), set.name());
                }
            }
            assertEquals(ParameterSet.CRYPTOPRO_A, ParameterSet.byName("cryptopro-a"));
            assertEquals(ParameterSet.XCHB, ParameterSet.byName("id-GostR3410-2001-CryptoPro-XchB-ParamSet"));
        }
    }

    @Test
    void hashTablesGiveThePublishedDigests() {
        assertEquals("b1c466d37519b82e8319819ff32595e047a28cb6f83eff1c6916a815a637fffa", Hex.of(Gost3411Digest.of(
            SubstitutionTable.GOST_R_34_11_94_TEST, "This is message, length=32 bytes".getBytes())));
        assertEquals("b285056dbf18d7392d7677369524dd14747459ed8143997e163b2986f92fd42c",
            Hex.of(Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, "abc".getBytes())));
    }

    @Test
    void cipherTablesAgreeWithTheOpensslGostEngine() throws Exception {
        byte[] iv = Hex.parse("0102030405060708");
        byte[] msg = new byte[64];
        for (int i = 0; i < 64; i++) {
            msg[i] = (byte) (i * 5);
        }
        Map<SubstitutionTable, String> tables = new HashMap<>();
        for (SubstitutionTable t : SubstitutionTable.values()) {
            if (t.oidName().startsWith("id-Gost28147") || t.oidName().startsWith("id-tc26-gost-28147")) {
                tables.put(t, t.oidName());
            }
        }
        assertEquals(6, tables.size());
        try (RandomGenerator rng = RandomGenerator.fromSystem()) {
            for (Map.Entry<SubstitutionTable, String> e : tables.entrySet()) {
                byte[] ours;
                try (CipherTable table = new CipherTable(e.getKey());
                     GammaFeedbackCipher c = new GammaFeedbackCipher(table, rng, key, iv)) {
                    ours = c.encrypt(msg);
                }
                // The same bytes in, the same bytes out: the API speaks the engine's byte order.
                byte[] theirs = Openssl.enc(dir, "gost89", e.getValue(), key, iv, msg);
                assertEquals(Hex.of(theirs), Hex.of(ours), e.getValue());
                if (e.getKey() == SubstitutionTable.GOST_28147_89_TC26_Z) {
                    assertEquals(Hex.of(Openssl.enc(dir, "gost89", null, key, iv, msg)), Hex.of(ours),
                        "TC26 Param-Z is the engine's default table for enc");
                }
            }
        }
    }
}
