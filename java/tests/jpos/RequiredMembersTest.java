package jpos;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import java.lang.reflect.Constructor;
import java.lang.reflect.Field;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.List;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.MethodSource;

/**
 * Every member that native code finds by name and JNI signature, listed as data: a missing or
 * misspelt member, a wrong signature, or a native that is not native fails its row.
 */
class RequiredMembersTest {
    private static final String[] DEVICES = {"jpos.PINPad", "jpos.SignatureCapture", "jpos.LineDisplay",
        "jpos.MSR", "jpos.POSKeyboard", "jpos.ToneIndicator", "jpos.Scanner"};

    /** Members of every control class. */
    private static final String COMMON = """
            <init> ()V
            open (Ljava/lang/String;)V
            close ()V
            claim (I)V
            release ()V
            checkHealth (I)V
            clearInput ()V
            setFreezeEvents (Z)V
            directIO (I[ILjava/lang/Object;)V
            resetStatistics (Ljava/lang/String;)V
            retrieveStatistics (Ljava/lang/String;)V
            updateFirmware (Ljava/lang/String;)V
            updateStatistics (Ljava/lang/String;)V
            compareFirmwareVersion (Ljava/lang/String;J)V
            getClaimed ()Z
            getDeviceEnabled ()Z
            setDeviceEnabled (Z)V
            getFreezeEvents ()Z
            getDeviceServiceVersion ()I
            getState ()I
            getPowerNotify ()I
            setPowerNotify (I)V
            getPowerState ()I
            getCapPowerReporting ()I
            getCapStatisticsReporting ()Z
            getCapUpdateStatistics ()Z
            getCapCompareFirmwareVersion ()Z
            getCapUpdateFirmware ()Z
            getCheckHealthText ()Ljava/lang/String;
            getPhysicalDeviceDescription ()Ljava/lang/String;
            getPhysicalDeviceName ()Ljava/lang/String;
            getDeviceServiceDescription ()Ljava/lang/String;
            """;

