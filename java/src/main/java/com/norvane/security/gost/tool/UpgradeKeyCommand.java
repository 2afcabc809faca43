package com.norvane.security.gost.tool;

import com.norvane.security.gost.PasswordHash;
import com.norvane.security.gost.SignatureContext;
import java.io.IOException;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParentCommand;

/** {@code vantix upgrade-key}: a key file of the earlier password form sealed again under the password hash. */
@Command(name = "upgrade-key", sortOptions = false,
    description = {"Seals the key of NAME.key again, under the same password, in the current form: the",
        "container sealed under a PBKDF2-HMAC-SHA256 hash of the password, so that only that password",
        "opens it. Earlier versions folded the password to 32 bytes, so that for example",
        "abcabcabcabc and abcabcabcabcabcabc opened the same key. NAME.key is replaced in place (a",
        "bare 48-byte container becomes a full key file); a key already in the current form is left",
        "as it is."})
final class UpgradeKeyCommand implements Callable<Integer> {
    @ParentCommand
    VantixTool tool;

    @Option(names = {"-k", "--key"}, required = true, paramLabel = "NAME.key", description = "the sealed key")
    String keyName;

    @Option(names = "--pub", paramLabel = "FILE",
        description = "the key's public key, checked against it (for a bare 48-byte container; NAME.pub beside "
            + "it is used when present)")
    String pubName;

    @Option(names = "--curve", paramLabel = "SET",
        description = "the parameter set of a bare 48-byte container that records none")
    String curve;

    @Override
    public Integer call() throws IOException {
        if (keyName.equals("-")) {
            throw new ToolException("upgrade-key replaces the key file in place: give its name, not -");
        }
        KeyFile key = KeyFile.parse(keyName, tool.readSmall(keyName));
        if (!key.folded()) {
            tool.out.println(keyName + " is already sealed under " + PasswordHash.ALGORITHM);
            return 0;
        }
        KeyFile.Owner owner = KeyFile.owner(tool, keyName, key, pubName, curve);
        byte[] password = tool.passwords().read(true);
        try (SeedStore s = tool.seed(password);
             SignatureContext k = KeyFile.unseal(keyName, key.container, owner.set(), owner.publicKey(), s.rng,
                 password)) {
            byte[] sealed = k.sealSecretKey(s.rng, password);
            SafeFiles.write(Path.of(keyName), new KeyFile(owner.set(), k.publicKey(), sealed).encode(), true, true);
            s.commit();
            tool.reportSeed(s);
        } finally {
            Arrays.fill(password, (byte) 0);
        }
        tool.out.println("wrote " + keyName + " (sealed under " + PasswordHash.ALGORITHM + ")");
        return 0;
    }
}
