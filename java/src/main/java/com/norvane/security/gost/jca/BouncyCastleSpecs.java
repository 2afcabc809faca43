package com.norvane.security.gost.jca;

import java.lang.reflect.InvocationTargetException;
import java.security.spec.AlgorithmParameterSpec;

/**
 * Bouncy Castle's parameter classes, read by reflection: Bouncy Castle is never needed at
 * run time, and none of its classes is loaded here.
 */
final class BouncyCastleSpecs {
    private static final String UKM_SPEC = "org.bouncycastle.jcajce.spec.UserKeyingMaterialSpec";
    private static final String WRAP_SPEC = "org.bouncycastle.jcajce.spec.GOST28147WrapParameterSpec";

    private BouncyCastleSpecs() {
    }

    /** The UKM of a {@code UserKeyingMaterialSpec}, or null for any other object. */
    static byte[] userKeyingMaterial(AlgorithmParameterSpec spec) {
        return is(spec, UKM_SPEC) ? (byte[]) call(spec, "getUserKeyingMaterial") : null;
    }

    /** The table (or null) and UKM of a {@code GOST28147WrapParameterSpec}, or null for any other object. */
    static byte[][] wrapParameters(AlgorithmParameterSpec spec) {
        if (!is(spec, WRAP_SPEC)) {
            return null;
        }
        return new byte[][] {(byte[]) call(spec, "getSBox"), (byte[]) call(spec, "getUKM")};
    }

    private static boolean is(Object o, String className) {
        for (Class<?> c = o == null ? null : o.getClass(); c != null; c = c.getSuperclass()) {
            if (c.getName().equals(className)) {
                return true;
            }
        }
        return false;
    }

    private static Object call(Object o, String method) {
        try {
            return o.getClass().getMethod(method).invoke(o);
        } catch (NoSuchMethodException | IllegalAccessException e) {
            throw new IllegalArgumentException("unexpected " + o.getClass().getName() + ": " + e, e);
        } catch (InvocationTargetException e) {
            throw new IllegalArgumentException(e.getCause());
        }
    }
}
