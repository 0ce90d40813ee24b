package com.orv.sim.terminal;

import java.util.HashMap;
import java.util.Map;
import jpos.JposException;

/**
 * Failures planted by a test or a person: the named control method of a device (or of every
 * device, "*") raises a JposException with the chosen codes, once or until cleared.
 */
public final class Failures {
    private record Planted(int code, int extended, boolean once) {
    }

    private final Map<String, Planted> planted = new HashMap<>();

    private static String key(String device, String method) {
        return device + "\u0000" + method;
    }

    public synchronized void plant(String device, String method, int code, int extended,
                                   boolean once) {
        planted.put(key(device, method), new Planted(code, extended, once));
    }

    /** Removes the failures of one method, or of every method when method is null. */
    public synchronized int clear(String device, String method) {
        int before = planted.size();
        if (method != null) {
            planted.remove(key(device, method));
        } else {
            planted.keySet().removeIf(k -> k.startsWith(device + "\u0000"));
        }
        return before - planted.size();
    }

    public synchronized void clearAll() {
        planted.clear();
    }

    /** Throws the planted failure for this call, the device's own before the wildcard one. */
    public void check(String device, String method) throws JposException {
        Planted p;
        synchronized (this) {
            String k = key(device == null ? "" : device, method);
            p = planted.get(k);
            if (p == null) {
                k = key("*", method);
                p = planted.get(k);
            }
            if (p == null) {
                return;
            }
            if (p.once) {
                planted.remove(k);
            }
        }
        throw new JposException(p.code, p.extended,
                "Simulated failure of " + method + " on " + (device == null ? "?" : device));
    }
}
