package com.orv.sim;

/** Diagnostics of the simulator: one line per message on standard error. */
public final class SimLog {
    private SimLog() {
    }

    public static void warn(String message) {
        System.err.println("orv-sim: " + message);
    }
}
