package jpos;

import com.orv.jpos.keyboard.KbdOPOSEventCallbacks;
import com.orv.sim.DeviceKind;
import com.orv.sim.device.KeyboardService;

/** The POS keyboard control: the terminal's keypad. */
public class POSKeyboard extends BaseJposInputControl implements POSKeyboardConst {
    public POSKeyboard() {
        super(DeviceKind.POS_KEYBOARD, new KbdOPOSEventCallbacks());
    }

    private KeyboardService kbd(String method) throws JposException {
        return svc(method, KeyboardService.class);
    }

    public boolean getCapKeyUp() throws JposException {
        return fixed("getCapKeyUp", true);
    }

    public int getEventTypes() throws JposException {
        return kbd("getEventTypes").getEventTypes();
    }

    public void setEventTypes(int eventTypes) throws JposException {
        kbd("setEventTypes").setEventTypes(eventTypes);
    }

    public int getPOSKeyData() throws JposException {
        return kbd("getPOSKeyData").getPOSKeyData();
    }

    public int getPOSKeyEventType() throws JposException {
        return kbd("getPOSKeyEventType").getPOSKeyEventType();
    }
}
