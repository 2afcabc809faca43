package com.norvane.security.gost.tool;

import com.norvane.security.gost.ParameterSet;

/** Parameter-set names as the command line gives them. */
final class Names {
    private Names() {
    }

    static ParameterSet parameterSet(String name) {
        try {
            return ParameterSet.byName(name);
        } catch (IllegalArgumentException e) {
            throw new ToolException(e.getMessage() + " (cryptopro-a, cryptopro-b, cryptopro-c, xcha, xchb, test)");
        }
    }
}
