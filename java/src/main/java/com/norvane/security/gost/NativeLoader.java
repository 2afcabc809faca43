package com.norvane.security.gost;

import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.io.UncheckedIOException;
import java.nio.file.FileSystems;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.Locale;

/** Loads the companion library and then the module (see {@link Vantix}). */
final class NativeLoader {
    private static final String COMPANION = "Qel_InitBioRnd64";
    private static final String MODULE = "tellarvantix";

    private NativeLoader() {
    }

    static void load() {
        String dir = System.getProperty("vantix.library.path");
        if (dir != null && !dir.isEmpty()) {
            System.load(new File(dir, System.mapLibraryName(COMPANION)).getAbsolutePath());
            System.load(new File(dir, System.mapLibraryName(MODULE)).getAbsolutePath());
            return;
        }
        String platform = platform();
        if (platform != null && resource(platform, MODULE) != null) {
            Path tmp = extractBundled(platform);
            System.load(tmp.resolve(System.mapLibraryName(COMPANION)).toString());
            System.load(tmp.resolve(System.mapLibraryName(MODULE)).toString());
            return;
        }
        System.loadLibrary(COMPANION);
        System.loadLibrary(MODULE);
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

    private static String resource(String platform, String library) {
        String name = "/native/" + platform + "/" + System.mapLibraryName(library);
        return NativeLoader.class.getResource(name) != null ? name : null;
    }

    /** Copies both libraries into a new directory only this user can read. */
    private static Path extractBundled(String platform) {
        try {
            Path tmp;
            if (FileSystems.getDefault().supportedFileAttributeViews().contains("posix")) {
                tmp = Files.createTempDirectory("vantix-native-",
                    PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rwx------")));
            } else {
                tmp = Files.createTempDirectory("vantix-native-");
            }
            tmp.toFile().deleteOnExit();
            for (String lib : new String[] {COMPANION, MODULE}) {
                Path target = tmp.resolve(System.mapLibraryName(lib));
                try (InputStream in = NativeLoader.class.getResourceAsStream(resource(platform, lib))) {
                    Files.copy(in, target, StandardCopyOption.REPLACE_EXISTING);
                }
                target.toFile().deleteOnExit();
            }
            return tmp;
        } catch (IOException e) {
            throw new UncheckedIOException("cannot extract the native libraries", e);
        }
    }
}
