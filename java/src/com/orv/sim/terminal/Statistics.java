package com.orv.sim.terminal;

import com.orv.sim.DeviceKind;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import jpos.JposConst;
import jpos.JposException;

/**
 * The statistics a device keeps, UnifiedPOS-defined and manufacturer-defined, with the
 * request syntax of retrieve/update/reset: "" all, "U_" all UnifiedPOS ones, "M_" all
 * manufacturer ones, or a comma separated list of names ("Name=Value" pairs for update).
 */
public final class Statistics {
    private final DeviceKind kind;
    private final String device;
    private final Terminal terminal;
    private final Map<String, Long> values = new LinkedHashMap<>();
    private final Map<String, Boolean> unifiedPos = new LinkedHashMap<>();

    Statistics(Terminal terminal, String device, DeviceKind kind) {
        this.terminal = terminal;
        this.device = device;
        this.kind = kind;
        define(true, "HoursPoweredCount", "CommunicationErrorCount");
        switch (kind) {
            case MSR -> define(true, "GoodReadCount", "FailedReadCount", "UnreadableCardCount");
            case SCANNER -> define(true, "GoodScanCount");
            case POS_KEYBOARD -> define(true, "KeyPressedCount");
            case PINPAD -> define(false, "PINEntryCount", "TransactionCount", "MACCount");
            case SIGNATURE_CAPTURE -> define(false, "SignatureCount", "PointCount");
            case LINE_DISPLAY -> define(false, "DisplayedCharacterCount");
            case TONE_INDICATOR -> define(false, "ToneSoundedCount");
            default -> { }
        }
    }

    private void define(boolean upos, String... names) {
        for (String n : names) {
            values.put(n, 0L);
            unifiedPos.put(n, upos);
        }
    }

    public synchronized void increment(String statistic, long by) {
        values.computeIfPresent(statistic, (k, v) -> v + by);
    }

    public synchronized long value(String statistic) {
        Long v = values.get(statistic);
        return v == null ? -1 : v;
    }

    private List<String> select(String request) throws JposException {
        String r = request == null ? "" : request.trim();
        List<String> names = new ArrayList<>();
        if (r.isEmpty()) {
            names.addAll(values.keySet());
        } else if (r.equals("U_") || r.equals("M_")) {
            boolean upos = r.equals("U_");
            unifiedPos.forEach((n, u) -> {
                if (u == upos) {
                    names.add(n);
                }
            });
        } else {
            for (String n : r.split(",")) {
                String name = n.trim();
                if (!values.containsKey(name)) {
                    throw new JposException(JposConst.JPOS_E_ILLEGAL,
                            "Statistic '" + name + "' is not kept by " + device);
                }
                names.add(name);
            }
        }
        return names;
    }

    /** The statistics asked for, in the UnifiedPOS statistics XML format. */
    public synchronized String retrieve(String request) throws JposException {
        StringBuilder sb = new StringBuilder();
        sb.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
        sb.append("<UPOSStat version=\"1.9.0\">\n");
        sb.append(" <Event>\n  <Parameter>\n   <Name>RequestedStatistic</Name>\n   <Value>")
                .append(escape(request == null ? "" : request)).append("</Value>\n  </Parameter>\n </Event>\n");
        sb.append(" <Equipment>\n  <UnifiedPOSVersion>1.9</UnifiedPOSVersion>\n");
        sb.append("  <DeviceCategory UPOS=\"").append(kind.classWord()).append("\"/>\n");
        sb.append("  <Manufacturer>Orvane</Manufacturer>\n");
        sb.append("  <ModelName>").append(escape(terminal.fact(Terminal.Fact.MODEL))).append("</ModelName>\n");
        sb.append("  <SerialNumber>").append(escape(terminal.fact(Terminal.Fact.SERIAL))).append("</SerialNumber>\n");
        sb.append("  <FirmwareRevision>").append(escape(terminal.fact(Terminal.Fact.VERSION))).append("</FirmwareRevision>\n");
        sb.append("  <Interface>USB</Interface>\n </Equipment>\n");
        for (String n : select(request)) {
            sb.append(" <").append(unifiedPos.get(n) ? "Parameter" : "ManufacturerStatistic")
                    .append(">\n  <Name>").append(n).append("</Name>\n  <Value>").append(values.get(n))
                    .append("</Value>\n </").append(unifiedPos.get(n) ? "Parameter" : "ManufacturerStatistic")
                    .append(">\n");
        }
        sb.append("</UPOSStat>\n");
        return sb.toString();
    }

    /** "Name=Value,..." (Name may be U_ or M_); every pair is checked before any is applied. */
    public synchronized void update(String assignments) throws JposException {
        Map<String, Long> changes = new LinkedHashMap<>();
        if (assignments == null || assignments.isBlank()) {
            throw new JposException(JposConst.JPOS_E_ILLEGAL, "No statistics to update");
        }
        for (String pair : assignments.split(",")) {
            int eq = pair.indexOf('=');
            if (eq <= 0) {
                throw new JposException(JposConst.JPOS_E_ILLEGAL, "Expected Name=Value, got '" + pair + "'");
            }
            long v;
            try {
                v = Long.parseLong(pair.substring(eq + 1).trim());
            } catch (NumberFormatException e) {
                throw new JposException(JposConst.JPOS_E_ILLEGAL, "Statistic value '" + pair + "' is not a number");
            }
            if (v < 0) {
                throw new JposException(JposConst.JPOS_E_ILLEGAL, "Statistic values are not negative");
            }
            for (String n : select(pair.substring(0, eq).trim())) {
                changes.put(n, v);
            }
        }
        values.putAll(changes);
    }

    public synchronized void reset(String names) throws JposException {
        for (String n : select(names)) {
            values.put(n, 0L);
        }
    }

    private static String escape(String s) {
        return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("\"", "&quot;");
    }
}
