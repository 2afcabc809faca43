package com.norvane.security.gost.jca;

import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.SignatureContext;
import java.security.spec.AlgorithmParameterSpec;
import java.security.spec.ECParameterSpec;

/**
 * What changes when Bouncy Castle is on the class path: keys that are also Bouncy Castle's
 * EC key types (its GOST signer and CMS code accept no others), curve specs it can name, and
 * its parameter classes read. Bouncy Castle is never required: {@link BouncyCastleBridge},
 * compiled against it, is loaded only when its classes are found; otherwise the plain forms
 * here are used and nothing of it is touched.
 */
class BouncyCastle {
    private static final BouncyCastle BRIDGE = load();

    static BouncyCastle bridge() {
        return BRIDGE;
    }

    private static BouncyCastle load() {
        ClassLoader loader = BouncyCastle.class.getClassLoader();
        try {
            Class.forName("org.bouncycastle.jce.interfaces.ECPrivateKey", false, loader);
            return (BouncyCastle) Class.forName(BouncyCastle.class.getName() + "Bridge", true, loader)
                .getDeclaredConstructor().newInstance();
        } catch (ReflectiveOperationException | LinkageError | RuntimeException absent) {
            return new BouncyCastle();
        }
    }

    /** True when the keys handed out are also Bouncy Castle's types. */
    boolean present() {
        return false;
    }

    /** A public key from its set and raw 64 bytes (x then y, little-endian). */
    GostPublicKey publicKey(ParameterSet set, byte[] rawKey) {
        return new GostPublicKey(set, rawKey);
    }

    /** A private key owning the context (and its public key). */
    GostPrivateKey privateKey(SignatureContext context) {
        return new GostPrivateKey(context, publicKey(context.parameterSet(), context.publicKey()));
    }

    /** The parameters keys give from {@code getParams()}. */
    ECParameterSpec curveSpec(ParameterSet set) {
        return GostCurves.plain(set);
    }

    /** The curve name in one of Bouncy Castle's named specs, or null. */
    String curveName(AlgorithmParameterSpec algParams) {
        return null;
    }

    /** Bouncy Castle's GOST28147ParameterSpec when {@code type} is it or AlgorithmParameterSpec, else null. */
    AlgorithmParameterSpec bcGost28147(Class<?> type, com.norvane.security.gost.SubstitutionTable table, byte[] iv) {
        return null;
    }

    /** Bouncy Castle's GOST 28147-89 parameters as ours, or null for anything else. */
    Gost28147ParameterSpec gost28147(AlgorithmParameterSpec algParams) {
        return null;
    }

    /** The UKM of Bouncy Castle's {@code UserKeyingMaterialSpec}, or null for anything else. */
    byte[] userKeyingMaterial(AlgorithmParameterSpec algParams) {
        return null;
    }

    /** Bouncy Castle's key-wrap parameters as ours, or null for anything else. */
    Gost28147WrapParameterSpec wrap(AlgorithmParameterSpec algParams) {
        return null;
    }
}