    /** Members of single classes: "class name signature [native] [static]". */
    private static final String SPECIFIC = """
            jpos.PINPad getDataEventEnabled ()Z
            jpos.PINPad setDataEventEnabled (Z)V
            jpos.PINPad getDataCount ()I
            jpos.PINPad getMaximumPINLength ()I
            jpos.PINPad setMaximumPINLength (I)V
            jpos.PINPad getMinimumPINLength ()I
            jpos.PINPad setMinimumPINLength (I)V
            jpos.PINPad getPINEntryEnabled ()Z
            jpos.PINPad getPrompt ()I
            jpos.PINPad setPrompt (I)V
            jpos.PINPad setPromptLanguage (Ljava/lang/String;)V
            jpos.PINPad getCapDisplay ()I
            jpos.PINPad getCapKeyboard ()Z
            jpos.PINPad getCapLanguage ()I
            jpos.PINPad getCapMACCalculation ()Z
            jpos.PINPad getCapTone ()Z
            jpos.PINPad getTransactionType ()I
            jpos.PINPad setTransactionType (I)V
            jpos.PINPad getAccountNumber ()Ljava/lang/String;
            jpos.PINPad setAccountNumber (Ljava/lang/String;)V
            jpos.PINPad getAdditionalSecurityInformation ()Ljava/lang/String;
            jpos.PINPad getAvailableLanguagesList ()Ljava/lang/String;
            jpos.PINPad getAvailablePromptsList ()Ljava/lang/String;
            jpos.PINPad getEncryptedPIN ()Ljava/lang/String;
            jpos.PINPad getMerchantID ()Ljava/lang/String;
            jpos.PINPad setMerchantID (Ljava/lang/String;)V
            jpos.PINPad getTerminalID ()Ljava/lang/String;
            jpos.PINPad setTerminalID (Ljava/lang/String;)V
            jpos.PINPad getTrack1Data ()[B
            jpos.PINPad getTrack2Data ()[B
            jpos.PINPad getTrack3Data ()[B
            jpos.PINPad getTrack4Data ()[B
            jpos.PINPad setTrack1Data (Ljava/lang/String;)V
            jpos.PINPad setTrack2Data (Ljava/lang/String;)V
            jpos.PINPad setTrack3Data (Ljava/lang/String;)V
            jpos.PINPad setTrack4Data (Ljava/lang/String;)V
            jpos.PINPad beginEFTTransaction (Ljava/lang/String;I)V
            jpos.PINPad computeMAC (Ljava/lang/String;[Ljava/lang/String;)V
            jpos.PINPad enablePINEntry ()V
            jpos.PINPad endEFTTransaction (I)V
            jpos.PINPad updateKey (ILjava/lang/String;)V
            jpos.PINPad verifyMAC (Ljava/lang/String;)V
            jpos.PINPad getAmount ()J
            jpos.PINPad setAmount (J)V
            jpos.SignatureCapture getDataEventEnabled ()Z
            jpos.SignatureCapture setDataEventEnabled (Z)V
            jpos.SignatureCapture getAutoDisable ()Z
            jpos.SignatureCapture setAutoDisable (Z)V
            jpos.SignatureCapture getDataCount ()I
            jpos.SignatureCapture getMaximumX ()I
            jpos.SignatureCapture getMaximumY ()I
            jpos.SignatureCapture getPointArray ()[Ljava/awt/Point;
            jpos.SignatureCapture getRealTimeDataEnabled ()Z
            jpos.SignatureCapture setRealTimeDataEnabled (Z)V
            jpos.SignatureCapture getCapDisplay ()Z
            jpos.SignatureCapture getCapUserTerminated ()Z
            jpos.SignatureCapture getCapRealTimeData ()Z
            jpos.SignatureCapture getRawData ()[B
            jpos.SignatureCapture beginCapture (Ljava/lang/String;)V
            jpos.SignatureCapture endCapture ()V
            jpos.LineDisplay getCharacterSet ()I
            jpos.LineDisplay setCharacterSet (I)V
            jpos.LineDisplay getColumns ()I
            jpos.LineDisplay getCurrentWindow ()I
            jpos.LineDisplay setCurrentWindow (I)V
            jpos.LineDisplay getCursorColumn ()I
            jpos.LineDisplay setCursorColumn (I)V
            jpos.LineDisplay getCursorRow ()I
            jpos.LineDisplay setCursorRow (I)V
            jpos.LineDisplay getCursorUpdate ()Z
            jpos.LineDisplay setCursorUpdate (Z)V
            jpos.LineDisplay getDeviceBrightness ()I
            jpos.LineDisplay setDeviceBrightness (I)V
            jpos.LineDisplay getDeviceColumns ()I
            jpos.LineDisplay getDeviceDescriptors ()I
            jpos.LineDisplay getDeviceRows ()I
            jpos.LineDisplay getDeviceWindows ()I
            jpos.LineDisplay getInterCharacterWait ()I
            jpos.LineDisplay setInterCharacterWait (I)V
            jpos.LineDisplay getMarqueeRepeatWait ()I
            jpos.LineDisplay setMarqueeRepeatWait (I)V
            jpos.LineDisplay getMarqueeType ()I
            jpos.LineDisplay setMarqueeType (I)V
            jpos.LineDisplay getMarqueeUnitWait ()I
            jpos.LineDisplay setMarqueeUnitWait (I)V
            jpos.LineDisplay getRows ()I
            jpos.LineDisplay getMarqueeFormat ()I
            jpos.LineDisplay setMarqueeFormat (I)V
            jpos.LineDisplay getCursorType ()I
            jpos.LineDisplay setCursorType (I)V
            jpos.LineDisplay getCapBlink ()I
            jpos.LineDisplay getCapBrightness ()Z
            jpos.LineDisplay getCapCharacterSet ()I
            jpos.LineDisplay getCapDescriptors ()Z
            jpos.LineDisplay getCapHMarquee ()Z
            jpos.LineDisplay getCapICharWait ()Z
            jpos.LineDisplay getCapVMarquee ()Z
            jpos.LineDisplay getCapBitmap ()Z
            jpos.LineDisplay getCapCursorType ()I
            jpos.LineDisplay getCapCustomGlyph ()Z
            jpos.LineDisplay getCapReadBack ()I
            jpos.LineDisplay getCapScreenMode ()Z
            jpos.LineDisplay getCapBlinkRate ()Z
            jpos.LineDisplay getMapCharacterSet ()Z
            jpos.LineDisplay setMapCharacterSet (Z)V
            jpos.LineDisplay getScreenMode ()I
            jpos.LineDisplay setScreenMode (I)V
            jpos.LineDisplay getGlyphHeight ()I
            jpos.LineDisplay getGlyphWidth ()I
            jpos.LineDisplay getMaximumX ()I
            jpos.LineDisplay getMaximumY ()I
            jpos.LineDisplay getCapReverse ()I
            jpos.LineDisplay getBlinkRate ()I
            jpos.LineDisplay setBlinkRate (I)V
            jpos.LineDisplay getCapMapCharacterSet ()Z
            jpos.LineDisplay getCharacterSetList ()Ljava/lang/String;
            jpos.LineDisplay getCustomGlyphList ()Ljava/lang/String;
            jpos.LineDisplay getScreenModeList ()Ljava/lang/String;
            jpos.LineDisplay clearText ()V
            jpos.LineDisplay displayText (Ljava/lang/String;I)V
            jpos.LineDisplay displayTextAt (IILjava/lang/String;I)V
            jpos.LineDisplay scrollText (II)V
            jpos.LineDisplay clearDescriptors ()V
            jpos.LineDisplay setDescriptor (II)V
            jpos.LineDisplay createWindow (IIIIII)V
            jpos.LineDisplay destroyWindow ()V
            jpos.LineDisplay refreshWindow (I)V
            jpos.LineDisplay readCharacterAtCursor (I)V
            jpos.LineDisplay displayBitmap (Ljava/lang/String;III)V
            jpos.LineDisplay setBitmap (ILjava/lang/String;III)V
            jpos.LineDisplay defineGlyph (II)V
            jpos.MSR getDataEventEnabled ()Z
            jpos.MSR setDataEventEnabled (Z)V
            jpos.MSR getAutoDisable ()Z
            jpos.MSR setAutoDisable (Z)V
            jpos.MSR getDataCount ()I
            jpos.MSR getDecodeData ()Z
            jpos.MSR setDecodeData (Z)V
            jpos.MSR getParseDecodeData ()Z
            jpos.MSR setParseDecodeData (Z)V
            jpos.MSR getTracksToRead ()I
            jpos.MSR setTracksToRead (I)V
            jpos.MSR getErrorReportingType ()I
            jpos.MSR setErrorReportingType (I)V
            jpos.MSR getTransmitSentinels ()Z
            jpos.MSR setTransmitSentinels (Z)V
            jpos.MSR getCapISO ()Z
            jpos.MSR getCapJISOne ()Z
            jpos.MSR getCapJISTwo ()Z
            jpos.MSR getCapTransmitSentinels ()Z
            jpos.MSR getAccountNumber ()Ljava/lang/String;
            jpos.MSR getExpirationDate ()Ljava/lang/String;
            jpos.MSR getFirstName ()Ljava/lang/String;
            jpos.MSR getMiddleInitial ()Ljava/lang/String;
            jpos.MSR getServiceCode ()Ljava/lang/String;
            jpos.MSR getSuffix ()Ljava/lang/String;
            jpos.MSR getSurname ()Ljava/lang/String;
            jpos.MSR getTitle ()Ljava/lang/String;
            jpos.MSR getTrack1Data ()[B
            jpos.MSR getTrack1DiscretionaryData ()[B
            jpos.MSR getTrack2Data ()[B
            jpos.MSR getTrack2DiscretionaryData ()[B
            jpos.MSR getTrack3Data ()[B
            jpos.MSR getTrack4Data ()[B
            jpos.POSKeyboard getDataEventEnabled ()Z
            jpos.POSKeyboard setDataEventEnabled (Z)V
            jpos.POSKeyboard setAutoDisable (Z)V
            jpos.POSKeyboard getDataCount ()I
            jpos.POSKeyboard getPOSKeyData ()I
            jpos.POSKeyboard getEventTypes ()I
            jpos.POSKeyboard setEventTypes (I)V
            jpos.POSKeyboard getPOSKeyEventType ()I
            jpos.POSKeyboard getCapKeyUp ()Z
            jpos.ToneIndicator getOutputID ()I
            jpos.ToneIndicator getAsyncMode ()Z
            jpos.ToneIndicator setAsyncMode (Z)V
            jpos.ToneIndicator getTone1Pitch ()I
            jpos.ToneIndicator setTone1Pitch (I)V
            jpos.ToneIndicator getTone1Volume ()I
            jpos.ToneIndicator setTone1Volume (I)V
            jpos.ToneIndicator getTone1Duration ()I
            jpos.ToneIndicator setTone1Duration (I)V
            jpos.ToneIndicator getTone2Pitch ()I
            jpos.ToneIndicator setTone2Pitch (I)V
            jpos.ToneIndicator getTone2Volume ()I
            jpos.ToneIndicator setTone2Volume (I)V
            jpos.ToneIndicator getTone2Duration ()I
            jpos.ToneIndicator setTone2Duration (I)V
            jpos.ToneIndicator getInterToneWait ()I
            jpos.ToneIndicator setInterToneWait (I)V
            jpos.ToneIndicator getCapPitch ()Z
            jpos.ToneIndicator getCapVolume ()Z
            jpos.ToneIndicator clearOutput ()V
            jpos.ToneIndicator sound (II)V
            jpos.ToneIndicator soundImmediate ()V
            jpos.Scanner getDataEventEnabled ()Z
            jpos.Scanner setDataEventEnabled (Z)V
            jpos.Scanner getAutoDisable ()Z
            jpos.Scanner setAutoDisable (Z)V
            jpos.Scanner getDataCount ()I
            jpos.Scanner getDecodeData ()Z
            jpos.Scanner setDecodeData (Z)V
            jpos.Scanner getScanDataType ()I
            jpos.Scanner getScanData ()[B
            jpos.Scanner getScanDataLabel ()[B
            jpos.JposException getErrorCode ()I
            jpos.JposException getErrorCodeExtended ()I
            jpos.JposException toString ()Ljava/lang/String;
            jpos.events.DataEvent getSource ()Ljava/lang/Object;
            jpos.events.DataEvent getStatus ()I
            jpos.events.StatusUpdateEvent getSource ()Ljava/lang/Object;
            jpos.events.StatusUpdateEvent getStatus ()I
            jpos.events.ErrorEvent getSource ()Ljava/lang/Object;
            jpos.events.ErrorEvent getErrorCode ()I
            jpos.events.ErrorEvent getErrorCodeExtended ()I
            jpos.events.ErrorEvent getErrorLocus ()I
            jpos.events.ErrorEvent getErrorResponse ()I
            jpos.events.OutputCompleteEvent getSource ()Ljava/lang/Object;
            jpos.events.OutputCompleteEvent getOutputID ()I
            jpos.events.DirectIOEvent getSource ()Ljava/lang/Object;
            jpos.events.DirectIOEvent getEventNumber ()I
            jpos.events.DirectIOEvent getData ()I
            jpos.events.DirectIOEvent getObject ()Ljava/lang/Object;
            com.orv.comm.USBPort <init> ()V
            com.orv.comm.USBPort Open (Ljava/lang/String;Ljava/lang/String;)I native
            com.orv.comm.USBPort Close ()I native
            com.orv.comm.USBPort Write ([BI)I native
            com.orv.comm.USBPort recvOccurred ([B)V
            com.orv.comm.USBPort errorOccurred (ILjava/lang/String;)V
            com.orv.comm.Rs485PortLibPort <init> ()V
            com.orv.comm.Rs485PortLibPort Open (IIII)I native
            com.orv.comm.Rs485PortLibPort Close ()I native
            com.orv.comm.Rs485PortLibPort Write ([BI)I native
            com.orv.comm.Rs485PortLibPort recvOccurred ([B)V
            com.orv.comm.Rs485PortLibPort errorOccurred (ILjava/lang/String;)V
            com.orv.registry.WindowsRegistry <init> ()V
            com.orv.registry.WindowsRegistry CreateLocalMachineKey (Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)I native
            com.orv.registry.WindowsRegistry DeleteLocalMachineKey (Ljava/lang/String;)I native
            com.orv.sim.SimControl command (Ljava/lang/String;)Ljava/lang/String; static
            com.orv.jpos.OposEventCallbacks nativesRegistered (Ljava/lang/Class;)V static
            """;

