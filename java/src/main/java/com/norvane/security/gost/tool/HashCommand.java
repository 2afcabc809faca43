package com.norvane.security.gost.tool;

import com.norvane.security.gost.SubstitutionTable;
import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.HexFormat;
import java.util.List;
import java.util.concurrent.Callable;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import picocli.CommandLine.Command;
import picocli.CommandLine.Option;
import picocli.CommandLine.Parameters;
import picocli.CommandLine.ParentCommand;

/** {@code vantix hash}: digests in the form of sha256sum, and {@code --check} of such lists. */
@Command(name = "hash", sortOptions = false,
    description = {"GOST R 34.11-94 digests, one \"HEX  FILE\" line per file, as sha256sum prints them.",
        "A file that cannot be read is reported and the others are still hashed."})
final class HashCommand implements Callable<Integer> {
    private static final Pattern LINE = Pattern.compile("([0-9a-fA-F]{64}) [ *](.+)");

    @ParentCommand
    VantixTool tool;

    @Option(names = "--paramset", paramLabel = "SET", defaultValue = "cryptopro",
        description = "the hash's substitution table: cryptopro (default) or test")
    String paramset;

    @Option(names = {"-c", "--check"},
        description = "read \"HEX  FILE\" lines from the FILEs and check each file listed")
    boolean check;

    @Parameters(paramLabel = "FILE", arity = "0..*", description = "files to read; - or none for standard input")
    List<String> files = new ArrayList<>();

    @Override
    public Integer call() throws IOException {
        SubstitutionTable table;
        if (paramset.equals("cryptopro")) {
            table = SubstitutionTable.GOST_R_34_11_94_CRYPTOPRO;
        } else if (paramset.equals("test")) {
            table = SubstitutionTable.GOST_R_34_11_94_TEST;
        } else {
            throw new ToolException("--paramset is cryptopro or test, not " + paramset);
        }
        if (files.isEmpty()) {
            files.add("-");
        }
        return check ? check(table) : hash(table);
    }

    private int hash(SubstitutionTable table) {
        int failed = 0;
        for (String name : files) {
            try {
                tool.out.println(HexFormat.of().formatHex(tool.digest(table, name)) + "  " + name);
            } catch (ToolException | IOException e) {
                tool.err.println("vantix: " + VantixTool.describe(e));
                failed++;
            }
        }
        return failed == 0 ? 0 : 2;
    }

    private int check(SubstitutionTable table) throws IOException {
        int mismatched = 0;
        int unreadable = 0;
        int malformed = 0;
        for (String list : files) {
            try (BufferedReader r = new BufferedReader(new InputStreamReader(SafeFiles.open(list, tool.stdin),
                    StandardCharsets.UTF_8))) {
                for (String line; (line = r.readLine()) != null; ) {
                    if (line.isBlank()) {
                        continue;
                    }
                    Matcher m = LINE.matcher(line);
                    if (!m.matches()) {
                        malformed++;
                        continue;
                    }
                    String name = m.group(2);
                    try {
                        boolean ok = HexFormat.of().formatHex(tool.digest(table, name)).equalsIgnoreCase(m.group(1));
                        tool.out.println(name + ": " + (ok ? "OK" : "FAILED"));
                        mismatched += ok ? 0 : 1;
                    } catch (ToolException | IOException e) {
                        tool.out.println(name + ": FAILED open or read");
                        tool.err.println("vantix: " + VantixTool.describe(e));
                        unreadable++;
                    }
                }
            } catch (ToolException e) {
                tool.err.println("vantix: " + VantixTool.describe(e));
                unreadable++;
            }
        }
        if (malformed > 0) {
            tool.err.println("vantix: WARNING: " + malformed + " line(s) are not \"HEX  FILE\" lines");
        }
        if (unreadable > 0) {
            tool.err.println("vantix: WARNING: " + unreadable + " listed file(s) could not be read");
        }
        if (mismatched > 0) {
            tool.err.println("vantix: WARNING: " + mismatched + " computed digest(s) did NOT match");
        }
        return mismatched + unreadable + malformed == 0 ? 0 : 2;
    }
}
