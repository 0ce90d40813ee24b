package com.orv.sim.demo;

import com.orv.sim.Sim;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import jpos.JposException;
import jpos.PINPad;
import jpos.PINPadConst;

/**
 * A complete EFT transaction against the simulated terminal: open "P1", show that enabling
 * before claiming is refused, claim, enable, begin a DUKPT transaction, let the simulated
 * customer enter a PIN and receive the data event on the terminal's event thread.
 *
 * Usage: java -cp orvpos.jar com.orv.sim.demo.EftDemo [pin]   (exit status 0 on success)
 */
public final class EftDemo {
    private EftDemo() {
    }

    public static void main(String[] args) throws Exception {
        String pinDigits = args.length > 0 ? args[0] : "1234";
        PINPad pad = new PINPad();
        CountDownLatch received = new CountDownLatch(1);
        String mainThread = Thread.currentThread().getName();
        pad.addDataListener(e -> {
            try {
                System.out.println("DataEvent status=" + e.getStatus() + " thread=" + Thread.currentThread().getName()
                        + " EncryptedPIN=" + pad.getEncryptedPIN() + " AdditionalSecurityInformation="
                        + pad.getAdditionalSecurityInformation());
            } catch (JposException ex) {
                System.out.println("DataEvent properties unreadable: " + ex);
            }
            received.countDown();
        });
        pad.open("P1");
        try {
            pad.setDeviceEnabled(true);
            System.out.println("enable before claim: accepted (wrong)");
        } catch (JposException e) {
            System.out.println("enable before claim: JposException " + e.getErrorCode());
        }
        pad.claim(1000);
        pad.setDeviceEnabled(true);
        pad.setDataEventEnabled(true);
        pad.setAccountNumber("4012345678909");
        pad.setAmount(1_234_500L);
        pad.setTransactionType(PINPadConst.PPAD_TRANS_DEBIT);
        pad.beginEFTTransaction("DUKPT", 1);
        pad.enablePINEntry();
        Sim.enterPin("P1", pinDigits);
        boolean ok = received.await(5, TimeUnit.SECONDS);
        pad.endEFTTransaction(PINPadConst.PPAD_EFT_NORMAL);
        pad.close();
        System.out.println("caller thread=" + mainThread);
        System.out.println(ok ? "EFT transaction complete" : "no data event within 5 s");
        System.exit(ok ? 0 : 1);
    }
}
