package com.norvane.security.gost.tool;

import com.norvane.security.gost.Gost3411Digest;
import com.norvane.security.gost.ParameterSet;
import com.norvane.security.gost.RandomGenerator;
import com.norvane.security.gost.SignatureContext;
import com.norvane.security.gost.SubstitutionTable;
import com.norvane.security.gost.VantixException;
import java.io.Console;
import java.io.IOException;
import java.io.InputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.AtomicMoveNotSupportedException;
import java.nio.file.FileSystems;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashMap;
import java.util.HexFormat;
import java.util.List;
import java.util.Map;
import java.util.Set;

/**
 * The {@code vantix} command: GOST R 34.11-94 digests, GOST R 34.10-2001 key generation,
 * signing and verification, with the generator's state kept between runs in a sealed
 * random-seed container.
 *
 * <pre>
 * vantix hash [--paramset test|cryptopro] FILE...
 * vantix keygen --out NAME [--curve NAME] [--password-file FILE] [--home DIR]
 * vantix sign --key NAME.key [--pub NAME.pub] [--password-file FILE] [--home DIR] FILE
 * vantix verify --pub NAME.pub [--sig FILE.sig] FILE
 * </pre>
 *
 * Exit status: 0 success (for verify: a valid signature), 1 a signature that does not
 * verify, 2 any other error.
 */
public final class VantixTool {
    static final String SEED_FILE = "seed.rnd";
    /** The largest key, signature, public key, password or seed file the tool reads. */
    static final long MAX_SMALL_FILE = 64 * 1024;
    private static final int PROGRESS_THRESHOLD = 8 << 20;

    private final PrintStream out;
    private final PrintStream err;
    private final InputStream stdin;
    private final Console console;

    VantixTool(InputStream stdin, PrintStream out, PrintStream err, Console console) {
        this.stdin = stdin;
        this.out = out;
        this.err = err;
        this.console = console;
    }

    /** Entry point. */
    public static void main(String[] args) {
        System.exit(new VantixTool(System.in, System.out, System.err, System.console()).run(args));
    }

    /** Runs one command; returns the exit status. */
    int run(String[] args) {
        try {
            if (args.length == 0 || args[0].equals("help") || args[0].equals("--help")) {
                usage(out);
                return args.length == 0 ? 2 : 0;
            }
            Options o = Options.parse(Arrays.copyOfRange(args, 1, args.length));
            switch (args[0]) {
                case "hash": return hash(o);
                case "keygen": return keygen(o);
                case "sign": return sign(o);
                case "verify": return verify(o);
                default: throw new ToolException("unknown command " + args[0] + " (try: vantix help)");
            }
        } catch (ToolException e) {
            err.println("vantix: " + e.getMessage());
            return 2;
        } catch (VantixException e) {
            err.println("vantix: " + e.getMessage());
            return 2;
        } catch (IOException e) {
            err.println("vantix: " + e.getMessage());
            return 2;
        }
    }

    private static void usage(PrintStream s) {
        s.println("usage: vantix hash [--paramset test|cryptopro] FILE...");
        s.println("       vantix keygen --out NAME [--curve NAME] [--password-file FILE] [--home DIR]");
        s.println("       vantix sign --key NAME.key [--pub NAME.pub] [--password-file FILE] [--home DIR] FILE");
        s.println("       vantix verify --pub NAME.pub [--sig FILE.sig] FILE");
    }

    // ---- commands ----

    private int hash(Options o) throws IOException {
        o.allow("--paramset");
        String set = o.get("--paramset", "cryptopro");
        SubstitutionTable table;
        if (set.equals("cryptopro")) {
            table = SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO;
        } else if (set.equals("test")) {
            table = SubstitutionTable.GOST_R_34_11_94_TEST;
        } else {
            throw new ToolException("--paramset is test or cryptopro");
        }
        if (o.files.isEmpty()) {
            throw new ToolException("hash needs at least one FILE (- for standard input)");
        }
        for (String name : o.files) {
            out.println(HexFormat.of().formatHex(digest(table, name)) + "  " + name);
        }
        return 0;
    }

    private int keygen(Options o) throws IOException {
        o.allow("--out", "--curve", "--password-file", "--home");
        String name = o.require("--out");
        ParameterSet set = curve(o.get("--curve", "cryptopro-a"));
        Path keyFile = Path.of(name + ".key");
        Path pubFile = Path.of(name + ".pub");
        if (Files.exists(keyFile)) {
            throw new ToolException(keyFile + " exists; not overwriting it");
        }
        byte[] password = password(o, true);
        try (Seeded g = seeded(o, password);
             SignatureContext key = SignatureContext.generate(set, g.rng)) {
            writePrivate(keyFile, key.sealSecretKey(g.rng, password));
            new PublicKeyFile(set, key.publicKey()).write(pubFile);
            g.commit();
            out.println("wrote " + keyFile + " and " + pubFile);
            return 0;
        } finally {
            Arrays.fill(password, (byte) 0);
        }
    }

