package com.norvane.security.gost;

/**
 * A substitution table held natively (a COM_State) for the cipher modes and the hash. It
 * must stay open while any cipher or digest made from it is in use.
 *
 * <p>Threads and lifetime: Instances may be shared between threads and by any number of
 * ciphers and digests. Closing a table that an open cipher still uses throws
 * IllegalStateException; a table that is never closed is wiped and freed once it is
 * unreachable.
 */
public final class CipherTable extends NativeBlock {
    /** A native copy of one of the published tables. */
    public CipherTable(SubstitutionTable table) {
        this(table.exportBytes(), true);
    }

    /**
     * A native copy of a 128-byte table in the order of {@link SubstitutionTable#bytes()}:
     * rows K1 to K8, one entry per byte (Bouncy Castle's order).
     */
    public CipherTable(byte[] table) {
        this(SubstitutionTable.flipRows(table), true);
    }

    private CipherTable(byte[] libraryOrder, boolean unused) {
        super(Vantix.vantix_COM_State(), h -> Vantix.vantix_COM_State_params_clear(h));
        Vantix.mem_write(handle(), 0, libraryOrder, 0, Vantix.SBOX_BYTES);
    }

}
