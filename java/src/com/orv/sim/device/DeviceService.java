package com.orv.sim.device;

import com.orv.sim.DeviceKind;
import com.orv.sim.SimException;
import com.orv.sim.SimLog;
import com.orv.sim.terminal.Terminal;
import java.util.ArrayDeque;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.locks.Condition;
import java.util.concurrent.locks.ReentrantLock;
import jpos.JposConst;
import jpos.JposException;
import jpos.events.DataEvent;
import jpos.events.ErrorEvent;
import jpos.events.JposEvent;
import jpos.events.StatusUpdateEvent;

/**
 * One opened device of the terminal, behind one control instance: the UnifiedPOS state rules
 * (open, claim, enable), the input queue with DataEventEnabled, AutoDisable and FreezeEvents,
 * error events and their responses, power reporting, and the event thread that delivers
 * everything in order. Device classes add their own properties and input.
 *
 * Locking: one lock per instance guards all state; it is never held while an event handler
 * runs, while a claim waits, or while an output plays, so a handler may call back into the
 * device and nothing waits on the event thread.
 */
public abstract class DeviceService implements JposConst {
    protected final ReentrantLock lock = new ReentrantLock();
    /** Signalled when the queues or the delivery rules change, and when a delivery ends. */
    private final Condition wake = lock.newCondition();
    protected final Terminal terminal;
    protected final DeviceKind kind;
    protected final String name;
    private final Object source;
    private final EventSink sink;
    private final Thread dispatcher;

    private boolean open = true;
    private boolean claimed;
    private boolean enabled;
    private boolean dataEventEnabled;
    private boolean freezeEvents;
    private boolean autoDisable;
    private boolean inError;
    private boolean delivering;
    private int powerNotify = JPOS_PN_DISABLED;
    private String checkHealthText = "";
    private final ArrayDeque<Pending> input = new ArrayDeque<>();
    private final ArrayDeque<Pending> general = new ArrayDeque<>();
    private long sequence;

    protected DeviceService(Terminal terminal, DeviceKind kind, String name, Object source,
                            EventSink sink) {
        this.terminal = terminal;
        this.kind = kind;
        this.name = name;
        this.source = source;
        this.sink = sink;
        this.dispatcher = new Thread(this::dispatch, "orv-sim-events-" + name);
        dispatcher.setDaemon(true);
    }

    /** Starts the event thread; called once the instance is fully built. */
    public final void start() {
        dispatcher.start();
    }

    public final String name() {
        return name;
    }

    public final DeviceKind kind() {
        return kind;
    }

    /** The control instance: the source of every event of this device. */
    public final Object source() {
        return source;
    }

    // ---- locking helpers -------------------------------------------------------------------

    protected final <T> T locked(Op<T> op) throws JposException {
        lock.lock();
        try {
            return op.run();
        } finally {
            lock.unlock();
        }
    }

    protected final void lockedRun(Op<?> op) throws JposException {
        locked(op);
    }

    /** For simulator input: runs under the lock; a JposException becomes a SimException. */
    protected final <T> T simLocked(Op<T> op) {
        try {
            return locked(op);
        } catch (JposException e) {
            throw new SimException(e.getMessage());
        }
    }

    protected final void requireOpen() throws JposException {
        if (!open) {
            throw new JposException(JPOS_E_CLOSED, "Control is closed");
        }
    }

    protected final void requireClaimed() throws JposException {
        requireOpen();
        if (!claimed) {
            throw new JposException(JPOS_E_NOTCLAIMED, "Device " + name + " is not claimed");
        }
    }

    protected final void requireEnabled() throws JposException {
        requireClaimed();
        if (!enabled) {
            throw new JposException(JPOS_E_DISABLED, "Device " + name + " is not enabled");
        }
    }

    /** Enabled and powered: what an operation on the hardware needs. */
    protected final void requireReady() throws JposException {
        requireEnabled();
        int power = terminal.powerState(name);
        if (power == JPOS_PS_OFFLINE) {
            throw new JposException(JPOS_E_OFFLINE, "Device " + name + " is off line");
        }
        if (power != JPOS_PS_ONLINE) {
            throw new JposException(JPOS_E_NOHARDWARE, "Device " + name + " is powered off");
        }
    }

    protected static JposException illegal(String why) {
        return new JposException(JPOS_E_ILLEGAL, why);
    }

    // ---- common methods --------------------------------------------------------------------

    public void claim(int timeout) throws JposException {
        boolean already = locked(() -> {
            requireOpen();
            if (timeout < JPOS_FOREVER) {
                throw illegal("Claim timeout " + timeout + " is invalid");
            }
            return claimed;
        });
        if (already) {
            return;
        }
        terminal.claims().acquire(name, this, timeout);  // may wait: no device lock held
        boolean lost = locked(() -> {
            if (!open) {
                return true;
            }
            claimed = true;
            return false;
        });
        if (lost) {
            terminal.claims().release(name, this);
            throw new JposException(JPOS_E_CLOSED, "Control was closed while claiming");
        }
    }

