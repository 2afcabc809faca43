package com.norvane.security.gost.jca;

import java.security.spec.AlgorithmParameterSpec;

/**
 * The user keying material (UKM) of the VKO GOST R 34.10-2001 key agreement, read as a
 * little-endian number (usually 8 bytes, RFC 4357). The same as Bouncy Castle's
 * {@code UserKeyingMaterialSpec}, which the key agreement also
 * takes.
 */
public final class VkoParameterSpec implements AlgorithmParameterSpec {
    private final byte[] ukm;

    /** The UKM, at least one byte. */
    public VkoParameterSpec(byte[] ukm) {
        if (ukm.length == 0) {
            throw new IllegalArgumentException("a UKM has at least one byte");
        }
        this.ukm = ukm.clone();
    }

    /** The UKM. */
    public byte[] getUserKeyingMaterial() {
        return ukm.clone();
    }
}
