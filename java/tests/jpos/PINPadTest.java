package jpos;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.fails;
import static com.orv.testing.Recorder.data;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.sim.Sim;
import com.orv.sim.SimException;
import com.orv.sim.crypto.Des;
import com.orv.sim.crypto.Hex;
import com.orv.sim.crypto.PinBlock;
import com.orv.testing.Recorder;
import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The PIN pad's EFT flow, PIN encryption, MACs and keys. */
class PINPadTest {
    private PINPad pad;
    private Recorder rec;

    @BeforeEach
    void open() throws Exception {
        Sim.reset();
        pad = new PINPad();
        rec = Recorder.on(pad);
    }

    @AfterEach
    void close() {
        closeQuietly(pad);
    }

    private void transaction(String system) throws JposException {
        pad.open("P1");
        pad.claim(0);
        pad.setDataEventEnabled(true);
        pad.setAccountNumber("4012345678909");
        pad.setAmount(1_234_500L);
        pad.beginEFTTransaction(system, 1);
    }

    /** The example: enable before claim is 103; the PIN arrives on a terminal thread. */
    @Test
    void eftTransactionWithSimulatedPinEntry() throws Exception {
        pad.open("P1");
        fails(JposConst.JPOS_E_NOTCLAIMED, () -> pad.setDeviceEnabled(true));
        pad.claim(1000);
        pad.setDeviceEnabled(true);
        pad.setDataEventEnabled(true);
        pad.setAccountNumber("4012345678909");
        pad.setTransactionType(PINPadConst.PPAD_TRANS_DEBIT);
        pad.beginEFTTransaction("DUKPT", 1);
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.beginEFTTransaction("DUKPT", 1));
        pad.enablePINEntry();
        assertTrue(pad.getPINEntryEnabled());
        Sim.enterPin("P1", "1234");
        Recorder.Seen s = rec.await(1).get(0);
        assertEquals(PINPadConst.PPAD_SUCCESS, data(s).getStatus());
        assertEquals("orv-sim-events-P1", s.thread());
        assertNotEquals(Thread.currentThread().getName(), s.thread());
        // ANSI X9.24 test vector: BDK 0123..3210, KSN FFFF9876543210E00001, PIN 1234, PAN 4012345678909.
        assertEquals("1B9C1845EB993A7A", pad.getEncryptedPIN());
        assertEquals("FFFF9876543210E00001", pad.getAdditionalSecurityInformation());
        assertFalse(pad.getPINEntryEnabled());
        pad.endEFTTransaction(PINPadConst.PPAD_EFT_NORMAL);
        fails(JposConst.JPOS_E_ILLEGAL, pad::enablePINEntry);
    }

    @Test
    void dukptCounterAdvancesWithEachPin() throws Exception {
        transaction("DUKPT");
        for (int i = 1; i <= 3; i++) {
            pad.enablePINEntry();
            Sim.enterPin("P1", "1234");
            rec.await(i);
            assertEquals(String.format("FFFF9876543210E%05X", i), pad.getAdditionalSecurityInformation());
            pad.setDataEventEnabled(true);
        }
    }

    @Test
    void masterSessionEncryptsUnderTheSessionKey() throws Exception {
        transaction("M/S");
        byte[] master = Hex.parse("2".repeat(32));
        byte[] session = Hex.parse("0123456789ABCDEFFEDCBA9876543210");
        pad.directIO(0x400003, new int[] {2}, null);
        pad.directIO(0x400002, new int[] {0}, Hex.of(Des.tdesEncrypt(master, session)));
        pad.enablePINEntry();
        Sim.enterPin("P1", "987654");
        rec.await(3);
        byte[] expected = Des.tdesEncrypt(session, PinBlock.format0("987654", "4012345678909"));
        assertEquals(Hex.of(expected), pad.getEncryptedPIN());
        assertEquals(Hex.of(Des.checkValue(session)), pad.getAdditionalSecurityInformation());
    }

    @Test
    void cancelAndPinLengthLimits() throws Exception {
        transaction("M/S");
        pad.setMinimumPINLength(5);
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.setMaximumPINLength(4));
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.setMinimumPINLength(13));
        assertThrows(SimException.class, () -> Sim.enterPin("P1", "1234"));  // entry not enabled
        pad.enablePINEntry();
        assertThrows(SimException.class, () -> Sim.enterPin("P1", "1234"));
        assertThrows(SimException.class, () -> Sim.enterPin("P1", "12a45"));
        Sim.cancelPin("P1");
        assertEquals(PINPadConst.PPAD_CANCEL, data(rec.await(1).get(0)).getStatus());
        assertEquals("", pad.getEncryptedPIN());
    }

    @Test
    void macRoundTripsAndTamperingIsDetected() throws Exception {
        transaction("M/S");
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.computeMAC("x", new String[0]));
        String[] out = {""};
        pad.computeMAC("AMOUNT=123.45;ACCT=4012", out);
        assertTrue(out[0].startsWith("AMOUNT=123.45;ACCT=4012"));
        assertEquals(16 + 23, out[0].length());
        pad.verifyMAC(out[0]);
        fails(JposConst.JPOS_E_FAILURE, () -> pad.verifyMAC(out[0].replace("123.45", "923.45")));
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.verifyMAC("short"));
        pad.endEFTTransaction(PINPadConst.PPAD_EFT_ABNORMAL);
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.verifyMAC(out[0]));
    }

    @Test
    void propertiesAndValidation() throws Exception {
        pad.open("P1");
        pad.claim(0);
        pad.setAmount(5_000_000_000_0000L);  // above 2^31: all 64 bits survive
        assertEquals(5_000_000_000_0000L, pad.getAmount());
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.setAmount(-1));
        for (int t = 1; t <= 5; t++) {
            pad.setTransactionType(t);
            assertEquals(t, pad.getTransactionType());
        }
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.setTransactionType(0));
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.setTransactionType(6));
        pad.setPromptLanguage("English");
        assertEquals("EN,US", pad.getPromptLanguage());
        pad.setPromptLanguage("fr,fr");
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.setPromptLanguage("Klingon"));
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.setPrompt(13));
        pad.setTrack2Data(";4012345678909=2512?");
        assertEquals(";4012345678909=2512?", new String(pad.getTrack2Data(), "ISO-8859-1"));
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.beginEFTTransaction("APACS40", 1));
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.beginEFTTransaction("DUKPT", -1));
        assertTrue(pad.getDeviceServiceDescription().contains("JPOS"));
    }

    @Test
    void beginTransactionBringsAClaimedPadOnLine() throws Exception {
        pad.open("P1");
        fails(JposConst.JPOS_E_NOTCLAIMED, () -> pad.beginEFTTransaction("M/S", 1));
        pad.claim(0);
        assertFalse(pad.getDeviceEnabled());
        pad.beginEFTTransaction("M/S", 1);
        assertTrue(pad.getDeviceEnabled());
    }

    @Test
    void updateKeyTakesOnlyDesKeys() throws Exception {
        transaction("M/S");
        JposException e = fails(JposConst.JPOS_E_EXTENDED, () -> pad.updateKey(12345, "ABCDEF"));
        assertEquals(PINPadConst.JPOS_EPPAD_BAD_KEY, e.getErrorCodeExtended());
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.updateKey(-1, "0123456789ABCDEF"));
        pad.updateKey(12, "0123456789ABCDEFFEDCBA9876543210");
        pad.directIO(0x400003, new int[] {12}, null);
        pad.enablePINEntry();
        Sim.enterPin("P1", "4321");
        List<Recorder.Seen> seen = rec.await(2);
        assertEquals("12", ((com.orv.jpos.DirectIOData) Recorder.dio(seen.get(0)).getObject()).m_sDIOData);
        assertEquals(Hex.of(Des.tdesEncrypt(Hex.parse("0123456789ABCDEFFEDCBA9876543210"),
                PinBlock.format0("4321", "4012345678909"))), pad.getEncryptedPIN());
    }
}