    public void release() throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (!claimed) {
                throw illegal("Device " + name + " is not claimed by this control");
            }
            releaseLocked();
            return null;
        });
        terminal.claims().release(name, this);
    }

    public void close() throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (claimed) {
                releaseLocked();
            }
            open = false;
            general.clear();
            input.clear();
            onClose();
            wake.signalAll();
            return null;
        });
        terminal.claims().release(name, this);
        terminal.unregister(this);
    }

    private void releaseLocked() {
        if (enabled) {
            enabled = false;
            onDisable();
        }
        claimed = false;
        inError = false;
        input.clear();
        wake.signalAll();
        onRelease();
    }

    public boolean isOpen() {
        lock.lock();
        try {
            return open;
        } finally {
            lock.unlock();
        }
    }

    public boolean getClaimed() throws JposException {
        return locked(() -> {
            requireOpen();
            return claimed;
        });
    }

    public boolean getDeviceEnabled() throws JposException {
        return locked(() -> {
            requireOpen();
            return enabled;
        });
    }

    public void setDeviceEnabled(boolean enable) throws JposException {
        lockedRun(() -> {
            requireClaimed();
            if (enable == enabled) {
                return null;
            }
            if (enable) {
                int power = terminal.powerState(name);
                if (power != JPOS_PS_ONLINE && powerNotify == JPOS_PN_DISABLED) {
                    throw new JposException(power == JPOS_PS_OFFLINE ? JPOS_E_OFFLINE
                            : JPOS_E_NOHARDWARE, "Device " + name + " is not on line");
                }
                enabled = true;
                onEnable();
                if (powerNotify == JPOS_PN_ENABLED) {
                    post(new StatusUpdateEvent(source, power));
                }
            } else {
                enabled = false;
                onDisable();
            }
            return null;
        });
    }

    public boolean getDataEventEnabled() throws JposException {
        return locked(() -> {
            requireOpen();
            return dataEventEnabled;
        });
    }

    public void setDataEventEnabled(boolean value) throws JposException {
        lockedRun(() -> {
            requireOpen();
            dataEventEnabled = value;
            wake.signalAll();
            return null;
        });
    }

    public boolean getFreezeEvents() throws JposException {
        return locked(() -> {
            requireOpen();
            return freezeEvents;
        });
    }

    public void setFreezeEvents(boolean value) throws JposException {
        lockedRun(() -> {
            requireOpen();
            freezeEvents = value;
            wake.signalAll();
            return null;
        });
    }

    public boolean getAutoDisable() throws JposException {
        return locked(() -> {
            requireOpen();
            return autoDisable;
        });
    }

    public void setAutoDisable(boolean value) throws JposException {
        lockedRun(() -> {
            requireOpen();
            autoDisable = value;
            return null;
        });
    }

    public int getDataCount() throws JposException {
        return locked(() -> {
            requireOpen();
            return (int) input.stream().filter(p -> p.kind == Pending.Kind.DATA).count();
        });
    }

    public void clearInput() throws JposException {
        lockedRun(() -> {
            requireClaimed();
            clearInputLocked();
            return null;
        });
    }

    protected final void clearInputLocked() {
        input.clear();
        inError = false;
        wake.signalAll();
    }

    public int getState() {
        lock.lock();
        try {
            if (!open) {
                return JPOS_S_CLOSED;
            }
            if (inError) {
                return JPOS_S_ERROR;
            }
            return isBusy() ? JPOS_S_BUSY : JPOS_S_IDLE;
        } finally {
            lock.unlock();
        }
    }

    /** Whether an asynchronous operation runs (output, firmware update); called under the lock. */
    protected boolean isBusy() {
        return terminal.firmwareUpdateRunning(name);
    }

    public int getPowerNotify() throws JposException {
        return locked(() -> {
            requireOpen();
            return powerNotify;
        });
    }

    public void setPowerNotify(int value) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (enabled) {
                throw illegal("PowerNotify cannot change while the device is enabled");
            }
            if (value != JPOS_PN_DISABLED && value != JPOS_PN_ENABLED) {
                throw illegal("PowerNotify " + value + " is invalid");
            }
            if (value == JPOS_PN_ENABLED && getCapPowerReporting() == JPOS_PR_NONE) {
                throw illegal("The device cannot report power");
            }
            powerNotify = value;
            return null;
        });
    }

    public int getPowerState() throws JposException {
        return locked(() -> {
            requireOpen();
            return powerNotify == JPOS_PN_ENABLED && enabled ? terminal.powerState(name)
                    : JPOS_PS_UNKNOWN;
        });
    }

    public int getCapPowerReporting() {
        return JPOS_PR_ADVANCED;
    }

    public void checkHealth(int level) throws JposException {
        lockedRun(() -> {
            requireEnabled();
            String what = switch (level) {
                case JPOS_CH_INTERNAL -> "Internal";
                case JPOS_CH_EXTERNAL -> "External";
                case JPOS_CH_INTERACTIVE -> "Interactive";
                default -> throw illegal("Health check level " + level + " is invalid");
            };
            String fault = terminal.healthFault(name);
            checkHealthText = what + " HCheck: " + (fault == null ? "Successful" : "Failed, " + fault);
            return null;
        });
    }

    public String getCheckHealthText() throws JposException {
        return locked(() -> {
            requireOpen();
            return checkHealthText;
        });
    }

    public void directIO(int command, int[] data, Object object) throws JposException {
        lockedRun(() -> {
            requireClaimed();
            return null;
        });
        terminal.directIO(this, command, data, object);
    }

    // ---- statistics and firmware -----------------------------------------------------------

    public String retrieveStatistics(String request) throws JposException {
        lockedRun(() -> {
            requireEnabled();
            return null;
        });
        return terminal.statistics(name, kind).retrieve(request);
    }

    public void updateStatistics(String assignments) throws JposException {
        lockedRun(() -> {
            requireEnabled();
            return null;
        });
        terminal.statistics(name, kind).update(assignments);
    }

    public void resetStatistics(String names) throws JposException {
        lockedRun(() -> {
            requireEnabled();
            return null;
        });
        terminal.statistics(name, kind).reset(names);
    }

    public int compareFirmwareVersion(String file) throws JposException {
        lockedRun(() -> {
            requireEnabled();
            return null;
        });
        return terminal.compareFirmware(file);
    }

    public void updateFirmware(String file) throws JposException {
        lockedRun(() -> {
            requireReady();
            return null;
        });
        terminal.updateFirmware(this, file);
    }

    // ---- event queueing --------------------------------------------------------------------

    /** Queues an event that is not input (status, DirectIO, output complete). */
    public final void post(JposEvent event) {
        lock.lock();
        try {
            if (open) {
                general.addLast(new Pending(++sequence, event, Pending.Kind.OTHER, null));
                wake.signalAll();
            }
        } finally {
            lock.unlock();
        }
    }

    /**
     * Queues input data; apply sets the data properties right before delivery. With
     * AutoDisable the device disables itself as the data arrives.
     */
    protected final void postData(int status, Runnable apply) {
        lock.lock();
        try {
            input.addLast(new Pending(++sequence, new DataEvent(source, status), Pending.Kind.DATA,
                    apply));
            if (autoDisable && enabled) {
                enabled = false;
                onDisable();
            }
            wake.signalAll();
        } finally {
            lock.unlock();
        }
    }

    /**
     * Queues an input error. With data already queued the application first hears of it with
     * locus INPUT_DATA, ahead of that data, and again with locus INPUT after the data.
     */
    protected final void postInputError(int code, int extended, Runnable apply) {
        lock.lock();
        try {
            boolean dataQueued = input.stream().anyMatch(p -> p.kind == Pending.Kind.DATA);
            if (dataQueued) {
                input.addFirst(new Pending(++sequence, new ErrorEvent(source, code, extended,
                        JPOS_EL_INPUT_DATA, JPOS_ER_CLEAR), Pending.Kind.INPUT_ERROR, null));
            }
            input.addLast(new Pending(++sequence, new ErrorEvent(source, code, extended,
                    JPOS_EL_INPUT, JPOS_ER_CLEAR), Pending.Kind.INPUT_ERROR, apply));
            wake.signalAll();
        } finally {
            lock.unlock();
        }
    }

    /** Queues an output error; its response reaches onOutputErrorResponse. */
    protected final void postOutputError(int code, int extended) {
        lock.lock();
        try {
            general.addLast(new Pending(++sequence, new ErrorEvent(source, code, extended,
                    JPOS_EL_OUTPUT, JPOS_ER_RETRY), Pending.Kind.OUTPUT_ERROR, null));
            wake.signalAll();
        } finally {
            lock.unlock();
        }
    }

    /** Simulator input needs a claimed, enabled, powered device; called under the lock. */
    protected final void requireInputReady() {
        if (!open || !claimed || !enabled) {
            throw new SimException("device " + name + " is not enabled");
        }
        if (terminal.powerState(name) != JPOS_PS_ONLINE) {
            throw new SimException("device " + name + " is not on line");
        }
    }

    /** Called by the terminal on a power change of the physical device. */
    public final void onPowerChanged(int state) {
        lock.lock();
        try {
            if (open && enabled && powerNotify == JPOS_PN_ENABLED) {
                post(new StatusUpdateEvent(source, state));
            }
        } finally {
            lock.unlock();
        }
    }

    // ---- event thread ----------------------------------------------------------------------

    private void dispatch() {
        while (true) {
            Pending p;
            lock.lock();
            try {
                p = nextDeliverable();
                if (p == null) {
                    return;
                }
                beforeDelivery(p);
            } finally {
                lock.unlock();
            }
            try {
                sink.deliver(p.event);
            } catch (RuntimeException | Error e) {
                SimLog.warn("event handler of " + name + " failed: " + e);
            }
            lock.lock();
            try {
                afterDelivery(p);
                delivering = false;
                wake.signalAll();
            } finally {
                lock.unlock();
            }
        }
    }

    /** Waits for the oldest event that may be delivered now; null once the device is closed. */
    private Pending nextDeliverable() {
        while (open) {
            Pending pick = deliverable();
            if (pick != null) {
                (pick == general.peekFirst() ? general : input).pollFirst();
                delivering = true;
                return pick;
            }
            wake.awaitUninterruptibly();
        }
        return null;
    }

    /** The oldest event that may be delivered now, left in its queue; null when none may. */
    private Pending deliverable() {
        if (freezeEvents) {
            return null;
        }
        Pending g = general.peekFirst();
        Pending i = dataEventEnabled ? input.peekFirst() : null;
        return g == null ? i : i == null ? g : i.sequence < g.sequence ? i : g;
    }

    /**
     * Waits until the event thread has delivered every event it may deliver now and has
     * finished with each, error responses included: after an event handler returns, the device
     * state it leads to (State, DataCount, cleared input) is set on the event thread, so another
     * thread that wants to read that state waits here first. Held events (FreezeEvents, data
     * without DataEventEnabled) do not count. False when the time ran out first.
     */
    public boolean awaitIdle(long timeoutMs) throws InterruptedException {
        if (Thread.currentThread() == dispatcher) {
            throw new IllegalStateException("the event thread of " + name + " cannot wait for itself");
        }
        long left = TimeUnit.MILLISECONDS.toNanos(timeoutMs);
        lock.lock();
        try {
            while (open && (delivering || deliverable() != null)) {
                if (left <= 0) {
                    return false;
                }
                left = wake.awaitNanos(left);
            }
            return true;
        } finally {
            lock.unlock();
        }
    }

    private void beforeDelivery(Pending p) {
        switch (p.kind) {
            case DATA, INPUT_ERROR -> {
                dataEventEnabled = false;
                inError = p.kind == Pending.Kind.INPUT_ERROR;
            }
            case OUTPUT_ERROR -> inError = true;
            default -> { }
        }
        if (p.apply != null) {
            p.apply.run();
        }
    }

    private void afterDelivery(Pending p) {
        if (!open || !(p.event instanceof ErrorEvent e)) {
            return;
        }
        int response = e.getErrorResponse();
        inError = false;
        if (p.kind == Pending.Kind.INPUT_ERROR) {
            if (response == JPOS_ER_CONTINUEINPUT && e.getErrorLocus() == JPOS_EL_INPUT_DATA) {
                return;
            }
            if (response == JPOS_ER_RETRY) {
                onInputRetry();
            } else {
                clearInputLocked();
            }
        } else if (p.kind == Pending.Kind.OUTPUT_ERROR) {
            onOutputErrorResponse(response == JPOS_ER_CLEAR ? JPOS_ER_CLEAR : JPOS_ER_RETRY);
        }
    }

    // ---- device class hooks (all called with the lock held) --------------------------------

    protected void onEnable() {
    }

    protected void onDisable() {
    }

    protected void onRelease() {
    }

    protected void onClose() {
    }

    /** The application asked to retry after an input error. */
    protected void onInputRetry() {
    }

    /** The application answered an output error with ER_RETRY or ER_CLEAR. */
    protected void onOutputErrorResponse(int response) {
    }

    /** Simulator fault: an input error (input devices) or an output error (output devices). */
    public void raiseError(int code, int extended) {
        simLocked(() -> {
            requireInputReady();
            postInputError(code, extended, null);
            return null;
        });
    }

    /** A short state summary for the simulator's "show" command. */
    public String describe() {
        lock.lock();
        try {
            return name + " " + kind.classWord() + " open=" + open + " claimed=" + claimed
                    + " enabled=" + enabled + " dataEventEnabled=" + dataEventEnabled
                    + " freezeEvents=" + freezeEvents + " dataCount="
                    + input.stream().filter(p -> p.kind == Pending.Kind.DATA).count()
                    + " state=" + getState() + describeDevice();
        } finally {
            lock.unlock();
        }
    }

    protected String describeDevice() {
        return "";
    }
}
