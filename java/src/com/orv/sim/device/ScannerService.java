package com.orv.sim.device;

import com.orv.jpos.DirectIOData;
import com.orv.sim.DeviceKind;
import com.orv.sim.SimException;
import com.orv.sim.crypto.Hex;
import com.orv.sim.terminal.Answer;
import com.orv.sim.terminal.Terminal;
import java.nio.charset.StandardCharsets;
import java.util.Map;
import jpos.JposException;
import jpos.ScannerConst;
import jpos.events.DirectIOEvent;

/**
 * The terminal's scanner. A scan delivers ScanData as the scanner sends it (the AIM symbology
 * identifier, the label, CR) and, with DecodeData, the label and its symbology code.
 * DirectIO: command 1 sends raw bytes (an array of Byte), any other command a text command
 * ("REV_WA." revision, "BEEP." beep, "DEFALT." factory settings); each is answered by a
 * DirectIO event.
 */
public final class ScannerService extends DeviceService implements ScannerConst {
    public static final String REVISION = "ZR88-SCAN 2.04";

    private static final Map<Integer, String> AIM = Map.ofEntries(
            Map.entry(SCAN_SDT_UPCA, "]E0"), Map.entry(SCAN_SDT_UPCE, "]E0"),
            Map.entry(SCAN_SDT_EAN8, "]E4"), Map.entry(SCAN_SDT_EAN13, "]E0"),
            Map.entry(SCAN_SDT_TF, "]S0"), Map.entry(SCAN_SDT_ITF, "]I0"),
            Map.entry(SCAN_SDT_Codabar, "]F0"), Map.entry(SCAN_SDT_Code39, "]A0"),
            Map.entry(SCAN_SDT_Code93, "]G0"), Map.entry(SCAN_SDT_Code128, "]C0"),
            Map.entry(SCAN_SDT_EAN128, "]C1"), Map.entry(SCAN_SDT_RSS14, "]e0"),
            Map.entry(SCAN_SDT_RSS_EXPANDED, "]e0"), Map.entry(SCAN_SDT_PDF417, "]L0"),
            Map.entry(SCAN_SDT_MAXICODE, "]U0"), Map.entry(SCAN_SDT_OCRA, "]o0"),
            Map.entry(SCAN_SDT_OCRB, "]o0"));

    private boolean decodeData;
    private byte[] scanData = new byte[0];
    private byte[] scanDataLabel = new byte[0];
    private int scanDataType = SCAN_SDT_UNKNOWN;

    public ScannerService(Terminal t, String name, Object source, EventSink sink) {
        super(t, DeviceKind.SCANNER, name, source, sink);
    }

    public boolean getDecodeData() throws JposException {
        return locked(() -> {
            requireOpen();
            return decodeData;
        });
    }

    public void setDecodeData(boolean v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            decodeData = v;
            return null;
        });
    }

    public byte[] getScanData() throws JposException {
        return locked(() -> {
            requireOpen();
            return scanData.clone();
        });
    }

    public byte[] getScanDataLabel() throws JposException {
        return locked(() -> {
            requireOpen();
            return scanDataLabel.clone();
        });
    }

    public int getScanDataType() throws JposException {
        return locked(() -> {
            requireOpen();
            return scanDataType;
        });
    }

    @Override
    public void directIO(int command, int[] data, Object object) throws JposException {
        lockedRun(() -> {
            requireClaimed();
            if (terminal.powerState(name) != JPOS_PS_ONLINE) {
                throw new JposException(JPOS_E_OFFLINE, "Scanner " + name + " is not on line");
            }
            return null;
        });
        Answer a;
        if (command == 1) {
            if (!(object instanceof Byte[] boxed)) {
                throw illegal("Scanner command 1 takes an array of Byte");
            }
            byte[] b = new byte[boxed.length];
            for (int i = 0; i < b.length; i++) {
                if (boxed[i] == null) {
                    throw illegal("Scanner command bytes must not be null");
                }
                b[i] = boxed[i];
            }
            a = Answer.ok("ACK " + Hex.of(b));
        } else {
            if (!(object instanceof String text)) {
                throw illegal("Scanner command " + command + " takes a String");
            }
            a = switch (text.trim()) {
                case "REV_WA." -> Answer.ok(REVISION);
                case "BEEP.", "DEFALT." -> Answer.ok();
                default -> Answer.fail(Answer.NOT_FOUND, "Unknown scanner command " + text);
            };
        }
        post(new DirectIOEvent(source(), a.status(), command, new DirectIOData(a.text())));
    }

    /** A label is scanned; UPC and EAN labels must carry a correct check digit. */
    public void scan(int type, String label) {
        simLocked(() -> {
            requireInputReady();
            String why = invalidLabel(type, label);
            if (why != null) {
                throw new SimException(why);
            }
            byte[] labelBytes = label.getBytes(StandardCharsets.ISO_8859_1);
            byte[] raw = (AIM.getOrDefault(type, "]X0") + label + "\r").getBytes(StandardCharsets.ISO_8859_1);
            terminal.statistics(name, kind).increment("GoodScanCount", 1);
            postData(0, () -> {
                scanData = raw;
                scanDataLabel = decodeData ? labelBytes : new byte[0];
                scanDataType = decodeData ? type : SCAN_SDT_UNKNOWN;
            });
            return null;
        });
    }

    static String invalidLabel(int type, String label) {
        if (label == null || label.isEmpty()) {
            return "empty label";
        }
        int digits = switch (type) {
            case SCAN_SDT_UPCA -> 12;
            case SCAN_SDT_EAN13 -> 13;
            case SCAN_SDT_EAN8 -> 8;
            default -> 0;
        };
        if (digits == 0) {
            return null;
        }
        if (!label.matches("[0-9]{" + digits + "}")) {
            return "a label of this type has " + digits + " digits";
        }
        int sum = 0;
        for (int i = digits - 2, w = 3; i >= 0; i--, w = 4 - w) {
            sum += (label.charAt(i) - '0') * w;
        }
        int check = (10 - sum % 10) % 10;
        return check == label.charAt(digits - 1) - '0' ? null : "bad check digit, expected " + check;
    }

    @Override
    protected String describeDevice() {
        return " decodeData=" + decodeData;
    }
}
