package jpos;

import java.awt.Point;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.List;
import java.util.Map;
import java.util.concurrent.ConcurrentHashMap;

/**
 * A scripted PIN pad control for service object tests. Every call is recorded with its
 * arguments; a test plants what a method does (throw a JposException with a chosen code, throw a
 * NullPointerException, return a chosen value or null).
 */
public class PINPad {
    private static final Object NULL = new Object();
    private static final Map<String, String> plans = new ConcurrentHashMap<>();
    private static final Map<String, Object> values = new ConcurrentHashMap<>();
    private static final List<String> calls = Collections.synchronizedList(new ArrayList<>());
    private static volatile PINPad last;

    public PINPad() {
        last = this;
    }

    // ---- scripting ------------------------------------------------------------------------

    /** behaviour: "jpos:<code>", "echo" (a JposException quoting the arguments) or "npe"; null removes the plan. */
    public static void plan(String method, String behaviour) {
        if (behaviour == null) {
            plans.remove(method);
        } else {
            plans.put(method, behaviour);
        }
    }

    /** What a getter returns; a null value makes it return null. */
    public static void setValue(String getter, Object value) {
        values.put(getter, value == null ? NULL : value);
    }

    public static void setText(String getter, String value) {
        setValue(getter, value);
    }

    public static void setInt(String getter, int value) {
        setValue(getter, value);
    }

    public static void setLong(String getter, long value) {
        setValue(getter, value);
    }

    public static void setBytes(String getter, byte[] value) {
        setValue(getter, value);
    }

    public static void reset() {
        plans.clear();
        values.clear();
        calls.clear();
    }

    /** The calls since the last take, one per line. */
    public static String takeCalls() {
        synchronized (calls) {
            String s = String.join("\n", calls);
            calls.clear();
            return s;
        }
    }

    public static Object lastCreated() {
        return last;
    }

    private static String describe(Object o) {
        if (o == null) {
            return "null";
        }
        if (o instanceof String s) {
            return "\"" + s + "\"";
        }
        if (o instanceof Point p) {
            return "Point(" + p.x + "," + p.y + ")";
        }
        if (o instanceof Integer i) {
            return "Integer(" + i + ")";
        }
        if (o instanceof Byte b) {
            return "Byte(" + b + ")";
        }
        if (o instanceof int[] a) {
            return "int" + Arrays.toString(a);
        }
        if (o instanceof String[] a) {
            List<String> parts = new ArrayList<>();
            for (String s : a) {
                parts.add(describe(s));
            }
            return "String[" + String.join(", ", parts) + "]";
        }
        if (o instanceof Object[] a) {
            List<String> parts = new ArrayList<>();
            for (Object x : a) {
                parts.add(describe(x));
            }
            return a.getClass().getComponentType().getSimpleName() + "[" + String.join(", ", parts) + "]";
        }
        if (o instanceof List<?> l) {
            List<String> parts = new ArrayList<>();
            for (Object x : l) {
                parts.add(describe(x));
            }
            return o.getClass().getSimpleName() + "[" + String.join(", ", parts) + "]";
        }
        return o.getClass().getSimpleName() + "(" + o + ")";
    }

    private static void enter(String method, Object... args) throws JposException {
        List<String> parts = new ArrayList<>();
        for (Object a : args) {
            parts.add(describe(a));
        }
        calls.add(method + "(" + String.join(", ", parts) + ")");
        String plan = plans.get(method);
        if (plan == null) {
            return;
        }
        if (plan.startsWith("jpos:")) {
            throw new JposException(Integer.parseInt(plan.substring(5)), "planted failure of " + method);
        }
        if (plan.equals("echo")) {
            throw new JposException(106, "echo " + String.join(", ", parts));
        }
        if (plan.equals("npe")) {
            throw new NullPointerException("planted null of " + method);
        }
    }

    private static Object value(String getter, Object fallback) {
        Object v = values.get(getter);
        if (v == null) {
            return fallback;
        }
        return v == NULL ? null : v;
    }

