package com.norvane.security.gost.jca;

import com.norvane.security.gost.KeyEncoding;
import com.norvane.security.gost.ParameterSet;
import java.io.IOException;
import java.security.InvalidAlgorithmParameterException;
import java.security.AlgorithmParametersSpi;
import java.security.spec.AlgorithmParameterSpec;
import java.security.spec.ECGenParameterSpec;
import java.security.spec.ECParameterSpec;
import java.security.spec.InvalidParameterSpecException;

/**
 * A GOST R 34.10-2001 parameter set as {@code AlgorithmParameters} ECGOST3410, encoded as its
 * object identifier (Bouncy Castle's bytes; the key algorithm's parameter sequence is read
 * too). Made from anything the key pair generator takes; given back as the
 * {@link ECParameterSpec} keys give from {@code getParams()} or as an
 * {@link ECGenParameterSpec} holding the object identifier, as Bouncy Castle does.
 */
final class GostCurveParametersSpi extends AlgorithmParametersSpi {
    private ParameterSet set;

    @Override
    protected void engineInit(AlgorithmParameterSpec algParams) throws InvalidParameterSpecException {
        try {
            set = GostCurves.of(algParams);
        } catch (InvalidAlgorithmParameterException e) {
            throw new InvalidParameterSpecException(e.getMessage());
        }
    }

    @Override
    protected void engineInit(byte[] der) throws IOException {
        try {
            set = KeyEncoding.decodeParameterSet(der);
        } catch (IllegalArgumentException e) {
            throw new IOException(e.getMessage(), e);
        }
    }

    @Override
    protected void engineInit(byte[] der, String format) throws IOException {
        GostCipherParametersSpi.checkFormat(format);
        engineInit(der);
    }

    @Override
    protected <T extends AlgorithmParameterSpec> T engineGetParameterSpec(Class<T> type)
            throws InvalidParameterSpecException {
        ready();
        if (type.isAssignableFrom(ECParameterSpec.class)) {
            return type.cast(GostCurves.curveParameters(set));
        }
        if (type == ECGenParameterSpec.class) {
            return type.cast(new ECGenParameterSpec(set.oid()));
        }
        throw new InvalidParameterSpecException("the parameter set is given as ECParameterSpec or ECGenParameterSpec");
    }

    @Override
    protected byte[] engineGetEncoded() {
        ready();
        return KeyEncoding.encodeParameterSet(set);
    }

    @Override
    protected byte[] engineGetEncoded(String format) throws IOException {
        GostCipherParametersSpi.checkFormat(format);
        return engineGetEncoded();
    }

    private void ready() {
        if (set == null) {
            throw new IllegalStateException("the parameters are not initialised");
        }
    }

    @Override
    protected String engineToString() {
        return set == null ? "GOST R 34.10-2001 parameters (not initialised)" : set.curveName();
    }
}
