package com.orv.sim;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.FileAlreadyExistsException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;
import java.nio.file.attribute.PosixFilePermissions;

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
                        answer(log, echo(line) + " -> " + SimControl.command(line));
                    }
                }
            } catch (IOException e) {
                SimLog.warn("control FIFO " + fifo + ": " + e + "; stopped");
                return;
            }
        }
    }

    /**
     * The command as the log shows it: PIN digits and the digits of card tracks masked, as every
     * log of the suite keeps cardholder data out ("pin P1 1234" shows as "pin P1 ****").
     */
    static String echo(String line) {
        String[] words = line.trim().split(" ", -1);
        if (words.length < 3 || !(words[0].equals("pin") || words[0].equals("swipe"))) {
            return line.trim();
        }
        StringBuilder sb = new StringBuilder(words[0]).append(' ').append(words[1]);
        for (int i = 2; i < words.length; ++i) {
            String w = words[i];
            // swipe: "<track>=<data>" keeps its track number; "fail<n>=<kind>" has no digits to hide.
            int keep = words[0].equals("swipe") && w.indexOf('=') > 0 ? w.indexOf('=') + 1 : 0;
            if (w.startsWith("fail")) {
                keep = w.length();
            }
            sb.append(' ').append(w, 0, keep).append(w.substring(keep).replaceAll("[0-9]", "*"));
        }
        return sb.toString();
    }

    private static void answer(String log, String text) {
        if (log == null || log.isEmpty()) {
            SimLog.warn(text);
            return;
        }
        Path file = Paths.get(log);
        try {
            // Owner and group only, like every log of the suite.
            Files.createFile(file, PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rw-r-----")));
        } catch (FileAlreadyExistsException e) {
            // appended to
        } catch (IOException | UnsupportedOperationException e) {
            // the append below reports what is wrong
        }
        try (PrintStream out = new PrintStream(Files.newOutputStream(file,
                StandardOpenOption.CREATE, StandardOpenOption.APPEND), true, StandardCharsets.UTF_8)) {
            out.println(text);
        } catch (IOException e) {
            SimLog.warn(text + " (log " + log + " unusable: " + e + ")");
        }
    }
}
