package com.orv.hidtest;

import com.orv.comm.USBPort;
import com.orv.porttest.CallbackLog;

/** A USB port whose callbacks also go to a CallbackLog (for the native tests). */
public class RecordingPort extends USBPort {
    public final CallbackLog log = new CallbackLog();

    @Override
    public void recvOccurred(byte[] data) {
        log.received();
        super.recvOccurred(data);
    }

    @Override
    public void errorOccurred(int code, String message) {
        log.error();
        super.errorOccurred(code, message);
    }
}
