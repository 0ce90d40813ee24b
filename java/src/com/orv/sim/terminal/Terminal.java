package com.orv.sim.terminal;

import com.orv.jpos.DirectIOData;
import com.orv.sim.ControlFifo;
import com.orv.sim.DeviceConfig;
import com.orv.sim.DeviceKind;
import com.orv.sim.SimException;
import com.orv.sim.device.DeviceService;
import com.orv.sim.device.EventSink;
import com.orv.sim.device.KeyboardService;
import com.orv.sim.device.LineDisplayService;
import com.orv.sim.device.MsrService;
import com.orv.sim.device.PinPadService;
import com.orv.sim.device.ScannerService;
import com.orv.sim.device.SignatureService;
import com.orv.sim.device.ToneService;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.EnumMap;
import java.util.HashMap;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.Executors;
import java.util.concurrent.ScheduledExecutorService;
import java.util.concurrent.TimeUnit;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import jpos.JposConst;
import jpos.JposException;
import jpos.events.DirectIOEvent;
import jpos.events.StatusUpdateEvent;

/**
 * The simulated ZR88xx terminal: one per process, shared by every opened device like the real
 * terminal is. It keeps the system facts, the error state, the graphic display, variables and
 * scripts, the PIN keys, power per device, statistics and firmware, answers DirectIO commands,
 * and runs its timed work on its own daemon threads.
 */
public final class Terminal implements JposConst {
    public enum Fact { MODEL, NAME, VERSION, SERIAL }

    private static final Map<Fact, String> DEFAULT_FACTS = Map.of(Fact.MODEL, "ZR8850",
            Fact.NAME, "ZR88-SIM", Fact.VERSION, "4.2.1", Fact.SERIAL, "ZR88-0001234");
    private static final Pattern VERSION = Pattern.compile("(?m)^\\s*version\\s*=\\s*(\\S+)");
    private static final Pattern MODEL = Pattern.compile("(?m)^\\s*model\\s*=\\s*(\\S+)");
    private static final long REBOOT_MS = 300;
    private static final long FIRMWARE_STEP_MS = 20;

    private static final class Holder {
        static final Terminal INSTANCE = new Terminal(DeviceConfig.fromEnvironment(),
                ClaimRegistry.defaultFolder());
    }

    private final DeviceConfig config;
    private final ClaimRegistry claims;
    private final Failures failures = new Failures();
    private final GraphicDisplay display = new GraphicDisplay();
    private final Variables variables = new Variables();
    private final ScriptEngine scripts = new ScriptEngine(this);
    private final PinSecurity pinSecurity = new PinSecurity();
    private final ScheduledExecutorService scheduler;
    private final List<DeviceService> services = new CopyOnWriteArrayList<>();
    private final Map<String, Integer> power = new ConcurrentHashMap<>();
    private final Map<String, Statistics> statistics = new ConcurrentHashMap<>();
    private final Map<String, DioRoute> routes = new HashMap<>();
    private final Map<DeviceService, Prompt> prompts = new HashMap<>();
    private final Set<String> updating = ConcurrentHashMap.newKeySet();
    /** Guards epoch and runs timed work, so a reset waits for work under way and cancels the rest. */
    private final Object timedWork = new Object();
    private long epoch;
    private final Map<Fact, String> facts = new EnumMap<>(DEFAULT_FACTS);
    private int errorCode;
    private String errorText = "No error";

    private record Prompt(String title, int digits, int decimals) {
    }

    /** Per device: DirectIO answers held back, delayed, or replaced by a planted answer. */
    private static final class DioRoute {
        boolean hold;
        long delayMs;
        Answer next;
        final List<Runnable> held = new ArrayList<>();
    }

    Terminal(DeviceConfig config, Path lockFolder) {
        this.config = config;
        this.claims = new ClaimRegistry(lockFolder);
        this.scheduler = Executors.newSingleThreadScheduledExecutor(r -> {
            Thread t = new Thread(r, "orv-sim-terminal");
            t.setDaemon(true);
            return t;
        });
    }

