package com.orv.testing;

import static org.junit.jupiter.api.Assertions.fail;

import com.orv.sim.Sim;
import com.orv.sim.device.DeviceService;
import java.util.ArrayList;
import java.util.List;
import java.util.function.Consumer;
import jpos.BaseJposControl;
import jpos.BaseJposInputControl;
import jpos.ToneIndicator;
import jpos.events.DataEvent;
import jpos.events.DirectIOEvent;
import jpos.events.ErrorEvent;
import jpos.events.JposEvent;
import jpos.events.OutputCompleteEvent;
import jpos.events.StatusUpdateEvent;

/**
 * Records every event of a control with the thread it came on; tests wait on it. A listener
 * sees an event before the event thread has finished with it (the remaining listeners, the
 * native relay, the error response), so every wait here also waits for the control's event
 * thread to finish what it may deliver now: state read after a wait is the state the events
 * led to, and "nothing more" is a fact, not a guess about timing.
 */
public final class Recorder {
    private static final long WAIT_MS = 5000;

    public record Seen(JposEvent event, String thread) {
    }

    private final BaseJposControl control;
    private final List<Seen> seen = new ArrayList<>();
    private volatile Consumer<JposEvent> onEvent = e -> { };

    private Recorder(BaseJposControl control) {
        this.control = control;
    }

    public static Recorder on(BaseJposControl c) {
        Recorder r = new Recorder(c);
        c.addStatusUpdateListener(r::add);
        c.addDirectIOListener(r::add);
        if (c instanceof BaseJposInputControl in) {
            in.addDataListener(r::add);
            in.addErrorListener(r::add);
        }
        if (c instanceof ToneIndicator t) {
            t.addOutputCompleteListener(r::add);
            t.addErrorListener(r::add);
        }
        return r;
    }

    /** Runs inside the listener, on the event thread, before the event is recorded. */
    public void onEvent(Consumer<JposEvent> action) {
        onEvent = action;
    }

    private void add(JposEvent e) {
        onEvent.accept(e);
        synchronized (this) {
            seen.add(new Seen(e, Thread.currentThread().getName()));
            notifyAll();
        }
    }

    /**
     * Waits until n events arrived and the event thread has finished with them (at most 5 s
     * each), and returns all events seen.
     */
    public List<Seen> await(int n) {
        synchronized (this) {
            long end = System.currentTimeMillis() + WAIT_MS;
            while (seen.size() < n) {
                long left = end - System.currentTimeMillis();
                if (left <= 0) {
                    fail("expected " + n + " events, got " + seen.size() + ": " + seen);
                }
                try {
                    wait(left);
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                    fail("interrupted");
                }
            }
        }
        return settle();
    }

    /**
     * Waits until the event thread has delivered and finished every event it may deliver now,
     * and returns all events seen: what did not come by then was not sent (for "nothing more"
     * checks on events that are queued synchronously, as input and DirectIO answers are).
     */
    public List<Seen> settle() {
        // Not under this monitor: the event thread needs it to record.
        for (DeviceService s : Sim.terminal().openServices()) {
            if (s.source() == control) {
                try {
                    if (!s.awaitIdle(WAIT_MS)) {
                        fail("the event thread of " + s.name() + " did not finish within " + WAIT_MS + " ms");
                    }
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                    fail("interrupted");
                }
            }
        }
        synchronized (this) {
            return new ArrayList<>(seen);
        }
    }

    /**
     * Gives work on the terminal's own timers (outputs that play, delayed answers) ms to send
     * an event, then settles: for "nothing more" checks on events that a timer would send.
     */
    public List<Seen> settle(long ms) {
        try {
            Thread.sleep(ms);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            fail("interrupted");
        }
        return settle();
    }

    public synchronized void clear() {
        seen.clear();
    }

    public static <T extends JposEvent> T as(Seen s, Class<T> type) {
        if (!type.isInstance(s.event())) {
            fail("expected " + type.getSimpleName() + ", got " + s.event());
        }
        return type.cast(s.event());
    }

    public static DataEvent data(Seen s) {
        return as(s, DataEvent.class);
    }

    public static ErrorEvent error(Seen s) {
        return as(s, ErrorEvent.class);
    }

    public static StatusUpdateEvent status(Seen s) {
        return as(s, StatusUpdateEvent.class);
    }

    public static DirectIOEvent dio(Seen s) {
        return as(s, DirectIOEvent.class);
    }

    public static OutputCompleteEvent complete(Seen s) {
        return as(s, OutputCompleteEvent.class);
    }
}
