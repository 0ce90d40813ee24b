package com.orv.rs485demo;

import com.orv.comm.Rs485PortLibPort;
import java.io.ByteArrayOutputStream;
import java.util.Arrays;
import java.util.concurrent.TimeUnit;

/**
 * Writes 2,500 bytes to the terminal on RS-485 slot 1, port 1, device 1 and collects its answer
 * through recvOccurred. Against the simulated subsystem, run with an echo terminal:
 * LD_LIBRARY_PATH=build/lib/possim ORV_POSS_DEVICES=1:1:1=64:echo.
 */
public final class EchoDemo {
    private EchoDemo() {
    }

    public static void main(String[] args) throws InterruptedException {
        if (!Rs485PortLibPort.isNativeAvailable()) {
            System.out.println("echo demo: Rs485PortLib not loaded: " + Rs485PortLibPort.nativeLoadError());
            System.exit(2);
        }
        Rs485PortLibPort port = new Rs485PortLibPort();
        int opened = port.open(1, 1, 1, true);
        if (opened != 0) {
            System.out.println("echo demo: Open answered " + opened);
            System.exit(1);
        }
        byte[] data = new byte[2500];
        for (int i = 0; i < data.length; i++) {
            data[i] = (byte) (i * 31 + 7);
        }
        long start = System.nanoTime();
        int written = port.write(data);
        ByteArrayOutputStream answer = new ByteArrayOutputStream();
        int blocks = 0;
        while (answer.size() < data.length) {
            byte[] block = port.awaitData(10, TimeUnit.SECONDS);
            if (block == null) {
                break;
            }
            answer.write(block, 0, block.length);
            blocks++;
        }
        long millis = (System.nanoTime() - start) / 1_000_000;
        int closed = port.close();
        boolean same = Arrays.equals(answer.toByteArray(), data);
        System.out.printf("echo demo: wrote %d, received %d bytes in %d recvOccurred calls, %d ms, close %d%n",
                written, answer.size(), blocks, millis, closed);
        System.out.println(written == data.length && same && closed == 1
                ? "echo demo: OK" : "echo demo: FAILED");
        System.exit(same ? 0 : 1);
    }
}
