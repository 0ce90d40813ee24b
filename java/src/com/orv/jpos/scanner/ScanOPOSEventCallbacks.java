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

    public native void oposDataEventOccurred(DataEvent e);

    public native void oposErrorEventOccurred(ErrorEvent e);

    public native void oposStatusUpdateEventOccurred(StatusUpdateEvent e);

    public native void oposOutputCompleteEventOccurred(OutputCompleteEvent e);

    public native void oposDirectIOEventOccurred(DirectIOEvent e);

    @Override
    protected void onData(DataEvent e) {
        oposDataEventOccurred(e);
    }

    @Override
    protected void onError(ErrorEvent e) {
        oposErrorEventOccurred(e);
    }

    @Override
    protected void onStatusUpdate(StatusUpdateEvent e) {
        oposStatusUpdateEventOccurred(e);
    }

    @Override
    protected void onOutputComplete(OutputCompleteEvent e) {
        oposOutputCompleteEventOccurred(e);
    }

    @Override
    protected void onDirectIO(DirectIOEvent e) {
        oposDirectIOEventOccurred(e);
    }
}
