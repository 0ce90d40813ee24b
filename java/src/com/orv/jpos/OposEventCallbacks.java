package com.orv.jpos;

import com.orv.sim.SimLog;
import jpos.events.DataEvent;
import jpos.events.DirectIOEvent;
import jpos.events.ErrorEvent;
import jpos.events.JposEvent;
import jpos.events.OutputCompleteEvent;
import jpos.events.StatusUpdateEvent;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;

/**
 * Routes every event of one control instance to the five event natives of a service object
 * library. A subclass per device class declares the five methods below as natives (their JNI
 * names carry the class name) and loads its library once. A service object library that is
 * already in the process also registers them itself ({@link #nativesRegistered}), so events
 * arrive even when java.library.path does not hold it. When the natives are bound neither way,
 * or a native turns out not to be exported, the relay goes quiet instead of failing the event
 * thread.
 */
public abstract class OposEventCallbacks {
    private static final Set<Class<?>> REGISTERED = ConcurrentHashMap.newKeySet();

    private final NativeBinding binding;
    private volatile boolean disabled;

    protected OposEventCallbacks(NativeBinding binding) {
        this.binding = binding;
    }

    /**
     * Called by a service object library once it has bound the natives of a callbacks class with
     * RegisterNatives: instances of that class relay from then on, whatever loading the library
     * by name gave. Instances made before the call relay too.
     */
    public static void nativesRegistered(Class<?> callbacksClass) {
        REGISTERED.add(callbacksClass);
    }

    /** True while events are handed to the natives. */
    public final boolean isActive() {
        return !disabled && (binding.isLoaded() || REGISTERED.contains(getClass()));
    }

    public final NativeBinding binding() {
        return binding;
    }

    /** Hands one event to the matching native; runs on the device's event thread. */
    public final void relay(JposEvent event) {
        if (!isActive()) {
            return;
        }
        try {
            if (event instanceof DataEvent e) {
                oposDataEventOccurred(e);
            } else if (event instanceof ErrorEvent e) {
                oposErrorEventOccurred(e);
            } else if (event instanceof StatusUpdateEvent e) {
                oposStatusUpdateEventOccurred(e);
            } else if (event instanceof OutputCompleteEvent e) {
                oposOutputCompleteEventOccurred(e);
            } else if (event instanceof DirectIOEvent e) {
                oposDirectIOEventOccurred(e);
            }
        } catch (UnsatisfiedLinkError e) {
            disabled = true;
            SimLog.warn("event natives of " + binding.library() + " unusable, relay disabled: " + e);
        } catch (RuntimeException | Error e) {
            SimLog.warn("event native of " + binding.library() + " failed: " + e);
        }
    }

    public abstract void oposDataEventOccurred(DataEvent e);

    public abstract void oposErrorEventOccurred(ErrorEvent e);

    public abstract void oposStatusUpdateEventOccurred(StatusUpdateEvent e);

    public abstract void oposOutputCompleteEventOccurred(OutputCompleteEvent e);

    public abstract void oposDirectIOEventOccurred(DirectIOEvent e);
}
