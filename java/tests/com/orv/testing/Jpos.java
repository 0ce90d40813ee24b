package com.orv.testing;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import jpos.BaseJposControl;
import jpos.JposException;
import org.junit.jupiter.api.function.Executable;

/** Small helpers of the Java tests. */
public final class Jpos {
    private Jpos() {
    }

    /** Asserts the call fails with that UnifiedPOS error code and returns the exception. */
    public static JposException fails(int code, Executable call) {
        JposException e = assertThrows(JposException.class, call);
        assertEquals(code, e.getErrorCode(), e.toString());
        return e;
    }

    /** open, claim, enable. */
    public static <T extends BaseJposControl> T ready(T control, String name) throws JposException {
        control.open(name);
        control.claim(1000);
        control.setDeviceEnabled(true);
        return control;
    }

    public static void closeQuietly(BaseJposControl... controls) {
        for (BaseJposControl c : controls) {
            try {
                if (c.getState() != BaseJposControl.JPOS_S_CLOSED) {
                    c.close();
                }
            } catch (JposException e) {
                // already closed
            }
        }
    }

    /** A private folder of this test class (set by CMake; a temporary one otherwise). */
    public static Path work() throws java.io.IOException {
        String w = System.getProperty("orv.test.work");
        Path p = w == null ? Files.createTempDirectory("orv-test") : Paths.get(w);
        Files.createDirectories(p);
        return p;
    }

    /** Starts a second JVM with the test class path running the given main class. */
    public static Process java(List<String> jvmOptions, String mainClass, String... args)
            throws java.io.IOException {
        List<String> cmd = new ArrayList<>();
        cmd.add(Paths.get(System.getProperty("java.home"), "bin", "java").toString());
        cmd.addAll(jvmOptions);
        cmd.add("-cp");
        cmd.add(System.getProperty("orv.test.classpath", System.getProperty("java.class.path")));
        cmd.add("-Dorv.sim.lockdir=" + System.getProperty("orv.sim.lockdir", work().resolve("locks").toString()));
        cmd.add(mainClass);
        cmd.addAll(List.of(args));
        return new ProcessBuilder(cmd).redirectErrorStream(true).start();
    }
}
