package com.orv.comm;

import com.orv.jpos.NativeBinding;
import java.util.concurrent.TimeUnit;

/**
 * What the port classes share: the wrappers that report a missing native library as an
 * IllegalStateException, the callbacks the library makes on its own thread (recvOccurred,
 * errorOccurred) and the waits on what they delivered. Each port class declares the natives of
 * its own library, whose JNI names carry that class's name.
 */
public abstract class NativePort {
    private final NativeBinding library;
    private final PortCallbacks callbacks = new PortCallbacks();

    protected NativePort(NativeBinding library) {
        this.library = library;
    }

    public abstract int Close();

    public abstract int Write(byte[] data, int length);

    /** Close that reports a missing library as an exception instead of an UnsatisfiedLinkError. */
    public int close() {
        requireLibrary();
        return Close();
    }

    /** Writes the whole array; length never exceeds the array. */
    public int write(byte[] data) {
        requireLibrary();
        return Write(data, data.length);
    }

    protected final void requireLibrary() {
        library.require();
    }

    /** Called by the native library with one received block. */
    public void recvOccurred(byte[] data) {
        callbacks.received(data);
    }

    /** Called by the native library with an error code and text. */
    public void errorOccurred(int code, String message) {
        callbacks.error(code, message);
    }

    public void addPortListener(PortListener l) {
        callbacks.addListener(l);
    }

    public void removePortListener(PortListener l) {
        callbacks.removeListener(l);
    }

    /** The next received block, or null when none came within the time-out. */
    public byte[] awaitData(long timeout, TimeUnit unit) throws InterruptedException {
        return callbacks.awaitData(timeout, unit);
    }

    /** The next reported error, or null when none came within the time-out. */
    public PortError awaitError(long timeout, TimeUnit unit) throws InterruptedException {
        return callbacks.awaitError(timeout, unit);
    }
}
