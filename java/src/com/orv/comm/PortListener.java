package com.orv.comm;

/** Receives what a port's native library delivers, on the library's own thread. */
public interface PortListener {
    void dataReceived(byte[] data);

    void errorOccurred(PortError error);
}
