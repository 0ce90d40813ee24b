package com.orv.testing;

import static org.junit.jupiter.api.Assertions.fail;

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

/** Records every event of a control with the thread it came on; tests wait on it. */
public final class Recorder {
    public record Seen(JposEvent event, String thread) {
    }

    private final List<Seen> seen = new ArrayList<>();
    private volatile Consumer<JposEvent> onEvent = e -> { };

    public static Recorder on(BaseJposControl c) {
        Recorder r = new Recorder();
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

    /** Waits until n events arrived (at most 5 s) and returns all of them. */
    public synchronized List<Seen> await(int n) {
        long end = System.currentTimeMillis() + 5000;
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
        return new ArrayList<>(seen);
    }

    /** Lets events that are under way arrive, then returns what came (for "nothing more" checks). */
    public synchronized List<Seen> settle(long ms) {
        try {
            wait(ms);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
        return new ArrayList<>(seen);
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
