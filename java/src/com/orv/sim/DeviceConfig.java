package com.orv.sim;

import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.Map;

/**
 * The logical device names the terminal serves. The defaults are always present; more come
 * from the system property orv.sim.devices or, when it is not set, the environment variable
 * ORV_SIM_DEVICES, both as "NAME=Class" entries separated by ',' or ';'
 * (for example "P2=PINPad;MSR2=MSR").
 */
public final class DeviceConfig {
    private final Map<String, DeviceKind> names;

    private DeviceConfig(Map<String, DeviceKind> names) {
        this.names = Collections.unmodifiableMap(names);
    }

    public static DeviceConfig defaults() {
        Map<String, DeviceKind> m = new LinkedHashMap<>();
        m.put("P1", DeviceKind.PINPAD);
        m.put("S1", DeviceKind.SIGNATURE_CAPTURE);
        m.put("L1", DeviceKind.LINE_DISPLAY);
        m.put("M1", DeviceKind.MSR);
        m.put("K1", DeviceKind.POS_KEYBOARD);
        m.put("T1", DeviceKind.TONE_INDICATOR);
        m.put("SCAN1", DeviceKind.SCANNER);
        return new DeviceConfig(m);
    }

    /** The defaults plus the configured extra names. */
    public static DeviceConfig fromEnvironment() {
        String extra = System.getProperty("orv.sim.devices");
        if (extra == null) {
            extra = System.getenv("ORV_SIM_DEVICES");
        }
        return defaults().with(extra == null ? "" : extra);
    }

    /** Adds "NAME=Class" entries; a malformed entry is reported and skipped. */
    public DeviceConfig with(String entries) {
        Map<String, DeviceKind> m = new LinkedHashMap<>(names);
        for (String entry : entries.split("[,;]")) {
            String e = entry.trim();
            if (e.isEmpty()) {
                continue;
            }
            int eq = e.indexOf('=');
            try {
                if (eq <= 0) {
                    throw new IllegalArgumentException("expected NAME=Class");
                }
                m.put(e.substring(0, eq).trim(), DeviceKind.fromClassWord(e.substring(eq + 1)));
            } catch (IllegalArgumentException ex) {
                SimLog.warn("ignoring device entry '" + e + "': " + ex.getMessage());
            }
        }
        return new DeviceConfig(m);
    }

    /** The kind served under a name, or null when the name is unknown. */
    public DeviceKind kindOf(String name) {
        return names.get(name);
    }

    public Map<String, DeviceKind> names() {
        return names;
    }
}
