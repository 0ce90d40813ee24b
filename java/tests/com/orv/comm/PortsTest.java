package com.orv.comm;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.jpos.OposEventCallbacks;
import com.orv.jpos.linedisplay.LineOPOSEventCallbacks;
import com.orv.jpos.pinpad.PinOPOSEventCallbacks;
import com.orv.registry.WindowsRegistry;
import com.orv.sim.Sim;
import com.orv.testing.Jpos;
import com.orv.testing.Recorder;
import java.util.ArrayList;
import java.util.HashSet;
import java.util.List;
import java.util.Set;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.TimeUnit;
import jpos.PINPad;
import jpos.events.DataEvent;
import org.junit.jupiter.api.Test;

/**
 * The Java side of the native port, registry and event libraries, run where none of them is
 * on java.library.path: loading is reported, never thrown, and the callback bookkeeping works.
 */
class PortsTest {
    @Test
    void missingLibrariesAreReportedNotThrown() {
        assertFalse(USBPort.isNativeAvailable());
        assertTrue(USBPort.nativeLoadError().contains("HidPortLib"), USBPort.nativeLoadError());
        assertFalse(Rs485PortLibPort.isNativeAvailable());
        assertTrue(Rs485PortLibPort.nativeLoadError().contains("Rs485PortLib"));
        assertFalse(WindowsRegistry.isNativeAvailable());
        assertTrue(WindowsRegistry.nativeLoadError().contains("RegKeyLib"));
        assertEquals("HidPortLib is not loaded: " + USBPort.nativeLoadError(),
                assertThrows(IllegalStateException.class, () -> new USBPort().open("ZR88", "1")).getMessage());
        assertThrows(IllegalStateException.class, () -> new Rs485PortLibPort().open(1, 2, 3, true));
        for (NativePort port : List.of(new USBPort(), new Rs485PortLibPort())) {
            assertThrows(IllegalStateException.class, port::close);
            assertThrows(IllegalStateException.class, () -> port.write(new byte[] {1}));
        }
        assertThrows(IllegalStateException.class, () -> new WindowsRegistry().deleteLocalMachineKey("X"));
        assertThrows(IllegalStateException.class, () -> new WindowsRegistry().createLocalMachineKey("X", "v", "1"));
        assertThrows(UnsatisfiedLinkError.class, () -> new USBPort().Close());
    }

    @Test
    void callbacksFromManyThreadsAreQueuedAndHandedToListeners() throws Exception {
        USBPort port = new USBPort();
        List<byte[]> heard = new CopyOnWriteArrayList<>();
        List<PortError> errors = new CopyOnWriteArrayList<>();
        port.addPortListener(new PortListener() {
            @Override
            public void dataReceived(byte[] data) {
                heard.add(data);
            }

            @Override
            public void errorOccurred(PortError error) {
                errors.add(error);
            }
        });
        port.addPortListener(new PortListener() {  // a broken listener changes nothing for the rest
            @Override
            public void dataReceived(byte[] data) {
                throw new IllegalStateException("bug");
            }

            @Override
            public void errorOccurred(PortError error) {
                throw new IllegalStateException("bug");
            }
        });
        List<Thread> threads = new ArrayList<>();
        for (int t = 0; t < 4; t++) {
            int id = t;
            threads.add(new Thread(() -> {
                for (int i = 0; i < 100; i++) {
                    port.recvOccurred(new byte[] {(byte) id, (byte) i});
                }
                port.errorOccurred(0x40E, "TRWM_ERROR");
            }));
        }
        threads.forEach(Thread::start);
        for (Thread t : threads) {
            t.join();
        }
        Set<Integer> got = new HashSet<>();
        for (byte[] b = port.awaitData(1, TimeUnit.SECONDS); b != null; b = port.awaitData(10, TimeUnit.MILLISECONDS)) {
            got.add(b[0] * 1000 + b[1]);
        }
        assertEquals(400, got.size());
        assertEquals(400, heard.size());
        assertEquals(new PortError(0x40E, "TRWM_ERROR"), port.awaitError(1, TimeUnit.SECONDS));
        assertEquals(4, errors.size());
        assertNull(new USBPort().awaitData(20, TimeUnit.MILLISECONDS));
    }

    @Test
    void receivedBlocksAreCopies() throws Exception {
        Rs485PortLibPort port = new Rs485PortLibPort();
        byte[] block = {1, 2, 3};
        port.recvOccurred(block);
        block[0] = 9;
        assertArrayEquals(new byte[] {1, 2, 3}, port.awaitData(1, TimeUnit.SECONDS));
        port.recvOccurred(null);
        assertArrayEquals(new byte[0], port.awaitData(1, TimeUnit.SECONDS));
        port.errorOccurred(1, null);
        assertEquals(new PortError(1, ""), port.awaitError(1, TimeUnit.SECONDS));
    }

    @Test
    void eventRelaysStayInactiveWithoutTheirLibraryAndListenersStillWork() throws Exception {
        assertFalse(PinOPOSEventCallbacks.nativeBinding().isLoaded());
        assertTrue(PinOPOSEventCallbacks.nativeBinding().failure().contains("PinpadBridge"));
        assertTrue(LineOPOSEventCallbacks.nativeBinding().failure().contains("DisplayBridge"));
        OposEventCallbacks relay = new PinOPOSEventCallbacks();
        assertFalse(relay.isActive());
        relay.relay(new DataEvent(this, 1));   // nothing happens, nothing is thrown
        Sim.reset();
        PINPad pad = Jpos.ready(new PINPad(), "P1");
        try {
            assertFalse(pad.getEventCallbacks().isActive());
            Recorder rec = Recorder.on(pad);
            Sim.status("P1", 5);
            assertEquals(5, Recorder.status(rec.await(1).get(0)).getStatus());
        } finally {
            Jpos.closeQuietly(pad);
        }
    }
}
