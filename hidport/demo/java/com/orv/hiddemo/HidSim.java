package com.orv.hiddemo;

/**
 * The simulated HID bus of this process (ORV_HID_BACKEND=sim), for demos: plug in a scanner,
 * scan, unplug. Natives in libHidSimDemo.so.
 */
public final class HidSim {
    static {
        System.loadLibrary("HidSimDemo");
    }

    private HidSim() {
    }

    /** Plugs in a HID point-of-sale scanner; returns its bus id (0 on failure). */
    public static native int addPosScanner(String product, String serial);

    /** The scanner reads a label (at most 59 characters). */
    public static native boolean scan(int id, String label);

    /** The scanner's cable is pulled. */
    public static native boolean unplug(int id);
}