    /** The process's terminal; the first use also starts the control FIFO when configured. */
    public static Terminal get() {
        Terminal t = Holder.INSTANCE;
        ControlFifo.startOnce();
        return t;
    }

    public DeviceConfig config() {
        return config;
    }

    public ClaimRegistry claims() {
        return claims;
    }

    public Failures failures() {
        return failures;
    }

    public GraphicDisplay display() {
        return display;
    }

    public Variables variables() {
        return variables;
    }

    public ScriptEngine scripts() {
        return scripts;
    }

    public PinSecurity pinSecurity() {
        return pinSecurity;
    }

    public ScheduledExecutorService scheduler() {
        return scheduler;
    }

    // ---- devices ---------------------------------------------------------------------------

    /** Opens a device for a control of the given class; unknown names and wrong classes fail. */
    public DeviceService open(DeviceKind expected, String name, Object source, EventSink sink)
            throws JposException {
        if (name == null || name.isEmpty()) {
            throw new JposException(JPOS_E_ILLEGAL, "No logical device name given");
        }
        DeviceKind kind = config.kindOf(name);
        if (kind == null) {
            throw new JposException(JPOS_E_NOEXIST, "Logical device " + name + " does not exist");
        }
        if (kind != expected) {
            throw new JposException(JPOS_E_NOSERVICE, "Logical device " + name + " is a "
                    + kind.classWord() + ", not a " + expected.classWord());
        }
        DeviceService s = switch (kind) {
            case PINPAD -> new PinPadService(this, name, source, sink);
            case SIGNATURE_CAPTURE -> new SignatureService(this, name, source, sink);
            case LINE_DISPLAY -> new LineDisplayService(this, name, source, sink);
            case MSR -> new MsrService(this, name, source, sink);
            case POS_KEYBOARD -> new KeyboardService(this, name, source, sink);
            case TONE_INDICATOR -> new ToneService(this, name, source, sink);
            case SCANNER -> new ScannerService(this, name, source, sink);
        };
        services.add(s);
        s.start();
        return s;
    }

    public void unregister(DeviceService s) {
        services.remove(s);
        synchronized (this) {
            prompts.remove(s);
        }
    }

    /** The device instance of this process that has the device claimed, or null. */
    public DeviceService activeService(String name) {
        Object owner = claims.owner(name);
        return owner instanceof DeviceService s ? s : null;
    }

    /** The active instance of a device, checked to be of the expected class. */
    public <T extends DeviceService> T active(String name, Class<T> type) {
        DeviceKind kind = config.kindOf(name);
        if (kind == null) {
            throw new SimException("no device " + name);
        }
        DeviceService s = activeService(name);
        if (s == null) {
            throw new SimException("device " + name + " is not claimed in this process");
        }
        if (!type.isInstance(s)) {
            throw new SimException("device " + name + " is a " + kind.classWord());
        }
        return type.cast(s);
    }

    public List<DeviceService> openServices() {
        return List.copyOf(services);
    }

    public int powerState(String name) {
        return power.getOrDefault(name, JPOS_PS_ONLINE);
    }

    /** Changes the power state of one device; instances with PowerNotify hear of it. */
    public void setPower(String name, int state) {
        if (config.kindOf(name) == null) {
            throw new SimException("no device " + name);
        }
        Integer old = power.put(name, state);
        if (old == null || old != state) {
            for (DeviceService s : services) {
                if (s.name().equals(name)) {
                    s.onPowerChanged(state);
                }
            }
        }
    }

    public void setPowerAll(int state) {
        for (String n : config.names().keySet()) {
            setPower(n, state);
        }
    }

    public Statistics statistics(String name, DeviceKind kind) {
        return statistics.computeIfAbsent(name, n -> new Statistics(this, n, kind));
    }

    // ---- facts and error state -------------------------------------------------------------

    public synchronized String fact(Fact f) {
        return facts.get(f);
    }

    public synchronized void setFact(Fact f, String value) {
        facts.put(f, value);
    }

    public synchronized int errorCode() {
        return errorCode;
    }

    public synchronized String errorText() {
        return errorText;
    }

