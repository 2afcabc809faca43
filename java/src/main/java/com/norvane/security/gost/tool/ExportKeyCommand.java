package com.norvane.security.gost.tool;

import com.norvane.security.gost.EncryptedKeys;
import com.norvane.security.gost.KeyEncoding;
import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.RandomGenerator;
import com.norvane.security.gost.SignatureContext;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParentCommand;

/** {@code vantix export-key}: the secret key as PKCS#8 PEM for other tools, or the public key as PEM. */
@Command(name = "export-key", sortOptions = false,
    description = {"Writes the secret key of NAME.key as PKCS#8 PEM, encrypted under the same password",
        "(PBES2, PBKDF2-HMAC-SHA256, AES-256-CBC: what openssl pkcs8 -topk8 writes), for moving it to",
        "OpenSSL or Bouncy Castle; or, with --public, its public key as PEM SubjectPublicKeyInfo."})
final class ExportKeyCommand implements Callable<Integer> {
    @ParentCommand
    VantixTool tool;

    @Option(names = {"-k", "--key"}, required = true, paramLabel = "NAME.key", description = "the sealed key")
    String keyName;

    @Option(names = "--public", description = "write the public key instead (no password needed)")
    boolean publicOnly;

    @Option(names = "--unencrypted", description = "write the secret key without encryption (PRIVATE KEY)")
    boolean unencrypted;

    @Option(names = "--curve", paramLabel = "SET", description = "the parameter set of a bare 48-byte container")
    String curve;

    @Option(names = {"-o", "--out"}, paramLabel = "FILE", defaultValue = "-",
        description = "where the PEM goes (default standard output)")
    String outName;

    @Option(names = "--force", description = "replace an existing file")
    boolean force;

    @Override
    public Integer call() throws IOException {
        KeyFile key = KeyFile.parse(keyName, tool.readSmall(keyName));
        ParameterSet set = key.parameters != null ? key.parameters
            : curve != null ? Names.parameterSet(curve) : null;
        if (set == null) {
            throw new ToolException(keyName + " is a bare key container that does not record its parameter set; "
                + "give --curve");
        }
        if (publicOnly && key.publicKey != null) {
            write(new PublicKeyFile(set, key.publicKey).pem(), false);
            return 0;
        }
        if (!outName.equals("-")) {
            SafeFiles.checkWritable(java.nio.file.Path.of(outName), force);
        }
        byte[] password = tool.passwords().read(false);
        byte[] der = null;
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             SignatureContext k = KeyFile.unseal(keyName, key.container, set, key.publicKey, rng, password)) {
            if (publicOnly) {
                write(new PublicKeyFile(set, k.publicKey()).pem(), false);
                return 0;
            }
            der = k.encodedPrivateKey();
            String pem = unencrypted ? KeyEncoding.toPem("PRIVATE KEY", der)
                : KeyEncoding.toPem("ENCRYPTED PRIVATE KEY", EncryptedKeys.encrypt(der, password));
            write(pem.getBytes(StandardCharsets.US_ASCII), true);
            tool.reportFolded(keyName, key);
            return 0;
        } finally {
            Arrays.fill(password, (byte) 0);
            if (der != null) {
                Arrays.fill(der, (byte) 0);
            }
        }
    }

    private void write(byte[] pem, boolean secret) throws IOException {
        SafeFiles.writeOut(outName, pem, force, secret, tool.out);
        if (!outName.equals("-")) {
            tool.out.println("wrote " + outName);
        }
    }
}
