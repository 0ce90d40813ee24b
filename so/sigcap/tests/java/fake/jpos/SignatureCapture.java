package jpos;

import java.awt.Point;

/**
 * A scripted signature capture control: the tests set the point array and raw data it answers
 * (null elements and a null array included), make getPointArray throw, and read back the form
 * name it was given.
 */
public class SignatureCapture {
    private static Point[] points = new Point[0];
    private static byte[] raw = new byte[0];
    private static int pointFailure;
    private static String form;

    public SignatureCapture() {
    }

    /** x0, y0, x1, y1, ...; null: getPointArray answers null. */
    public static synchronized void setPoints(int[] xy) {
        if (xy == null) {
            points = null;
            return;
        }
        points = new Point[xy.length / 2];
        for (int i = 0; i < points.length; i++) {
            points[i] = new Point(xy[2 * i], xy[2 * i + 1]);
        }
    }

    public static synchronized void clearPoint(int index) {
        points[index] = null;
    }

    /** Nonzero: getPointArray throws a JposException with this code. */
    public static synchronized void failPoints(int code) {
        pointFailure = code;
    }

    public static synchronized void setRawData(byte[] bytes) {
        raw = bytes;
    }

    public static synchronized String lastForm() {
        return form;
    }

    public void open(String logicalDeviceName) {
    }

    public void close() {
    }

    public void claim(int timeout) {
    }

    public void release() {
    }

    public synchronized Point[] getPointArray() throws JposException {
        if (pointFailure != 0) {
            throw new JposException(pointFailure, "point array refused");
        }
        return points;
    }

    public synchronized byte[] getRawData() {
        return raw;
    }

    public int getMaximumX() {
        return 320;
    }

    public void beginCapture(String formName) {
        synchronized (SignatureCapture.class) {
            form = formName;
        }
    }

    public void endCapture() {
    }
}
