package com.orv.sim.device;

import jpos.events.JposEvent;

/** One queued event with what must happen to the device state right before it is delivered. */
final class Pending {
    enum Kind { DATA, INPUT_ERROR, OUTPUT_ERROR, OTHER }

    final long sequence;
    final JposEvent event;
    final Kind kind;
    final Runnable apply;

    Pending(long sequence, JposEvent event, Kind kind, Runnable apply) {
        this.sequence = sequence;
        this.event = event;
        this.kind = kind;
        this.apply = apply;
    }
}
