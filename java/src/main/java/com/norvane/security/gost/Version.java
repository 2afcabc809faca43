package com.norvane.security.gost;

/** The library's version, as the tool reports it and as the jar names its extracted natives. */
public final class Version {
    /** The version of the classes and of the native libraries bundled with them. */
    public static final String VERSION = "1.1.0";

    private Version() {
    }
}
