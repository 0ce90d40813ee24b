package com.orv.porttest;

/** Has recvOccurred but no errorOccurred: a port library's open native must answer 5 for it. */
public class ReceiveOnly {
    public void recvOccurred(byte[] data) {
    }
}