    private static int intValue(String getter, int fallback) throws JposException {
        enter(getter);
        return (Integer) value(getter, fallback);
    }

    private static boolean boolValue(String getter) throws JposException {
        enter(getter);
        return (Boolean) value(getter, Boolean.TRUE);
    }

    private static String textValue(String getter, String fallback) throws JposException {
        enter(getter);
        return (String) value(getter, fallback);
    }

    // ---- common methods -------------------------------------------------------------------

    public void open(String name) throws JposException { enter("open", name); }
    public void close() throws JposException { enter("close"); }
    public void claim(int timeout) throws JposException { enter("claim", timeout); }
    public void release() throws JposException { enter("release"); }
    public void checkHealth(int level) throws JposException { enter("checkHealth", level); }
    public void clearInput() throws JposException { enter("clearInput"); }
    public void directIO(int command, int[] data, Object object) throws JposException {
        enter("directIO", "0x" + Integer.toHexString(command), data, object);
    }
    public void compareFirmwareVersion(String file, long result) throws JposException {
        enter("compareFirmwareVersion", file, "long " + result);
    }
    public void resetStatistics(String s) throws JposException { enter("resetStatistics", s); }
    public void retrieveStatistics(String s) throws JposException { enter("retrieveStatistics", s); }
    public void updateFirmware(String s) throws JposException { enter("updateFirmware", s); }
    public void updateStatistics(String s) throws JposException { enter("updateStatistics", s); }

    // ---- properties -----------------------------------------------------------------------

