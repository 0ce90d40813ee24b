package com.orv.sim.device;

import jpos.events.JposEvent;

/** Where a device instance's events go: the control's listeners and its native relay. */
public interface EventSink {
    /** Called on the device's event thread with no simulator lock held. */
    void deliver(JposEvent event);
}
