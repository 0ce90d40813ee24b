package com.orv.sim;

import com.orv.sim.device.DeviceService;
import com.orv.sim.device.LineDisplayService;
import com.orv.sim.device.SignatureService;
import com.orv.sim.terminal.Terminal;
import java.awt.Point;
import java.lang.reflect.Field;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import jpos.JposConst;
import jpos.JposException;
import jpos.MSRConst;
import jpos.ScannerConst;

/**
 * The text command language of the simulator, for native callers (JNI signature
 * "(Ljava/lang/String;)Ljava/lang/String;"), the control FIFO and scripts. Every command
 * answers "OK ..." or "ERR reason" and never throws. java/README.md documents the commands;
 * "help" lists them.
 */
public final class SimControl {
    @FunctionalInterface
    private interface Command {
        String run(List<String> a) throws JposException;
    }

    private record Row(String usage, int minArgs, Command command) {
    }

    private static final Map<String, Row> COMMANDS = new LinkedHashMap<>();
    private static final Map<String, Integer> POWER = Map.of("online", JposConst.JPOS_PS_ONLINE,
            "off", JposConst.JPOS_PS_OFF, "offline", JposConst.JPOS_PS_OFFLINE,
            "offoffline", JposConst.JPOS_PS_OFF_OFFLINE);
    private static final Map<String, Integer> TRACK_FAILURES = Map.of("start", MSRConst.JPOS_EMSR_START,
            "end", MSRConst.JPOS_EMSR_END, "parity", MSRConst.JPOS_EMSR_PARITY, "lrc", MSRConst.JPOS_EMSR_LRC);
    private static final Map<String, Integer> KEYS = Map.of("ENTER", 0x0D, "CANCEL", 0x1B, "CLEAR", 0x08,
            "F1", 0x70, "F2", 0x71, "F3", 0x72, "F4", 0x73);

    private static void row(String name, String usage, int minArgs, Command c) {
        COMMANDS.put(name, new Row(usage, minArgs, c));
    }