    public boolean getClaimed() throws JposException { return boolValue("getClaimed"); }
    public boolean getDataEventEnabled() throws JposException { return boolValue("getDataEventEnabled"); }
    public void setDataEventEnabled(boolean v) throws JposException { enter("setDataEventEnabled", v); }
    public boolean getDeviceEnabled() throws JposException { return boolValue("getDeviceEnabled"); }
    public void setDeviceEnabled(boolean v) throws JposException { enter("setDeviceEnabled", v); }
    public boolean getFreezeEvents() throws JposException { return boolValue("getFreezeEvents"); }
    public void setFreezeEvents(boolean v) throws JposException { enter("setFreezeEvents", v); }
    public int getDeviceServiceVersion() throws JposException { return intValue("getDeviceServiceVersion", 1009000); }
    public int getState() throws JposException { return intValue("getState", 2); }
    public int getDataCount() throws JposException { return intValue("getDataCount", 0); }
    public int getPowerNotify() throws JposException { return intValue("getPowerNotify", 0); }
    public void setPowerNotify(int v) throws JposException { enter("setPowerNotify", v); }
    public int getPowerState() throws JposException { return intValue("getPowerState", 2001); }
    public boolean getCapStatisticsReporting() throws JposException { return boolValue("getCapStatisticsReporting"); }
    public boolean getCapUpdateStatistics() throws JposException { return boolValue("getCapUpdateStatistics"); }
    public boolean getCapCompareFirmwareVersion() throws JposException { return boolValue("getCapCompareFirmwareVersion"); }
    public boolean getCapUpdateFirmware() throws JposException { return boolValue("getCapUpdateFirmware"); }
    public int getMaximumPINLength() throws JposException { return intValue("getMaximumPINLength", 12); }
    public void setMaximumPINLength(int v) throws JposException { enter("setMaximumPINLength", v); }
    public int getMinimumPINLength() throws JposException { return intValue("getMinimumPINLength", 4); }
    public void setMinimumPINLength(int v) throws JposException { enter("setMinimumPINLength", v); }
    public boolean getPINEntryEnabled() throws JposException { return boolValue("getPINEntryEnabled"); }
    public int getPrompt() throws JposException { return intValue("getPrompt", 1); }
    public void setPrompt(int v) throws JposException { enter("setPrompt", v); }
    public void setPromptLanguage(String v) throws JposException { enter("setPromptLanguage", v); }
    public int getCapDisplay() throws JposException { return intValue("getCapDisplay", 3); }
    public boolean getCapKeyboard() throws JposException { return boolValue("getCapKeyboard"); }
    public int getCapLanguage() throws JposException { return intValue("getCapLanguage", 3); }
    public boolean getCapMACCalculation() throws JposException { return boolValue("getCapMACCalculation"); }
    public boolean getCapTone() throws JposException { return boolValue("getCapTone"); }
    public int getTransactionType() throws JposException { return intValue("getTransactionType", 1); }
    public void setTransactionType(int v) throws JposException { enter("setTransactionType", v); }
    public String getCheckHealthText() throws JposException { return textValue("getCheckHealthText", "Internal HCheck: Successful"); }
    public String getPhysicalDeviceDescription() throws JposException { return textValue("getPhysicalDeviceDescription", "Scripted PIN pad"); }
    public String getPhysicalDeviceName() throws JposException { return textValue("getPhysicalDeviceName", "Scripted"); }
    public String getDeviceServiceDescription() throws JposException { return textValue("getDeviceServiceDescription", "JPOS PIN pad service, JPOS 1.9"); }
    public String getAccountNumber() throws JposException { return textValue("getAccountNumber", ""); }
    public void setAccountNumber(String v) throws JposException { enter("setAccountNumber", v); }
    public String getAdditionalSecurityInformation() throws JposException { return textValue("getAdditionalSecurityInformation", ""); }
    public String getAvailableLanguagesList() throws JposException { return textValue("getAvailableLanguagesList", "EN,US"); }
    public String getAvailablePromptsList() throws JposException { return textValue("getAvailablePromptsList", "1,2"); }
    public String getEncryptedPIN() throws JposException { return textValue("getEncryptedPIN", ""); }
    public String getMerchantID() throws JposException { return textValue("getMerchantID", ""); }
    public void setMerchantID(String v) throws JposException { enter("setMerchantID", v); }
    public String getTerminalID() throws JposException { return textValue("getTerminalID", ""); }
    public void setTerminalID(String v) throws JposException { enter("setTerminalID", v); }
    public byte[] getTrack1Data() throws JposException { enter("getTrack1Data"); return (byte[]) value("getTrack1Data", new byte[0]); }
    public byte[] getTrack2Data() throws JposException { enter("getTrack2Data"); return (byte[]) value("getTrack2Data", new byte[0]); }
    public byte[] getTrack3Data() throws JposException { enter("getTrack3Data"); return (byte[]) value("getTrack3Data", new byte[0]); }
    public byte[] getTrack4Data() throws JposException { enter("getTrack4Data"); return (byte[]) value("getTrack4Data", new byte[0]); }
    public void setTrack1Data(String v) throws JposException { enter("setTrack1Data", v); }
    public void setTrack2Data(String v) throws JposException { enter("setTrack2Data", v); }
    public void setTrack3Data(String v) throws JposException { enter("setTrack3Data", v); }
    public void setTrack4Data(String v) throws JposException { enter("setTrack4Data", v); }
    public long getAmount() throws JposException { enter("getAmount"); return (Long) value("getAmount", 0L); }
    public void setAmount(long v) throws JposException { enter("setAmount", v); }

    // ---- device methods -------------------------------------------------------------------

    public void beginEFTTransaction(String system, int host) throws JposException { enter("beginEFTTransaction", system, host); }
    public void computeMAC(String in, String[] out) throws JposException {
        enter("computeMAC", in, out);
        out[0] = (String) value("computeMAC", in + "0123456789ABCDEF");
    }
    public void enablePINEntry() throws JposException { enter("enablePINEntry"); }
    public void endEFTTransaction(int code) throws JposException { enter("endEFTTransaction", code); }
    public void updateKey(int n, String key) throws JposException { enter("updateKey", n, key); }
    public void verifyMAC(String message) throws JposException { enter("verifyMAC", message); }
}
