package com.orv.hidtest;

import com.orv.comm.USBPort;

/**
 * The port the latency benchmark opens: recvOccurred hands each block straight to a native the
 * benchmark registers, which timestamps it.
 */
public class BenchPort extends USBPort {
    private static native void delivered(byte[] data);

    @Override
    public void recvOccurred(byte[] data) {
        delivered(data);
    }
}
