/**
 * GOST cryptography for Java: GOST 28147-89 encryption and MAC, GOST R 34.11-94 hashing
 * and GOST R 34.10-2001 signatures, backed by the native tellarvantix library. The same
 * algorithms are offered through the JCA by {@link com.norvane.security.gost.jca.VantixProvider}.
 *
 * <p>{@link com.norvane.security.gost.Vantix} is the low-level interface (handles and
 * result codes, the library's own byte order). The other classes wrap it: each owns its
 * native blocks, wipes and frees them on {@code close()} (or, for a forgotten object, once
 * it is unreachable), and throws {@link com.norvane.security.gost.VantixException} (with
 * the library's result code) when an operation fails. Every object may be shared between
 * threads; its calls are serialized.
 *
 * <h2>Byte orders: the conventions of OpenSSL, Bouncy Castle and RFC 4357</h2>
 *
 * The classes of this package (not {@code Vantix}) take and give bytes exactly as OpenSSL's
 * gost engine and Bouncy Castle do, so the same bytes give the same results:
 * <ul>
 * <li><b>GOST 28147-89 keys, vectors, data and MACs</b>: every 32-bit word little-endian.
 *     A key is the 32 bytes of {@code openssl enc -K} and of Bouncy Castle's
 *     {@code KeyParameter}; a vector the 8 bytes of {@code -iv}.</li>
 * <li><b>Substitution tables</b>: 128 bytes, rows K1 to K8, one entry per byte
 *     ({@link com.norvane.security.gost.SubstitutionTable#bytes()}, Bouncy Castle's
 *     {@code GOST28147Engine.getSBox}).</li>
 * <li><b>GOST R 34.11-94 digests</b>: the 32 bytes {@code openssl dgst -md_gost94} prints
 *     and Bouncy Castle's {@code GOST3411Digest} writes.</li>
 * <li><b>GOST R 34.10-2001</b>: the digest is read as a little-endian number; a signature is
 *     64 bytes, s then r, each big-endian (what {@code openssl dgst -sign} writes); a raw
 *     public key is 64 bytes, x then y, each little-endian, and keys are exchanged as X.509
 *     SubjectPublicKeyInfo and PKCS#8 in the RFC 4491 form
 *     ({@link com.norvane.security.gost.KeyEncoding}).</li>
 * </ul>
 * The exports read words and numbers big-endian; the classes convert at the boundary.
 *
 * <p>A worked example: key {@code 00 01 02 ... 1f}, vector {@code 01 02 ... 08}, the
 * CryptoPro-A table and 8 zero bytes give in the feedback mode the same ciphertext here as
 * {@code openssl enc -engine gost -gost89 -K 000102...1f -iv 0102030405060708}:
 *
 * <pre>{@code
 * byte[] key = new byte[32];
 * for (int i = 0; i < 32; i++) key[i] = (byte) i;
 * byte[] iv = {1, 2, 3, 4, 5, 6, 7, 8};
 * try (RandomGenerator rng = RandomGenerator.fromSystem();
 *      CipherTable table = new CipherTable(SubstitutionTable.GOST_28147_89_CRYPTOPRO_A);
 *      GammaFeedbackCipher cfb = new GammaFeedbackCipher(table, rng, key, iv)) {
 *     byte[] c = cfb.encrypt(new byte[8]);          // 27 ca 95 7f 64 26 a1 e4
 *     // the same 8 bytes as OpenSSL's and as Bouncy Castle's GCFB(GOST28147Engine)
 *     // initialised with ParametersWithIV(ParametersWithSBox(KeyParameter(key), sbox), iv)
 * }
 * }</pre>
 * Through the exports the same result needs the key, vector and data with each 4-byte group
 * reversed, and gives the ciphertext with each 4-byte group reversed.
 *
 * <p>Where results differ from those peers by design: the MAC of a message longer than
 * 1024 bytes (see {@link com.norvane.security.gost.MacGenerator}); the digest of the empty
 * message, where Bouncy Castle hashes no block and this library, like OpenSSL, one zero
 * block; Bouncy Castle's {@code GOFB} mode, which equals the gamma mode here only for the
 * first 1024 bytes because it does not mesh the key.
 *
 * <pre>{@code
 * try (RandomGenerator rng = RandomGenerator.fromSystem();
 *      SignatureContext key = SignatureContext.generate(ParameterSet.CRYPTOPRO_A, rng)) {
 *     byte[] digest = Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, document);
 *     byte[] signature = key.sign(digest);                 // s then r: verifies in OpenSSL
 *     boolean ok = key.verify(digest, signature);
 *     byte[] spki = key.encodedPublicKey();                 // X.509, for OpenSSL or Bouncy Castle
 *     byte[] sealed = key.sealSecretKey(rng, password);     // 72 bytes to store
 * }
 * }</pre>
 */
package com.norvane.security.gost;
