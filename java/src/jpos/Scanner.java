package jpos;

import com.orv.jpos.scanner.ScanOPOSEventCallbacks;
import com.orv.sim.DeviceKind;
import com.orv.sim.device.ScannerService;

/** The scanner control. */
public class Scanner extends BaseJposInputControl implements ScannerConst {
    public Scanner() {
        super(DeviceKind.SCANNER, new ScanOPOSEventCallbacks());
    }

    private ScannerService scanner(String method) throws JposException {
        return svc(method, ScannerService.class);
    }

    public boolean getDecodeData() throws JposException {
        return scanner("getDecodeData").getDecodeData();
    }

    public void setDecodeData(boolean decodeData) throws JposException {
        scanner("setDecodeData").setDecodeData(decodeData);
    }

    public byte[] getScanData() throws JposException {
        return scanner("getScanData").getScanData();
    }

    public byte[] getScanDataLabel() throws JposException {
        return scanner("getScanDataLabel").getScanDataLabel();
    }

    public int getScanDataType() throws JposException {
        return scanner("getScanDataType").getScanDataType();
    }
}
