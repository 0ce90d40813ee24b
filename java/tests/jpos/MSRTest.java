package jpos;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.fails;
import static com.orv.testing.Jpos.ready;
import static com.orv.testing.Recorder.data;
import static com.orv.testing.Recorder.error;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.sim.Sim;
import com.orv.sim.SimException;
import com.orv.testing.Recorder;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Card swipes: track bytes, sentinels, raw codes, ISO fields and error reporting. */
class MSRTest {
    static final String T1 = "%B4111111111111111^DOE JR/JOHN Q.DR^2512101123456789?";
    static final String T2 = ";4111111111111111=25121015432?";

    private MSR msr;
    private Recorder rec;

    @BeforeEach
    void open() throws Exception {
        Sim.reset();
        msr = ready(new MSR(), "M1");
        rec = Recorder.on(msr);
        msr.setDataEventEnabled(true);
    }

    @AfterEach
    void close() {
        closeQuietly(msr);
    }

    @Test
    void decodedTracksWithoutSentinelsAndTheirLengthsInTheStatus() throws Exception {
        Sim.swipe("M1", T1, T2, null, null);
        int status = data(rec.await(1).get(0)).getStatus();
        assertEquals(T1.substring(1, T1.length() - 1), MSR.text(msr.getTrack1Data()));
        assertEquals(T2.substring(1, T2.length() - 1), MSR.text(msr.getTrack2Data()));
        assertEquals(0, msr.getTrack3Data().length);
        assertEquals(T1.length() - 2 | (T2.length() - 2) << 8, status);
        assertEquals("", msr.getAccountNumber());  // not parsed unless asked
    }

    @Test
    void sentinelsParsingAndTrackSelection() throws Exception {
        msr.setTransmitSentinels(true);
        msr.setParseDecodeData(true);
        msr.setTracksToRead(MSRConst.MSR_TR_1);
        Sim.swipe("M1", T1.substring(1, T1.length() - 1), T2, null, null);  // sentinels added by the reader
        rec.await(1);
        assertEquals(T1, MSR.text(msr.getTrack1Data()));
        assertEquals(0, msr.getTrack2Data().length);
        assertEquals("4111111111111111", msr.getAccountNumber());
        assertEquals("DOE", msr.getSurname());
        assertEquals("JR", msr.getSuffix());
        assertEquals("JOHN", msr.getFirstName());
        assertEquals("Q", msr.getMiddleInitial());
        assertEquals("DR", msr.getTitle());
        assertEquals("2512", msr.getExpirationDate());
        assertEquals("101", msr.getServiceCode());
        assertEquals("123456789", MSR.text(msr.getTrack1DiscretionaryData()));
        assertEquals("5432", MSR.text(msr.getTrack2DiscretionaryData()));
    }

    @Test
    void rawStripeCodesCarryOddParity() throws Exception {
        msr.setParseDecodeData(true);
        msr.setDecodeData(false);
        assertFalse(msr.getParseDecodeData());
        Sim.swipe("M1", null, ";12=?", null, null);
        rec.await(1);
        // '1' is 0x01 -> one bit set, parity 0; '2' 0x02 -> 0x02; '=' 0x0D -> three bits, parity 0.
        assertArrayEquals(new byte[] {0x01, 0x02, 0x0D}, msr.getTrack2Data());
        Sim.swipe("M1", "%A?", null, null, null);
        msr.setDataEventEnabled(true);
        rec.await(2);
        // 'A' is 0x41 - 0x20 = 0x21, two bits set: parity bit 6 makes it odd.
        assertArrayEquals(new byte[] {0x61}, msr.getTrack1Data());
    }

    @Test
    void cardErrorReporting() throws Exception {
        Sim.swipe("M1", new String[] {T1, T2, null, null}, new int[] {0, MSRConst.JPOS_EMSR_PARITY, 0, 0});
        jpos.events.ErrorEvent e = error(rec.await(1).get(0));
        assertEquals(JposConst.JPOS_E_FAILURE, e.getErrorCode());
        assertEquals(JposConst.JPOS_EL_INPUT, e.getErrorLocus());
        assertEquals(0, msr.getTrack1Data().length);
    }

    @Test
    void trackErrorReportingKeepsTheGoodTracks() throws Exception {
        msr.setErrorReportingType(MSRConst.MSR_ERT_TRACK);
        Sim.swipe("M1", new String[] {T1, T2, ";123?", null},
                new int[] {0, MSRConst.JPOS_EMSR_LRC, MSRConst.JPOS_EMSR_START, 0});
        jpos.events.ErrorEvent e = error(rec.await(1).get(0));
        assertEquals(JposConst.JPOS_E_EXTENDED, e.getErrorCode());
        assertEquals(MSRConst.JPOS_EMSR_LRC << 8 | MSRConst.JPOS_EMSR_START << 16, e.getErrorCodeExtended());
        assertTrue(MSR.text(msr.getTrack1Data()).startsWith("B4111"));
        assertEquals(0, msr.getTrack2Data().length);
    }

    @Test
    void aCardWithNothingOnTheRequestedTracksIsUnreadable() throws Exception {
        msr.setTracksToRead(MSRConst.MSR_TR_3);
        Sim.swipe("M1", T1, T2, null, null);
        assertEquals(JposConst.JPOS_E_FAILURE, error(rec.await(1).get(0)).getErrorCode());
        String[] stats = {"UnreadableCardCount,GoodReadCount"};
        msr.retrieveStatistics(stats);
        assertTrue(stats[0].contains("<Name>UnreadableCardCount</Name>\n  <Value>1</Value>"), stats[0]);
    }

    @Test
    void badInputIsRefused() throws Exception {
        assertThrows(SimException.class, () -> Sim.swipe("M1", null, ";12A4?", null, null));
        assertThrows(SimException.class, () -> Sim.swipe("M1", "%b lower case?", null, null, null));
        fails(JposConst.JPOS_E_ILLEGAL, () -> msr.setTracksToRead(0));
        fails(JposConst.JPOS_E_ILLEGAL, () -> msr.setErrorReportingType(2));
        msr.setDeviceEnabled(false);
        assertThrows(SimException.class, () -> Sim.swipe("M1", T1, null, null, null));
    }
}
