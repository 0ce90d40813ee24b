package com.orv.sim.crypto;

import java.util.HexFormat;

/** Hexadecimal text of byte strings, upper case as terminals print it. */
public final class Hex {
    private static final HexFormat FORMAT = HexFormat.of().withUpperCase();

    private Hex() {
    }

    public static String of(byte[] bytes) {
        return FORMAT.formatHex(bytes);
    }

    /** Parses an even number of hex digits; anything else is an IllegalArgumentException. */
    public static byte[] parse(String text) {
        if (text == null || text.length() % 2 != 0) {
            throw new IllegalArgumentException("hex text needs an even number of digits");
        }
        return HexFormat.of().parseHex(text);
    }

    public static boolean isHex(String text) {
        if (text == null || text.isEmpty() || text.length() % 2 != 0) {
            return false;
        }
        for (char c : text.toCharArray()) {
            if (Character.digit(c, 16) < 0) {
                return false;
            }
        }
        return true;
    }
}
