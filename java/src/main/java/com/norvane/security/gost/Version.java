package com.norvane.security.gost;

/**
 * The library's version, as the tool reports it, the provider carries it
 * ({@code Provider.getVersionStr()}) and the jar names its extracted natives by it.
 */
public final class Version {
    /**
     * The version of the classes and of the native libraries bundled with them. This is its one
     * home: the build takes the project's version from here.
     */
    public static final String VERSION = "1.1.0";

    private Version() {
    }
}
