package com.norvane.security.gost.tool;

import com.norvane.security.gost.PasswordHash;
import com.norvane.security.gost.SignatureContext;
import java.io.IOException;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.ParentCommand;

/** {@code vantix upgrade-key}: a key file of the earlier password form sealed again under the password hash. */
@Command(name = "upgrade-key", sortOptions = false,
    description = {"Seals NAME.key again, under the same password, in the current form: under a",
        "PBKDF2-HMAC-SHA256 hash of the password, so that only that password opens it",
        "(earlier versions folded the password to 32 bytes: abcabcabcabc opened what",
        "abcabcabcabcabcabc sealed). NAME.key is replaced in place; a bare 48-byte",
        "container becomes a whole key file. A key in the current form is left as it is."})
final class UpgradeKeyCommand implements Callable<Integer> {
    @ParentCommand
    VantixTool tool;

    @Mixin
    KeyOptions keyOptions;

    @Override
    public Integer call() throws IOException {
        String keyName = keyOptions.keyName;
        if (keyName.equals("-")) {
            throw new ToolException("upgrade-key replaces the key file in place: give its name, not -");
        }
        KeyFile key = KeyFile.parse(keyName, tool.readSmall(keyName));
        if (!key.folded()) {
            tool.out.println(keyName + " is already sealed under " + PasswordHash.ALGORITHM);
            return 0;
        }
        KeyFile.Owner owner = keyOptions.owner(tool, key);
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