    static {
        row("help", "help", 0, a -> {
            StringBuilder sb = new StringBuilder("OK commands:");
            COMMANDS.values().forEach(r -> sb.append(" | ").append(r.usage));
            return sb.toString();
        });
        row("devices", "devices", 0, a -> {
            StringBuilder sb = new StringBuilder("OK");
            Sim.terminal().config().names().forEach((n, k) -> sb.append(' ').append(n).append('=')
                    .append(k.classWord()));
            return sb.toString();
        });
        row("show", "show <device>|terminal", 1, a -> {
            if (a.get(0).equals("terminal")) {
                return "OK " + Sim.terminal().describe();
            }
            StringBuilder sb = new StringBuilder("OK");
            for (DeviceService s : Sim.terminal().openServices()) {
                if (s.name().equals(a.get(0))) {
                    sb.append(" [").append(s.describe()).append(']');
                }
            }
            sb.append(" power=").append(Sim.terminal().powerState(a.get(0)));
            // A display's picture follows on lines of its own.
            for (DeviceService s : Sim.terminal().openServices()) {
                if (s.name().equals(a.get(0)) && s instanceof LineDisplayService d) {
                    d.render().forEach(line -> sb.append('\n').append(line));
                }
            }
            return sb.toString();
        });
        row("pin", "pin <device> <digits>|cancel", 2, a -> {
            if (a.get(1).equalsIgnoreCase("cancel")) {
                Sim.cancelPin(a.get(0));
            } else {
                Sim.enterPin(a.get(0), a.get(1));
            }
            return "OK";
        });
        row("swipe", "swipe <device> [1=<track>] [2=..] [3=..] [4=..] [fail<n>=start|end|parity|lrc]", 2, a -> {
            String[] tracks = new String[4];
            int[] failures = new int[4];
            for (String w : a.subList(1, a.size())) {
                int eq = w.indexOf('=');
                String key = eq < 0 ? "" : w.substring(0, eq);
                String value = w.substring(eq + 1);
                if (key.matches("[1-4]")) {
                    tracks[key.charAt(0) - '1'] = value;
                } else if (key.matches("fail[1-4]")) {
                    Integer code = TRACK_FAILURES.get(value.toLowerCase(Locale.ROOT));
                    if (code == null) {
                        throw new IllegalArgumentException("track failure is start, end, parity or lrc");
                    }
                    failures[key.charAt(4) - '1'] = code;
                } else {
                    throw new IllegalArgumentException("expected <track>=<data> or fail<track>=<kind>, got " + w);
                }
            }
            Sim.swipe(a.get(0), tracks, failures);
            return "OK";
        });
        row("sign", "sign <device> x,y ... (- lifts the pen) | sign <device> done", 2, a -> {
            if (a.get(1).equals("done")) {
                Sim.signDone(a.get(0));
                return "OK";
            }
            List<Point> points = new ArrayList<>();
            for (String w : a.subList(1, a.size())) {
                if (w.equals("-")) {
                    points.add(SignatureService.PEN_UP);
                } else {
                    String[] xy = w.split(",");
                    if (xy.length != 2) {
                        throw new IllegalArgumentException("a point is x,y: " + w);
                    }
                    points.add(new Point(Integer.parseInt(xy[0].trim()), Integer.parseInt(xy[1].trim())));
                }
            }
            Sim.sign(a.get(0), points);
            return "OK " + points.size() + " points";
        });
        row("scan", "scan <device> <symbology name or code> <label>", 3, a -> {
            Sim.scan(a.get(0), symbology(a.get(1)), a.get(2));
            return "OK";
        });
        row("key", "key <device> <code|ENTER|CANCEL|CLEAR|F1..F4|digit> [press|down|up]", 2, a -> {
            int code = keyCode(a.get(1));
            String how = a.size() > 2 ? a.get(2) : "press";
            switch (how) {
                case "press" -> Sim.keyPress(a.get(0), code);
                case "down" -> Sim.keyDown(a.get(0), code);
                case "up" -> Sim.keyUp(a.get(0), code);
                default -> throw new IllegalArgumentException("key action is press, down or up");
            }
            return "OK " + code;
        });
        row("power", "power <device>|all online|off|offline|offoffline", 2, a -> {
            Integer state = POWER.get(a.get(1).toLowerCase(Locale.ROOT));
            if (state == null) {
                throw new IllegalArgumentException("power state is online, off, offline or offoffline");
            }
            if (a.get(0).equals("all")) {
                Sim.powerAll(state);
            } else {
                Sim.power(a.get(0), state);
            }
            return "OK " + state;
        });
        row("error", "error <device> <code> [extended]", 2, a -> {
            Sim.error(a.get(0), number(a.get(1)), a.size() > 2 ? number(a.get(2)) : 0);
            return "OK";
        });
        row("status", "status <device> <code>", 2, a -> {
            Sim.status(a.get(0), number(a.get(1)));
            return "OK";
        });
        row("fail", "fail <device>|* <method> <code> [extended] [once|always]", 3, a -> {
            int ext = 0;
            boolean once = true;
            for (String w : a.subList(3, a.size())) {
                if (w.equals("once") || w.equals("always")) {
                    once = w.equals("once");
                } else {
                    ext = number(w);
                }
            }
            int code = number(a.get(2));
            if (once) {
                Sim.failNext(a.get(0), a.get(1), code, ext);
            } else {
                Sim.failAlways(a.get(0), a.get(1), code, ext);
            }
            return "OK";
        });
        row("unfail", "unfail <device>|* [method]", 1, a ->
                "OK " + Sim.clearFailures(a.get(0), a.size() > 1 ? a.get(1) : null));
        row("dio", "dio <device> hold|release|delay <ms>|answer <status> <text>|event <number> <data> <text>", 2, a -> {
            String dev = a.get(0);
            switch (a.get(1)) {
                case "hold" -> Sim.holdDirectIO(dev, true);
                case "release" -> {
                    return "OK " + Sim.holdDirectIO(dev, false);
                }
                case "delay" -> Sim.delayDirectIO(dev, number(arg(a, 2)));
                case "answer" -> Sim.plantAnswer(dev, number(arg(a, 2)), arg(a, 3));
                case "event" -> Sim.directIOEvent(dev, number(arg(a, 2)), number(arg(a, 3)), arg(a, 4));
                default -> throw new IllegalArgumentException("dio takes hold, release, delay, answer or event");
            }
            return "OK";
        });
        row("prompt", "prompt <device> <digits>|cancel", 2, a -> {
            Sim.answerPrompt(a.get(0), a.get(1).equalsIgnoreCase("cancel") ? null : a.get(1));
            return "OK";
        });
        row("terminal", "terminal error <code> <text>|error clear|set model|name|version|serial <text>", 2, a -> {
            if (a.get(0).equals("error")) {
                if (a.get(1).equals("clear")) {
                    Sim.terminalError(0, "");
                } else {
                    Sim.terminalError(number(a.get(1)), String.join(" ", a.subList(2, a.size())));
                }
                return "OK";
            }
            if (a.get(0).equals("set") && a.size() > 2) {
                Sim.setFact(Terminal.Fact.valueOf(a.get(1).toUpperCase(Locale.ROOT)),
                        String.join(" ", a.subList(2, a.size())));
                return "OK";
            }
            throw new IllegalArgumentException("terminal takes error or set");
        });
        row("reset", "reset", 0, a -> {
            Sim.reset();
            return "OK";
        });
    }

