import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * Writes what the Java side and the README say of the result codes from their one home, the
 * list in src/common/result.h (name, value and, on the comment lines above each code, its
 * meaning): the class com.norvane.security.gost.ResultCode and the README's table.
 *
 * <pre>
 * java scripts/ResultCodes.java [--check] [project directory]
 * </pre>
 *
 * With --check it writes nothing and fails, naming the file, when either is out of date.
 */
public final class ResultCodes {
    private static final String HEADER = "src/common/result.h";
    private static final String JAVA = "java/src/main/java/com/norvane/security/gost/ResultCode.java";
    private static final String README = "README.md";
    private static final String README_MARK = "<!-- The table is generated from " + HEADER
        + " by scripts/ResultCodes.java: edit the list there. -->";
    private static final int WIDTH = 100;

    record Code(String name, int value, String meaning) {
    }

    public static void main(String[] args) throws IOException {
        boolean check = false;
        Path root = Path.of(".");
        for (String a : args) {
            if (a.equals("--check")) {
                check = true;
            } else {
                root = Path.of(a);
            }
        }
        List<Code> codes = parse(Files.readString(root.resolve(HEADER)));
        Path readme = root.resolve(README);
        String[] wanted = {javaClass(codes), readmeWith(Files.readString(readme), codes)};
        Path[] files = {root.resolve(JAVA), readme};
        boolean stale = false;
        for (int i = 0; i < files.length; i++) {
            String now = Files.exists(files[i]) ? Files.readString(files[i]) : "";
            if (now.equals(wanted[i])) {
                continue;
            }
            if (check) {
                System.err.println(files[i] + " does not say what " + HEADER
                    + " says of the result codes: run java scripts/ResultCodes.java");
                stale = true;
            } else {
                Files.writeString(files[i], wanted[i], StandardCharsets.UTF_8);
                System.out.println("wrote " + files[i]);
            }
        }
        if (stale) {
            System.exit(1);
        }
        System.out.println(codes.size() + " result codes");
    }

    /** The codes of the Result enumeration, each with the comment lines just above it. */
    static List<Code> parse(String header) {
        int start = header.indexOf("enum [[nodiscard]] Result");
        int end = header.indexOf("};", start);
        if (start < 0 || end < 0) {
            throw new IllegalStateException(HEADER + ": no Result enumeration");
        }
        List<Code> codes = new ArrayList<>();
        Pattern code = Pattern.compile("\\s*RC_([A-Z_]+)\\s*=\\s*(\\d+),");
        StringBuilder meaning = new StringBuilder();
        for (String line : header.substring(header.indexOf('{', start) + 1, end).split("\n")) {
            String t = line.trim();
            Matcher m = code.matcher(line);
            if (t.startsWith("//")) {
                meaning.append(meaning.length() == 0 ? "" : " ").append(t.substring(2).trim());
            } else if (m.matches()) {
                if (meaning.length() == 0) {
                    throw new IllegalStateException(HEADER + ": RC_" + m.group(1) + " has no meaning above it");
                }
                codes.add(new Code(m.group(1), Integer.parseInt(m.group(2)), meaning.toString()));
                meaning.setLength(0);
            } else if (!t.isEmpty()) {
                throw new IllegalStateException(HEADER + ": not a code nor its meaning: " + t);
            }
        }
        return codes;
    }

    static String javaClass(List<Code> codes) {
        StringBuilder s = new StringBuilder();
        s.append("package com.norvane.security.gost;\n\n");
        s.append("// Generated from ").append(HEADER).append(" by scripts/ResultCodes.java: edit the list there\n");
        s.append("// and run `java scripts/ResultCodes.java` (the test result_codes fails when this file\n");
        s.append("// does not match the list).\n\n");
        s.append("/**\n");
        s.append(" * The library's result codes, by name: what the exports return and\n");
        s.append(" * {@link VantixException#code()} carries. Names, values and meanings are those of the\n");
        s.append(" * native library's own list.\n");
        s.append(" */\n");
        s.append("public final class ResultCode {\n");
        for (Code c : codes) {
            String sentence = Character.toUpperCase(c.meaning.charAt(0)) + c.meaning.substring(1) + ".";
            String doc = "    /** " + html(sentence) + " */";
            if (doc.length() <= WIDTH + 20) {
                s.append(doc).append('\n');
            } else {
                s.append("    /**\n");
                for (String l : wrap(html(sentence), WIDTH - 7)) {
                    s.append("     * ").append(l).append('\n');
                }
                s.append("     */\n");
            }
            s.append("    public static final int ").append(c.name).append(" = ").append(c.value).append(";\n");
        }
        s.append("\n    private ResultCode() {\n    }\n\n");
        s.append("    /** The meaning of a result code, or \"unknown result code\". */\n");
        s.append("    static String meaning(int code) {\n");
        s.append("        switch (code) {\n");
        for (Code c : codes) {
            s.append("            case ").append(c.name).append(":\n");
            List<String> pieces = wrap(c.meaning, WIDTH - 24);
            for (int i = 0; i < pieces.size(); i++) {
                boolean last = i == pieces.size() - 1;
                s.append(i == 0 ? "                return \"" : "                    + \"")
                    .append(pieces.get(i)).append(last ? "" : " ").append(last ? "\";\n" : "\"\n");
            }
        }
        s.append("            default:\n                return \"unknown result code\";\n");
        s.append("        }\n    }\n\n");
        s.append("    /**\n");
        s.append("     * Whether a verification result means \"does not verify\" (5 to 9) rather than a misuse.\n");
        s.append("     *\n");
        s.append("     * @param code a result of the verify export\n");
        s.append("     * @return true for 5 to 9\n");
        s.append("     */\n");
        s.append("    public static boolean isInvalidSignature(int code) {\n");
        s.append("        return code >= BAD_SIGNATURE && code <= S_RANGE;\n");
        s.append("    }\n");
        s.append("}\n");
        return s.toString();
    }

    /** The README with the table after its mark replaced by one row per code. */
    static String readmeWith(String readme, List<Code> codes) {
        int mark = readme.indexOf(README_MARK);
        if (mark < 0) {
            throw new IllegalStateException(README + ": no line " + README_MARK);
        }
        int from = readme.indexOf('\n', mark) + 1;
        int to = from;
        while (to < readme.length() && readme.startsWith("|", to)) {
            int nl = readme.indexOf('\n', to);
            to = nl < 0 ? readme.length() : nl + 1;
        }
        StringBuilder table = new StringBuilder("| Code | Meaning |\n|-----:|---------|\n");
        for (Code c : codes) {
            table.append("| ").append(c.value).append(" | ").append(c.meaning.replace("|", "\\|")).append(" |\n");
        }
        return readme.substring(0, from) + table + readme.substring(to);
    }

    private static String html(String s) {
        return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;");
    }

    /** Words in lines of at most width characters (a longer word stands alone). */
    private static List<String> wrap(String text, int width) {
        List<String> lines = new ArrayList<>();
        StringBuilder line = new StringBuilder();
        for (String w : text.split(" ")) {
            if (line.length() > 0 && line.length() + 1 + w.length() > width) {
                lines.add(line.toString());
                line.setLength(0);
            }
            line.append(line.length() == 0 ? "" : " ").append(w);
        }
        lines.add(line.toString());
        return lines;
    }
}
