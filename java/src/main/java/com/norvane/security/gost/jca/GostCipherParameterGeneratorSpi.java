package com.norvane.security.gost.jca;

import com.norvane.security.gost.SubstitutionTable;
import java.security.AlgorithmParameterGeneratorSpi;
import java.security.AlgorithmParameters;
import java.security.GeneralSecurityException;
import java.security.InvalidAlgorithmParameterException;
import java.security.SecureRandom;
import java.security.spec.AlgorithmParameterSpec;

/**
 * Fresh GOST 28147-89 parameters, as Bouncy Castle makes them: a random vector (from the
 * library's generator; a SecureRandom passed in is not used) and the CryptoPro-A table, or
 * the named table of a {@link Gost28147ParameterSpec} (ours or Bouncy Castle's).
 */
final class GostCipherParameterGeneratorSpi extends AlgorithmParameterGeneratorSpi {
    private SubstitutionTable table = SubstitutionTable.GOST_28147_89_CRYPTOPRO_A;

    @Override
    protected void engineInit(int size, SecureRandom random) {
        // The size says nothing here: the vector is 8 bytes, as in Bouncy Castle.
    }

    @Override
    protected void engineInit(AlgorithmParameterSpec algParams, SecureRandom random)
            throws InvalidAlgorithmParameterException {
        algParams = GostKeys.ours(algParams);
        if (!(algParams instanceof Gost28147ParameterSpec)) {
            throw new InvalidAlgorithmParameterException("GOST 28147-89 parameters are generated for a table named "
                + "in a Gost28147ParameterSpec");
        }
        SubstitutionTable t = GostKeys.named(((Gost28147ParameterSpec) algParams).getSBox());
        if (t == null) {
            throw new InvalidAlgorithmParameterException("the table has no object identifier to record");
        }
        table = t;
    }

    @Override
    protected AlgorithmParameters engineGenerateParameters() {
        try {
            AlgorithmParameters p = AlgorithmParameters.getInstance("GOST28147", VantixProvider.instance());
            p.init(new Gost28147ParameterSpec(table.bytes(), VantixProvider.generator().nextBytes(8)));
            return p;
        } catch (GeneralSecurityException e) {
            throw new IllegalStateException(e);
        }
    }
}