    private SimControl() {
    }

    /** Runs one command line; the answer starts with "OK" or "ERR". */
    public static String command(String line) {
        try {
            List<String> words = CommandLine.split(line == null ? "" : line.trim());
            if (words.isEmpty()) {
                return "ERR empty command";
            }
            Row r = COMMANDS.get(words.get(0).toLowerCase(Locale.ROOT));
            if (r == null) {
                return "ERR unknown command '" + words.get(0) + "' (try help)";
            }
            List<String> args = words.subList(1, words.size());
            if (args.size() < r.minArgs) {
                return "ERR usage: " + r.usage;
            }
            return r.command.run(args);
        } catch (JposException e) {
            return "ERR " + e.getMessage() + " (" + e.getErrorCode() + ")";
        } catch (RuntimeException e) {
            return "ERR " + (e.getMessage() == null ? e.toString() : e.getMessage());
        }
    }

    /** For a person at a shell: runs each argument, or each line of standard input, as a command. */
    public static void main(String[] args) throws java.io.IOException {
        if (args.length > 0) {
            System.out.println(command(String.join(" ", args)));
            return;
        }
        java.io.BufferedReader in = new java.io.BufferedReader(new java.io.InputStreamReader(System.in));
        for (String l = in.readLine(); l != null; l = in.readLine()) {
            System.out.println(command(l));
        }
    }

    private static String arg(List<String> a, int i) {
        if (i >= a.size()) {
            throw new IllegalArgumentException("missing argument " + (i + 1));
        }
        return a.get(i);
    }

    /**
     * A 32-bit number: decimal within the int range, or hexadecimal up to 0xFFFFFFFF (the bit
     * pattern). Anything wider is refused rather than cut to its low 32 bits.
     */
    static int number(String s) {
        String t = s.trim();
        boolean neg = t.startsWith("-");
        String body = neg ? t.substring(1) : t;
        boolean hex = body.startsWith("0x") || body.startsWith("0X");
        long v = hex ? Long.parseLong(body.substring(2), 16) : Long.parseLong(body);
        long signed = neg ? -v : v;
        long min = hex ? -0xFFFF_FFFFL : Integer.MIN_VALUE;
        long max = hex ? 0xFFFF_FFFFL : Integer.MAX_VALUE;
        if (signed < min || signed > max) {
            throw new IllegalArgumentException(t + " does not fit in 32 bits");
        }
        return (int) signed;
    }

    static int keyCode(String s) {
        Integer named = KEYS.get(s.toUpperCase(Locale.ROOT));
        if (named != null) {
            return named;
        }
        if (s.length() == 1 && Character.isDigit(s.charAt(0))) {
            return s.charAt(0);
        }
        return number(s);
    }

    /** A symbology by its code or by the name after SCAN_SDT_ (UPCA, EAN13, Code128, ...). */
    static int symbology(String s) {
        if (Character.isDigit(s.charAt(0))) {
            return number(s);
        }
        for (Field f : ScannerConst.class.getFields()) {
            if (f.getName().equalsIgnoreCase("SCAN_SDT_" + s)) {
                try {
                    return f.getInt(null);
                } catch (IllegalAccessException e) {
                    throw new IllegalStateException(e);
                }
            }
        }
        throw new IllegalArgumentException("unknown symbology " + s);
    }
}
