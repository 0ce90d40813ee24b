package com.orv.jpos.pinpad;

import com.orv.jpos.NativeBinding;
import com.orv.jpos.OposEventCallbacks;
import jpos.events.DataEvent;
import jpos.events.DirectIOEvent;
import jpos.events.ErrorEvent;
import jpos.events.OutputCompleteEvent;
import jpos.events.StatusUpdateEvent;

/**
 * A PIN pad callbacks class whose event methods are plain Java methods, as a mismatched jar
 * would have: no native can be bound to them. Comes before orvpos.jar on its test's CLASSPATH.
 */
public final class PinOPOSEventCallbacks extends OposEventCallbacks {
    public PinOPOSEventCallbacks() {
        super(NativeBinding.load("PinpadBridge"));
    }

    public void oposDataEventOccurred(DataEvent e) {
    }

    public void oposErrorEventOccurred(ErrorEvent e) {
    }

    public void oposStatusUpdateEventOccurred(StatusUpdateEvent e) {
    }

    public void oposOutputCompleteEventOccurred(OutputCompleteEvent e) {
    }

    public void oposDirectIOEventOccurred(DirectIOEvent e) {
    }
}
