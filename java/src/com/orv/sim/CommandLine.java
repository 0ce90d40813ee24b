package com.orv.sim;

import java.util.ArrayList;
import java.util.List;

/** Splits a command line into words; "double quotes" keep blanks, \" and \\ escape. */
final class CommandLine {
    private CommandLine() {
    }

    static List<String> split(String line) {
        List<String> words = new ArrayList<>();
        StringBuilder w = null;
        boolean quoted = false;
        for (int i = 0; i < line.length(); i++) {
            char c = line.charAt(i);
            if (quoted) {
                if (c == '\\' && i + 1 < line.length()) {
                    w.append(line.charAt(++i));
                } else if (c == '"') {
                    quoted = false;
                } else {
                    w.append(c);
                }
            } else if (Character.isWhitespace(c)) {
                if (w != null) {
                    words.add(w.toString());
                    w = null;
                }
            } else {
                if (w == null) {
                    w = new StringBuilder();
                }
                if (c == '"') {
                    quoted = true;
                } else {
                    w.append(c);
                }
            }
        }
        if (quoted) {
            throw new IllegalArgumentException("unterminated quote");
        }
        if (w != null) {
            words.add(w.toString());
        }
        return words;
    }
}
