package com.orv.sim.msr;

import java.nio.charset.StandardCharsets;

/**
 * One magnetic track as the reader sees it. Tracks 1 to 3 follow ISO 7811: track 1 holds
 * 6-bit characters (0x20 to 0x5F) between '%' and '?', tracks 2 and 3 hold 4-bit characters
 * (0x30 to 0x3F) between ';' and '?', each character with an odd parity bit on the stripe.
 * Track 4 is free-form and passed as it is.
 */
public final class Track {
    private Track() {
    }

    public static char startSentinel(int track) {
        return track == 1 ? '%' : ';';
    }

    /** The track text with its sentinels, added when the caller gave the bare data. */
    public static String withSentinels(int track, String text) {
        if (track == 4 || text.isEmpty()) {
            return text;
        }
        String s = text;
        if (s.charAt(0) != startSentinel(track)) {
            s = startSentinel(track) + s;
        }
        if (s.charAt(s.length() - 1) != '?') {
            s = s + '?';
        }
        return s;
    }

    /** Why the text cannot be on the track, or null when it can. */
    public static String invalid(int track, String text) {
        if (track == 4) {
            return null;
        }
        int lo = track == 1 ? 0x20 : 0x30;
        int hi = track == 1 ? 0x5F : 0x3F;
        for (char c : text.toCharArray()) {
            if (c < lo || c > hi) {
                return "character '" + c + "' cannot be on track " + track;
            }
        }
        return null;
    }

    public static String stripSentinels(int track, String text) {
        if (track == 4 || text.length() < 2) {
            return text;
        }
        return text.substring(1, text.length() - 1);
    }

    /** The decoded bytes (ASCII) of a track text. */
    public static byte[] decoded(String text) {
        return text.getBytes(StandardCharsets.ISO_8859_1);
    }

    /** The raw stripe codes: the character's bits relative to the set's base, plus odd parity. */
    public static byte[] raw(int track, String text) {
        byte[] out = new byte[text.length()];
        for (int i = 0; i < out.length; i++) {
            char c = text.charAt(i);
            if (track == 4) {
                out[i] = (byte) c;
                continue;
            }
            int bits = track == 1 ? 6 : 4;
            int code = c - (track == 1 ? 0x20 : 0x30);
            int parity = Integer.bitCount(code) % 2 == 0 ? 1 : 0;
            out[i] = (byte) (code | parity << bits);
        }
        return out;
    }
}