    private static final String[] CALLBACKS = {"com.orv.jpos.pinpad.PinOPOSEventCallbacks",
        "com.orv.jpos.signature.SigOPOSEventCallbacks", "com.orv.jpos.linedisplay.LineOPOSEventCallbacks",
        "com.orv.jpos.msr.MsrOPOSEventCallbacks", "com.orv.jpos.keyboard.KbdOPOSEventCallbacks",
        "com.orv.jpos.tone.ToneOPOSEventCallbacks", "com.orv.jpos.scanner.ScanOPOSEventCallbacks"};

    static Stream<String> rows() {
        List<String> rows = new ArrayList<>();
        for (String device : DEVICES) {
            COMMON.lines().forEach(l -> rows.add(device + " " + l.trim()));
        }
        SPECIFIC.lines().map(String::trim).forEach(rows::add);
        String[] kinds = {"Data", "Error", "StatusUpdate", "OutputComplete", "DirectIO"};
        for (String cb : CALLBACKS) {
            rows.add(cb + " <init> ()V");
            for (String k : kinds) {
                rows.add(cb + " opos" + k + "EventOccurred (Ljpos/events/" + k + "Event;)V native");
            }
        }
        return rows.stream();
    }

    @ParameterizedTest(name = "{0}")
    @MethodSource("rows")
    void memberExistsWithSignature(String row) throws Exception {
        String[] f = row.split(" ");
        Class<?> c = Class.forName(f[0]);
        Signature sig = Signature.parse(f[2]);
        boolean wantNative = row.endsWith(" native");
        boolean wantStatic = row.endsWith(" static");
        if (f[1].equals("<init>")) {
            Constructor<?> k = c.getConstructor(sig.params);
            assertTrue(Modifier.isPublic(k.getModifiers()), row);
            return;
        }
        Method m;
        try {
            m = c.getMethod(f[1], sig.params);
        } catch (NoSuchMethodException e) {
            fail("missing: " + row);
            return;
        }
        assertEquals(sig.result, m.getReturnType(), row);
        assertEquals(wantStatic, Modifier.isStatic(m.getModifiers()), "static: " + row);
        if (wantNative) {
            assertTrue(Modifier.isNative(m.getModifiers()), "native: " + row);
        }
    }

