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
        this(table.bytes());
    }

    /** A native copy of a 128-byte table (rows K8 first, one entry per byte). */
    public CipherTable(byte[] table) {
        super(Vantix.vantix_COM_State(), h -> Vantix.vantix_COM_State_params_clear(h));
        if (table.length != 128) {
            close();
            throw new IllegalArgumentException("a substitution table is 128 bytes");
        }
        Vantix.mem_write(handle(), 0, table, 0, 128);
    }

}
