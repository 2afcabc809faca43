package com.norvane.security.gost.tool;

import com.norvane.security.gost.Gost3411Digest;
import com.norvane.security.gost.SubstitutionTable;
import com.norvane.security.gost.VantixException;
import com.norvane.security.gost.Version;
import java.io.Console;
import java.io.IOException;
import java.io.InputStream;
import java.io.PrintStream;
import java.io.PrintWriter;
import java.nio.file.AccessDeniedException;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.util.Map;
import java.util.concurrent.Callable;
import picocli.CommandLine;
import picocli.CommandLine.Command;
import picocli.CommandLine.Option;
import picocli.CommandLine.ScopeType;

/**
 * The {@code vantix} command: GOST R 34.11-94 digests, GOST R 34.10-2001 keys, signatures
 * and their verification, in the files OpenSSL reads and writes. The generator's state is
 * kept between runs in a sealed random-seed container in the home directory.
 *
 * <p>Exit status: 0 success (for verify: a valid signature), 1 a signature that does not
 * verify, 2 any other error, reported in one line on standard error.
 */
@Command(name = "vantix", mixinStandardHelpOptions = true, scope = ScopeType.INHERIT,
    versionProvider = VantixTool.VersionInfo.class, sortOptions = false,
    description = "GOST R 34.11-94 digests and GOST R 34.10-2001 signatures (tellarvantix).",
    footer = {"", "Exit status: 0 success, 1 a signature that does not verify, 2 any other error.",
        "The generator's state is kept in DIR/seed.rnd, sealed under the command's password."},
    subcommands = {HashCommand.class, KeygenCommand.class, SignCommand.class, VerifyCommand.class,
        ExportKeyCommand.class, ImportKeyCommand.class, UpgradeKeyCommand.class})
public final class VantixTool implements Callable<Integer> {
    /** The largest key, signature, public key or password file the tool reads. */
    static final long MAX_SMALL_FILE = 64 * 1024;
    private static final int PROGRESS_THRESHOLD = 8 << 20;

    @Option(names = "--home", paramLabel = "DIR", scope = ScopeType.INHERIT,
        description = "where the generator's state is kept (default ~/.vantix)")
    String home;

    @Option(names = "--password-file", paramLabel = "FILE", scope = ScopeType.INHERIT,
        description = "read the password from the first line of FILE")
    String passwordFile;

    @Option(names = "--password-env", paramLabel = "VAR", scope = ScopeType.INHERIT,
        description = "take the password from the environment variable VAR")
    String passwordEnv;

    @Option(names = "--password-fd", paramLabel = "N", scope = ScopeType.INHERIT,
        description = "read the password from the first line of file descriptor N")
    Integer passwordFd;

    final InputStream stdin;
    final PrintStream out;
    final PrintStream err;
    private final Console console;
    private final Map<String, String> environment;

    VantixTool(InputStream stdin, PrintStream out, PrintStream err, Console console, Map<String, String> environment) {
        this.stdin = stdin;
        this.out = out;
        this.err = err;
        this.console = console;
        this.environment = environment;
    }

    /** Entry point. */
    public static void main(String[] args) {
        int code;
        try {
            code = new VantixTool(System.in, System.out, System.err, System.console(), System.getenv()).run(args);
        } catch (LinkageError e) {  // no native library for this platform, or it does not load
            System.err.println("vantix: " + e.getMessage());
            code = 2;
        }
        System.exit(code);
    }

    /** Runs one command line; returns the exit status. */
    int run(String[] args) {
        CommandLine cl = new CommandLine(this);
        cl.setOut(new PrintWriter(out, true));
        cl.setErr(new PrintWriter(err, true));
        cl.setParameterExceptionHandler((e, a) -> {
            err.println("vantix: " + e.getMessage() + " (see: " + e.getCommandLine().getCommandSpec().qualifiedName()
                + " --help)");
            return 2;
        });
        cl.setExecutionExceptionHandler((e, c, parsed) -> {
            err.println("vantix: " + describe(e));
            return 2;
        });
        return cl.execute(args);
    }

