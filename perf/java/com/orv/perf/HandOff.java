package com.orv.perf;

import java.util.ArrayDeque;
import java.util.concurrent.locks.Condition;
import java.util.concurrent.locks.ReentrantLock;

import jpos.events.DataEvent;

/**
 * The bare hand-offs the event benchmark measures the service object's path against.
 *
 * <p>raise: a Java thread raises a data event and gives it to a native, which hands it to a
 * native thread waiting for it. Nothing else happens on the way.
 *
 * <p>raiseOnEventThread: a Java thread queues a data event for a Java event thread (a lock, a
 * condition and a queue, as a JavaPOS service delivers its events), which gives it to a native
 * on that thread. The floor of any path whose events are fired on the device's own thread.
 */
public final class HandOff {
    private HandOff() {
    }

    /** Registered by the benchmark program. */
    private static native void handOff(Object event);

    /** Registered by the benchmark program: called on the event thread with each event. */
    private static native void delivered(Object event);

    /** Raises a data event of the source and hands it over; System.nanoTime() at the raise. */
    public static long raise(Object source, int status) {
        long t = System.nanoTime();
        handOff(new DataEvent(source, status));
        return t;
    }

    private static final ReentrantLock LOCK = new ReentrantLock();
    private static final Condition WAKE = LOCK.newCondition();
    private static final ArrayDeque<Object> QUEUE = new ArrayDeque<>();
    private static Thread eventThread;

    /** Starts the event thread once; it runs where the calling thread may run. */
    public static synchronized void startEventThread() {
        if (eventThread != null) {
            return;
        }
        eventThread = new Thread(HandOff::deliverForever, "orv-perf-events");
        eventThread.setDaemon(true);
        eventThread.start();
    }

    /** Queues a data event for the event thread; System.nanoTime() at the raise. */
    public static long raiseOnEventThread(Object source, int status) {
        long t = System.nanoTime();
        DataEvent event = new DataEvent(source, status);
        LOCK.lock();
        try {
            QUEUE.addLast(event);
            WAKE.signalAll();
        } finally {
            LOCK.unlock();
        }
        return t;
    }

    private static void deliverForever() {
        while (true) {
            Object event;
            LOCK.lock();
            try {
                while (QUEUE.isEmpty()) {
                    WAKE.awaitUninterruptibly();
                }
                event = QUEUE.pollFirst();
            } finally {
                LOCK.unlock();
            }
            delivered(event);
        }
    }
}
