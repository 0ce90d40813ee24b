package com.orv.sim.device;

import com.orv.sim.DeviceKind;
import com.orv.sim.SimException;
import com.orv.sim.terminal.Terminal;
import java.awt.Point;
import java.util.ArrayList;
import java.util.List;
import jpos.JposException;

/**
 * The terminal's signature pad: beginCapture shows a form, the customer signs (strokes
 * separated by the pen-up point (-1,-1)), and the capture ends by endCapture or by the
 * customer's OK key. Real-time mode delivers each piece of the signature as it is drawn.
 *
 * Data event status: 0 for the finished signature, 1 for a real-time piece.
 * Raw data: 4 bytes per point, X then Y, each big-endian 16-bit; pen up is FF FF FF FF.
 */
public final class SignatureService extends DeviceService {
    public static final int MAXIMUM_X = 320;
    public static final int MAXIMUM_Y = 240;
    public static final int STATUS_FINAL = 0;
    public static final int STATUS_REAL_TIME = 1;
    public static final Point PEN_UP = new Point(-1, -1);

    private boolean realTimeDataEnabled;
    private String form;            // the form shown while capturing, or null
    private final List<Point> pending = new ArrayList<>();
    private Point[] pointArray = new Point[0];
    private byte[] rawData = new byte[0];

    public SignatureService(Terminal t, String name, Object source, EventSink sink) {
        super(t, DeviceKind.SIGNATURE_CAPTURE, name, source, sink);
    }

    public boolean getRealTimeDataEnabled() throws JposException {
        return locked(() -> {
            requireOpen();
            return realTimeDataEnabled;
        });
    }

    public void setRealTimeDataEnabled(boolean v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            realTimeDataEnabled = v;
            return null;
        });
    }

    public Point[] getPointArray() throws JposException {
        return locked(() -> {
            requireOpen();
            Point[] copy = new Point[pointArray.length];
            for (int i = 0; i < copy.length; i++) {
                copy[i] = new Point(pointArray[i]);
            }
            return copy;
        });
    }

    public byte[] getRawData() throws JposException {
        return locked(() -> {
            requireOpen();
            return rawData.clone();
        });
    }

    public void beginCapture(String formName) throws JposException {
        lockedRun(() -> {
            requireReady();
            if (formName == null) {
                throw illegal("No form name given");
            }
            if (form != null) {
                throw illegal("A capture is already in progress");
            }
            form = formName;
            pending.clear();
            return null;
        });
    }

    public void endCapture() throws JposException {
        lockedRun(() -> {
            requireReady();
            if (form == null) {
                throw illegal("No capture is in progress");
            }
            finish();
            return null;
        });
    }

    private void finish() {
        form = null;
        List<Point> points = new ArrayList<>(pending);
        pending.clear();
        terminal.statistics(name, kind).increment("SignatureCount", 1);
        deliver(STATUS_FINAL, points);
    }

    private void deliver(int status, List<Point> points) {
        Point[] array = points.toArray(new Point[0]);
        byte[] raw = raw(array);
        postData(status, () -> {
            pointArray = array;
            rawData = raw;
        });
    }

    static byte[] raw(Point[] points) {
        byte[] b = new byte[points.length * 4];
        for (int i = 0; i < points.length; i++) {
            b[4 * i] = (byte) (points[i].x >> 8);
            b[4 * i + 1] = (byte) points[i].x;
            b[4 * i + 2] = (byte) (points[i].y >> 8);
            b[4 * i + 3] = (byte) points[i].y;
        }
        return b;
    }

    // ---- simulator input -------------------------------------------------------------------

    /** The customer draws: points in pad coordinates, PEN_UP between strokes. */
    public void draw(List<Point> points) {
        simLocked(() -> {
            requireInputReady();
            if (form == null) {
                throw new SimException("no capture is in progress on " + name);
            }
            for (Point p : points) {
                boolean penUp = p.equals(PEN_UP);
                if (!penUp && (p.x < 0 || p.y < 0 || p.x > MAXIMUM_X || p.y > MAXIMUM_Y)) {
                    throw new SimException("point " + p.x + "," + p.y + " is off the pad (0..0 to "
                            + MAXIMUM_X + "," + MAXIMUM_Y + ")");
                }
            }
            terminal.statistics(name, kind).increment("PointCount", points.size());
            if (realTimeDataEnabled) {
                deliver(STATUS_REAL_TIME, points);
            } else {
                pending.addAll(points);
            }
            return null;
        });
    }

    /** The customer presses OK on the pad: the capture ends as by endCapture. */
    public void userDone() {
        simLocked(() -> {
            requireInputReady();
            if (form == null) {
                throw new SimException("no capture is in progress on " + name);
            }
            finish();
            return null;
        });
    }

    @Override
    protected void onRelease() {
        form = null;
        pending.clear();
    }

    @Override
    protected String describeDevice() {
        return " form=" + (form == null ? "none" : "\"" + form + "\"") + " pendingPoints=" + pending.size()
                + " realTime=" + realTimeDataEnabled;
    }
}
