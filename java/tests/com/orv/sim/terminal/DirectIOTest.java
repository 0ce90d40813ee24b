package com.orv.sim.terminal;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.fails;
import static com.orv.testing.Recorder.dio;
import static com.orv.testing.Recorder.status;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.jpos.DirectIOData;
import com.orv.sim.Sim;
import com.orv.testing.Jpos;
import com.orv.testing.Recorder;
import java.awt.Point;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Set;
import java.util.TreeSet;
import java.util.stream.Collectors;
import java.util.stream.Stream;
import jpos.JposConst;
import jpos.PINPad;
import jpos.events.DirectIOEvent;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;

/** Every DirectIO command code of the terminal, its answers, malformed objects and answer routing. */
class DirectIOTest {
    private static Path file(String name, String content) throws Exception {
        Path p = Jpos.work().resolve(name);
        Files.writeString(p, content);
        return p;
    }

    private PINPad pad;
    private Recorder rec;

    @BeforeEach
    void open() throws Exception {
        Sim.reset();
        pad = new PINPad();
        pad.open("P1");
        pad.claim(0);
        rec = Recorder.on(pad);
    }

    @AfterEach
    void close() {
        closeQuietly(pad);
    }

    private static List<Object> list(Object... o) {
        return new ArrayList<>(Arrays.asList(o));
    }

    private static Byte[] bytes(int... b) {
        Byte[] r = new Byte[b.length];
        for (int i = 0; i < b.length; i++) {
            r[i] = (byte) b[i];
        }
        return r;
    }

    /** code, data value, object, expected status, expected answer text. */
    static Stream<Arguments> commands() throws Exception {
        String bmp = file("logo.bmp", "BM fake bitmap").toString();
        String fw = file("fw.schex", "model=ZR8850\nversion=5.0.0\n").toString();
        String script = file("s.bin", "main:\n  display 1,1,hi\n  end\n").toString();
        return Stream.of(
                Arguments.of(0x3280, 0, list(new Point(10, 10), "Go Cubs!"), 0, "OK"),
                Arguments.of(0x3238, 0, list(1), 0, "FONT_8x16"),
                Arguments.of(0x3240, 0, null, 0, "OK"),
                Arguments.of(0x32F1, 0, null, 0, "OK"),
                Arguments.of(0x32F0, 0, null, Answer.NOT_FOUND, "No logo file set"),
                Arguments.of(0x3290, 0, list(bmp, new Point(5, 6)), 0, "OK"),
                Arguments.of(0x400001, 0, list(bmp), 0, "OK"),
                Arguments.of(0x3251, 0, list(new Point(10, 10), new Point(100, 100)), 0, "OK"),
                Arguments.of(0x400002, 0, "0123456789ABCDEF", 0, "OK"),
                Arguments.of(0x400003, 2, null, 0, "2"),
                Arguments.of(0x1000, 0, null, 0, "1"),
                Arguments.of(0x1001, 0, null, 0, "OK"),
                Arguments.of(0x1028, 0, null, 0, "ZR8850"),
                Arguments.of(0x1029, 0, null, 0, "ZR88-SIM"),
                Arguments.of(0x102A, 0, null, 0, "4.2.1"),
                Arguments.of(0x1050, 0, null, 0, "0"),
                Arguments.of(0x1051, 0, null, 0, "0,No error"),
                Arguments.of(0x1054, 0, list((Object) bytes(1, 0)), 0, "1"),
                Arguments.of(0x10F0, 0, null, 0, "OK"),
                Arguments.of(0x10FD, 0, list(fw), 0, "5.0.0"),
                Arguments.of(0x1401, 0, null, 0, "OK"),
                Arguments.of(0x1410, 0, list("X"), Answer.NOT_FOUND, "No variable X"),
                Arguments.of(0x1420, 0, null, 0, "0"),
                Arguments.of(0x1421, 0, null, 0, "0"),
                Arguments.of(0x1422, 0, null, 0, "0"),
                Arguments.of(0x1430, 0, list("AUTORUN", "main"), Answer.NOT_FOUND, "No script AUTORUN"),
                Arguments.of(0x1490, 0, list("main"), Answer.NOT_FOUND, "No script has run"),
                Arguments.of(0x1491, 0, list("V"), Answer.NOT_FOUND, "No variable V"),
                Arguments.of(0x1443, 0, null, 0, "OK"),
                Arguments.of(0x1412, 0, list("S", script), 0, "3 lines"),
                Arguments.of(0x2020, 0, null, 0, "262144"),
                Arguments.of(0x2031, 0, 5, Answer.NOT_FOUND, "No variable with ID 5"),
                Arguments.of(0x2032, 0, 5, Answer.NOT_FOUND, "No variable with ID 5"),
                Arguments.of(0x2062, 0, list("V"), Answer.NOT_FOUND, "No variable V"),
                Arguments.of(0x2070, 0, list("ABC", bytes(0x29, 0x10, 0, 0)), 0, "4137"),
                Arguments.of(0x2078, 0, list("V"), Answer.NOT_FOUND, "No variable V"),
                Arguments.of(0x2810, 0, list("V"), Answer.NOT_FOUND, "No variable V"),
                Arguments.of(0x2812, 0, list("V", "hello"), 0, "1"),
                Arguments.of(0x2814, 0, list("V"), Answer.NOT_FOUND, "No variable V"),
                Arguments.of(0x2061, 0, list("V"), Answer.NOT_FOUND, "No variable V"),
                Arguments.of(0x6050, 0, list("Amount", 6, 2), -1, null));
    }

