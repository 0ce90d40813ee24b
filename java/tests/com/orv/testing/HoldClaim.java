package com.orv.testing;

import jpos.MSR;

/** Second-process helper: claims a device, says CLAIMED, holds it until its input ends. */
public final class HoldClaim {
    private HoldClaim() {
    }

    public static void main(String[] args) throws Exception {
        MSR msr = new MSR();
        msr.open(args[0]);
        msr.claim(0);
        System.out.println("CLAIMED");
        System.out.flush();
        while (System.in.read() >= 0) {
            // hold the claim
        }
        msr.close();
    }
}
