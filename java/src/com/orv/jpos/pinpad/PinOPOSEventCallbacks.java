package com.orv.jpos.pinpad;

import com.orv.jpos.NativeBinding;
import com.orv.jpos.OposEventCallbacks;
import jpos.events.DataEvent;
import jpos.events.DirectIOEvent;
import jpos.events.ErrorEvent;
import jpos.events.OutputCompleteEvent;
import jpos.events.StatusUpdateEvent;

/** Relays the events of a PIN pad control to the natives of libPinpadBridge.so. */
public final class PinOPOSEventCallbacks extends OposEventCallbacks {
    private static final NativeBinding BINDING = NativeBinding.load("PinpadBridge");

    public PinOPOSEventCallbacks() {
        super(BINDING);
    }

    /** The result of loading the library, shared by every instance. */
    public static NativeBinding nativeBinding() {
        return BINDING;
    }

    // The JNI names of these natives carry this class's name: PinpadBridge exports them for it.
    public native void oposDataEventOccurred(DataEvent e);

    public native void oposErrorEventOccurred(ErrorEvent e);

    public native void oposStatusUpdateEventOccurred(StatusUpdateEvent e);

    public native void oposOutputCompleteEventOccurred(OutputCompleteEvent e);

    public native void oposDirectIOEventOccurred(DirectIOEvent e);
}
