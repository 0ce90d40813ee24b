package com.orv.sim.device;

import com.orv.sim.DeviceKind;
import com.orv.sim.SimException;
import com.orv.sim.terminal.Terminal;
import java.util.ArrayDeque;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.locks.Condition;
import jpos.JposException;
import jpos.events.OutputCompleteEvent;

/**
 * The terminal's beeper. One cycle sounds tone 1, waits InterToneWait and sounds tone 2 (when
 * its duration is not 0); cycles are separated by the interSoundWait of the request. In
 * asynchronous mode requests queue up with increasing output IDs, play on the beeper's own
 * thread and end with an output-complete event; otherwise sound() returns when it has played.
 */
public final class ToneService extends DeviceService {
    private static final int MAX_PITCH = 20_000;
    /**
     * The longest sound a caller may wait for. A synchronous request holds the application's
     * thread for its whole length, so longer ones (up to years with huge counts) need AsyncMode,
     * where ClearOutput can end them.
     */
    public static final long MAX_SYNC_MS = 60_000;

    private record Output(int id, int cycles, int interSoundWait, long cycleMs) {
    }

    private final Condition changed = lock.newCondition();
    private final ArrayDeque<Output> queue = new ArrayDeque<>();
    private Output current;
    private long generation;
    private int syncPlaying;
    private boolean awaitingResponse;
    private int[] plantedError;
    private Thread player;

    private boolean asyncMode;
    private int outputID;
    private int tone1Pitch = 1000;
    private int tone1Volume = 100;
    private int tone1Duration = 100;
    private int tone2Pitch;
    private int tone2Volume = 100;
    private int tone2Duration;
    private int interToneWait;

    public ToneService(Terminal t, String name, Object source, EventSink sink) {
        super(t, DeviceKind.TONE_INDICATOR, name, source, sink);
    }

    public enum Prop { TONE1_PITCH, TONE1_VOLUME, TONE1_DURATION, TONE2_PITCH, TONE2_VOLUME,
        TONE2_DURATION, INTER_TONE_WAIT }

    public int get(Prop p) throws JposException {
        return locked(() -> {
            requireOpen();
            return switch (p) {
                case TONE1_PITCH -> tone1Pitch;
                case TONE1_VOLUME -> tone1Volume;
                case TONE1_DURATION -> tone1Duration;
                case TONE2_PITCH -> tone2Pitch;
                case TONE2_VOLUME -> tone2Volume;
                case TONE2_DURATION -> tone2Duration;
                case INTER_TONE_WAIT -> interToneWait;
            };
        });
    }

