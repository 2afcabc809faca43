package com.norvane.security.gost.tool;

import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.SignatureContext;
import java.io.IOException;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParentCommand;

/** {@code vantix keygen}: a new key pair. */
@Command(name = "keygen", sortOptions = false,
    description = {"A new GOST R 34.10-2001 key pair: NAME.key, the secret key sealed under the password",
        "(with its parameter set and public key recorded), and NAME.pub, the public key as PEM",
        "SubjectPublicKeyInfo (what openssl reads). Existing files are kept unless --force."})
final class KeygenCommand implements Callable<Integer> {
    @ParentCommand
    VantixTool tool;

    @Option(names = {"-o", "--out"}, required = true, paramLabel = "NAME", description = "writes NAME.key and NAME.pub")
    String name;

    @Option(names = "--curve", paramLabel = "SET", defaultValue = "cryptopro-a",
        description = "parameter set: cryptopro-a (default), cryptopro-b, cryptopro-c, xcha, xchb, test, "
            + "or an RFC 4357 name or OID")
    String curve;

    @Option(names = "--force", description = "replace existing files")
    boolean force;

    @Override
    public Integer call() throws IOException {
        ParameterSet set = Names.parameterSet(curve);
        Path keyFile = Path.of(name + ".key");
        Path pubFile = Path.of(name + ".pub");
        SafeFiles.checkWritable(keyFile, force);
        SafeFiles.checkWritable(pubFile, force);
        byte[] password = tool.passwords().read(true);
        try (SeedStore s = tool.seed(password); SignatureContext key = SignatureContext.generate(set, s.rng)) {
            byte[] container = key.sealSecretKey(s.rng, password);
            byte[] pub = key.publicKey();
            // The key first: its file records the public key, so a run stopped between the two
            // writes loses nothing (export-key --public writes the .pub again).
            SafeFiles.write(keyFile, new KeyFile(set, pub, container).encode(), force, true);
            SafeFiles.write(pubFile, new PublicKeyFile(set, pub).pem(), force, false);
            s.commit();
            tool.reportSeed(s);
        } finally {
            Arrays.fill(password, (byte) 0);
        }
        tool.out.println("wrote " + keyFile + " and " + pubFile);
        return 0;
    }
}
