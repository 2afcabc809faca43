package com.norvane.security.gost.tool;

import java.io.PrintStream;

/** A progress bar on standard error while a long input read at a terminal is hashed. */
final class Progress {
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
