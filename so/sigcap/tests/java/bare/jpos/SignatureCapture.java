package jpos;

/** A signature capture control with nothing but its constructor and open. */
public class SignatureCapture {
    public SignatureCapture() {
    }

    public void open(String logicalDeviceName) {
    }
}
