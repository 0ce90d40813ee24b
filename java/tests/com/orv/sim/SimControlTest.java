package com.orv.sim;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.ready;
import static com.orv.testing.Recorder.data;
import static com.orv.testing.Recorder.dio;
import static com.orv.testing.Recorder.error;
import static com.orv.testing.Recorder.status;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.jpos.DirectIOData;
import com.orv.testing.Recorder;
import java.util.List;
import jpos.JposConst;
import jpos.LineDisplay;
import jpos.MSR;
import jpos.PINPad;
import jpos.POSKeyboard;
import jpos.Scanner;
import jpos.SignatureCapture;
import org.junit.jupiter.api.AfterAll;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** The text command language, command by command, against open devices. */
class SimControlTest {
    private static PINPad pad;
    private static MSR msr;
    private static POSKeyboard kbd;
    private static Scanner scanner;
    private static SignatureCapture sig;
    private static LineDisplay display;

    @BeforeAll
    static void open() throws Exception {
        pad = ready(new PINPad(), "P1");
        msr = ready(new MSR(), "M1");
        kbd = ready(new POSKeyboard(), "K1");
        scanner = ready(new Scanner(), "SCAN1");
        sig = ready(new SignatureCapture(), "S1");
        display = ready(new LineDisplay(), "L1");
    }

    @AfterAll
    static void close() {
        closeQuietly(pad, msr, kbd, scanner, sig, display);
    }

    @BeforeEach
    void reset() {
        assertEquals("OK", SimControl.command("reset"));
    }

    /** Commands and the start of their answers; none may throw. */
    @ParameterizedTest(name = "[{index}] {0}")
    @CsvSource(delimiter = '#', value = {
        "''#ERR empty command",
        "frobnicate#ERR unknown command 'frobnicate' (try help)",
        "help#OK commands:",
        "devices#OK P1=PINPad S1=SignatureCapture L1=LineDisplay M1=MSR K1=POSKeyboard T1=ToneIndicator SCAN1=Scanner",
        "pin P1#ERR usage: pin <device> <digits>|cancel",
        "pin P1 1234#ERR PIN entry is not enabled on P1",
        "pin NOPE 1234#ERR no device NOPE",
        "pin M1 1234#ERR device M1 is a MSR",
        "pin T1 1234#ERR device T1 is not claimed in this process",
        "swipe M1 5=x#ERR expected <track>=<data> or fail<track>=<kind>, got 5=x",
        "swipe M1 2=;12?  fail1=smudge#ERR track failure is start, end, parity or lrc",
        "sign S1 1,2#ERR no capture is in progress on S1",
        "sign S1 1;2#ERR a point is x,y: 1;2",
        "scan SCAN1 Code128 ABC#OK",
        "scan SCAN1 WIBBLE ABC#ERR unknown symbology WIBBLE",
        "scan SCAN1 UPCA 012345678901#ERR bad check digit, expected 5",
        "key K1 ENTER#OK 13",
        "key K1 7 down#OK 55",
        "key K1 0x41 sideways#ERR key action is press, down or up",
        "key K1 0xFFFFFFFF#OK -1",
        "key K1 -2147483648#OK -2147483648",
        "key K1 0x1FFFFFFFF#ERR 0x1FFFFFFFF does not fit in 32 bits",
        "key K1 2147483648#ERR 2147483648 does not fit in 32 bits",
        "status K1 -99999999999#ERR -99999999999 does not fit in 32 bits",
        "power K1 flaky#ERR power state is online, off, offline or offoffline",
        "power all online#OK 2001",
        "fail * claim 106 once#OK",
        "unfail * claim#OK 0",
        "dio P1 juggle#ERR dio takes hold, release, delay, answer or event",
        "dio P1 delay -5#ERR delay must not be negative",
        "prompt P1 123#ERR no number prompt is shown for P1",
        "terminal set model ZR8899#OK",
        "terminal set colour red#ERR No enum constant com.orv.sim.terminal.Terminal.Fact.COLOUR",
        "terminal error 7 Paper out#OK",
        "show terminal#OK model=ZR8850",
        "error L1 111#ERR a line display raises no error events",
        "status K1 notanumber#ERR For input string: \"notanumber\"",
        "swipe M1 \"1=%B123^A/B^2512?#ERR unterminated quote",
    })
    void commandAnswers(String line, String expected) {
        String answer = SimControl.command(line);
        assertTrue(answer.startsWith(expected), answer);
    }

