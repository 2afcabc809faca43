package com.norvane.security.gost;

import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.AtomicMoveNotSupportedException;
import java.nio.file.FileSystems;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.attribute.PosixFilePermissions;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.HashMap;
import java.util.HexFormat;
import java.util.Locale;
import java.util.Map;

/**
 * Loads the companion library and then the module (see {@link Vantix}).
 *
 * <p>From a directory named by the system property {@code vantix.library.path}; else from
 * the jar, which carries them under {@code native/<platform>/} with their SHA-256 sums: they
 * are extracted once per version and build into a per-user cache directory ({@code $XDG_CACHE_HOME}
 * or {@code ~/.cache} on Linux, {@code %LOCALAPPDATA%} on Windows, then {@code vantix/}),
 * reused by later runs, and checked against their sums before every load; else from
 * {@code java.library.path}.
 */
final class NativeLoader {
    private static final String COMPANION = "Qel_InitBioRnd64";
    private static final String MODULE = "tellarvantix";
    private static final String SUPPORTED = "linux-x86_64, windows-x86_64";

    private static boolean loaded;

    private NativeLoader() {
    }

    /** Loads the libraries once; each class with native methods calls this when it is initialised. */
    static synchronized void load() {
        if (!loaded) {
            loadLibraries();
            loaded = true;
        }
    }

    private static void loadLibraries() {
        String dir = System.getProperty("vantix.library.path");
        if (dir != null && !dir.isEmpty()) {
            System.load(new File(dir, System.mapLibraryName(COMPANION)).getAbsolutePath());
            System.load(new File(dir, System.mapLibraryName(MODULE)).getAbsolutePath());
            return;
        }
        String platform = platform();
        boolean bundled = NativeLoader.class.getResource("/native/") != null;
        if (platform == null) {
            throw new UnsatisfiedLinkError("tellarvantix has no native library for " + System.getProperty("os.name")
                + " on " + System.getProperty("os.arch") + "; supported: " + SUPPORTED);
        }
        if (bundled && resource(platform, MODULE) != null) {
            Path cache = extractBundled(platform);
            System.load(cache.resolve(System.mapLibraryName(COMPANION)).toString());
            System.load(cache.resolve(System.mapLibraryName(MODULE)).toString());
            return;
        }
        try {
            System.loadLibrary(COMPANION);
            System.loadLibrary(MODULE);
        } catch (UnsatisfiedLinkError e) {
            UnsatisfiedLinkError clear = new UnsatisfiedLinkError("tellarvantix: " + e.getMessage() + " (use the "
                + "self-loading vantix-all.jar, or name the libraries' directory with -Dvantix.library.path)");
            clear.initCause(e);
            throw clear;
        }
    }

    /** {@code linux-x86_64} or {@code windows-x86_64}; null elsewhere. */
    static String platform() {
        String os = System.getProperty("os.name", "").toLowerCase(Locale.ROOT);
        String arch = System.getProperty("os.arch", "").toLowerCase(Locale.ROOT);
        if (!arch.equals("amd64") && !arch.equals("x86_64")) {
            return null;
        }
        if (os.startsWith("linux")) {
            return "linux-x86_64";
        }
        if (os.startsWith("windows")) {
            return "windows-x86_64";
        }
        return null;
    }

    private static String resource(String platform, String name) {
        String path = "/native/" + platform + "/" + name;
        if (!name.equals("SHA256SUMS")) {
            path = "/native/" + platform + "/" + System.mapLibraryName(name);
        }
        return NativeLoader.class.getResource(path) != null ? path : null;
    }

    /** The per-user cache directory for this version and platform. */
    static Path cacheDirectory(String platform, String sums) {
        String base = System.getenv("XDG_CACHE_HOME");
        if (platform.startsWith("windows")) {
            base = System.getenv("LOCALAPPDATA");
        }
        Path root = base != null && !base.isEmpty() ? Path.of(base)
            : Path.of(System.getProperty("user.home"), platform.startsWith("windows") ? "AppData/Local" : ".cache");
        // The sums' own digest names the directory: a rebuilt library of the same version
        // gets a directory of its own instead of meeting an older copy.
        String tag = hex(sha256(sums.getBytes(StandardCharsets.US_ASCII))).substring(0, 12);
        return root.resolve("vantix").resolve(Version.VERSION + "-" + platform + "-" + tag);
    }

