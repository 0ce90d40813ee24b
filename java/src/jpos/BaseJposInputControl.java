package jpos;

import com.orv.jpos.OposEventCallbacks;
import com.orv.sim.DeviceKind;
import jpos.events.DataListener;
import jpos.events.ErrorListener;

/** A control of an input device: data events, AutoDisable, DataCount, clearInput, input errors. */
public abstract class BaseJposInputControl extends BaseJposControl {
    protected BaseJposInputControl(DeviceKind kind, OposEventCallbacks callbacks) {
        super(kind, callbacks);
    }

    public boolean getDataEventEnabled() throws JposException {
        return svc("getDataEventEnabled").getDataEventEnabled();
    }

    public void setDataEventEnabled(boolean dataEventEnabled) throws JposException {
        svc("setDataEventEnabled").setDataEventEnabled(dataEventEnabled);
    }

    public boolean getAutoDisable() throws JposException {
        return svc("getAutoDisable").getAutoDisable();
    }

    public void setAutoDisable(boolean autoDisable) throws JposException {
        svc("setAutoDisable").setAutoDisable(autoDisable);
    }

    public int getDataCount() throws JposException {
        return svc("getDataCount").getDataCount();
    }

    @Override
    public void clearInput() throws JposException {
        svc("clearInput").clearInput();
    }

    public void addDataListener(DataListener l) {
        dataListeners.add(l);
    }

    public void removeDataListener(DataListener l) {
        dataListeners.remove(l);
    }

    public void addErrorListener(ErrorListener l) {
        errorListeners.add(l);
    }

    public void removeErrorListener(ErrorListener l) {
        errorListeners.remove(l);
    }
}
