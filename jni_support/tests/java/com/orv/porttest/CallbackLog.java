package com.orv.porttest;

import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.atomic.AtomicBoolean;

/**
 * What the native port tests learn from a port's callbacks besides their arguments: the thread
 * each one ran on and whether it was a daemon. On request the next receive callback throws, and
 * the library must clear that and go on. A test port class calls it first in each callback.
 */
public final class CallbackLog {
    private final List<String> threads = new CopyOnWriteArrayList<>();
    private final AtomicBoolean refuseNextBlock = new AtomicBoolean();
    private volatile boolean onDaemon;

    /** Notes a recvOccurred call, or throws when the test refused this block. */
    public void received() {
        if (refuseNextBlock.getAndSet(false)) {
            throw new IllegalStateException("block refused by the test");
        }
        note();
    }

    /** Notes an errorOccurred call. */
    public void error() {
        note();
    }

    public void refuseNextBlock() {
        refuseNextBlock.set(true);
    }

    /** Names of the threads the callbacks ran on, in order, joined by '|'. */
    public String threads() {
        return String.join("|", threads);
    }

    /** Whether the thread of the last callback was a daemon. */
    public boolean onDaemon() {
        return onDaemon;
    }

    /** Live threads with this name in the VM. */
    public static int liveThreadsNamed(String name) {
        int count = 0;
        for (Thread t : Thread.getAllStackTraces().keySet()) {
            if (t.isAlive() && t.getName().equals(name)) count++;
        }
        return count;
    }

    private void note() {
        Thread t = Thread.currentThread();
        threads.add(t.getName());
        onDaemon = t.isDaemon();
    }
}
