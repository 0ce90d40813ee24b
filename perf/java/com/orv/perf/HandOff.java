package com.orv.perf;

import jpos.events.DataEvent;

/**
 * The bare hand-off the event benchmark measures the service object's path against: a Java
 * thread raises a data event and gives it to a native, which hands it to a native thread waiting
 * for it. Nothing else happens on the way.
 */
public final class HandOff {
    private HandOff() {
    }

    /** Registered by the benchmark program. */
    private static native void handOff(Object event);

    /** Raises a data event of the source and hands it over; System.nanoTime() at the raise. */
    public static long raise(Object source, int status) {
        long t = System.nanoTime();
        handOff(new DataEvent(source, status));
        return t;
    }
}