    public void set(Prop p, int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            int max = switch (p) {
                case TONE1_PITCH, TONE2_PITCH -> MAX_PITCH;
                case TONE1_VOLUME, TONE2_VOLUME -> 100;
                default -> Integer.MAX_VALUE;
            };
            if (v < 0 || v > max) {
                throw illegal(p + " " + v + " is outside 0.." + max);
            }
            switch (p) {
                case TONE1_PITCH -> tone1Pitch = v;
                case TONE1_VOLUME -> tone1Volume = v;
                case TONE1_DURATION -> tone1Duration = v;
                case TONE2_PITCH -> tone2Pitch = v;
                case TONE2_VOLUME -> tone2Volume = v;
                case TONE2_DURATION -> tone2Duration = v;
                case INTER_TONE_WAIT -> interToneWait = v;
            }
            return null;
        });
    }

    public boolean getAsyncMode() throws JposException {
        return locked(() -> {
            requireOpen();
            return asyncMode;
        });
    }

    public void setAsyncMode(boolean v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            asyncMode = v;
            return null;
        });
    }

    public int getOutputID() throws JposException {
        return locked(() -> {
            requireOpen();
            return outputID;
        });
    }

    private long cycleMs() {
        return tone1Duration + (tone2Duration > 0 ? interToneWait + tone2Duration : 0L);
    }

    public void sound(int cycles, int interSoundWait) throws JposException {
        long[] syncTime = new long[1];
        long startGen = locked(() -> {
            requireReady();
            if (cycles < 1 && cycles != JPOS_FOREVER) {
                throw illegal("Number of cycles " + cycles + " is invalid");
            }
            if (cycles == JPOS_FOREVER && !asyncMode) {
                throw illegal("Sounding forever needs AsyncMode");
            }
            if (interSoundWait < 0) {
                throw illegal("Inter-sound wait " + interSoundWait + " is invalid");
            }
            if (cycleMs() == 0) {
                throw illegal("Tone durations are all 0: nothing to sound");
            }
            if (asyncMode) {
                queue.addLast(new Output(++outputID, cycles, interSoundWait, cycleMs()));
                ensurePlayer();
                changed.signalAll();
                return -1L;
            }
            syncTime[0] = syncLength(cycles, interSoundWait);
            syncPlaying++;
            return generation;
        });
        if (startGen >= 0) {
            playSync(startGen, syncTime[0], cycles);
        }
    }

    /**
     * The length of a synchronous sound in ms, refused beyond MAX_SYNC_MS. Worked out in double,
     * as huge counts and durations overflow a long.
     */
    private long syncLength(int cycles, int interSoundWait) throws JposException {
        double ms = (double) cycles * cycleMs() + (cycles - 1.0) * interSoundWait;
        if (ms > MAX_SYNC_MS) {
            throw illegal("A synchronous sound of " + (long) ms + " ms is longer than "
                    + MAX_SYNC_MS + " ms; use AsyncMode");
        }
        return (long) ms;
    }

    public void soundImmediate() throws JposException {
        long[] time = new long[1];
        long gen = locked(() -> {
            requireReady();
            if (cycleMs() == 0) {
                throw illegal("Tone durations are all 0: nothing to sound");
            }
            time[0] = syncLength(1, 0);
            syncPlaying++;
            return generation;
        });
        playSync(gen, time[0], 1);
    }

    /** Waits out a synchronous sound; clearOutput, release or close cut it short. */
    private void playSync(long gen, long ms, int cycles) throws JposException {
        lockedRun(() -> {
            try {
                long end = System.nanoTime() + TimeUnit.MILLISECONDS.toNanos(ms);
                for (long left = ms * 1_000_000L; left > 0 && gen == generation; left = end - System.nanoTime()) {
                    changed.awaitNanos(left);
                }
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            } finally {
                syncPlaying--;
            }
            if (gen != generation) {
                throw new JposException(JPOS_E_FAILURE, "The sound was cleared");
            }
            terminal.statistics(name, kind).increment("ToneSoundedCount", cycles);
            return null;
        });
    }

    public void clearOutput() throws JposException {
        lockedRun(() -> {
            requireClaimed();
            clearOutputs();
            return null;
        });
    }

    private void clearOutputs() {
        generation++;
        queue.clear();
        current = null;
        awaitingResponse = false;
        plantedError = null;
        changed.signalAll();
    }

    @Override
    protected boolean isBusy() {
        return current != null || !queue.isEmpty() || syncPlaying > 0 || super.isBusy();
    }

    private void ensurePlayer() {
        if (player == null) {
            player = new Thread(this::play, "orv-sim-tone-" + name);
            player.setDaemon(true);
            player.start();
        }
    }

    /** The beeper thread: plays queued outputs in order; waits release the lock. */
    private void play() {
        lock.lock();
        try {
            while (isOpen()) {
                if (current == null && queue.isEmpty() || awaitingResponse) {
                    changed.awaitUninterruptibly();
                    continue;
                }
                if (current == null) {
                    current = queue.pollFirst();
                }
                Output o = current;
                long gen = generation;
                int done = 0;
                for (int c = 0; o.cycles == JPOS_FOREVER || c < o.cycles; c++) {
                    long ms = o.cycleMs + (c > 0 ? o.interSoundWait : 0);
                    if (!sleep(gen, ms)) {
                        break;
                    }
                    done++;
                }
                boolean failed = plantedError != null;
                terminal.statistics(name, kind).increment("ToneSoundedCount", done);
                if (gen != generation) {
                    continue;
                }
                if (failed) {
                    int[] e = plantedError;
                    plantedError = null;
                    awaitingResponse = true;
                    postOutputError(e[0], e[1]);
                    continue;
                }
                current = null;
                post(new OutputCompleteEvent(source(), o.id));
            }
        } finally {
            lock.unlock();
        }
    }

    /** Sleeps with the lock released; false when the outputs were cleared or an error planted. */
    private boolean sleep(long gen, long ms) {
        long end = System.nanoTime() + TimeUnit.MILLISECONDS.toNanos(ms);
        try {
            for (long left = ms * 1_000_000L; left > 0; left = end - System.nanoTime()) {
                if (gen != generation || plantedError != null) {
                    return false;
                }
                changed.awaitNanos(left);
            }
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            return false;
        }
        return gen == generation;
    }

    @Override
    protected void onOutputErrorResponse(int response) {
        awaitingResponse = false;
        if (response == JPOS_ER_CLEAR) {
            clearOutputs();
        }
        changed.signalAll();   // ER_RETRY: the player sounds the current output again
    }

    /** A beeper fault during the output in progress; the application answers the error event. */
    @Override
    public void raiseError(int code, int extended) {
        simLocked(() -> {
            if (current == null || awaitingResponse) {
                throw new SimException("no asynchronous output is sounding on " + name);
            }
            plantedError = new int[] {code, extended};
            changed.signalAll();
            return null;
        });
    }

    @Override
    protected void onRelease() {
        clearOutputs();
    }

    @Override
    protected void onClose() {
        clearOutputs();
    }

    @Override
    protected String describeDevice() {
        return " async=" + asyncMode + " outputID=" + outputID + " queued=" + queue.size()
                + " sounding=" + (current == null ? "none" : Integer.toString(current.id));
    }
}
