package com.orv.comm;

import com.orv.jpos.NativeBinding;

/**
 * A USB HID port of the terminal, served by the native library HidPortLib. The natives report
 * small result codes; received data and errors come back through recvOccurred and
 * errorOccurred on the library's reader thread. Loading the library never fails the class:
 * isNativeAvailable tells whether the natives can be used.
 */
public class USBPort extends NativePort {
    private static final NativeBinding LIBRARY = NativeBinding.load("HidPortLib");

    public USBPort() {
        super(LIBRARY);
    }

    public static boolean isNativeAvailable() {
        return LIBRARY.isLoaded();
    }

    /** Why the library could not be loaded; empty when it was. */
    public static String nativeLoadError() {
        return LIBRARY.failure();
    }

    /** 0 success; 7 log file, 1 no JavaVM, 2 global reference, 3 class, 4/5 callbacks, 6 device. */
    public native int Open(String productName, String serialNumber);

    /** 1 when an open device was closed, else 0. */
    public native int Close();

    /** The number of bytes the device accepted. */
    public native int Write(byte[] data, int length);

    /** Open that reports a missing library as an exception instead of an UnsatisfiedLinkError. */
    public int open(String productName, String serialNumber) {
        requireLibrary();
        return Open(productName, serialNumber);
    }
}