    @Test
    void directIOAnswerObjectHasPublicStringField() throws Exception {
        Field f = com.orv.jpos.DirectIOData.class.getField("m_sDIOData");
        assertEquals(String.class, f.getType());
        assertTrue(Modifier.isPublic(f.getModifiers()) && !Modifier.isStatic(f.getModifiers()));
    }

    /** A JNI method descriptor turned into classes. */
    private record Signature(Class<?>[] params, Class<?> result) {
        static Signature parse(String d) throws ClassNotFoundException {
            List<Class<?>> params = new ArrayList<>();
            int[] at = {1};
            while (d.charAt(at[0]) != ')') {
                params.add(type(d, at));
            }
            at[0]++;
            return new Signature(params.toArray(new Class<?>[0]), type(d, at));
        }

        private static Class<?> type(String d, int[] at) throws ClassNotFoundException {
            int start = at[0];
            while (d.charAt(at[0]) == '[') {
                at[0]++;
            }
            if (d.charAt(at[0]) == 'L') {
                at[0] = d.indexOf(';', at[0]);
            }
            at[0]++;
            String t = d.substring(start, at[0]);
            if (t.startsWith("[")) {
                return Class.forName(t.replace('/', '.'));
            }
            return switch (t.charAt(0)) {
                case 'V' -> void.class;
                case 'Z' -> boolean.class;
                case 'B' -> byte.class;
                case 'I' -> int.class;
                case 'J' -> long.class;
                case 'L' -> Class.forName(t.substring(1, t.length() - 1).replace('/', '.'));
                default -> throw new IllegalArgumentException(d);
            };
        }
    }
}
