package com.norvane.security.gost.tool;

import picocli.CommandLine.Option;

/** The options that name a sealed key and, for a bare container of an earlier version, its public key or curve. */
final class KeyOptions {
    @Option(names = {"-k", "--key"}, required = true, paramLabel = "NAME.key", description = "the sealed key")
    String keyName;

    @Option(names = "--pub", paramLabel = "FILE",
        description = "the key's public key, checked against it (needed for a bare 48-byte container, "
            + "unless --curve; NAME.pub beside such a container is used when present)")
    String pubName;

    @Option(names = "--curve", paramLabel = "SET",
        description = "the parameter set of a bare 48-byte container that records none")
    String curve;

    /** The parameter set and public key of the key read from {@code keyName}. */
    KeyFile.Owner owner(VantixTool tool, KeyFile key) throws java.io.IOException {
        return KeyFile.owner(tool, keyName, key, pubName, curve);
    }
}
