package com.orv.rs485test;

/** Has recvOccurred but no errorOccurred: the open native must answer 5 for it. */
public class ReceiveOnly {
    public void recvOccurred(byte[] data) {
    }
}
