package jpos;

import com.orv.jpos.signature.SigOPOSEventCallbacks;
import com.orv.sim.DeviceKind;
import com.orv.sim.device.SignatureService;
import java.awt.Point;

/** The signature capture control: the terminal's signature pad. */
public class SignatureCapture extends BaseJposInputControl {
    public SignatureCapture() {
        super(DeviceKind.SIGNATURE_CAPTURE, new SigOPOSEventCallbacks());
    }

    private SignatureService sig(String method) throws JposException {
        return svc(method, SignatureService.class);
    }

    public boolean getCapDisplay() throws JposException {
        return fixed("getCapDisplay", true);
    }

    public boolean getCapRealTimeData() throws JposException {
        return fixed("getCapRealTimeData", true);
    }

    public boolean getCapUserTerminated() throws JposException {
        return fixed("getCapUserTerminated", true);
    }

    public int getMaximumX() throws JposException {
        return fixed("getMaximumX", SignatureService.MAXIMUM_X);
    }

    public int getMaximumY() throws JposException {
        return fixed("getMaximumY", SignatureService.MAXIMUM_Y);
    }

    /** The captured points; (-1,-1) ends a stroke. */
    public Point[] getPointArray() throws JposException {
        return sig("getPointArray").getPointArray();
    }

    public byte[] getRawData() throws JposException {
        return sig("getRawData").getRawData();
    }

    public boolean getRealTimeDataEnabled() throws JposException {
        return sig("getRealTimeDataEnabled").getRealTimeDataEnabled();
    }

    public void setRealTimeDataEnabled(boolean realTimeDataEnabled) throws JposException {
        sig("setRealTimeDataEnabled").setRealTimeDataEnabled(realTimeDataEnabled);
    }

    public void beginCapture(String formName) throws JposException {
        sig("beginCapture").beginCapture(formName);
    }

    public void endCapture() throws JposException {
        sig("endCapture").endCapture();
    }
}