    @Test
    void inputCommandsReachTheDevices() throws Exception {
        Recorder pins = Recorder.on(pad);
        pad.setDataEventEnabled(true);
        pad.beginEFTTransaction("M/S", 1);
        pad.enablePINEntry();
        assertEquals("OK", SimControl.command("pin P1 4321"));
        assertEquals(1, data(pins.await(1).get(0)).getStatus());
        pad.endEFTTransaction(1);

        Recorder cards = Recorder.on(msr);
        msr.setDataEventEnabled(true);
        assertEquals("OK", SimControl.command("swipe M1 \"1=%B4111111111111111^DOE/JOHN^2512101?\" 2=;4111111111111111=2512101?"));
        data(cards.await(1).get(0));
        assertEquals("B4111111111111111^DOE/JOHN^2512101", MSR.text(msr.getTrack1Data()));
        msr.setDataEventEnabled(true);
        assertEquals("OK", SimControl.command("swipe M1 1=%B1^A/B^2512? fail2=lrc"));
        assertEquals(JposConst.JPOS_E_FAILURE, error(cards.await(2).get(1)).getErrorCode());

        Recorder strokes = Recorder.on(sig);
        sig.setDataEventEnabled(true);
        sig.beginCapture("Sign");
        assertEquals("OK 4 points", SimControl.command("sign S1 1,2 3,4 - 5,6"));
        assertEquals("OK", SimControl.command("sign S1 done"));
        strokes.await(1);
        assertEquals(4, sig.getPointArray().length);

        Recorder keys = Recorder.on(kbd);
        assertEquals("OK", SimControl.command("status K1 77"));
        assertEquals("OK", SimControl.command("dio K1 event 5 0x1234 hello world"));
        List<Recorder.Seen> seen = keys.await(2);
        assertEquals(77, status(seen.get(0)).getStatus());
        assertEquals(0x1234, dio(seen.get(1)).getData());
        assertEquals("hello", ((DirectIOData) dio(seen.get(1)).getObject()).m_sDIOData);
    }

    @Test
    void plantedFailuresAndHeldAnswersThroughText() throws Exception {
        assertEquals("OK", SimControl.command("fail P1 getDeviceEnabled 105 3 always"));
        for (int i = 0; i < 2; i++) {
            jpos.JposException e = org.junit.jupiter.api.Assertions.assertThrows(jpos.JposException.class,
                    pad::getDeviceEnabled);
            assertEquals(105, e.getErrorCode());
            assertEquals(3, e.getErrorCodeExtended());
        }
        assertEquals("OK 1", SimControl.command("unfail P1"));
        assertTrue(pad.getDeviceEnabled());
        Recorder answers = Recorder.on(pad);
        assertEquals("OK", SimControl.command("dio P1 hold"));
        pad.directIO(0x1028, new int[1], null);
        assertTrue(answers.settle().isEmpty());
        assertEquals("OK 1", SimControl.command("dio P1 release"));
        answers.await(1);
        assertTrue(SimControl.command("show P1").contains("claimed=true"));
        assertTrue(SimControl.command("show L1").contains("screen="));
    }

    /** The control log's echo of a command: PIN digits and track digits never in clear. */
    @ParameterizedTest
    @CsvSource(delimiter = '|', value = {
        "pin P1 1234|pin P1 ****",
        "  pin P1 0000  |pin P1 ****",
        "pin P1 cancel|pin P1 cancel",
        "swipe M1 1=%B4111111111111111^DOE/JOHN^2512101? 2=;4111111111111111=2512101?"
            + "|swipe M1 1=%B****************^DOE/JOHN^*******? 2=;****************=*******?",
        "swipe M1 2=;41=25? fail3=lrc|swipe M1 2=;**=**? fail3=lrc",
        "show P1|show P1",
        "scan SCAN1 EAN13 4006381333931|scan SCAN1 EAN13 4006381333931",
    })
    void controlLogEchoMasksPinAndTrackDigits(String line, String echoed) {
        assertEquals(echoed, ControlFifo.echo(line));
    }
}
