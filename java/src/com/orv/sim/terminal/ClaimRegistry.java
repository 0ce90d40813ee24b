package com.orv.sim.terminal;

import com.orv.sim.SimLog;
import java.io.IOException;
import java.nio.channels.FileChannel;
import java.nio.channels.FileLock;
import java.nio.channels.OverlappingFileLockException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;
import java.util.HashMap;
import java.util.Map;
import jpos.JposConst;
import jpos.JposException;

/**
 * Exclusive claims of the terminal's devices. Inside the process one owner per device name;
 * across processes an OS file lock on one lock file per device in the lock folder
 * ($ORV_SIM_LOCK_DIR, else java.io.tmpdir/orv-sim-locks). The lock dies with its process, so a
 * crashed holder never blocks a device for good.
 */
public final class ClaimRegistry {
    private static final long POLL_MS = 10;

    private final Path folder;
    private final Map<String, Held> held = new HashMap<>();

    private record Held(Object owner, FileChannel channel, FileLock lock) {
    }

    public ClaimRegistry(Path folder) {
        this.folder = folder;
    }

    public static Path defaultFolder() {
        String dir = System.getProperty("orv.sim.lockdir");
        if (dir == null) {
            dir = System.getenv("ORV_SIM_LOCK_DIR");
        }
        if (dir == null || dir.isEmpty()) {
            return Paths.get(System.getProperty("java.io.tmpdir"), "orv-sim-locks");
        }
        return Paths.get(dir);
    }

    public Path folder() {
        return folder;
    }

    /**
     * Takes the device for the owner, waiting up to timeout milliseconds (JPOS_FOREVER waits
     * until the holder lets go). Holding it already succeeds at once. Fails with E_CLAIMED when
     * timeout is 0 and E_TIMEOUT when the wait ran out.
     */
    public void acquire(String device, Object owner, int timeout) throws JposException {
        long deadline = timeout == JposConst.JPOS_FOREVER ? Long.MAX_VALUE
                : System.nanoTime() + timeout * 1_000_000L;
        synchronized (this) {
            while (true) {
                Held h = held.get(device);
                if (h != null && h.owner == owner) {
                    return;
                }
                if (h == null && tryLockFile(device, owner)) {
                    return;
                }
                long left = deadline - System.nanoTime();
                if (timeout == 0) {
                    throw new JposException(JposConst.JPOS_E_CLAIMED,
                            "Device " + device + " is claimed by another "
                                    + (h == null ? "process" : "control instance"));
                }
                if (left <= 0) {
                    throw new JposException(JposConst.JPOS_E_TIMEOUT,
                            "Device " + device + " was not released within " + timeout + " ms");
                }
                try {
                    // A release in this process notifies; another process can only be polled.
                    wait(Math.max(1, Math.min(POLL_MS, left / 1_000_000L)));
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                    throw new JposException(JposConst.JPOS_E_TIMEOUT, "Claim interrupted");
                }
            }
        }
    }

    /** Gives the device up if the owner holds it; anything else is a no-op. */
    public synchronized void release(String device, Object owner) {
        Held h = held.get(device);
        if (h == null || h.owner != owner) {
            return;
        }
        held.remove(device);
        try {
            h.lock.release();
        } catch (IOException e) {
            SimLog.warn("releasing claim lock of " + device + ": " + e);
        } finally {
            closeQuietly(h.channel);
        }
        notifyAll();
    }

    /** The in-process owner of a device, or null. */
    public synchronized Object owner(String device) {
        Held h = held.get(device);
        return h == null ? null : h.owner;
    }

    private boolean tryLockFile(String device, Object owner) throws JposException {
        FileChannel channel = null;
        try {
            Files.createDirectories(folder);
            channel = FileChannel.open(folder.resolve(fileName(device)), StandardOpenOption.CREATE,
                    StandardOpenOption.WRITE);
            FileLock lock = channel.tryLock();
            if (lock == null) {
                closeQuietly(channel);
                return false;
            }
            held.put(device, new Held(owner, channel, lock));
            return true;
        } catch (OverlappingFileLockException e) {
            closeQuietly(channel);
            return false;
        } catch (IOException e) {
            closeQuietly(channel);
            throw new JposException(JposConst.JPOS_E_FAILURE,
                    "Cannot use claim lock folder " + folder + ": " + e.getMessage(), e);
        }
    }

    /** Device names become file names; anything outside a safe set is hex-escaped. */
    static String fileName(String device) {
        StringBuilder sb = new StringBuilder();
        for (char c : device.toCharArray()) {
            if (Character.isLetterOrDigit(c) && c < 128 || c == '-' || c == '_') {
                sb.append(c);
            } else {
                sb.append(String.format("%%%04x", (int) c));
            }
        }
        return sb + ".lock";
    }

    private static void closeQuietly(FileChannel c) {
        if (c != null) {
            try {
                c.close();
            } catch (IOException e) {
                SimLog.warn("closing claim lock: " + e);
            }
        }
    }
}
