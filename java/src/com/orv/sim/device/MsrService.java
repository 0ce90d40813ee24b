package com.orv.sim.device;

import com.orv.sim.DeviceKind;
import com.orv.sim.SimException;
import com.orv.sim.msr.CardData;
import com.orv.sim.msr.Track;
import com.orv.sim.terminal.Terminal;
import jpos.JposException;
import jpos.MSRConst;

/**
 * The terminal's magnetic stripe reader: card swipes deliver tracks 1 to 4 as bytes (decoded
 * or raw stripe codes, with or without sentinels) and, when asked, the ISO fields; faulty
 * tracks are reported per card or per track.
 */
public final class MsrService extends DeviceService implements MSRConst {
    private boolean decodeData = true;
    private boolean parseDecodeData;
    private int tracksToRead = MSR_TR_1_2_3;
    private int errorReportingType = MSR_ERT_CARD;
    private boolean transmitSentinels;
    private byte[][] tracks = empty();
    private byte[] track1Discretionary = new byte[0];
    private byte[] track2Discretionary = new byte[0];
    private CardData card = CardData.EMPTY;

    public MsrService(Terminal t, String name, Object source, EventSink sink) {
        super(t, DeviceKind.MSR, name, source, sink);
    }

    private static byte[][] empty() {
        return new byte[][] {new byte[0], new byte[0], new byte[0], new byte[0]};
    }

    private <T> T get(java.util.function.Supplier<T> read) throws JposException {
        return locked(() -> {
            requireOpen();
            return read.get();
        });
    }

    public boolean getDecodeData() throws JposException {
        return get(() -> decodeData);
    }

    /** Turning decoding off also turns parsing off. */
    public void setDecodeData(boolean v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            decodeData = v;
            if (!v) {
                parseDecodeData = false;
            }
            return null;
        });
    }

    public boolean getParseDecodeData() throws JposException {
        return get(() -> parseDecodeData);
    }

    /** Parsing needs decoded data, so turning it on turns decoding on. */
    public void setParseDecodeData(boolean v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            parseDecodeData = v;
            if (v) {
                decodeData = true;
            }
            return null;
        });
    }

    public int getTracksToRead() throws JposException {
        return get(() -> tracksToRead);
    }

    public void setTracksToRead(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v < MSR_TR_1 || v > MSR_TR_1_2_3_4) {
                throw illegal("TracksToRead " + v + " is invalid");
            }
            tracksToRead = v;
            return null;
        });
    }

    public int getErrorReportingType() throws JposException {
        return get(() -> errorReportingType);
    }

    public void setErrorReportingType(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v != MSR_ERT_CARD && v != MSR_ERT_TRACK) {
                throw illegal("ErrorReportingType " + v + " is invalid");
            }
            errorReportingType = v;
            return null;
        });
    }

    public boolean getTransmitSentinels() throws JposException {
        return get(() -> transmitSentinels);
    }

    public void setTransmitSentinels(boolean v) throws JposException {
        set(() -> transmitSentinels = v);
    }

    private void set(Runnable write) throws JposException {
        lockedRun(() -> {
            requireOpen();
            write.run();
            return null;
        });
    }

    /** Track 1 to 4 data as last delivered. */
    public byte[] getTrackData(int track) throws JposException {
        return get(() -> tracks[track - 1].clone());
    }

    public byte[] getTrack1DiscretionaryData() throws JposException {
        return get(() -> track1Discretionary.clone());
    }

    public byte[] getTrack2DiscretionaryData() throws JposException {
        return get(() -> track2Discretionary.clone());
    }

    public CardData getCard() throws JposException {
        return get(() -> card);
    }

    // ---- simulator input -------------------------------------------------------------------

    /**
     * A card swipe. texts[i] is track i+1 (null when the card has nothing there), with or
     * without sentinels; failures[i] is 0 for a good read or the EMSR code of a faulty track.
     */
    public void swipe(String[] texts, int[] failures) {
        simLocked(() -> {
            requireInputReady();
            String[] bare = new String[4];
            for (int i = 0; i < 4; i++) {
                String t = texts[i] == null ? "" : Track.withSentinels(i + 1, texts[i]);
                String why = Track.invalid(i + 1, t);
                if (why != null) {
                    throw new SimException(why);
                }
                bare[i] = Track.stripSentinels(i + 1, t);
                texts[i] = t;
            }
            int extended = 0;
            boolean anyData = false;
            boolean anyFailure = false;
            byte[][] read = empty();
            for (int i = 0; i < 4; i++) {
                if ((tracksToRead & 1 << i) == 0) {
                    continue;
                }
                if (failures[i] != 0) {
                    anyFailure = true;
                    extended |= (failures[i] & 0xFF) << (8 * i);
                    continue;
                }
                if (!texts[i].isEmpty()) {
                    anyData = true;
                    String t = transmitSentinels ? texts[i] : bare[i];
                    read[i] = decodeData ? Track.decoded(t) : Track.raw(i + 1, t);
                }
            }
            CardData parsed = parseDecodeData ? CardData.parse(bare[0], bare[1]) : CardData.EMPTY;
            Runnable apply = () -> {
                tracks = read;
                card = parsed;
                track1Discretionary = Track.decoded(parsed.track1Discretionary());
                track2Discretionary = Track.decoded(parsed.track2Discretionary());
            };
            var stats = terminal.statistics(name, kind);
            if (anyFailure && errorReportingType == MSR_ERT_TRACK) {
                stats.increment("FailedReadCount", 1);
                postInputError(JPOS_E_EXTENDED, extended, apply);
            } else if (anyFailure) {
                stats.increment("FailedReadCount", 1);
                postInputError(JPOS_E_FAILURE, 0, this::clearData);
            } else if (!anyData) {
                stats.increment("UnreadableCardCount", 1);
                postInputError(JPOS_E_FAILURE, 0, this::clearData);
            } else {
                stats.increment("GoodReadCount", 1);
                int status = 0;
                for (int i = 0; i < 4; i++) {
                    status |= Math.min(read[i].length, 255) << (8 * i);
                }
                postData(status, apply);
            }
            return null;
        });
    }

    private void clearData() {
        tracks = empty();
        card = CardData.EMPTY;
        track1Discretionary = new byte[0];
        track2Discretionary = new byte[0];
    }

    @Override
    protected String describeDevice() {
        return " tracksToRead=" + tracksToRead + " decode=" + decodeData + " parse=" + parseDecodeData
                + " sentinels=" + transmitSentinels + " errorReporting=" + errorReportingType;
    }
}