    public synchronized void setError(int code, String text) {
        errorCode = code;
        errorText = code == 0 ? "No error" : text;
    }

    /** What a health check reports as wrong with a device, or null when all is well. */
    public String healthFault(String name) {
        if (powerState(name) != JPOS_PS_ONLINE) {
            return "device not on line";
        }
        synchronized (this) {
            return errorCode == 0 ? null : "terminal error " + errorCode + ": " + errorText;
        }
    }

    // ---- DirectIO --------------------------------------------------------------------------

    /** Runs one DirectIO command for a device instance and routes its answer back to it. */
    public void directIO(DeviceService from, int command, int[] data, Object object)
            throws JposException {
        DirectIOCommands.Command c = DirectIOCommands.find(command);
        if (c == null) {
            throw new JposException(JPOS_E_ILLEGAL,
                    "DirectIO command 0x" + Integer.toHexString(command) + " is not supported");
        }
        List<Object> args = c.shape().check(object);
        int value = data == null || data.length == 0 ? 0 : data[0];
        if (command != 0x1000 && powerState(from.name()) != JPOS_PS_ONLINE) {
            throw new JposException(JPOS_E_OFFLINE, "The terminal does not answer: " + from.name()
                    + " is not on line");
        }
        Request r = new Request(this, from, command, value, args);
        Answer a = command == 0x1000 ? Answer.flag(powerState(from.name()) == JPOS_PS_ONLINE)
                : c.handler().handle(r);
        if (a != null) {
            answer(from, command, a);
        }
        r.after().forEach(Runnable::run);
    }

    /** Sends an answer as a DirectIO event, unless it is held, delayed or replaced. */
    public void answer(DeviceService to, int command, Answer a) {
        Runnable send = () -> to.post(new DirectIOEvent(to.source(), a.status(), command,
                new DirectIOData(a.text())));
        synchronized (this) {
            DioRoute r = routes.get(to.name());
            if (r != null) {
                if (r.next != null) {
                    Answer planted = r.next;
                    r.next = null;
                    send = () -> to.post(new DirectIOEvent(to.source(), planted.status(), command,
                            new DirectIOData(planted.text())));
                }
                if (r.hold) {
                    r.held.add(send);
                    return;
                }
                if (r.delayMs > 0) {
                    scheduler.schedule(send, r.delayMs, TimeUnit.MILLISECONDS);
                    return;
                }
            }
        }
        send.run();
    }

    private synchronized DioRoute route(String name) {
        if (config.kindOf(name) == null) {
            throw new SimException("no device " + name);
        }
        return routes.computeIfAbsent(name, n -> new DioRoute());
    }

    /** Holds DirectIO answers of a device until released; returns how many were let go. */
    public int holdAnswers(String name, boolean hold) {
        List<Runnable> go;
        synchronized (this) {
            DioRoute r = route(name);
            r.hold = hold;
            if (hold) {
                return 0;
            }
            go = new ArrayList<>(r.held);
            r.held.clear();
        }
        go.forEach(Runnable::run);
        return go.size();
    }

    public synchronized void delayAnswers(String name, long ms) {
        if (ms < 0) {
            throw new SimException("delay must not be negative");
        }
        route(name).delayMs = ms;
    }

    /** The next DirectIO answer of the device carries this status and text instead. */
    public synchronized void plantAnswer(String name, int status, String text) {
        route(name).next = new Answer(status, text);
    }

    synchronized void startPrompt(DeviceService from, String title, int digits, int decimals) {
        prompts.put(from, new Prompt(title, digits, decimals));
        display.clear();
        try {
            display.text(0, 0, title);
        } catch (JposException e) {
            throw new IllegalStateException(e);
        }
    }

