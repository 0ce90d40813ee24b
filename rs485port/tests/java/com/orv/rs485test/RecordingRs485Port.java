package com.orv.rs485test;

import com.orv.comm.PortError;
import com.orv.comm.Rs485PortLibPort;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.TimeUnit;

/** An RS-485 port that also records on which thread each callback ran (for the native tests). */
public class RecordingRs485Port extends Rs485PortLibPort {
    private final List<String> callbackThreads = new CopyOnWriteArrayList<>();
    private volatile boolean callbackOnDaemon;

    @Override
    public void recvOccurred(byte[] data) {
        note();
        super.recvOccurred(data);
    }

    @Override
    public void errorOccurred(int code, String message) {
        note();
        super.errorOccurred(code, message);
    }

    private void note() {
        Thread t = Thread.currentThread();
        callbackThreads.add(t.getName());
        callbackOnDaemon = t.isDaemon();
    }

    /** The next received block, or null after timeoutMs. */
    public byte[] nextData(long timeoutMs) throws InterruptedException {
        return awaitData(timeoutMs, TimeUnit.MILLISECONDS);
    }

    /** The next error as "code:message", or null after timeoutMs. */
    public String nextError(long timeoutMs) throws InterruptedException {
        PortError e = awaitError(timeoutMs, TimeUnit.MILLISECONDS);
        return e == null ? null : e.code() + ":" + e.message();
    }

    /** Names of the threads the callbacks ran on, in order, joined by '|'. */
    public String callbackThreads() {
        return String.join("|", callbackThreads);
    }

    public boolean callbackOnDaemon() {
        return callbackOnDaemon;
    }

    /** Live threads with this name in the VM. */
    public static int liveThreadsNamed(String name) {
        int count = 0;
        for (Thread t : Thread.getAllStackTraces().keySet()) {
            if (t.isAlive() && t.getName().equals(name)) count++;
        }
        return count;
    }
}