    @ParameterizedTest(name = "0x{0}")
    @MethodSource("commands")
    void everyCommandIsAnsweredByADirectIOEvent(int code, int data, Object object, int status, String text)
            throws Exception {
        pad.directIO(code, new int[] {data}, object);
        if (status < 0) {
            assertTrue(rec.settle().isEmpty(), "answered only when the customer has typed");
            Sim.answerPrompt("P1", "1250");
            status = 0;
            text = "12.50";
        }
        DirectIOEvent e = dio(rec.await(1).get(0));
        assertEquals(status, e.getEventNumber());
        assertEquals(code, e.getData());
        assertEquals(text, ((DirectIOData) e.getObject()).m_sDIOData);
        assertEquals("orv-sim-events-P1", rec.await(1).get(0).thread());
    }

    @Test
    void theTableCoversEveryCommandCode() throws Exception {
        Set<Integer> tested = commands().map(a -> (Integer) a.get()[0]).collect(Collectors.toCollection(TreeSet::new));
        assertEquals(new TreeSet<>(DirectIOCommands.all().keySet()), tested);
    }

    /** Every command that takes an object refuses objects of another shape with E_ILLEGAL. */
    @Test
    void malformedObjectsAreIllegal() throws Exception {
        Object[] wrong = {null, "text", 7, list(), list(1, 2, 3, 4), list(new Object())};
        int refused = 0;
        for (DirectIOCommands.Command c : DirectIOCommands.all().values()) {
            if (!c.shape().takesObject()) {
                continue;
            }
            for (Object o : wrong) {
                boolean fits;
                try {
                    c.shape().check(o);
                    fits = true;
                } catch (jpos.JposException e) {
                    fits = false;
                }
                if (!fits) {
                    fails(JposConst.JPOS_E_ILLEGAL, () -> pad.directIO(c.code(), new int[1], o));
                    refused++;
                }
            }
        }
        assertTrue(refused > 100, "refused " + refused);
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.directIO(0x1054, null, list((Object) new Byte[] {1, null})));
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.directIO(0x1054, null, list((Object) bytes(1))));
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.directIO(0x4242, new int[1], null));
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.directIO(0x3280, new int[1], list(new Point(999, 0), "x")));
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.directIO(0x3238, new int[1], list(9)));
        fails(JposConst.JPOS_E_ILLEGAL, () -> pad.directIO(0x400002, new int[1], "XYZ"));
        fails(JposConst.JPOS_E_NOEXIST, () -> pad.directIO(0x3290, new int[1], list("/no/such.bmp", new Point())));
        fails(JposConst.JPOS_E_NOEXIST, () -> pad.directIO(0x1412, new int[1], list("S", "/no/such.bin")));
        assertTrue(rec.settle().isEmpty());
    }

    private String ask(int code, Object object) throws Exception {
        rec.clear();
        pad.directIO(code, new int[1], object);
        DirectIOEvent e = dio(rec.await(1).get(0));
        return e.getEventNumber() + ":" + ((DirectIOData) e.getObject()).m_sDIOData;
    }

    @Test
    void variablesLiveInTheTerminal() throws Exception {
        assertEquals("0:1", ask(0x2812, list("TOTAL", "12.50")));
        assertEquals("0:1", ask(0x2810, list("TOTAL")));
        assertEquals("0:12.50", ask(0x2814, list("TOTAL")));
        assertEquals("0:1", ask(0x2062, list("TOTAL")));
        assertEquals("0:TOTAL", ask(0x2032, 1));
        assertTrue(Integer.parseInt(ask(0x2020, null).substring(2)) < Variables.MEMORY_BYTES);
        assertEquals("0:4137", ask(0x2070, list("ABC", bytes(0x29, 0x10, 0x00, 0x00))));
        assertEquals("3:Variable name TOTAL is in use by ID 1", ask(0x2070, list("TOTAL", bytes(0x29, 0x10))));
        assertEquals("2:ABC is not a text variable", ask(0x2814, list("ABC")));
        assertEquals("0:TOTAL", ask(0x2031, 1));
        assertEquals("1:No variable TOTAL", ask(0x2078, list("TOTAL")));
        assertEquals("0:4137", ask(0x2061, list("ABC")));
        assertEquals("0:" + Variables.MEMORY_BYTES, ask(0x2020, null));
        assertEquals("4:Not enough memory for BIG", ask(0x2812, list("BIG", "x".repeat(Variables.MEMORY_BYTES))));
    }

    @Test
    void scriptsRunOnTheTerminal() throws Exception {
        Path s = file("run.bin", """
                # greeting script
                main:
                  set GREETING,hello
                  display 10,20,$GREETING
                  notify said $GREETING
                  pause
                  notify resumed
                  end
                second:
                  notify at second
                  goto main
                """);
        assertEquals("0:11 lines", ask(0x1412, list("AUTORUN", s.toString())));
        assertEquals("0:1", ask(0x1410, list("AUTORUN")));
        assertEquals("0:1", ask(0x1420, null));
        rec.clear();
        pad.directIO(0x1430, new int[1], list("AUTORUN", "main"));
        List<Recorder.Seen> seen = rec.await(2);
        assertEquals("OK", ((DirectIOData) dio(seen.get(0)).getObject()).m_sDIOData);
        assertEquals(ScriptEngine.NOTIFY_CODE, dio(seen.get(1)).getData());
        assertEquals("said hello", ((DirectIOData) dio(seen.get(1)).getObject()).m_sDIOData);
        waitUntil(() -> Sim.terminal().scripts().isPaused());
        assertEquals("0:1", ask(0x1422, null));
        assertEquals("0:3", ask(0x2812, list("JUMP", "second")));
        rec.clear();
        pad.directIO(0x1491, new int[1], list("JUMP"));
        seen = rec.await(3);
        assertEquals("at second", ((DirectIOData) dio(seen.get(1)).getObject()).m_sDIOData);
        assertEquals("said hello", ((DirectIOData) dio(seen.get(2)).getObject()).m_sDIOData);
        assertTrue(Sim.terminal().display().contents().contains("text 10,20 FONT_8x8 \"hello\""));
        assertEquals("0:OK", ask(0x1443, null));
        assertEquals("0:0", ask(0x1421, null));
        assertEquals("1:Script AUTORUN has no label nowhere", ask(0x1430, list("AUTORUN", "nowhere")));
    }

    @Test
    void aFaultyScriptStopsAndSetsTheErrorState() throws Exception {
        Path s = file("bad.bin", "main:\n  frobnicate\n");
        ask(0x1412, list("BAD", s.toString()));
        ask(0x1430, list("BAD", "main"));
        waitUntil(() -> Sim.terminal().errorCode() != 0);
        assertEquals("0:1", ask(0x1050, null));
        assertTrue(ask(0x1051, null).startsWith("0:50,Script BAD line 2: unknown statement"));
        assertEquals("0:OK", ask(0x1001, null));
        assertEquals("0:0", ask(0x1050, null));
    }

    @Test
    void answersCanBeHeldDelayedOrPlanted() throws Exception {
        Sim.holdDirectIO("P1", true);
        pad.directIO(0x1028, new int[1], null);
        pad.directIO(0x1029, new int[1], null);
        assertTrue(rec.settle().isEmpty());
        assertEquals(2, Sim.holdDirectIO("P1", false));
        List<Recorder.Seen> seen = rec.await(2);
        assertEquals(0x1028, dio(seen.get(0)).getData());
        assertEquals(0x1029, dio(seen.get(1)).getData());
        Sim.plantAnswer("P1", 9, "PLANTED");
        assertEquals("9:PLANTED", ask(0x1028, null));
        assertEquals("0:ZR8850", ask(0x1028, null));
        Sim.delayDirectIO("P1", 200);
        long start = System.nanoTime();
        assertEquals("0:ZR8850", ask(0x1028, null));
        assertTrue(System.nanoTime() - start >= 190_000_000L);
    }

    @Test
    void rebootTakesTheDevicesOffLineBriefly() throws Exception {
        pad.setPowerNotify(JposConst.JPOS_PN_ENABLED);
        pad.setDeviceEnabled(true);
        rec.await(1);
        rec.clear();
        pad.directIO(0x10F0, new int[1], null);
        List<Recorder.Seen> seen = rec.await(3);
        assertEquals(0x10F0, dio(seen.get(0)).getData());
        assertEquals(JposConst.JPOS_SUE_POWER_OFF_OFFLINE, status(seen.get(1)).getStatus());
        assertEquals(JposConst.JPOS_SUE_POWER_ONLINE, status(seen.get(2)).getStatus());
    }

    /** A reset while a reboot and a firmware update are under way leaves neither anything to do. */
    @Test
    void aResetDropsTheTerminalsTimedWork() throws Exception {
        pad.setDeviceEnabled(true);
        Path fw = file("reset.fw", "version=9.9.9\n");
        pad.updateFirmware(fw.toString());
        pad.directIO(0x10F0, new int[1], null);
        Sim.reset();
        int beforeReset = rec.settle().size();
        assertEquals(beforeReset, rec.settle(400).size(), "events after the reset");  // reboot: 300 ms
        assertEquals("4.2.1", Sim.terminal().fact(Terminal.Fact.VERSION));
        assertEquals(JposConst.JPOS_PS_ONLINE, Sim.terminal().powerState("P1"));
        assertEquals(JposConst.JPOS_S_IDLE, pad.getState());
        pad.updateFirmware(fw.toString());  // no update is left running
    }

    @Test
    void numberPromptCanBeCancelled() throws Exception {
        pad.directIO(0x6050, new int[1], list("PIN?", 4, 0));
        org.junit.jupiter.api.Assertions.assertThrows(com.orv.sim.SimException.class,
                () -> Sim.answerPrompt("P1", "12345"));
        Sim.answerPrompt("P1", null);
        DirectIOEvent e = dio(rec.await(1).get(0));
        assertEquals(Answer.CANCELLED, e.getEventNumber());
        org.junit.jupiter.api.Assertions.assertThrows(com.orv.sim.SimException.class,
                () -> Sim.answerPrompt("P1", "1"));
    }

    private static void waitUntil(java.util.function.BooleanSupplier c) throws InterruptedException {
        long end = System.currentTimeMillis() + 5000;
        while (!c.getAsBoolean()) {
            if (System.currentTimeMillis() > end) {
                throw new AssertionError("condition not reached");
            }
            Thread.sleep(5);
        }
    }
}
