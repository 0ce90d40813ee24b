package jpos;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.fails;
import static com.orv.testing.Jpos.ready;
import static com.orv.testing.Recorder.data;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import com.orv.sim.Sim;
import com.orv.sim.SimException;
import com.orv.sim.device.SignatureService;
import com.orv.testing.Recorder;
import java.awt.Point;
import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Signature capture: strokes with pen-up markers, raw data, real-time pieces. */
class SignatureCaptureTest {
    private SignatureCapture sig;
    private Recorder rec;

    @BeforeEach
    void open() throws Exception {
        Sim.reset();
        sig = ready(new SignatureCapture(), "S1");
        rec = Recorder.on(sig);
        sig.setDataEventEnabled(true);
    }

    @AfterEach
    void close() {
        closeQuietly(sig);
    }

    @Test
    void aSignatureArrivesWhenTheCaptureEnds() throws Exception {
        assertThrows(SimException.class, () -> Sim.sign("S1", List.of(new Point(1, 1))));
        sig.beginCapture("Sign here");
        fails(JposConst.JPOS_E_ILLEGAL, () -> sig.beginCapture("again"));
        Sim.sign("S1", List.of(new Point(10, 20), new Point(300, 5), SignatureService.PEN_UP));
        Sim.sign("S1", List.of(new Point(0, 240)));
        assertEquals(0, rec.settle().size());
        sig.endCapture();
        assertEquals(SignatureService.STATUS_FINAL, data(rec.await(1).get(0)).getStatus());
        Point[] p = sig.getPointArray();
        assertEquals(List.of(new Point(10, 20), new Point(300, 5), new Point(-1, -1), new Point(0, 240)),
                List.of(p));
        assertArrayEquals(new byte[] {0, 10, 0, 20, 1, 44, 0, 5, -1, -1, -1, -1, 0, 0, 0, (byte) 240},
                sig.getRawData());
        fails(JposConst.JPOS_E_ILLEGAL, sig::endCapture);
    }

    @Test
    void realTimePiecesThenTheCustomersOk() throws Exception {
        sig.setRealTimeDataEnabled(true);
        sig.beginCapture("f");
        rec.onEvent(e -> {
            try {
                sig.setDataEventEnabled(true);
            } catch (JposException ex) {
                throw new IllegalStateException(ex);
            }
        });
        Sim.sign("S1", List.of(new Point(1, 2)));
        Sim.sign("S1", List.of(new Point(3, 4), new Point(5, 6)));
        Sim.signDone("S1");
        List<Recorder.Seen> seen = rec.await(3);
        assertEquals(SignatureService.STATUS_REAL_TIME, data(seen.get(0)).getStatus());
        assertEquals(SignatureService.STATUS_REAL_TIME, data(seen.get(1)).getStatus());
        assertEquals(SignatureService.STATUS_FINAL, data(seen.get(2)).getStatus());
        assertEquals(0, sig.getPointArray().length);
    }

    @Test
    void pointsOffThePadAreRefused() throws Exception {
        sig.beginCapture("f");
        assertThrows(SimException.class, () -> Sim.sign("S1", List.of(new Point(321, 0))));
        assertThrows(SimException.class, () -> Sim.sign("S1", List.of(new Point(-2, 0))));
        fails(JposConst.JPOS_E_ILLEGAL, () -> sig.beginCapture(null));
        assertEquals(320, sig.getMaximumX());
    }
}
