package com.orv.sim;

import java.util.Locale;

/** The seven device classes of the terminal, with their class word and fixed texts. */
public enum DeviceKind {
    PINPAD("PINPad", "PIN Pad"),
    SIGNATURE_CAPTURE("SignatureCapture", "Signature Capture"),
    LINE_DISPLAY("LineDisplay", "Line Display"),
    MSR("MSR", "Magnetic Stripe Reader"),
    POS_KEYBOARD("POSKeyboard", "POS Keyboard"),
    TONE_INDICATOR("ToneIndicator", "Tone Indicator"),
    SCANNER("Scanner", "Scanner");

    private final String classWord;
    private final String title;

    DeviceKind(String classWord, String title) {
        this.classWord = classWord;
        this.title = title;
    }

    /** The UnifiedPOS device class name ("PINPad", "MSR", ...). */
    public String classWord() {
        return classWord;
    }

    public String physicalName() {
        return "Orvane ZR88xx " + title;
    }

    public String physicalDescription() {
        return "Orvane ZR88xx payment terminal, " + title + " (simulated)";
    }

    /** Contains the word JPOS, which the service objects turn into OPOS. */
    public String serviceDescription() {
        return "Orvane ZR88xx JPOS " + classWord + " Service (simulated terminal)";
    }

    public String controlDescription() {
        return "JavaPOS " + classWord + " Device Control";
    }

    /** Finds a kind by its class word, ignoring case. */
    public static DeviceKind fromClassWord(String word) {
        for (DeviceKind k : values()) {
            if (k.classWord.toLowerCase(Locale.ROOT).equals(word.trim().toLowerCase(Locale.ROOT))) {
                return k;
            }
        }
        throw new IllegalArgumentException("unknown device class '" + word + "'");
    }
}
