package com.orv.rs485test;

import com.orv.comm.Rs485PortLibPort;
import com.orv.porttest.CallbackLog;

/** An RS-485 port whose callbacks also go to a CallbackLog (for the native tests). */
public class RecordingRs485Port extends Rs485PortLibPort {
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
