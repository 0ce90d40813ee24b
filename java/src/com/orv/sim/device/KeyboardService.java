package com.orv.sim.device;

import com.orv.sim.DeviceKind;
import com.orv.sim.terminal.Terminal;
import jpos.JposException;
import jpos.POSKeyboardConst;

/**
 * The terminal's keypad. A key press gives a key-down data event, and a key-up event too when
 * EventTypes asks for both. The data event status is the key code.
 */
public final class KeyboardService extends DeviceService implements POSKeyboardConst {
    private int eventTypes = KBD_ET_DOWN;
    private int posKeyData;
    private int posKeyEventType = KBD_KET_KEYDOWN;

    public KeyboardService(Terminal t, String name, Object source, EventSink sink) {
        super(t, DeviceKind.POS_KEYBOARD, name, source, sink);
    }

    public int getEventTypes() throws JposException {
        return locked(() -> {
            requireOpen();
            return eventTypes;
        });
    }

    public void setEventTypes(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v != KBD_ET_DOWN && v != KBD_ET_DOWN_UP) {
                throw illegal("EventTypes " + v + " is invalid");
            }
            eventTypes = v;
            return null;
        });
    }

    public int getPOSKeyData() throws JposException {
        return locked(() -> {
            requireOpen();
            return posKeyData;
        });
    }

    public int getPOSKeyEventType() throws JposException {
        return locked(() -> {
            requireOpen();
            return posKeyEventType;
        });
    }

    /** A key goes down and/or up; a key-up is dropped unless EventTypes is DOWN_UP. */
    public void key(int code, boolean down, boolean up) {
        simLocked(() -> {
            requireInputReady();
            if (down) {
                terminal.statistics(name, kind).increment("KeyPressedCount", 1);
                postData(code, () -> {
                    posKeyData = code;
                    posKeyEventType = KBD_KET_KEYDOWN;
                });
            }
            if (up && eventTypes == KBD_ET_DOWN_UP) {
                postData(code, () -> {
                    posKeyData = code;
                    posKeyEventType = KBD_KET_KEYUP;
                });
            }
            return null;
        });
    }

    @Override
    protected String describeDevice() {
        return " eventTypes=" + eventTypes + " lastKey=" + posKeyData;
    }
}
