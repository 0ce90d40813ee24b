package jpos;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.fails;
import static com.orv.testing.Jpos.ready;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.sim.Sim;
import com.orv.sim.device.ToneService;
import com.orv.testing.Recorder;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** Sounds too long to wait for: refused when synchronous, queued and clearable when not. */
class ToneSoundLengthTest {
    private ToneIndicator tone;
    private Recorder events;

    @BeforeEach
    void open() throws Exception {
        Sim.reset();
        tone = ready(new ToneIndicator(), "T1");
        events = Recorder.on(tone);
    }

    @AfterEach
    void close() {
        closeQuietly(tone);
    }

    @Test
    void synchronousSoundsWithinTheLimitPlay() throws Exception {
        tone.setTone1Duration(20);
        tone.setTone2Duration(10);
        tone.setInterToneWait(5);
        long start = System.nanoTime();
        tone.sound(3, 15);  // 3 x 35 + 2 x 15 = 135 ms
        tone.soundImmediate();  // 35 ms
        assertTrue(System.nanoTime() - start >= 165_000_000L);
        assertEquals(0, tone.getOutputID());
    }

    // cycles, interSoundWait, tone1Duration, tone2Duration, interToneWait
    @ParameterizedTest
    @CsvSource({
        "2147483647, 0, 100, 0, 0",                     // years of beeping
        "2147483647, 2147483647, 2147483647, 2147483647, 2147483647",  // overflows a long
        "3001, 0, 20, 0, 0",                            // 60,020 ms: just over the limit
        "1, 0, 60001, 0, 0",                            // one long cycle
    })
    void synchronousSoundsTooLongToWaitForAreRefused(int cycles, int wait, int d1, int d2, int itw)
            throws Exception {
        tone.setTone1Duration(d1);
        tone.setTone2Duration(d2);
        tone.setInterToneWait(itw);
        long start = System.nanoTime();
        fails(JposConst.JPOS_E_ILLEGAL, () -> tone.sound(cycles, wait));
        if (cycles == 1) {
            fails(JposConst.JPOS_E_ILLEGAL, () -> tone.soundImmediate());
        }
        assertTrue(System.nanoTime() - start < ToneService.MAX_SYNC_MS * 1_000_000L / 2);
        assertEquals(0, tone.getOutputID());

        // The same request is accepted asynchronously and ends with ClearOutput, silently.
        tone.setAsyncMode(true);
        tone.sound(cycles, wait);
        assertEquals(1, tone.getOutputID());
        assertEquals(JposConst.JPOS_S_BUSY, tone.getState());
        tone.clearOutput();
        assertEquals(JposConst.JPOS_S_IDLE, tone.getState());
        assertTrue(events.settle(100).isEmpty());
    }
}
