package com.norvane.security.gost.jca;

import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.SignatureContext;
import java.math.BigInteger;
import java.security.spec.AlgorithmParameterSpec;
import java.security.spec.ECParameterSpec;
import java.util.EnumMap;
import java.util.Map;
import org.bouncycastle.asn1.cryptopro.ECGOST3410NamedCurves;
import org.bouncycastle.jcajce.spec.GOST28147ParameterSpec;
import org.bouncycastle.jcajce.spec.GOST28147WrapParameterSpec;
import org.bouncycastle.jcajce.spec.UserKeyingMaterialSpec;
import org.bouncycastle.jce.spec.ECNamedCurveGenParameterSpec;
import org.bouncycastle.jce.spec.ECNamedCurveParameterSpec;
import org.bouncycastle.jce.spec.ECNamedCurveSpec;
import org.bouncycastle.math.ec.ECCurve;

/**
 * The forms used where Bouncy Castle is present (loaded by {@link BouncyCastle} only then;
 * Bouncy Castle is needed to compile this class, never to run the library). Sets Bouncy
 * Castle does not name (the test set) keep the plain forms.
 */
final class BouncyCastleBridge extends BouncyCastle {
    /** Per set Bouncy Castle names: its JDK-side parameters and its own. */
    private final Map<ParameterSet, ECNamedCurveSpec> jdkSpecs = new EnumMap<>(ParameterSet.class);
    private final Map<ParameterSet, ECNamedCurveParameterSpec> bcSpecs = new EnumMap<>(ParameterSet.class);

    BouncyCastleBridge() {
        for (ParameterSet s : ParameterSet.values()) {
            if (ECGOST3410NamedCurves.getOID(s.curveName()) == null) {
                continue;
            }
            ECParameterSpec plain = GostCurves.plain(s);
            BigInteger one = BigInteger.ONE;
            ECCurve curve = new ECCurve.Fp(GostCurves.unsigned(s.p()), GostCurves.unsigned(s.a()),
                GostCurves.unsigned(s.b()), plain.getOrder(), one);
            org.bouncycastle.math.ec.ECPoint g = curve.createPoint(plain.getGenerator().getAffineX(),
                plain.getGenerator().getAffineY());
            jdkSpecs.put(s, new ECNamedCurveSpec(s.curveName(), plain.getCurve(), plain.getGenerator(),
                plain.getOrder(), one));
            bcSpecs.put(s, new ECNamedCurveParameterSpec(s.curveName(), curve, g, plain.getOrder(), one));
        }
    }

    @Override
    boolean present() {
        return true;
    }

    @Override
    GostPublicKey publicKey(ParameterSet set, byte[] rawKey) {
        ECNamedCurveParameterSpec bc = bcSpecs.get(set);
        return bc == null ? super.publicKey(set, rawKey) : new BcPublicKey(set, rawKey, bc);
    }

    @Override
    GostPrivateKey privateKey(SignatureContext context) {
        ECNamedCurveParameterSpec bc = bcSpecs.get(context.parameterSet());
        GostPublicKey pub = publicKey(context.parameterSet(), context.publicKey());
        return bc == null ? new GostPrivateKey(context, pub) : new BcPrivateKey(context, pub, bc);
    }

    @Override
    ECParameterSpec curveSpec(ParameterSet set) {
        ECParameterSpec algParams = jdkSpecs.get(set);
        return algParams == null ? super.curveSpec(set) : algParams;
    }

    @Override
    String curveName(AlgorithmParameterSpec algParams) {
        if (algParams instanceof ECNamedCurveSpec) {
            return ((ECNamedCurveSpec) algParams).getName();
        }
        if (algParams instanceof ECNamedCurveGenParameterSpec) {
            return ((ECNamedCurveGenParameterSpec) algParams).getName();
        }
        if (algParams instanceof ECNamedCurveParameterSpec) {
            return ((ECNamedCurveParameterSpec) algParams).getName();
        }
        return null;
    }

    @Override
    AlgorithmParameterSpec bcGost28147(Class<?> type, com.norvane.security.gost.SubstitutionTable table, byte[] iv) {
        if (type == GOST28147ParameterSpec.class || type == AlgorithmParameterSpec.class) {
            return new GOST28147ParameterSpec(table.bytes(), iv);
        }
        return null;
    }

    @Override
    Gost28147ParameterSpec gost28147(AlgorithmParameterSpec algParams) {
        if (algParams instanceof GOST28147ParameterSpec) {
            GOST28147ParameterSpec p =
                (GOST28147ParameterSpec) algParams;
            return new Gost28147ParameterSpec(p.getSBox(), p.getIV());
        }
        return null;
    }

    @Override
    byte[] userKeyingMaterial(AlgorithmParameterSpec algParams) {
        if (algParams instanceof UserKeyingMaterialSpec) {
            return ((UserKeyingMaterialSpec) algParams).getUserKeyingMaterial();
        }
        return null;
    }

    @Override
    Gost28147WrapParameterSpec wrap(AlgorithmParameterSpec algParams) {
        if (algParams instanceof GOST28147WrapParameterSpec) {
            GOST28147WrapParameterSpec p =
                (GOST28147WrapParameterSpec) algParams;
            // Bouncy Castle's own wrap ciphers need a table; ours take CryptoPro-A without one.
            return p.getSBox() == null ? new Gost28147WrapParameterSpec(p.getUKM())
                : new Gost28147WrapParameterSpec(p.getSBox(), p.getUKM());
        }
        return null;
    }

    /** A public key that is also Bouncy Castle's. */
    static final class BcPublicKey extends GostPublicKey implements org.bouncycastle.jce.interfaces.ECPublicKey {
        private static final long serialVersionUID = 1L;
        private final transient ECNamedCurveParameterSpec bc;

        BcPublicKey(ParameterSet set, byte[] rawKey, ECNamedCurveParameterSpec bc) {
            super(set, rawKey);
            this.bc = bc;
        }

        @Override
        public org.bouncycastle.math.ec.ECPoint getQ() {
            java.security.spec.ECPoint w = getW();
            return bc.getCurve().createPoint(w.getAffineX(), w.getAffineY());
        }

        @Override
        public org.bouncycastle.jce.spec.ECParameterSpec getParameters() {
            return bc;
        }
    }

    /** A private key that is also Bouncy Castle's. */
    static final class BcPrivateKey extends GostPrivateKey implements org.bouncycastle.jce.interfaces.ECPrivateKey {
        private static final long serialVersionUID = 1L;
        private final transient ECNamedCurveParameterSpec bc;

        BcPrivateKey(SignatureContext context, GostPublicKey pub, ECNamedCurveParameterSpec bc) {
            super(context, pub);
            this.bc = bc;
        }

        /** The secret number, unmasked on this call (see {@link #getS()}). */
        @Override
        public BigInteger getD() {
            return getS();
        }

        @Override
        public org.bouncycastle.jce.spec.ECParameterSpec getParameters() {
            return bc;
        }
    }
}
