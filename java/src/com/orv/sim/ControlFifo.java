package com.orv.sim;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;

/**
 * Lets a person drive the simulator of a running program: when ORV_SIM_CONTROL (or the
 * property orv.sim.control) names a path, a FIFO is made there if missing and every line
 * written to it runs as a SimControl command. Answers go to the file named by
 * ORV_SIM_CONTROL_LOG (appended), else to standard error. The reader is a daemon thread, so
 * it never holds up the end of the program.
 */
public final class ControlFifo {
    private static boolean started;

    private ControlFifo() {
    }

    public static synchronized void startOnce() {
        if (started) {
            return;
        }
        started = true;
        String path = System.getProperty("orv.sim.control", System.getenv("ORV_SIM_CONTROL"));
        if (path == null || path.isEmpty()) {
            return;
        }
        Path fifo = Paths.get(path);
        try {
            if (!Files.exists(fifo)) {
                Process p = new ProcessBuilder("mkfifo", fifo.toString()).inheritIO().start();
                if (p.waitFor() != 0) {
                    SimLog.warn("cannot create control FIFO " + fifo);
                    return;
                }
            } else if (Files.isRegularFile(fifo)) {
                SimLog.warn("control path " + fifo + " is a regular file, not a FIFO; ignored");
                return;
            }
        } catch (IOException e) {
            SimLog.warn("cannot create control FIFO " + fifo + ": " + e);
            return;
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            return;
        }
        String log = System.getProperty("orv.sim.control.log", System.getenv("ORV_SIM_CONTROL_LOG"));
        Thread t = new Thread(() -> serve(fifo, log), "orv-sim-control");
        t.setDaemon(true);
        t.start();
    }

    private static void serve(Path fifo, String log) {
        while (true) {
            // Opening blocks until a writer comes; end of file means the writer went away.
            try (BufferedReader in = Files.newBufferedReader(fifo, StandardCharsets.UTF_8)) {
                for (String line = in.readLine(); line != null; line = in.readLine()) {
                    if (!line.isBlank()) {
                        answer(log, line.trim() + " -> " + SimControl.command(line));
                    }
                }
            } catch (IOException e) {
                SimLog.warn("control FIFO " + fifo + ": " + e + "; stopped");
                return;
            }
        }
    }

    private static void answer(String log, String text) {
        if (log == null || log.isEmpty()) {
            SimLog.warn(text);
            return;
        }
        try (PrintStream out = new PrintStream(Files.newOutputStream(Paths.get(log),
                StandardOpenOption.CREATE, StandardOpenOption.APPEND), true, StandardCharsets.UTF_8)) {
            out.println(text);
        } catch (IOException e) {
            SimLog.warn(text + " (log " + log + " unusable: " + e + ")");
        }
    }
}
