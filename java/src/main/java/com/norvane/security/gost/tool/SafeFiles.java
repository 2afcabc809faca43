package com.norvane.security.gost.tool;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.ByteBuffer;
import java.nio.channels.FileChannel;
import java.nio.file.AccessDeniedException;
import java.nio.file.AtomicMoveNotSupportedException;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.FileSystems;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.StandardOpenOption;
import java.nio.file.attribute.PosixFilePermissions;

/**
 * How the tool reads and writes files. Reading takes any readable path (pipes, /dev/stdin,
 * process substitution) or {@code -} for standard input. Writing is whole or not at all:
 * the data goes to a temporary file in the target's directory, is flushed to the disk, and
 * is renamed into place, so an interruption at any moment leaves the old file or the new one.
 */
final class SafeFiles {
    private SafeFiles() {
    }

    /** An input stream for a path, or standard input for {@code -}. */
    static InputStream open(String name, InputStream stdin) throws IOException {
        if (name.equals("-")) {
            return new InputStream() {  // the caller's close must not close standard input
                @Override
                public int read() throws IOException {
                    return stdin.read();
                }

                @Override
                public int read(byte[] b, int off, int len) throws IOException {
                    return stdin.read(b, off, len);
                }
            };
        }
        Path p = Path.of(name);
        if (Files.isDirectory(p)) {
            throw new ToolException(name + " is a directory");
        }
        try {
            return Files.newInputStream(p);
        } catch (NoSuchFileException e) {
            throw new ToolException("no such file: " + name);
        } catch (AccessDeniedException e) {
            throw new ToolException("permission denied: " + name);
        }
    }

    /**
     * Reads a small input whole, refusing one longer than {@code max} bytes without reading
     * it all: the tool's own files are small, and a huge one would exhaust memory.
     */
    static byte[] readSmall(String name, long max, InputStream stdin) throws IOException {
        try (InputStream in = open(name, stdin)) {
            ByteArrayOutputStream out = new ByteArrayOutputStream();
            byte[] buf = new byte[8192];
            for (int n; (n = in.read(buf)) > 0; ) {
                out.write(buf, 0, n);
                if (out.size() > max) {
                    throw new ToolException(name + " is too large (at most " + max + " bytes expected)");
                }
            }
            return out.toByteArray();
        }
    }

    /** Refuses to go on when a target exists and {@code --force} was not given. */
    static void checkWritable(Path target, boolean force) {
        Path dir = target.toAbsolutePath().getParent();
        if (!Files.isDirectory(dir)) {
            throw new ToolException("cannot write " + target + ": no such directory " + dir);
        }
        if (!force && Files.exists(target, LinkOption.NOFOLLOW_LINKS)) {
            throw new ToolException(target + " exists; not replacing it (use --force)");
        }
    }

    /**
     * Writes {@code data} to {@code target} whole or not at all. A secret file is readable by
     * its owner only. Without {@code force} an existing target is never replaced, not even
     * one that appears while this runs.
     */
    static void write(Path target, byte[] data, boolean force, boolean secret) throws IOException {
        checkWritable(target, force);
        Path abs = target.toAbsolutePath();
        Path dir = abs.getParent();
        boolean posix = FileSystems.getDefault().supportedFileAttributeViews().contains("posix");
        Path tmp;
        try {
            tmp = posix
                ? Files.createTempFile(dir, "." + abs.getFileName(), ".tmp",
                    PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rw-------")))
                : Files.createTempFile(dir, "." + abs.getFileName(), ".tmp");
        } catch (AccessDeniedException e) {
            throw new ToolException("cannot write " + target + ": permission denied in " + dir);
        }
        try {
            try (FileChannel ch = FileChannel.open(tmp, StandardOpenOption.WRITE)) {
                ByteBuffer b = ByteBuffer.wrap(data);
                while (b.hasRemaining()) {
                    ch.write(b);
                }
                ch.force(true);
            }
            if (posix && !secret) {
                Files.setPosixFilePermissions(tmp, PosixFilePermissions.fromString("rw-r--r--"));
            }
            if (force) {
                try {
                    Files.move(tmp, abs, StandardCopyOption.REPLACE_EXISTING, StandardCopyOption.ATOMIC_MOVE);
                } catch (AtomicMoveNotSupportedException e) {
                    Files.move(tmp, abs, StandardCopyOption.REPLACE_EXISTING);
                }
            } else {
                linkIntoPlace(tmp, abs, target);
            }
            syncDirectory(dir);
        } finally {
            Files.deleteIfExists(tmp);
        }
    }

    /** A new name for the finished file that fails if the name is taken (link(2), else a plain move). */
    private static void linkIntoPlace(Path tmp, Path abs, Path shown) throws IOException {
        try {
            Files.createLink(abs, tmp);
        } catch (FileAlreadyExistsException e) {
            throw new ToolException(shown + " exists; not replacing it (use --force)");
        } catch (UnsupportedOperationException | IOException e) {
            if (Files.exists(abs, LinkOption.NOFOLLOW_LINKS)) {
                throw new ToolException(shown + " exists; not replacing it (use --force)");
            }
            Files.move(tmp, abs, StandardCopyOption.ATOMIC_MOVE);
        }
    }

    /** Makes the rename itself durable; not every platform can open a directory, which is fine. */
    private static void syncDirectory(Path dir) {
        try (FileChannel ch = FileChannel.open(dir, StandardOpenOption.READ)) {
            ch.force(true);
        } catch (IOException | UnsupportedOperationException e) {
            // Windows cannot open a directory as a channel; its rename is already durable enough.
        }
    }

    /** Writes to standard output for {@code -}, else to a file as {@link #write}. */
    static void writeOut(String name, byte[] data, boolean force, boolean secret, OutputStream stdout)
            throws IOException {
        if (name.equals("-")) {
            stdout.write(data);
            stdout.flush();
        } else {
            write(Path.of(name), data, force, secret);
        }
    }
}