    private int sign(Options o) throws IOException {
        o.allow("--key", "--pub", "--curve", "--password-file", "--home");
        Path keyFile = Path.of(o.require("--key"));
        String file = o.single("sign");
        byte[] container = readFile(keyFile, MAX_SMALL_FILE);
        if (container.length != SignatureContext.KEY_CONTAINER_BYTES) {
            throw new ToolException("malformed key container " + keyFile + ": not " + SignatureContext.KEY_CONTAINER_BYTES
                + " bytes");
        }
        Path pubFile = Path.of(o.get("--pub", siblingPub(keyFile)));
        PublicKeyFile pub = Files.exists(pubFile) ? PublicKeyFile.read(pubFile) : null;
        ParameterSet set = o.has("--curve") ? curve(o.get("--curve", null))
            : pub != null ? pub.parameters : ParameterSet.CRYPTOPRO_A;
        byte[] digest = digest(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, file);
        byte[] password = password(o, false);
        try (Seeded g = seeded(o, password)) {
            SignatureContext key;
            try {
                key = SignatureContext.openSecretKey(set, g.rng, container, password);
            } catch (VantixException e) {
                if (e.code() == 20) {
                    throw new ToolException("wrong password for " + keyFile + " (or the key container was altered)");
                }
                throw e;
            }
            try (SignatureContext k = key) {
                if (pub != null && !Arrays.equals(pub.key, k.publicKey())) {
                    throw new ToolException(keyFile + " does not belong to " + pubFile);
                }
                Path sigFile = Path.of(file + ".sig");
                Files.write(sigFile, k.sign(digest));
                g.commit();
                out.println("wrote " + sigFile);
                return 0;
            }
        } finally {
            Arrays.fill(password, (byte) 0);
        }
    }

    private int verify(Options o) throws IOException {
        o.allow("--pub", "--sig");
        PublicKeyFile pub = PublicKeyFile.read(Path.of(o.require("--pub")));
        String file = o.single("verify");
        Path sigFile = Path.of(o.get("--sig", file + ".sig"));
        byte[] sig = readFile(sigFile, MAX_SMALL_FILE);
        if (sig.length != 64) {
            throw new ToolException("malformed signature file " + sigFile + ": not 64 bytes");
        }
        byte[] digest = digest(SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO, file);
        // The generator is only a formality here: verification draws nothing.
        try (RandomGenerator rng = RandomGenerator.fromSystem();
             SignatureContext ctx = SignatureContext.withPublicKey(pub.parameters, rng, pub.key)) {
            if (ctx.verify(digest, sig)) {
                out.println(file + ": signature valid");
                return 0;
            }
            out.println(file + ": signature does NOT verify");
            return 1;
        }
    }

    // ---- helpers ----

    private static ParameterSet curve(String name) {
        try {
            return ParameterSet.byName(name);
        } catch (IllegalArgumentException e) {
            throw new ToolException(e.getMessage());
        }
    }

    private static String siblingPub(Path keyFile) {
        String s = keyFile.toString();
        return (s.endsWith(".key") ? s.substring(0, s.length() - 4) : s) + ".pub";
    }

    private byte[] digest(SubstitutionTable table, String name) throws IOException {
        boolean fromStdin = name.equals("-");
        Path path = Path.of(name);
        if (!fromStdin && !Files.isRegularFile(path)) {
            throw new ToolException("no such file: " + name);
        }
        long total = fromStdin ? -1 : Files.size(path);
        Progress progress = console != null && total > PROGRESS_THRESHOLD ? new Progress(err, name, total) : null;
        try (InputStream in = fromStdin ? stdin : Files.newInputStream(path);
             Gost3411Digest d = new Gost3411Digest(table)) {
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
        }
    }

    /**
     * Reads a small file whole after checking its size: the tool's own files have fixed or
     * small sizes, and reading a huge one into memory would end in OutOfMemoryError.
     */
    static byte[] readFile(Path p, long maxBytes) throws IOException {
        if (!Files.isRegularFile(p)) {
            throw new ToolException("no such file: " + p);
        }
        long size = Files.size(p);
        if (size > maxBytes) {
            throw new ToolException(p + " is too large (" + size + " bytes; at most " + maxBytes + " expected)");
        }
        return Files.readAllBytes(p);
    }

    /** The password from --password-file (its first line), or typed at the terminal. */
    private byte[] password(Options o, boolean confirm) throws IOException {
        byte[] pw;
        if (o.has("--password-file")) {
            Path f = Path.of(o.get("--password-file", null));
            if (!Files.isRegularFile(f)) {
                throw new ToolException("no such file: " + f);
            }
            String text = new String(readFile(f, MAX_SMALL_FILE), StandardCharsets.UTF_8);
            int nl = text.indexOf('\n');
            pw = (nl >= 0 ? text.substring(0, nl) : text).replace("\r", "").getBytes(StandardCharsets.UTF_8);
        } else if (console != null) {
            char[] typed = console.readPassword("Password: ");
            if (typed == null) {
                throw new ToolException("no password given");
            }
            if (confirm) {
                char[] again = console.readPassword("Password again: ");
                if (again == null || !Arrays.equals(typed, again)) {
                    throw new ToolException("the passwords differ");
                }
                Arrays.fill(again, '\0');
            }
            pw = new String(typed).getBytes(StandardCharsets.UTF_8);
            Arrays.fill(typed, '\0');
        } else {
            throw new ToolException("no password: give --password-file FILE or run on a terminal");
        }
        if (confirm && pw.length < 10) {
            throw new ToolException("the password must be at least 10 bytes");
        }
        if (pw.length == 0) {
            throw new ToolException("the password is empty");
        }
        return pw;
    }

