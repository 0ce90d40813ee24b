package com.orv.testing;

import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import jpos.MSR;

/**
 * Second-process helper: waits for a swipe driven through the control FIFO, prints track 1 and
 * runs on until its input ends, so the FIFO reader can finish logging its answers.
 */
public final class FifoListener {
    private FifoListener() {
    }

    public static void main(String[] args) throws Exception {
        MSR msr = new MSR();
        CountDownLatch got = new CountDownLatch(1);
        msr.addDataListener(e -> got.countDown());
        msr.open("M1");
        msr.claim(1000);
        msr.setDeviceEnabled(true);
        msr.setDataEventEnabled(true);
        System.out.println("READY");
        System.out.flush();
        if (got.await(20, TimeUnit.SECONDS)) {
            System.out.println("DATA " + MSR.text(msr.getTrack1Data()));
        } else {
            System.out.println("NO DATA");
        }
        System.out.flush();
        while (System.in.read() >= 0) {
            // keep running
        }
        msr.close();
    }
}
