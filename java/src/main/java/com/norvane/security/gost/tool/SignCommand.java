package com.norvane.security.gost.tool;

import com.norvane.security.gost.SignatureContext;
import com.norvane.security.gost.SubstitutionTable;
import java.io.IOException;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Mixin;
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

    @Mixin
    KeyOptions keyOptions;

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
        String keyName = keyOptions.keyName;
        KeyFile key = KeyFile.parse(keyName, tool.readSmall(keyName));
        KeyFile.Owner owner = keyOptions.owner(tool, key);
        byte[] digest = tool.digest(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, file);
        byte[] password = tool.passwords().read(false);
        try (SeedStore s = tool.seed(password);
             SignatureContext k = KeyFile.unseal(keyName, key.container, owner.set(), owner.publicKey(), s.rng,
                 password)) {
            SafeFiles.writeOut(target, k.sign(digest), force, false, tool.out);
            s.commit();
            tool.reportSeed(s);
            tool.reportFolded(keyName, key);
        } finally {
            Arrays.fill(password, (byte) 0);
        }
        if (!target.equals("-")) {
            tool.out.println("wrote " + target);
        }
        return 0;
    }
}