    /** No command given. */
    @Override
    public Integer call() {
        err.println("vantix: give a command: hash, keygen, sign, verify, export-key, import-key or upgrade-key "
            + "(see: vantix --help)");
        return 2;
    }

    /** The one line that reports a failure; whatever of a bad input it quotes is made printable. */
    static String describe(Exception e) {
        return printable(message(e));
    }

    private static String message(Exception e) {
        if (e instanceof ToolException || e instanceof VantixException) {
            return e.getMessage();
        }
        if (e instanceof NoSuchFileException) {
            return "no such file: " + ((NoSuchFileException) e).getFile();
        }
        if (e instanceof AccessDeniedException) {
            return "permission denied: " + ((AccessDeniedException) e).getFile();
        }
        if (e instanceof IOException) {
            return e.getMessage() != null ? e.getMessage() : e.toString();
        }
        return "internal error: " + e;
    }

    /**
     * A message quotes file names and sometimes a line of a file that is not what it should
     * be: control characters (which could drive the terminal) and undecodable bytes become
     * '?', and a message longer than {@value #MAX_MESSAGE} characters is cut.
     */
    static String printable(String message) {
        StringBuilder b = new StringBuilder();
        message.codePoints().limit(MAX_MESSAGE).forEach(c ->
            b.appendCodePoint(Character.isISOControl(c) || c == 0xFFFD ? '?' : c));
        if (message.codePointCount(0, message.length()) > MAX_MESSAGE) {
            b.append("...");
        }
        return b.toString();
    }

    private static final int MAX_MESSAGE = 300;

    /** The password sources given on the command line. */
    Passwords passwords() {
        return new Passwords(passwordFile, passwordEnv, passwordFd, console, environment, stdin);
    }

    /** Locks the home and restores its generator. */
    SeedStore seed(byte[] password) throws IOException {
        Path dir = Path.of(home != null ? home : System.getProperty("user.home") + "/.vantix");
        return SeedStore.open(dir, password, stdin);
    }

    /** Reports a seed container that did not open, once the command has succeeded. */
    void reportSeed(SeedStore s) {
        if (s.warning != null) {
            err.println("vantix: note: " + s.warning);
        }
    }

    /** Advises moving a key file of the earlier password form, once the command has succeeded. */
    void reportFolded(String keyName, KeyFile key) {
        if (key.folded()) {
            err.println("vantix: note: " + KeyFile.upgradeAdvice(keyName));
        }
    }

    byte[] readSmall(String name) throws IOException {
        return SafeFiles.readSmall(name, MAX_SMALL_FILE, stdin);
    }

    /** The GOST R 34.11-94 digest of a file or of standard input ({@code -}). */
    byte[] digest(SubstitutionTable table, String name) throws IOException {
        long total = -1;
        if (!name.equals("-")) {
            try {
                total = java.nio.file.Files.size(Path.of(name));
            } catch (IOException e) {
                total = -1;  // a pipe or a missing file: open() reports the latter
            }
        }
        Progress progress = console != null && total > PROGRESS_THRESHOLD ? new Progress(err, name, total) : null;
        try (InputStream in = SafeFiles.open(name, stdin); Gost3411Digest d = new Gost3411Digest(table)) {
            byte[] buf = new byte[1 << 16];
            long done = 0;
            for (int n; (n = in.read(buf)) > 0; ) {
                d.update(buf, 0, n);
                done += n;
                if (progress != null) {
                    progress.update(done);
                }
            }
            if (progress != null) {
                progress.finish();
            }
            return d.digest();
        } catch (IOException e) {  // a directory is refused by SafeFiles.open already
            throw new ToolException("cannot read " + name + ": " + describe(e));
        }
    }

    /** {@code vantix --version}. */
    static final class VersionInfo implements CommandLine.IVersionProvider {
        @Override
        public String[] getVersion() {
            return new String[] {"vantix " + Version.VERSION + " (GOST 28147-89, GOST R 34.11-94, GOST R 34.10-2001)"};
        }
    }
}
