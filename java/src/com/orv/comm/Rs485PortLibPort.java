package com.orv.comm;

import com.orv.jpos.NativeBinding;
import java.util.concurrent.TimeUnit;

/**
 * An RS-485 port of the terminal (IBM POS subsystem), served by the native library
 * Rs485PortLib. The natives report small result codes; received data and errors come back through recvOccurred and
 * errorOccurred on the library's worker thread. Loading the library never fails the class:
 * isNativeAvailable tells whether the natives can be used.
 */
public class Rs485PortLibPort {
    private static final NativeBinding LIBRARY = NativeBinding.load("Rs485PortLib");
    private final PortCallbacks callbacks = new PortCallbacks();

    public static boolean isNativeAvailable() {
        return LIBRARY.isLoaded();
    }

    /** Why the library could not be loaded; empty when it was. */
    public static String nativeLoadError() {
        return LIBRARY.failure();
    }

    /** 0 success; 7 log file, 1 no JavaVM, 2 global reference, 3 class, 4/5 callbacks, 6 transport. */
    public native int Open(int slotNumber, int portNumber, int deviceId, int initialize);

    /** The transport's close result (1 closed), 0 when the port is not open. */
    public native int Close();

    /** The number of bytes the transport accepted. */
    public native int Write(byte[] data, int length);

    /** Open that reports a missing library as an exception instead of an UnsatisfiedLinkError. */
    public int open(int slotNumber, int portNumber, int deviceId, boolean initialize) {
        requireNative();
        return Open(slotNumber, portNumber, deviceId, initialize ? 1 : 0);
    }

    public int close() {
        requireNative();
        return Close();
    }

    /** Writes the whole array; length never exceeds the array. */
    public int write(byte[] data) {
        requireNative();
        return Write(data, data.length);
    }

    private static void requireNative() {
        if (!isNativeAvailable()) {
            throw new IllegalStateException("Rs485PortLib is not loaded: " + nativeLoadError());
        }
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

    public byte[] awaitData(long timeout, TimeUnit unit) throws InterruptedException {
        return callbacks.awaitData(timeout, unit);
    }

    public PortError awaitError(long timeout, TimeUnit unit) throws InterruptedException {
        return callbacks.awaitError(timeout, unit);
    }
}
