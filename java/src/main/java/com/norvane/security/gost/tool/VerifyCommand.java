package com.norvane.security.gost.tool;

import com.norvane.security.gost.RandomGenerator;
import com.norvane.security.gost.SignatureContext;
import com.norvane.security.gost.SubstitutionTable;
import com.norvane.security.gost.VantixException;
import java.io.IOException;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Option;
import picocli.CommandLine.Parameters;
import picocli.CommandLine.ParentCommand;

/** {@code vantix verify}: exit 0 for a valid signature, 1 for one that does not verify. */
@Command(name = "verify", sortOptions = false,
    description = {"Checks a 64-byte GOST R 34.10-2001 signature of FILE (from vantix sign or openssl dgst",
        "-md_gost94 -sign) under a public key (PEM or DER SubjectPublicKeyInfo, or the text form of",
        "vantix 1.0). Exit 0 valid, 1 does not verify, 2 any other error."})
final class VerifyCommand implements Callable<Integer> {
    @ParentCommand
    VantixTool tool;

    @Option(names = {"-p", "--pub"}, required = true, paramLabel = "FILE", description = "the public key")
    String pubName;

    @Option(names = {"-s", "--sig"}, paramLabel = "FILE", description = "the signature (default FILE.sig)")
    String sigName;

    @Parameters(paramLabel = "FILE", description = "the signed file; - for standard input (then --sig is needed)")
    String file;

    @Override
    public Integer call() throws IOException {
        if (sigName == null && file.equals("-")) {
            throw new ToolException("verifying standard input needs --sig FILE");
        }
        String sigFile = sigName != null ? sigName : file + ".sig";
        PublicKeyFile pub = PublicKeyFile.parse(pubName, tool.readSmall(pubName));
        byte[] sig = tool.readSmall(sigFile);
        if (sig.length != 64) {
            throw new ToolException("malformed signature file " + sigFile + ": " + sig.length + " bytes, not 64");
        }
        byte[] digest = tool.digest(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, file);
        // Verification draws nothing: the generator is a formality of the context.
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             SignatureContext ctx = publicKey(pub, rng)) {
            if (ctx.verify(digest, sig)) {
                tool.out.println(file + ": signature valid");
                return 0;
            }
            // vantix 1.0 wrote r then s over the digest read big-endian: still accepted.
            if (ctx.verifyVersion1(digest, sig)) {
                tool.out.println(file + ": signature valid (the r-then-s form of vantix 1.0)");
                return 0;
            }
            tool.out.println(file + ": signature does NOT verify");
            return 1;
        }
    }

    private SignatureContext publicKey(PublicKeyFile pub, RandomGenerator rng) {
        try {
            return SignatureContext.withPublicKey(pub.parameters, rng, pub.key);
        } catch (VantixException e) {
            throw new ToolException("the key in " + pubName + " is not a point of " + pub.parameters.oidName());
        }
    }
}
