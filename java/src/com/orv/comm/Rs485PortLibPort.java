package com.orv.comm;

import com.orv.jpos.NativeBinding;

/**
 * An RS-485 port of the terminal (IBM POS subsystem), served by the native library
 * Rs485PortLib. The natives report small result codes; received data and errors come back
 * through recvOccurred and errorOccurred on the library's worker thread. Loading the library
 * never fails the class: isNativeAvailable tells whether the natives can be used.
 */
public class Rs485PortLibPort extends NativePort {
    private static final NativeBinding LIBRARY = NativeBinding.load("Rs485PortLib");

    public Rs485PortLibPort() {
        super(LIBRARY);
    }

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
        requireLibrary();
        return Open(slotNumber, portNumber, deviceId, initialize ? 1 : 0);
    }
}
