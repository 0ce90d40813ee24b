package jpos;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.fails;
import static com.orv.testing.Jpos.ready;
import static com.orv.testing.Recorder.complete;
import static com.orv.testing.Recorder.data;
import static com.orv.testing.Recorder.dio;
import static com.orv.testing.Recorder.error;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.jpos.DirectIOData;
import com.orv.sim.Sim;
import com.orv.sim.SimException;
import com.orv.testing.Recorder;
import java.nio.charset.StandardCharsets;
import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The beeper's synchronous and asynchronous output, and the scanner's data and direct I/O. */
class ToneScannerTest {
    private ToneIndicator tone;
    private Scanner scanner;
    private Recorder toneEvents;
    private Recorder scanEvents;

    @BeforeEach
    void open() throws Exception {
        Sim.reset();
        tone = ready(new ToneIndicator(), "T1");
        scanner = ready(new Scanner(), "SCAN1");
        toneEvents = Recorder.on(tone);
        scanEvents = Recorder.on(scanner);
        tone.setTone1Duration(20);
        tone.setTone2Duration(10);
        tone.setInterToneWait(10);
    }

    @AfterEach
    void close() {
        closeQuietly(tone, scanner);
    }

    @Test
    void synchronousSoundTakesItsTime() throws Exception {
        long start = System.nanoTime();
        tone.sound(2, 30);  // 2 x (20 + 10 + 10) + 30 = 110 ms
        assertTrue(System.nanoTime() - start >= 105_000_000L);
        fails(JposConst.JPOS_E_ILLEGAL, () -> tone.sound(JposConst.JPOS_FOREVER, 0));
        fails(JposConst.JPOS_E_ILLEGAL, () -> tone.sound(0, 0));
        fails(JposConst.JPOS_E_ILLEGAL, () -> tone.sound(1, -1));
        fails(JposConst.JPOS_E_ILLEGAL, () -> tone.setTone1Volume(101));
        tone.setTone1Duration(0);
        tone.setTone2Duration(0);
        fails(JposConst.JPOS_E_ILLEGAL, () -> tone.sound(1, 0));
    }

    @Test
    void asynchronousOutputsCompleteInOrder() throws Exception {
        tone.setAsyncMode(true);
        tone.sound(1, 0);
        int first = tone.getOutputID();
        tone.sound(2, 300);  // long enough that the outputs are still under way when State is read
        assertEquals(first + 1, tone.getOutputID());
        assertEquals(JposConst.JPOS_S_BUSY, tone.getState());
        List<Recorder.Seen> seen = toneEvents.await(2);
        assertEquals(first, complete(seen.get(0)).getOutputID());
        assertEquals(first + 1, complete(seen.get(1)).getOutputID());
        assertEquals("orv-sim-events-T1", seen.get(0).thread());
        assertEquals(JposConst.JPOS_S_IDLE, tone.getState());
    }

    @Test
    void clearOutputCancelsWithoutCompletion() throws Exception {
        tone.setAsyncMode(true);
        tone.sound(JposConst.JPOS_FOREVER, 0);
        tone.sound(1, 0);
        Thread.sleep(50);
        tone.clearOutput();
        assertEquals(JposConst.JPOS_S_IDLE, tone.getState());
        assertTrue(toneEvents.settle(150).isEmpty());
    }

    @Test
    void anOutputErrorIsRetriedOrCleared() throws Exception {
        assertThrows(SimException.class, () -> Sim.error("T1", JposConst.JPOS_E_FAILURE, 0));
        tone.setAsyncMode(true);
        tone.setTone1Duration(200);
        tone.sound(1, 0);
        faultWhileSounding(3);  // preset answer: retry
        List<Recorder.Seen> seen = toneEvents.await(2);
        assertEquals(JposConst.JPOS_EL_OUTPUT, error(seen.get(0)).getErrorLocus());
        assertEquals(JposConst.JPOS_ER_RETRY, error(seen.get(0)).getErrorResponse());
        assertEquals(tone.getOutputID(), complete(seen.get(1)).getOutputID());
        toneEvents.clear();
        toneEvents.onEvent(e -> {
            if (e instanceof jpos.events.ErrorEvent ee) {
                ee.setErrorResponse(JposConst.JPOS_ER_CLEAR);
            }
        });
        tone.sound(1, 0);
        faultWhileSounding(0);
        assertEquals(1, toneEvents.await(1).size());
        assertEquals(1, toneEvents.settle(300).size());
    }

    /** A beeper fault as soon as the queued output sounds: the player starts it on its own thread. */
    private static void faultWhileSounding(int extended) throws InterruptedException {
        long end = System.currentTimeMillis() + 5000;
        while (true) {
            try {
                Sim.error("T1", JposConst.JPOS_E_FAILURE, extended);
                return;
            } catch (SimException e) {
                if (System.currentTimeMillis() > end) {
                    throw e;
                }
                Thread.sleep(1);
            }
        }
    }

    @Test
    void scansDeliverRawDataAndWhenDecodingLabelAndType() throws Exception {
        scanner.setDataEventEnabled(true);
        Sim.scan("SCAN1", ScannerConst.SCAN_SDT_UPCA, "012345678905");
        assertEquals(0, data(scanEvents.await(1).get(0)).getStatus());
        assertEquals("]E0012345678905\r", new String(scanner.getScanData(), StandardCharsets.ISO_8859_1));
        assertEquals(0, scanner.getScanDataLabel().length);
        assertEquals(ScannerConst.SCAN_SDT_UNKNOWN, scanner.getScanDataType());
        scanner.setDecodeData(true);
        scanner.setDataEventEnabled(true);
        Sim.scan("SCAN1", ScannerConst.SCAN_SDT_Code128, "ABC-123");
        scanEvents.await(2);
        assertArrayEquals("ABC-123".getBytes(StandardCharsets.ISO_8859_1), scanner.getScanDataLabel());
        assertEquals(ScannerConst.SCAN_SDT_Code128, scanner.getScanDataType());
        assertThrows(SimException.class, () -> Sim.scan("SCAN1", ScannerConst.SCAN_SDT_EAN13, "4006381333932"));
        Sim.scan("SCAN1", ScannerConst.SCAN_SDT_EAN13, "4006381333931");
        assertThrows(SimException.class, () -> Sim.scan("SCAN1", ScannerConst.SCAN_SDT_EAN8, "1234"));
    }

    @Test
    void scannerDirectIOTakesBytesOrText() throws Exception {
        scanner.directIO(1, null, new Byte[] {0x1B, 0x40});
        scanner.directIO(7, null, "REV_WA.");
        scanner.directIO(7, null, "NONSENSE.");
        List<Recorder.Seen> seen = scanEvents.await(3);
        assertEquals("ACK 1B40", ((DirectIOData) dio(seen.get(0)).getObject()).m_sDIOData);
        assertEquals(1, dio(seen.get(0)).getData());
        assertEquals("ZR88-SCAN 2.04", ((DirectIOData) dio(seen.get(1)).getObject()).m_sDIOData);
        assertEquals(1, dio(seen.get(2)).getEventNumber());
        fails(JposConst.JPOS_E_ILLEGAL, () -> scanner.directIO(1, null, "1B40"));
        fails(JposConst.JPOS_E_ILLEGAL, () -> scanner.directIO(1, null, new Byte[] {null}));
        fails(JposConst.JPOS_E_ILLEGAL, () -> scanner.directIO(2, null, 5));
    }
}
