package com.orv.sim;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.fails;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.testing.Jpos;
import java.io.BufferedReader;
import java.io.InputStreamReader;
import java.io.Writer;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import jpos.JposConst;
import jpos.MSR;
import org.junit.jupiter.api.Test;

/** What needs a second process: exclusive claims, the example program and the control FIFO. */
class CrossProcessTest {
    private static String readLine(BufferedReader r, String expected) throws Exception {
        StringBuilder all = new StringBuilder();
        for (String l = r.readLine(); l != null; l = r.readLine()) {
            all.append(l).append('\n');
            if (l.startsWith(expected)) {
                return l;
            }
        }
        throw new AssertionError("no line starting with " + expected + " in:\n" + all);
    }

    /** The log's text once it holds the line (at most 5 s). */
    private static String awaitLogLine(Path log, String line) throws Exception {
        long end = System.currentTimeMillis() + 5000;
        String text = "";
        while (System.currentTimeMillis() < end) {
            text = Files.exists(log) ? Files.readString(log) : "";
            if (text.contains(line)) {
                return text;
            }
            Thread.sleep(10);
        }
        throw new AssertionError("no line '" + line + "' in the control log:\n" + text);
    }

    @Test
    void aClaimHeldByAnotherProcessGivesClaimedOrTimeout() throws Exception {
        Process holder = Jpos.java(List.of(), "com.orv.testing.HoldClaim", "M1");
        MSR msr = new MSR();
        try {
            BufferedReader out = new BufferedReader(new InputStreamReader(holder.getInputStream()));
            readLine(out, "CLAIMED");
            msr.open("M1");
            fails(JposConst.JPOS_E_CLAIMED, () -> msr.claim(0));
            fails(JposConst.JPOS_E_TIMEOUT, () -> msr.claim(200));
            holder.getOutputStream().close();  // the holder closes and exits
            assertTrue(holder.waitFor(20, TimeUnit.SECONDS));
            msr.claim(5000);
            assertTrue(msr.getClaimed());
        } finally {
            holder.destroyForcibly().waitFor(20, TimeUnit.SECONDS);  // its claim must not outlive the test
            closeQuietly(msr);
        }
    }

    @Test
    void aDeadHolderLeavesNoClaimBehind() throws Exception {
        Process holder = Jpos.java(List.of(), "com.orv.testing.HoldClaim", "M1");
        MSR msr = new MSR();
        try {
            readLine(new BufferedReader(new InputStreamReader(holder.getInputStream())), "CLAIMED");
            holder.destroyForcibly().waitFor(20, TimeUnit.SECONDS);
            msr.open("M1");
            msr.claim(5000);
        } finally {
            closeQuietly(msr);
        }
    }

    @Test
    void theEftExampleProgramRunsItsTransaction() throws Exception {
        Process p = Jpos.java(List.of(), "com.orv.sim.demo.EftDemo", "1234");
        List<String> lines = new ArrayList<>();
        try (BufferedReader r = new BufferedReader(new InputStreamReader(p.getInputStream()))) {
            for (String l = r.readLine(); l != null; l = r.readLine()) {
                lines.add(l);
            }
        }
        assertTrue(p.waitFor(30, TimeUnit.SECONDS));
        assertEquals(0, p.exitValue(), String.join("\n", lines));
        assertEquals("enable before claim: JposException 103", lines.get(0));
        assertEquals("DataEvent status=1 thread=orv-sim-events-P1 EncryptedPIN=1B9C1845EB993A7A "
                + "AdditionalSecurityInformation=FFFF9876543210E00001", lines.get(1));
        assertEquals("caller thread=main", lines.get(2));
    }

    @Test
    void aPersonDrivesARunningProgramThroughTheControlFifo() throws Exception {
        Path work = Jpos.work();
        Path fifo = work.resolve("control.fifo");
        Path log = work.resolve("control.log");
        Files.deleteIfExists(fifo);
        Files.deleteIfExists(log);
        Process p = Jpos.java(List.of("-Dorv.sim.control=" + fifo, "-Dorv.sim.control.log=" + log),
                "com.orv.testing.FifoListener");
        try {
            BufferedReader out = new BufferedReader(new InputStreamReader(p.getInputStream()));
            readLine(out, "READY");
            try (Writer w = Files.newBufferedWriter(fifo, StandardCharsets.UTF_8)) {
                w.write("bogus\n");
                w.write("swipe M1 1=%B4111^DOE/JOHN^2512?\n");
            }
            assertEquals("DATA B4111^DOE/JOHN^2512", readLine(out, "DATA"));
            // The swipe's data event can reach the program before the FIFO reader logs "OK".
            // The echo masks the track's digits; the log is owner and group only.
            String answers = awaitLogLine(log, "swipe M1 1=%B****^DOE/JOHN^****? -> OK");
            assertTrue(answers.contains("bogus -> ERR unknown command 'bogus'"), answers);
            assertEquals("rw-r-----", PosixFilePermissions.toString(Files.getPosixFilePermissions(log)));
            p.getOutputStream().close();
            assertTrue(p.waitFor(20, TimeUnit.SECONDS));
        } finally {
            p.destroyForcibly().waitFor(20, TimeUnit.SECONDS);
        }
    }
}
