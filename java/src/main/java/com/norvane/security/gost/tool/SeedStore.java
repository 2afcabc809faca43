package com.norvane.security.gost.tool;

import com.norvane.security.gost.PasswordHash;
import com.norvane.security.gost.RandomGenerator;
import com.norvane.security.gost.VantixException;
import java.io.IOException;
import java.io.InputStream;
import java.nio.channels.FileChannel;
import java.nio.channels.FileLock;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.util.Arrays;

/**
 * The generator's state kept between runs in {@code seed.rnd} under the home directory, a
 * random-seed container sealed under the command's password (its {@code PasswordHash} form;
 * a bare 84-byte container of an earlier version is read and replaced by that form on the
 * first successful run). The home is locked for the
 * whole command, so two runs at once take turns instead of both starting from the same
 * state and one losing the other's update.
 */
final class SeedStore implements AutoCloseable {
    static final String SEED_FILE = "seed.rnd";
    static final String LOCK_FILE = "seed.lock";

    final RandomGenerator rng;
    /** Set when the stored state did not open: reported once the command has succeeded. */
    final String warning;
    private final Path seedFile;
    private final byte[] password;
    private final FileChannel lockChannel;
    private final FileLock lock;
    private boolean committed;

    private SeedStore(Path home, byte[] password, InputStream stdin) throws IOException {
        try {
            Files.createDirectories(home);
        } catch (IOException e) {
            throw new ToolException("cannot use the home directory " + home + ": " + e.getMessage());
        }
        this.seedFile = home.resolve(SEED_FILE);
        this.lockChannel = FileChannel.open(home.resolve(LOCK_FILE), StandardOpenOption.CREATE,
            StandardOpenOption.WRITE);
        FileLock l;
        try {
            l = lockChannel.lock();
        } catch (IOException | RuntimeException e) {
            lockChannel.close();
            throw e;
        }
        this.lock = l;
        this.password = password.clone();
        RandomGenerator g = null;
        String w = null;
        if (Files.isRegularFile(seedFile)) {
            try {
                g = RandomGenerator.fromContainer(SafeFiles.readSmall(seedFile.toString(),
                    RandomGenerator.SEALED_STATE_BYTES, stdin), password);
            } catch (VantixException | IllegalArgumentException | ToolException e) {
                w = "the random-seed container " + seedFile + " does not open with this password; seeded from the "
                    + "system generator and sealed again under this password";
            }
        }
        this.warning = w;
        this.rng = g != null ? g : RandomGenerator.fromSystem();
    }

    /** Locks the home and restores the generator (from the system when there is no usable state). */
    static SeedStore open(Path home, byte[] password, InputStream stdin) throws IOException {
        return new SeedStore(home, password, stdin);
    }

    /** The command succeeded: seal the generator's state when closing. */
    void commit() {
        committed = true;
    }

    @Override
    public void close() throws IOException {
        try {
            // Only after success, so that a mistyped password never reseals the state under it.
            if (committed && PasswordHash.sealable(password)) {
                SafeFiles.write(seedFile, rng.sealState(password), true, true);
            }
        } finally {
            Arrays.fill(password, (byte) 0);
            rng.close();
            lock.release();
            lockChannel.close();
        }
    }
}
