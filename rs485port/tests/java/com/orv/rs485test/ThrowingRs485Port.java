package com.orv.rs485test;

/** A port whose first receive callback throws: the library must clear it and go on. */
public class ThrowingRs485Port extends RecordingRs485Port {
    private boolean thrown;

    @Override
    public void recvOccurred(byte[] data) {
        if (!thrown) {
            thrown = true;
            throw new IllegalStateException("first block refused by the test");
        }
        super.recvOccurred(data);
    }
}