    /** The customer answers the number prompt shown for a device: digits, or null to cancel. */
    public void answerPrompt(String name, String digits) {
        DeviceService s;
        Prompt p;
        synchronized (this) {
            s = prompts.keySet().stream().filter(d -> d.name().equals(name)).findFirst().orElse(null);
            if (s == null) {
                throw new SimException("no number prompt is shown for " + name);
            }
            p = prompts.get(s);
            if (digits != null && (!digits.matches("[0-9]+")
                    || p.digits > 0 && digits.length() > p.digits)) {
                throw new SimException("the prompt takes up to " + p.digits + " digits");
            }
            prompts.remove(s);
        }
        String text = digits;
        if (digits != null && p.decimals > 0) {
            String padded = "0".repeat(Math.max(0, p.decimals + 1 - digits.length())) + digits;
            text = padded.substring(0, padded.length() - p.decimals) + "."
                    + padded.substring(padded.length() - p.decimals);
        }
        answer(s, 0x6050, digits == null ? Answer.fail(Answer.CANCELLED, "CANCEL") : Answer.ok(text));
    }

    // ---- system operations -----------------------------------------------------------------

    /** Terminal reset command: screen, scripts and error state back to the start. */
    public void softReset() {
        scripts.reset();
        display.clear();
        synchronized (this) {
            prompts.clear();
        }
        setError(0, "");
    }

    /** Reboot: the devices drop off line briefly and come back; variables survive. */
    public void reboot() {
        softReset();
        display.resetAll();
        later(0, () -> setPowerAll(JPOS_PS_OFF_OFFLINE));
        later(REBOOT_MS, () -> setPowerAll(JPOS_PS_ONLINE));
    }

    /** Timed work of the terminal itself (reboot, firmware update); a reset cancels it. */
    private void later(long delayMs, Runnable work) {
        long at;
        synchronized (timedWork) {
            at = epoch;
        }
        scheduler.schedule(() -> {
            synchronized (timedWork) {
                if (epoch == at) {
                    work.run();
                }
            }
        }, delayMs, TimeUnit.MILLISECONDS);
    }

    /**
     * Back to the defaults of a fresh process (open controls stay open). Timed work of the
     * terminal is dropped: a reboot or firmware update begun before must not change power or
     * facts afterwards.
     */
    public void reset() {
        synchronized (timedWork) {
            epoch++;
            updating.clear();
        }
        scripts.reset();
        display.resetAll();
        variables.clear();
        pinSecurity.reset();
        failures.clearAll();
        statistics.clear();
        synchronized (this) {
            facts.clear();
            facts.putAll(DEFAULT_FACTS);
            errorCode = 0;
            errorText = "No error";
            prompts.clear();
            routes.clear();
        }
        for (String n : new HashSet<>(power.keySet())) {
            setPower(n, JPOS_PS_ONLINE);
        }
    }

    static Path requireFile(String file) throws JposException {
        Path p = Paths.get(file);
        if (file.isEmpty() || !Files.isRegularFile(p) || !Files.isReadable(p)) {
            throw new JposException(JPOS_E_NOEXIST, "File '" + file + "' does not exist");
        }
        return p;
    }

    private static String readText(Path p) throws JposException {
        try {
            return new String(Files.readAllBytes(p), StandardCharsets.ISO_8859_1);
        } catch (IOException e) {
            throw new JposException(JPOS_E_FAILURE, "Cannot read " + p + ": " + e.getMessage(), e);
        }
    }

    Answer downloadScript(String name, String file) throws JposException {
        DirectIOCommands.checkName(name);
        String body = readText(requireFile(file));
        Variables.Variable v = variables.byName(name);
        if (v != null && v.type() != Variables.Type.SCRIPT) {
            return Answer.fail(Answer.WRONG_TYPE, name + " is a variable, not a script");
        }
        if (name.equals(scripts.current()) && (scripts.isRunning() || scripts.isPaused())) {
            return Answer.fail(Answer.BUSY, "Script " + name + " is running");
        }
        Answer a = variables.put(name, Variables.Type.SCRIPT, body);
        return a.status() != Answer.OK ? a : Answer.ok(body.split("\r?\n").length + " lines");
    }

    boolean scriptLoaded() {
        return variables.has(Variables.Type.SCRIPT);
    }

    // ---- firmware --------------------------------------------------------------------------

    private record Firmware(String model, String version) {
    }

