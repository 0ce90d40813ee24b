package com.orv.hidtest;

import java.util.ArrayList;
import java.util.Collections;
import java.util.IdentityHashMap;
import java.util.List;

/**
 * A recording port that keeps every array recvOccurred hands it, as given, next to a copy taken
 * on arrival: a later delivery must never reuse or change an array the receiver still holds.
 */
public class KeepingPort extends RecordingPort {
    private final List<byte[]> kept = Collections.synchronizedList(new ArrayList<>());
    private final List<byte[]> copies = Collections.synchronizedList(new ArrayList<>());

    @Override
    public void recvOccurred(byte[] data) {
        kept.add(data);
        copies.add(data.clone());
        super.recvOccurred(data);
    }

    /** The kept arrays as they are now, in hex, joined by '|'. */
    public String keptNow() {
        StringBuilder text = new StringBuilder();
        synchronized (kept) {
            for (byte[] block : kept) {
                if (text.length() > 0) text.append('|');
                for (byte b : block) text.append(String.format("%02x", b));
            }
        }
        return text.toString();
    }

    /** 1 when every kept array is its own object and still holds what it held on arrival. */
    public int keptIntact() {
        synchronized (kept) {
            IdentityHashMap<byte[], Boolean> seen = new IdentityHashMap<>();
            for (int i = 0; i < kept.size(); ++i) {
                if (seen.put(kept.get(i), Boolean.TRUE) != null) return 0;
                if (!java.util.Arrays.equals(kept.get(i), copies.get(i))) return 0;
            }
        }
        return 1;
    }
}
