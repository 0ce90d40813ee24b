package jpos;

/** A line display control with nothing but its constructor and open: every other call is missing. */
public class LineDisplay {
    public LineDisplay() {
    }

    public void open(String logicalDeviceName) {
    }
}