    private static Firmware readFirmware(String file) throws JposException {
        String text = readText(requireFile(file));
        Matcher v = VERSION.matcher(text);
        Matcher m = MODEL.matcher(text);
        return new Firmware(m.find() ? m.group(1) : null, v.find() ? v.group(1) : null);
    }

    /** Compares the terminal's firmware with a file's: OLDER means the terminal's is older. */
    public int compareFirmware(String file) throws JposException {
        Firmware f = readFirmware(file);
        if (f.version == null) {
            return JPOS_CFV_FIRMWARE_UNKNOWN;
        }
        if (f.model != null && !f.model.equals(fact(Fact.MODEL))) {
            return JPOS_CFV_FIRMWARE_DIFFERENT;
        }
        int c = compareVersions(fact(Fact.VERSION), f.version);
        return c < 0 ? JPOS_CFV_FIRMWARE_OLDER : c == 0 ? JPOS_CFV_FIRMWARE_SAME : JPOS_CFV_FIRMWARE_NEWER;
    }

    static int compareVersions(String a, String b) {
        String[] x = a.split("[.\\-]");
        String[] y = b.split("[.\\-]");
        for (int i = 0; i < Math.max(x.length, y.length); i++) {
            String p = i < x.length ? x[i] : "0";
            String q = i < y.length ? y[i] : "0";
            int c;
            try {
                c = Long.compare(Long.parseLong(p), Long.parseLong(q));
            } catch (NumberFormatException e) {
                c = p.compareTo(q);
            }
            if (c != 0) {
                return c;
            }
        }
        return 0;
    }

    /**
     * Updates the firmware from a file in the background; progress and the outcome arrive as
     * status updates of the requesting device (2125, 2150, 2175, then 2200 or a failure code).
     */
    public void updateFirmware(DeviceService from, String file) throws JposException {
        Firmware f = readFirmware(file);
        boolean fits = f.version != null && (f.model == null || f.model.equals(fact(Fact.MODEL)));
        synchronized (timedWork) {  // a reset comes before the update or after all of it is planned
            if (!updating.add(from.name())) {
                throw new JposException(JPOS_E_BUSY, "A firmware update is already running");
            }
            for (int step = 1; step <= 4; step++) {
                int s = step;
                later(FIRMWARE_STEP_MS * step, () -> {
                    if (s < 4) {
                        from.post(new StatusUpdateEvent(from.source(), JPOS_SUE_UF_PROGRESS + 25 * s));
                        return;
                    }
                    if (fits) {
                        setFact(Fact.VERSION, f.version);
                    }
                    updating.remove(from.name());
                    from.post(new StatusUpdateEvent(from.source(), fits ? JPOS_SUE_UF_COMPLETE
                            : JPOS_SUE_UF_FAILED_DEV_OK));
                });
            }
        }
    }

    public boolean firmwareUpdateRunning(String name) {
        return updating.contains(name);
    }

    String downloadFirmware(String file) throws JposException {
        Firmware f = readFirmware(file);
        if (f.version == null) {
            throw new JposException(JPOS_E_ILLEGAL, "File " + file + " holds no firmware version");
        }
        if (f.model != null && !f.model.equals(fact(Fact.MODEL))) {
            throw new JposException(JPOS_E_ILLEGAL, "Firmware for " + f.model + " does not fit a "
                    + fact(Fact.MODEL));
        }
        setFact(Fact.VERSION, f.version);
        return f.version;
    }

    /** A summary of the terminal for the simulator's "show terminal" command. */
    public String describe() {
        StringBuilder sb = new StringBuilder();
        synchronized (this) {
            sb.append("model=").append(facts.get(Fact.MODEL)).append(" name=").append(facts.get(Fact.NAME))
                    .append(" version=").append(facts.get(Fact.VERSION)).append(" error=").append(errorCode)
                    .append(" \"").append(errorText).append('"');
        }
        sb.append(" freeMemory=").append(variables.freeMemory()).append(" script=")
                .append(scripts.current()).append(scripts.isRunning() ? " (running)" : "")
                .append(scripts.isPaused() ? " (paused)" : "");
        for (String line : display.contents()) {
            sb.append(" | ").append(line);
        }
        return sb.toString();
    }
}
