package com.orv.registry;

import com.orv.jpos.NativeBinding;

/**
 * Creates and deletes keys under HKEY_LOCAL_MACHINE through the native library RegKeyLib.
 * Loading the library never fails the class: isNativeAvailable tells whether it can be used.
 */
public class WindowsRegistry {
    private static final NativeBinding LIBRARY = NativeBinding.load("RegKeyLib");

    public static boolean isNativeAvailable() {
        return LIBRARY.isLoaded();
    }

    public static String nativeLoadError() {
        return LIBRARY.failure();
    }

    /** 0 success, 1 the key could not be created or opened, 2 the value could not be written. */
    public native int CreateLocalMachineKey(String subKey, String valueName, String value);

    /** 0 deleted, 1 the delete failed (missing key, subkeys, no rights). */
    public native int DeleteLocalMachineKey(String subKey);

    /** CreateLocalMachineKey that reports a missing library as an IllegalStateException. */
    public int createLocalMachineKey(String subKey, String valueName, String value) {
        LIBRARY.require();
        return CreateLocalMachineKey(subKey, valueName, value);
    }

    public int deleteLocalMachineKey(String subKey) {
        LIBRARY.require();
        return DeleteLocalMachineKey(subKey);
    }
}
