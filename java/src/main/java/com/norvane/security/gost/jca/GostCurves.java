package com.norvane.security.gost.jca;

import com.norvane.security.gost.ParameterSet;
import java.math.BigInteger;
import java.security.InvalidAlgorithmParameterException;
import java.security.spec.AlgorithmParameterSpec;
import java.security.spec.ECFieldFp;
import java.security.spec.ECGenParameterSpec;
import java.security.spec.ECParameterSpec;
import java.security.spec.ECPoint;
import java.security.spec.EllipticCurve;
import java.security.spec.NamedParameterSpec;
import java.util.EnumMap;
import java.util.Map;

/**
 * The GOST R 34.10-2001 parameter sets as the JDK's {@link ECParameterSpec} (Bouncy Castle's
 * named parameters where Bouncy Castle is present), and back: a set from whatever names or
 * describes it.
 */
final class GostCurves {
    private static final Map<ParameterSet, ECParameterSpec> PLAIN = new EnumMap<>(ParameterSet.class);

    static {
        for (ParameterSet s : ParameterSet.values()) {
            PLAIN.put(s, new Named(s));
        }
    }

    private GostCurves() {
    }

    /** A set's curve, base point, order and cofactor 1, remembering which set it is. */
    static final class Named extends ECParameterSpec {
        private final ParameterSet set;

        Named(ParameterSet set) {
            super(curve(set), new ECPoint(unsigned(set.x()), unsigned(set.y())), unsigned(set.q()), 1);
            this.set = set;
        }

        ParameterSet parameterSet() {
            return set;
        }

        @Override
        public String toString() {
            return set.curveName();
        }
    }

    static EllipticCurve curve(ParameterSet s) {
        return new EllipticCurve(new ECFieldFp(unsigned(s.p())), unsigned(s.a()), unsigned(s.b()));
    }

    static BigInteger unsigned(byte[] bigEndian) {
        return new BigInteger(1, bigEndian);
    }

    /** The parameters without Bouncy Castle's naming. */
    static ECParameterSpec plain(ParameterSet s) {
        return PLAIN.get(s);
    }

    /** The parameters a key of this provider gives from {@code getParams()}. */
    static ECParameterSpec curveParameters(ParameterSet s) {
        return BouncyCastle.bridge().curveSpec(s);
    }

    /**
     * The set named or described by {@code params}: a name (ours, RFC 4357's, Bouncy Castle's
     * or the object identifier) in an {@link ECGenParameterSpec}, {@link NamedParameterSpec}
     * or one of Bouncy Castle's named specs, or an {@link ECParameterSpec} equal in value to
     * a set's (the first set on that curve when it carries no name).
     */
    static ParameterSet of(AlgorithmParameterSpec params) throws InvalidAlgorithmParameterException {
        String name = null;
        if (params instanceof Named) {
            return ((Named) params).parameterSet();
        } else if (params instanceof ECGenParameterSpec) {
            name = ((ECGenParameterSpec) params).getName();
        } else if (params instanceof NamedParameterSpec) {
            name = ((NamedParameterSpec) params).getName();
        } else if (params != null) {
            name = BouncyCastle.bridge().curveName(params);
        }
        if (name != null) {
            try {
                return ParameterSet.byName(name);
            } catch (IllegalArgumentException e) {
                throw new InvalidAlgorithmParameterException(e.getMessage(), e);
            }
        }
        if (params instanceof ECParameterSpec) {
            ParameterSet s = byValue((ECParameterSpec) params);
            if (s != null) {
                return s;
            }
            throw new InvalidAlgorithmParameterException("not a GOST R 34.10-2001 curve");
        }
        throw new InvalidAlgorithmParameterException("name the parameter set with an ECGenParameterSpec "
            + "(or give its ECParameterSpec)");
    }

    /** The first set whose curve, base point, order and cofactor equal the parameters's, or null. */
    static ParameterSet byValue(ECParameterSpec p) {
        for (ParameterSet s : ParameterSet.values()) {
            ECParameterSpec ours = PLAIN.get(s);
            if (ours.getCurve().equals(p.getCurve()) && ours.getGenerator().equals(p.getGenerator())
                    && ours.getOrder().equals(p.getOrder()) && ours.getCofactor() == p.getCofactor()) {
                return s;
            }
        }
        return null;
    }
}
