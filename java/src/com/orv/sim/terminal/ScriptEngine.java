package com.orv.sim.terminal;

import com.orv.jpos.DirectIOData;
import com.orv.sim.device.DeviceService;
import java.util.HashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import jpos.JposException;
import jpos.events.DirectIOEvent;

/**
 * Runs the terminal's downloaded scripts, one at a time, on the terminal's script thread.
 * A script is text, one statement per line; "name:" marks a label, "#" starts a comment:
 *
 *   display x,y,text   draw text          box x,y,w,h   draw a box
 *   clear              clear the screen   font n        choose a font
 *   set name,value     set a text variable
 *   wait ms            pause for a time   pause         wait for a goto from the host
 *   goto label         jump               notify text   send text to the host
 *   end                stop
 *
 * In the text of display and notify, $name stands for the text variable of that name.
 * A faulty statement stops the script and puts the terminal in its error state.
 */
public final class ScriptEngine {
    /** Status of the notification events a script sends (DirectIO event data). */
    public static final int NOTIFY_CODE = 0x1430;
    public static final int SCRIPT_ERROR_CODE = 50;

    private final Terminal terminal;
    private Thread worker;
    private String script;
    private List<String> lines = List.of();
    private Map<String, Integer> labels = Map.of();
    private int pc;
    private boolean running;
    private boolean paused;
    private long generation;
    private DeviceService owner;

    ScriptEngine(Terminal terminal) {
        this.terminal = terminal;
    }

    public synchronized Answer run(DeviceService from, String name, String label) {
        Variables.Variable v = terminal.variables().byName(name);
        if (v == null) {
            return Answer.fail(Answer.NOT_FOUND, "No script " + name);
        }
        if (v.type() != Variables.Type.SCRIPT) {
            return Answer.fail(Answer.WRONG_TYPE, name + " is not a script");
        }
        List<String> body = List.of(v.text().split("\r?\n", -1));
        Map<String, Integer> found = new HashMap<>();
        for (int i = 0; i < body.size(); i++) {
            String l = body.get(i).trim();
            if (l.endsWith(":") && !l.contains(" ")) {
                found.put(l.substring(0, l.length() - 1), i + 1);
            }
        }
        Integer start = label == null || label.isEmpty() ? Integer.valueOf(0) : found.get(label);
        if (start == null) {
            return Answer.fail(Answer.NOT_FOUND, "Script " + name + " has no label " + label);
        }
        script = name;
        lines = body;
        labels = found;
        pc = start;
        owner = from;
        running = false;
        paused = false;
        generation++;
        return Answer.ok();
    }

    public synchronized Answer gotoLabel(String label) {
        if (script == null) {
            return Answer.fail(Answer.NOT_FOUND, "No script has run");
        }
        Integer target = labels.get(label);
        if (target == null) {
            return Answer.fail(Answer.NOT_FOUND, "Script " + script + " has no label " + label);
        }
        pc = target;
        running = false;
        paused = false;
        generation++;
        return Answer.ok();
    }

    /** Starts (or resumes) the prepared script at its prepared position. */
    public synchronized void go() {
        if (script == null) {
            return;
        }
        running = true;
        paused = false;
        ensureWorker();
        notifyAll();
    }

    public synchronized Answer stop() {
        running = false;
        paused = false;
        generation++;
        notifyAll();
        return Answer.ok();
    }

    public synchronized void reset() {
        stop();
        script = null;
        lines = List.of();
        labels = Map.of();
        owner = null;
    }

    public synchronized boolean isRunning() {
        return running && !paused;
    }

    public synchronized boolean isPaused() {
        return running && paused;
    }

    public synchronized String current() {
        return script;
    }

    private void ensureWorker() {
        if (worker == null) {
            worker = new Thread(this::work, "orv-sim-script");
            worker.setDaemon(true);
            worker.start();
        }
    }

    private synchronized void work() {
        while (true) {
            try {
                while (!running || paused) {
                    wait();
                }
                if (pc >= lines.size()) {
                    running = false;
                    continue;
                }
                int lineNo = pc + 1;
                String line = lines.get(pc++).trim();
                try {
                    execute(line);
                } catch (JposException | RuntimeException e) {
                    running = false;
                    terminal.setError(SCRIPT_ERROR_CODE, "Script " + script + " line " + lineNo + ": "
                            + e.getMessage());
                }
            } catch (InterruptedException e) {
                return;
            }
        }
    }

    /** Runs one statement; called with the monitor held (wait releases it). */
    private void execute(String line) throws JposException, InterruptedException {
        if (line.isEmpty() || line.startsWith("#") || line.endsWith(":") && !line.contains(" ")) {
            return;
        }
        int sp = line.indexOf(' ');
        String op = (sp < 0 ? line : line.substring(0, sp)).toLowerCase(Locale.ROOT);
        String arg = sp < 0 ? "" : line.substring(sp + 1).trim();
        String[] f = arg.split(",", -1);
        GraphicDisplay d = terminal.display();
        switch (op) {
            case "display" -> d.text(num(f, 0), num(f, 1), expand(rest(arg, 2)));
            case "box" -> d.box(num(f, 0), num(f, 1), num(f, 2), num(f, 3));
            case "clear" -> d.clear();
            case "font" -> d.font(num(f, 0));
            case "set" -> terminal.variables().put(f[0].trim(), Variables.Type.TEXT, rest(arg, 1));
            case "wait" -> pause(num(f, 0));
            case "pause" -> paused = true;
            case "goto" -> {
                Integer target = labels.get(arg);
                if (target == null) {
                    throw new IllegalArgumentException("no label " + arg);
                }
                pc = target;
            }
            case "notify" -> notifyHost(expand(arg));
            case "end" -> running = false;
            default -> throw new IllegalArgumentException("unknown statement '" + op + "'");
        }
    }

    private void pause(long ms) throws InterruptedException {
        long gen = generation;
        long end = System.currentTimeMillis() + ms;
        for (long left = ms; left > 0 && gen == generation; left = end - System.currentTimeMillis()) {
            wait(left);
        }
    }

    private void notifyHost(String text) {
        DeviceService to = owner;
        if (to != null && to.isOpen()) {
            to.post(new DirectIOEvent(to.source(), Answer.OK, NOTIFY_CODE, new DirectIOData(text)));
        }
    }

    private String expand(String text) {
        StringBuilder sb = new StringBuilder();
        java.util.regex.Matcher m = java.util.regex.Pattern.compile("\\$([A-Za-z0-9_]+)").matcher(text);
        while (m.find()) {
            Variables.Variable v = terminal.variables().byName(m.group(1));
            m.appendReplacement(sb, java.util.regex.Matcher.quoteReplacement(v == null ? "" : v.text()));
        }
        m.appendTail(sb);
        return sb.toString();
    }

    private static int num(String[] f, int i) {
        if (i >= f.length) {
            throw new IllegalArgumentException("missing number " + (i + 1));
        }
        return Integer.parseInt(f[i].trim());
    }

    /** The text after the n-th comma (commas inside it stay). */
    private static String rest(String arg, int n) {
        int at = 0;
        for (int i = 0; i < n; i++) {
            at = arg.indexOf(',', at);
            if (at < 0) {
                throw new IllegalArgumentException("missing text field");
            }
            at++;
        }
        return arg.substring(at);
    }
}
