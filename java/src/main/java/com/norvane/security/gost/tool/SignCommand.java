package com.norvane.security.gost.tool;

import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.SignatureContext;
import com.norvane.security.gost.SubstitutionTable;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Option;
import picocli.CommandLine.Parameters;
import picocli.CommandLine.ParentCommand;

/** {@code vantix sign}: a signature in the form {@code openssl dgst -sign} writes. */
@Command(name = "sign", sortOptions = false,
    description = {"Signs FILE (GOST R 34.11-94 digest, GOST R 34.10-2001 on the key's own parameter set) and",
        "writes the 64-byte signature (s then r, as openssl dgst -md_gost94 -sign writes it) to FILE.sig",
        "or to -o. The unsealed key is checked against its public key before anything is written."})
final class SignCommand implements Callable<Integer> {
    @ParentCommand
    VantixTool tool;

    @Option(names = {"-k", "--key"}, required = true, paramLabel = "NAME.key", description = "the sealed key")
    String keyName;

    @Option(names = "--pub", paramLabel = "FILE",
        description = "the key's public key, checked against it (needed for a bare 48-byte container, "
            + "unless --curve; NAME.pub beside such a container is used when present)")
    String pubName;

    @Option(names = "--curve", paramLabel = "SET",
        description = "the parameter set of a bare 48-byte container that records none")
    String curve;

    @Option(names = {"-o", "--out"}, paramLabel = "FILE", description = "where the signature goes (- for standard "
        + "output; default FILE.sig)")
    String outName;

    @Option(names = "--force", description = "replace an existing signature file")
    boolean force;

    @Parameters(paramLabel = "FILE", description = "the file to sign; - for standard input (then -o is needed)")
    String file;

    @Override
    public Integer call() throws IOException {
        String target = outName;
        if (target == null) {
            if (file.equals("-")) {
                throw new ToolException("signing standard input needs -o FILE (or -o - for standard output)");
            }
            target = file + ".sig";
        }
        if (!target.equals("-")) {
            SafeFiles.checkWritable(Path.of(target), force);
        }
        KeyFile key = KeyFile.parse(keyName, tool.readSmall(keyName));
        PublicKeyFile pub = null;
        if (pubName != null) {
            pub = PublicKeyFile.parse(pubName, tool.readSmall(pubName));
        } else if (key.parameters == null && Files.isRegularFile(Path.of(sibling(keyName)))) {
            pub = PublicKeyFile.parse(sibling(keyName), tool.readSmall(sibling(keyName)));
        }
        ParameterSet set = parameterSet(key, pub);
        if (pub != null && key.publicKey != null && !Arrays.equals(pub.key, key.publicKey)) {
            throw new ToolException(keyName + " does not belong to " + pubName + "; refusing to sign");
        }
        byte[] expected = key.publicKey != null ? key.publicKey : pub != null ? pub.key : null;
        byte[] digest = tool.digest(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, file);
        byte[] password = tool.passwords().read(false);
        try (SeedStore s = tool.seed(password);
             SignatureContext k = KeyFile.unseal(keyName, key.container, set, expected, s.rng, password)) {
            SafeFiles.writeOut(target, k.sign(digest), force, false, tool.out);
            s.commit();
            tool.reportSeed(s);
        } finally {
            Arrays.fill(password, (byte) 0);
        }
        if (!target.equals("-")) {
            tool.out.println("wrote " + target);
        }
        return 0;
    }

    /** The key's own parameter set; for a bare container, the public key's or --curve's. */
    private ParameterSet parameterSet(KeyFile key, PublicKeyFile pub) {
        ParameterSet named = curve != null ? Names.parameterSet(curve) : null;
        ParameterSet set = key.parameters != null ? key.parameters : pub != null ? pub.parameters : named;
        if (set == null) {
            throw new ToolException(keyName + " is a bare key container that does not record its parameter set; "
                + "give --pub with its public key (or --curve)");
        }
        if (named != null && named != set) {
            throw new ToolException("the key in " + keyName + " is on " + set.oidName() + ", not " + named.oidName());
        }
        if (pub != null && pub.parameters != set) {
            throw new ToolException("the public key is on " + pub.parameters.oidName() + " but the key on "
                + set.oidName());
        }
        return set;
    }

    private static String sibling(String keyName) {
        return (keyName.endsWith(".key") ? keyName.substring(0, keyName.length() - 4) : keyName) + ".pub";
    }
}
