/**
 * GOST cryptography for Java: GOST 28147-89 encryption and MAC, GOST R 34.11-94 hashing
 * and GOST R 34.10-2001 signatures, backed by the native tellarvantix library.
 *
 * <p>{@link com.norvane.security.gost.Vantix} is the low-level interface (handles and
 * result codes). The other classes wrap it: each owns its native blocks, wipes and frees
 * them on {@code close()}, and throws {@link com.norvane.security.gost.VantixException}
 * (with the library's result code) when an operation fails.
 *
 * <pre>{@code
 * try (RandomGenerator rng = RandomGenerator.fromSystem();
 *      SignatureContext key = SignatureContext.generate(ParameterSet.CRYPTOPRO_A, rng)) {
 *     byte[] digest = Gost3411Digest.of(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, document);
 *     byte[] signature = key.sign(digest);
 *     boolean ok = key.verify(digest, signature);
 *     byte[] sealed = key.sealSecretKey(rng, password);   // 48 bytes to store
 *     byte[] seed = rng.sealState(password);              // 84 bytes to store
 * }
 * }</pre>
 */
package com.norvane.security.gost;
