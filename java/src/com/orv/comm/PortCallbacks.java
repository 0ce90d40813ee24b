package com.orv.comm;

import com.orv.sim.SimLog;
import java.util.List;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;

/**
 * The bookkeeping behind a port's callbacks: listeners (registered from any thread) and two
 * queues, received blocks and errors, that a test or demo can wait on with a time-out.
 * Callbacks come from native reader threads and must never throw back into native code.
 */
public final class PortCallbacks {
    private final List<PortListener> listeners = new CopyOnWriteArrayList<>();
    private final BlockingQueue<byte[]> received = new LinkedBlockingQueue<>();
    private final BlockingQueue<PortError> errors = new LinkedBlockingQueue<>();

    public void addListener(PortListener l) {
        listeners.add(l);
    }

    public void removeListener(PortListener l) {
        listeners.remove(l);
    }

    /** Takes a received block: a copy is queued and handed to each listener. */
    public void received(byte[] data) {
        byte[] copy = data == null ? new byte[0] : data.clone();
        received.add(copy);
        for (PortListener l : listeners) {
            try {
                l.dataReceived(copy.clone());
            } catch (RuntimeException e) {
                SimLog.warn("port listener failed on data: " + e);
            }
        }
    }

    public void error(int code, String message) {
        PortError e = new PortError(code, message == null ? "" : message);
        errors.add(e);
        for (PortListener l : listeners) {
            try {
                l.errorOccurred(e);
            } catch (RuntimeException ex) {
                SimLog.warn("port listener failed on error: " + ex);
            }
        }
    }

    /** The next received block, or null when none came within the time-out. */
    public byte[] awaitData(long timeout, TimeUnit unit) throws InterruptedException {
        return received.poll(timeout, unit);
    }

    public PortError awaitError(long timeout, TimeUnit unit) throws InterruptedException {
        return errors.poll(timeout, unit);
    }

    public int pendingData() {
        return received.size();
    }

    public int pendingErrors() {
        return errors.size();
    }
}
