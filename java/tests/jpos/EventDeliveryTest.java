package jpos;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.ready;
import static com.orv.testing.Recorder.data;
import static com.orv.testing.Recorder.error;
import static com.orv.testing.Recorder.status;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.sim.Sim;
import com.orv.sim.device.DeviceService;
import com.orv.testing.Recorder;
import java.util.List;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Delivery of events: threads, order, DataEventEnabled, AutoDisable, FreezeEvents, errors. */
class EventDeliveryTest {
    private POSKeyboard kbd;
    private Recorder rec;

    @BeforeEach
    void open() throws Exception {
        Sim.reset();
        kbd = ready(new POSKeyboard(), "K1");
        rec = Recorder.on(kbd);
    }

    @AfterEach
    void close() {
        closeQuietly(kbd);
    }

    @Test
    void eventsComeInOrderOnTheDeviceThreadNotTheCallers() throws Exception {
        kbd.setDataEventEnabled(true);
        rec.onEvent(e -> {
            try {
                kbd.setDataEventEnabled(true);  // calling back into the device from the handler
            } catch (JposException ex) {
                throw new IllegalStateException(ex);
            }
        });
        for (int i = 0; i < 50; i++) {
            Sim.keyPress("K1", 0x30 + i % 10);
        }
        List<Recorder.Seen> seen = rec.await(50);
        for (int i = 0; i < 50; i++) {
            assertEquals(0x30 + i % 10, data(seen.get(i)).getStatus(), "event " + i);
            assertEquals("orv-sim-events-K1", seen.get(i).thread());
            assertSame(kbd, seen.get(i).event().getSource());
        }
        assertNotEquals("orv-sim-events-K1", Thread.currentThread().getName());
    }

    @Test
    void dataWaitsForDataEventEnabledAndCountsMeanwhile() throws Exception {
        Sim.keyPress("K1", '1');
        Sim.keyPress("K1", '2');
        assertEquals(2, kbd.getDataCount());
        assertTrue(rec.settle().isEmpty());
        kbd.setDataEventEnabled(true);
        List<Recorder.Seen> first = rec.await(1);
        assertEquals('1', data(first.get(0)).getStatus());
        // Delivering a data event turns DataEventEnabled off: the second waits.
        assertEquals(1, rec.settle().size());
        assertFalse(kbd.getDataEventEnabled());
        assertEquals(1, kbd.getDataCount());
        kbd.setDataEventEnabled(true);
        assertEquals('2', data(rec.await(2).get(1)).getStatus());
        assertEquals('2', kbd.getPOSKeyData());
        assertEquals(0, kbd.getDataCount());
    }

    @Test
    void autoDisableDisablesWhenDataArrives() throws Exception {
        kbd.setAutoDisable(true);
        Sim.keyPress("K1", '7');
        assertFalse(kbd.getDeviceEnabled());
        assertEquals("device K1 is not enabled", assertThrowsSim(() -> Sim.keyPress("K1", '8')));
        kbd.setDataEventEnabled(true);
        assertEquals('7', data(rec.await(1).get(0)).getStatus());
    }

    @Test
    void freezeEventsHoldsEverythingUntilThawed() throws Exception {
        kbd.setFreezeEvents(true);
        kbd.setDataEventEnabled(true);
        Sim.status("K1", 42);
        Sim.keyPress("K1", '3');
        assertTrue(rec.settle().isEmpty());
        kbd.setFreezeEvents(false);
        List<Recorder.Seen> seen = rec.await(2);
        assertEquals(42, status(seen.get(0)).getStatus());
        assertEquals('3', data(seen.get(1)).getStatus());
    }

    @Test
    void inputErrorWithQueuedDataComesFirstAsInputDataThenAfterTheData() throws Exception {
        Sim.keyPress("K1", '1');
        Sim.error("K1", JposConst.JPOS_E_FAILURE, 5);
        rec.onEvent(e -> {
            if (e instanceof jpos.events.ErrorEvent ee && ee.getErrorLocus() == JposConst.JPOS_EL_INPUT_DATA) {
                assertEquals(JposConst.JPOS_ER_CLEAR, ee.getErrorResponse());  // the preset response
                ee.setErrorResponse(JposConst.JPOS_ER_CONTINUEINPUT);
            }
            try {
                assertEquals(e instanceof jpos.events.ErrorEvent ? JposConst.JPOS_S_ERROR
                        : JposConst.JPOS_S_IDLE, kbd.getState());
                kbd.setDataEventEnabled(true);
            } catch (JposException ex) {
                throw new IllegalStateException(ex);
            }
        });
        kbd.setDataEventEnabled(true);
        List<Recorder.Seen> seen = rec.await(3);
        assertEquals(JposConst.JPOS_EL_INPUT_DATA, error(seen.get(0)).getErrorLocus());
        assertEquals(5, error(seen.get(0)).getErrorCodeExtended());
        assertEquals('1', data(seen.get(1)).getStatus());
        assertEquals(JposConst.JPOS_EL_INPUT, error(seen.get(2)).getErrorLocus());
        // The last error's response is applied once its handlers have returned; await waits for that.
        assertEquals(JposConst.JPOS_S_IDLE, kbd.getState());
    }

