package com.orv.jpos.scanner;

import com.orv.jpos.NativeBinding;
import com.orv.jpos.OposEventCallbacks;
import jpos.events.DataEvent;
import jpos.events.DirectIOEvent;
import jpos.events.ErrorEvent;
import jpos.events.OutputCompleteEvent;
import jpos.events.StatusUpdateEvent;

/** Relays the events of a scanner control to the natives of libScanBridge.so. */
public final class ScanOPOSEventCallbacks extends OposEventCallbacks {
    private static final NativeBinding BINDING = NativeBinding.load("ScanBridge");

    public ScanOPOSEventCallbacks() {
        super(BINDING);
    }

    /** The result of loading the library, shared by every instance. */
    public static NativeBinding nativeBinding() {
        return BINDING;
    }

    // The JNI names of these natives carry this class's name: ScanBridge exports them for it.
    public native void oposDataEventOccurred(DataEvent e);

    public native void oposErrorEventOccurred(ErrorEvent e);

    public native void oposStatusUpdateEventOccurred(StatusUpdateEvent e);

    public native void oposOutputCompleteEventOccurred(OutputCompleteEvent e);

    public native void oposDirectIOEventOccurred(DirectIOEvent e);
}
