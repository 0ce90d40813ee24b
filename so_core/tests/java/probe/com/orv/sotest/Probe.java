package com.orv.sotest;

import com.orv.jpos.DirectIOData;
import com.orv.jpos.pinpad.PinOPOSEventCallbacks;
import com.orv.sim.device.DeviceService;
import com.orv.sim.terminal.Terminal;
import jpos.events.DataEvent;
import jpos.events.DirectIOEvent;
import jpos.events.ErrorEvent;
import jpos.events.OutputCompleteEvent;
import jpos.events.StatusUpdateEvent;

/**
 * Test access to the Java side of a service object: the control instance a service object
 * created (found through the simulated terminal), events posted on the device's own event
 * thread with the time they were raised, and events handed straight to the natives.
 */
public final class Probe {
    private Probe() {
    }

    private static DeviceService service(String device) {
        DeviceService s = Terminal.get().activeService(device);
        if (s == null) {
            throw new IllegalStateException("device " + device + " is not open");
        }
        return s;
    }

    /** The Java control that has the device open. */
    public static Object control(String device) {
        return service(device).source();
    }

    /** Queues a data event on the device's event thread; returns System.nanoTime() at the raise. */
    public static long postData(String device, int status) {
        DeviceService s = service(device);
        long t = System.nanoTime();
        s.post(new DataEvent(s.source(), status));
        return t;
    }

    public static long postStatus(String device, int status) {
        DeviceService s = service(device);
        long t = System.nanoTime();
        s.post(new StatusUpdateEvent(s.source(), status));
        return t;
    }

    public static long postError(String device, int code, int extended, int locus, int response) {
        DeviceService s = service(device);
        long t = System.nanoTime();
        s.post(new ErrorEvent(s.source(), code, extended, locus, response));
        return t;
    }

    public static long postDirectIO(String device, int number, int data, String text) {
        DeviceService s = service(device);
        long t = System.nanoTime();
        s.post(new DirectIOEvent(s.source(), number, data, new DirectIOData(text)));
        return t;
    }

    public static long postOutputComplete(String device, int outputId) {
        DeviceService s = service(device);
        long t = System.nanoTime();
        s.post(new OutputCompleteEvent(s.source(), outputId));
        return t;
    }

    /** Hands events to the natives on the calling thread, as a callbacks object would. */
    public static void relayData(Object source, int status) {
        new PinOPOSEventCallbacks().oposDataEventOccurred(new DataEvent(source, status));
    }

    public static void relayDirectIO(Object source, int number, int data, Object object) {
        new PinOPOSEventCallbacks().oposDirectIOEventOccurred(new DirectIOEvent(source, number, data, object));
    }

    public static void relayOutputComplete(Object source, int outputId) {
        new PinOPOSEventCallbacks().oposOutputCompleteEventOccurred(new OutputCompleteEvent(source, outputId));
    }

    /** A PIN pad control that no service object created. */
    public static Object strayControl() {
        return new jpos.PINPad();
    }

    /** Bytes of the Java heap in use after collecting garbage. */
    public static long heapUsed() {
        Runtime r = Runtime.getRuntime();
        for (int i = 0; i < 3; i++) {
            System.gc();
        }
        return r.totalMemory() - r.freeMemory();
    }
}