    @Test
    void clearResponseToAnInputDataErrorDropsTheData() throws Exception {
        Sim.keyPress("K1", '1');
        Sim.keyPress("K1", '2');
        Sim.error("K1", JposConst.JPOS_E_FAILURE, 0);
        kbd.setDataEventEnabled(true);
        List<Recorder.Seen> seen = rec.await(1);
        assertEquals(JposConst.JPOS_EL_INPUT_DATA, error(seen.get(0)).getErrorLocus());
        kbd.setDataEventEnabled(true);
        assertEquals(1, rec.settle().size());
        assertEquals(0, kbd.getDataCount());
    }

    @Test
    void powerNotificationsReachOnlyInstancesThatAskedForThem() throws Exception {
        kbd.setDeviceEnabled(false);
        kbd.setPowerNotify(JposConst.JPOS_PN_ENABLED);
        kbd.setDeviceEnabled(true);
        Sim.power("K1", JposConst.JPOS_PS_OFF_OFFLINE);
        Sim.power("K1", JposConst.JPOS_PS_ONLINE);
        Sim.power("M1", JposConst.JPOS_PS_OFF);  // another device: not heard here
        List<Recorder.Seen> seen = rec.await(3);
        assertEquals(JposConst.JPOS_SUE_POWER_ONLINE, status(seen.get(0)).getStatus());
        assertEquals(JposConst.JPOS_SUE_POWER_OFF_OFFLINE, status(seen.get(1)).getStatus());
        assertEquals(JposConst.JPOS_SUE_POWER_ONLINE, status(seen.get(2)).getStatus());
        assertEquals(3, rec.settle().size());
    }

    @Test
    void aFailingListenerNeitherStopsTheThreadNorOtherListeners() throws Exception {
        AtomicInteger second = new AtomicInteger();
        kbd.addDataListener(e -> {
            throw new IllegalStateException("listener bug");
        });
        kbd.addDataListener(e -> second.incrementAndGet());
        kbd.setDataEventEnabled(true);
        Sim.keyPress("K1", '1');
        rec.await(1);
        kbd.setDataEventEnabled(true);
        Sim.keyPress("K1", '2');
        rec.await(2);  // returns once the event thread is done, after the counting listener too
        assertEquals(2, second.get());
    }

    @Test
    void closingDropsPendingEventsAndStopsDelivery() throws Exception {
        Sim.keyPress("K1", '1');
        kbd.close();
        kbd.open("K1");
        kbd.claim(0);
        kbd.setDeviceEnabled(true);
        assertEquals(0, kbd.getDataCount());
        kbd.setDataEventEnabled(true);
        assertTrue(rec.settle(100).isEmpty());  // time too for the closed instance's thread to misbehave
    }

    @Test
    void keyUpEventsOnlyWhenAskedFor() throws Exception {
        kbd.setDataEventEnabled(true);
        rec.onEvent(e -> {
            try {
                kbd.setDataEventEnabled(true);
            } catch (JposException ex) {
                throw new IllegalStateException(ex);
            }
        });
        Sim.keyPress("K1", 0x0D);
        kbd.setEventTypes(POSKeyboardConst.KBD_ET_DOWN_UP);
        Sim.keyPress("K1", 0x1B);
        List<Recorder.Seen> seen = rec.await(3);
        assertEquals(List.of(0x0D, 0x1B, 0x1B), seen.stream().map(s -> data(s).getStatus()).toList());
        assertEquals(POSKeyboardConst.KBD_KET_KEYUP, kbd.getPOSKeyEventType());
        assertEquals(3, rec.settle().size());
        assertThrowsIllegal(() -> kbd.setEventTypes(3));
    }

    @Test
    void idleMeansEveryDeliverableEventHandledAndHeldEventsDoNotCount() throws Exception {
        DeviceService device = Sim.terminal().activeService("K1");
        CountDownLatch release = new CountDownLatch(1);
        AtomicReference<Throwable> waitOnEventThread = new AtomicReference<>();
        rec.onEvent(e -> {
            try {
                device.awaitIdle(10);
            } catch (Throwable t) {
                waitOnEventThread.set(t);
            }
            try {
                release.await(5, TimeUnit.SECONDS);
            } catch (InterruptedException ex) {
                Thread.currentThread().interrupt();
            }
        });
        kbd.setFreezeEvents(true);
        kbd.setDataEventEnabled(true);
        Sim.keyPress("K1", '1');
        assertTrue(device.awaitIdle(0));  // frozen: nothing may be delivered, nothing to wait for
        kbd.setFreezeEvents(false);
        assertFalse(device.awaitIdle(50));  // the handler has not returned
        release.countDown();
        assertTrue(device.awaitIdle(5000));
        assertEquals(1, rec.settle().size());
        assertTrue(waitOnEventThread.get() instanceof IllegalStateException, String.valueOf(waitOnEventThread.get()));
    }

    private static void assertThrowsIllegal(org.junit.jupiter.api.function.Executable e) {
        com.orv.testing.Jpos.fails(JposConst.JPOS_E_ILLEGAL, e);
    }

    private static String assertThrowsSim(Runnable r) {
        return org.junit.jupiter.api.Assertions.assertThrows(com.orv.sim.SimException.class, r::run).getMessage();
    }
}
