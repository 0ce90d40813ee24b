package jpos;

/** A PIN pad control that has nothing but its constructor and open: every other call is missing. */
public class PINPad {
    public PINPad() {
    }

    public void open(String logicalDeviceName) {
    }
}