    /** A generator restored from the home's seed container, sealed again when closed. */
    private final class Seeded implements AutoCloseable {
        final RandomGenerator rng;
        private final Path seedFile;
        private final byte[] password;
        private boolean committed;

        Seeded(Path home, byte[] password) throws IOException {
            this.seedFile = home.resolve(SEED_FILE);
            this.password = password.clone();
            RandomGenerator g = null;
            if (Files.isRegularFile(seedFile)) {
                try {
                    g = RandomGenerator.fromContainer(readFile(seedFile, MAX_SMALL_FILE), password);
                } catch (VantixException | IllegalArgumentException | ToolException e) {
                    err.println("vantix: the random-seed container " + seedFile
                        + " does not open with this password; seeding from the system generator");
                }
            }
            rng = g != null ? g : RandomGenerator.fromSystem();
        }

        /** The command succeeded: seal the generator's state when closing. */
        void commit() {
            committed = true;
        }

        @Override
        public void close() throws IOException {
            try {
                // Only after success, so a mistyped password never reseals the seed under it.
                if (committed && password.length >= 10) {
                    writePrivate(seedFile, rng.sealState(password));
                }
            } finally {
                Arrays.fill(password, (byte) 0);
                rng.close();
            }
        }
    }

    private Seeded seeded(Options o, byte[] password) throws IOException {
        Path home = Path.of(o.get("--home", System.getProperty("user.home") + "/.vantix"));
        Files.createDirectories(home);
        return new Seeded(home, password);
    }

    /** Writes a file readable by its owner only, replacing it atomically. */
    static void writePrivate(Path file, byte[] data) throws IOException {
        Path dir = file.toAbsolutePath().getParent();
        Path tmp;
        if (FileSystems.getDefault().supportedFileAttributeViews().contains("posix")) {
            tmp = Files.createTempFile(dir, ".vantix", ".tmp",
                PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rw-------")));
        } else {
            tmp = Files.createTempFile(dir, ".vantix", ".tmp");
        }
        Files.write(tmp, data);
        try {
            Files.move(tmp, file, StandardCopyOption.REPLACE_EXISTING, StandardCopyOption.ATOMIC_MOVE);
        } catch (AtomicMoveNotSupportedException e) {
            Files.move(tmp, file, StandardCopyOption.REPLACE_EXISTING);
        }
    }

    /** Options of the form --name VALUE, and the remaining file arguments. */
    static final class Options {
        final Map<String, String> values = new HashMap<>();
        final List<String> files = new ArrayList<>();

        static Options parse(String[] args) {
            Options o = new Options();
            for (int i = 0; i < args.length; i++) {
                String a = args[i];
                if (a.startsWith("--")) {
                    if (i + 1 >= args.length) {
                        throw new ToolException(a + " needs a value");
                    }
                    o.values.put(a, args[++i]);
                } else {
                    o.files.add(a);
                }
            }
            return o;
        }

        void allow(String... names) {
            Set<String> ok = Set.of(names);
            for (String k : values.keySet()) {
                if (!ok.contains(k)) {
                    throw new ToolException("unknown option " + k);
                }
            }
        }

        boolean has(String name) {
            return values.containsKey(name);
        }

        String get(String name, String fallback) {
            return values.getOrDefault(name, fallback);
        }

        String require(String name) {
            String v = values.get(name);
            if (v == null) {
                throw new ToolException(name + " is required");
            }
            return v;
        }

        String single(String command) {
            if (files.size() != 1) {
                throw new ToolException(command + " takes exactly one FILE");
            }
            return files.get(0);
        }
    }

    /** A progress bar on standard error for long inputs read at a terminal. */
    private static final class Progress {
        private final PrintStream err;
        private final String name;
        private final long total;
        private int shown = -1;

        Progress(PrintStream err, String name, long total) {
            this.err = err;
            this.name = name;
            this.total = total;
        }

        void update(long done) {
            int pct = (int) (done * 100 / total);
            if (pct != shown) {
                shown = pct;
                int bars = pct / 4;
                err.print("\r" + name + " [" + "#".repeat(bars) + " ".repeat(25 - bars) + "] " + pct + "%");
                err.flush();
            }
        }

        void finish() {
            err.print("\r" + " ".repeat(name.length() + 34) + "\r");
            err.flush();
        }
    }
}
