package com.orv.hiddemo;

import com.orv.comm.PortError;
import com.orv.comm.PortListener;
import com.orv.comm.USBPort;
import java.nio.charset.StandardCharsets;
import java.util.concurrent.TimeUnit;

/**
 * Opens a simulated HID point-of-sale scanner through USBPort, receives a scanned label through
 * recvOccurred, and sees errorOccurred with 1167 when the scanner is unplugged.
 *
 * Run with ORV_HID_BACKEND=sim, the suite's jar and this demo's jar on the class path, and the
 * folders of libHidPortLib.so and libHidSimDemo.so on java.library.path. Exit code 0 when all
 * three steps happened as expected.
 */
public final class ScanDemo {
    private static final String PRODUCT = "ZR88 Scanner";
    private static final String LABEL = "4006381333931";

    public static void main(String[] args) throws InterruptedException {
        if (!"sim".equals(System.getenv("ORV_HID_BACKEND"))) {
            System.err.println("set ORV_HID_BACKEND=sim: this demo uses the simulated HID bus");
            System.exit(2);
        }
        if (!USBPort.isNativeAvailable()) {
            System.err.println("HidPortLib not loaded: " + USBPort.nativeLoadError());
            System.exit(2);
        }
        int scanner = HidSim.addPosScanner(PRODUCT, "DEMO-0001");
        USBPort port = new USBPort();
        port.addPortListener(new PortListener() {
            @Override
            public void dataReceived(byte[] data) {
                System.out.println("recvOccurred on " + Thread.currentThread().getName() + ": "
                        + new String(data, StandardCharsets.ISO_8859_1));
            }

            @Override
            public void errorOccurred(PortError error) {
                System.out.println("errorOccurred on " + Thread.currentThread().getName() + ": "
                        + error.code() + " " + error.message());
            }
        });

        int opened = port.open(PRODUCT, "");
        System.out.println("Open(\"" + PRODUCT + "\") = " + opened);
        boolean ok = opened == 0;

        HidSim.scan(scanner, LABEL);
        byte[] label = port.awaitData(5, TimeUnit.SECONDS);
        ok &= label != null && LABEL.equals(new String(label, StandardCharsets.ISO_8859_1));

        HidSim.unplug(scanner);
        PortError error = port.awaitError(5, TimeUnit.SECONDS);
        ok &= error != null && error.code() == 1167;

        System.out.println("Close() = " + port.close());
        System.out.println(ok ? "scan demo: OK" : "scan demo: FAILED");
        System.exit(ok ? 0 : 1);
    }
}