    /**
     * Makes sure the cache holds both libraries with the right contents and returns it.
     * Safe when several JVMs start at once: each library is written to a private temporary
     * file and renamed into place, and whatever is in place is checked before it is loaded.
     */
    private static Path extractBundled(String platform) {
        try {
            String sums;
            try (InputStream in = NativeLoader.class.getResourceAsStream(resource(platform, "SHA256SUMS"))) {
                if (in == null) {
                    throw new UnsatisfiedLinkError("tellarvantix: the jar carries no SHA256SUMS for " + platform);
                }
                sums = new String(in.readAllBytes(), StandardCharsets.US_ASCII);
            }
            Map<String, String> expected = new HashMap<>();
            for (String line : sums.split("\n")) {
                String[] parts = line.trim().split("\\s+");
                if (parts.length == 2) {
                    expected.put(parts[1], parts[0]);
                }
            }
            Path dir = cacheDirectory(platform, sums);
            createPrivateDirectories(dir);
            for (String lib : new String[] {COMPANION, MODULE}) {
                String file = System.mapLibraryName(lib);
                String want = expected.get(file);
                if (want == null) {
                    throw new UnsatisfiedLinkError("tellarvantix: no checksum for " + file + " in the jar");
                }
                Path target = dir.resolve(file);
                if (Files.isRegularFile(target) && want.equals(hex(sha256(Files.readAllBytes(target))))) {
                    continue;
                }
                Path tmp = Files.createTempFile(dir, file, ".part");
                try {
                    try (InputStream in = NativeLoader.class.getResourceAsStream(resource(platform, lib))) {
                        Files.copy(in, tmp, StandardCopyOption.REPLACE_EXISTING);
                    }
                    if (!want.equals(hex(sha256(Files.readAllBytes(tmp))))) {
                        throw new UnsatisfiedLinkError("tellarvantix: " + file + " in the jar does not match its "
                            + "checksum (a damaged jar?)");
                    }
                    try {
                        Files.move(tmp, target, StandardCopyOption.REPLACE_EXISTING, StandardCopyOption.ATOMIC_MOVE);
                    } catch (AtomicMoveNotSupportedException e) {
                        Files.move(tmp, target, StandardCopyOption.REPLACE_EXISTING);
                    } catch (IOException e) {
                        // Windows cannot replace a library another JVM has loaded: that copy is
                        // fine if it has the right contents, which the check below decides.
                        if (!Files.isRegularFile(target)) {
                            throw e;
                        }
                    }
                } finally {
                    Files.deleteIfExists(tmp);
                }
                if (!want.equals(hex(sha256(Files.readAllBytes(target))))) {
                    throw new UnsatisfiedLinkError("tellarvantix: " + target + " does not match its checksum and "
                        + "cannot be replaced");
                }
            }
            return dir;
        } catch (IOException e) {
            UnsatisfiedLinkError err = new UnsatisfiedLinkError("tellarvantix: cannot extract the native libraries: "
                + e);
            err.initCause(e);
            throw err;
        }
    }

    private static void createPrivateDirectories(Path dir) throws IOException {
        if (FileSystems.getDefault().supportedFileAttributeViews().contains("posix")) {
            Files.createDirectories(dir,
                PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rwx------")));
        } else {
            Files.createDirectories(dir);
        }
    }

    private static byte[] sha256(byte[] data) {
        try {
            return MessageDigest.getInstance("SHA-256").digest(data);
        } catch (NoSuchAlgorithmException e) {
            throw new IllegalStateException("SHA-256 is missing from this JVM", e);
        }
    }

    private static String hex(byte[] b) {
        return HexFormat.of().formatHex(b);
    }
}
