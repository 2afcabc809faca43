package com.norvane.security.gost;

/** Hex helpers and RFC 4357 tables for the tests. */
final class Hex {
    private Hex() {
    }

    static String of(byte[] b) {
        StringBuilder s = new StringBuilder();
        for (byte x : b) {
            s.append(String.format("%02x", x & 0xff));
        }
        return s.toString();
    }

    static byte[] parse(String s) {
        byte[] out = new byte[s.length() / 2];
        for (int i = 0; i < out.length; i++) {
            out[i] = (byte) Integer.parseInt(s.substring(2 * i, 2 * i + 2), 16);
        }
        return out;
    }

    /** id-GostR3411-94-TestParamSet, rows K8 first, one entry per byte. */
    static final byte[] HASH_TEST_TABLE = parse(
        "010f0d0005070a040902030e060b080c0d0b0401030f0509000a0e070608020c040b0a000702010d03060805090c0f0e"
        + "060c0701050f0d08040a090e00030b02070d0a010008090f0e04060c0b0205030508010d0a0304020e0f0c070600090b"
        + "0e0b040c060d0f0a0203080100070509040a09020d08000e060b010c070f0503");

    /** id-Gost28147-89-CryptoPro-A-ParamSet, rows K8 first. */
    static final byte[] CIPHER_A_TABLE = parse(
        "0b0a0f05000c0e080602030901070d04010d0209070a0600080c04050f030b0e030a0d0c0102000b07050904080f0e06"
        + "0b050109080d0f000e0402030c070a060e070a0c0d01030900020b040f0805060e0406020b030d080c0f050a00070109"
        + "03070e09080a0f000502060c0b040d0109060302080b01070a040e0f0c000d05");
}
