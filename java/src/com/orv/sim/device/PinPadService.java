package com.orv.sim.device;

import com.orv.sim.DeviceKind;
import com.orv.sim.SimException;
import com.orv.sim.terminal.PinSecurity;
import com.orv.sim.terminal.Terminal;
import java.nio.charset.StandardCharsets;
import java.util.Locale;
import java.util.Map;
import jpos.JposException;
import jpos.PINPadConst;

/**
 * The terminal's PIN pad: EFT transactions (begin, PIN entry, end), PIN encryption by
 * master/session keys or DUKPT, MAC computation and verification, and key updates.
 */
public final class PinPadService extends DeviceService implements PINPadConst {
    public static final String LANGUAGES = "EN,US;FR,FR;DE,DE;ES,ES";
    public static final String PROMPTS = "1,2,3,4,5,6,7,8,9,10,11,12";
    private static final Map<String, String> LANGUAGE_NAMES = Map.of("ENGLISH", "EN,US",
            "FRENCH", "FR,FR", "GERMAN", "DE,DE", "SPANISH", "ES,ES");
    private static final int MAC_LENGTH = 16;

    private String accountNumber = "";
    private long amount;
    private String merchantID = "";
    private String terminalID = "";
    private int transactionType = PPAD_TRANS_DEBIT;
    private final byte[][] tracks = {new byte[0], new byte[0], new byte[0], new byte[0]};
    private int minimumPINLength = 4;
    private int maximumPINLength = 12;
    private int prompt = PPAD_MSG_IDLE;
    private String promptLanguage = "EN,US";
    private boolean pinEntryEnabled;
    private String encryptedPIN = "";
    private String additionalSecurityInformation = "";
    private String system;   // the PIN pad system of the transaction in progress, or null
    private int transactionHost;

    public PinPadService(Terminal t, String name, Object source, EventSink sink) {
        super(t, DeviceKind.PINPAD, name, source, sink);
    }

    private <T> T get(java.util.function.Supplier<T> read) throws JposException {
        return locked(() -> {
            requireOpen();
            return read.get();
        });
    }

    private void set(Runnable write) throws JposException {
        lockedRun(() -> {
            requireOpen();
            write.run();
            return null;
        });
    }

    // ---- properties ------------------------------------------------------------------------

    public String getAccountNumber() throws JposException {
        return get(() -> accountNumber);
    }

    public void setAccountNumber(String v) throws JposException {
        set(() -> accountNumber = v == null ? "" : v);
    }

    public long getAmount() throws JposException {
        return get(() -> amount);
    }

    public void setAmount(long v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v < 0) {
                throw illegal("Amount must not be negative");
            }
            amount = v;
            return null;
        });
    }

    public String getMerchantID() throws JposException {
        return get(() -> merchantID);
    }

    public void setMerchantID(String v) throws JposException {
        set(() -> merchantID = v == null ? "" : v);
    }

    public String getTerminalID() throws JposException {
        return get(() -> terminalID);
    }

    public void setTerminalID(String v) throws JposException {
        set(() -> terminalID = v == null ? "" : v);
    }

    public int getTransactionType() throws JposException {
        return get(() -> transactionType);
    }

    public void setTransactionType(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v < PPAD_TRANS_DEBIT || v > PPAD_TRANS_ADMIN) {
                throw illegal("Transaction type " + v + " is invalid");
            }
            transactionType = v;
            return null;
        });
    }

    public byte[] getTrackData(int track) throws JposException {
        return get(() -> tracks[track].clone());
    }

    public void setTrackData(int track, byte[] data) throws JposException {
        set(() -> tracks[track] = data == null ? new byte[0] : data.clone());
    }

    public int getMinimumPINLength() throws JposException {
        return get(() -> minimumPINLength);
    }

    public void setMinimumPINLength(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v < 1 || v > maximumPINLength) {
                throw illegal("Minimum PIN length " + v + " is outside 1.." + maximumPINLength);
            }
            minimumPINLength = v;
            return null;
        });
    }

    public int getMaximumPINLength() throws JposException {
        return get(() -> maximumPINLength);
    }

    public void setMaximumPINLength(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v < minimumPINLength || v > 12) {
                throw illegal("Maximum PIN length " + v + " is outside " + minimumPINLength + "..12");
            }
            maximumPINLength = v;
            return null;
        });
    }

    public int getPrompt() throws JposException {
        return get(() -> prompt);
    }

    public void setPrompt(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v < PPAD_MSG_ENTERPIN || v > PPAD_MSG_SELECTCARDTYPE) {
                throw illegal("Prompt " + v + " is not in " + PROMPTS);
            }
            prompt = v;
            return null;
        });
    }

    public String getPromptLanguage() throws JposException {
        return get(() -> promptLanguage);
    }

    /** Takes "EN,US" style definitions from AvailableLanguagesList or plain names ("English"). */
    public void setPromptLanguage(String v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            String key = v == null ? "" : v.trim().toUpperCase(Locale.ROOT);
            String lang = LANGUAGE_NAMES.getOrDefault(key, key);
            if (!(";" + LANGUAGES + ";").contains(";" + lang + ";")) {
                throw illegal("Language '" + v + "' is not in " + LANGUAGES);
            }
            promptLanguage = lang;
            return null;
        });
    }

    public boolean getPINEntryEnabled() throws JposException {
        return get(() -> pinEntryEnabled);
    }

    public String getEncryptedPIN() throws JposException {
        return get(() -> encryptedPIN);
    }

    public String getAdditionalSecurityInformation() throws JposException {
        return get(() -> additionalSecurityInformation);
    }

    // ---- EFT methods -----------------------------------------------------------------------

    /**
     * Starts a transaction. The terminal brings the PIN pad on line for it: a claimed PIN pad
     * that is not enabled yet becomes enabled (OPOS hosts leave DeviceEnabled to the service).
     */
    public void beginEFTTransaction(String pinPadSystem, int host) throws JposException {
        lockedRun(() -> {
            requireClaimed();
            String sys = pinPadSystem == null ? "" : pinPadSystem.trim().toUpperCase(Locale.ROOT);
            if (!sys.equals(PinSecurity.MASTER_SESSION) && !sys.equals(PinSecurity.DUKPT)) {
                throw illegal("PIN pad system '" + pinPadSystem + "' is not supported (M/S, DUKPT)");
            }
            if (host < 0) {
                throw illegal("Transaction host " + host + " is invalid");
            }
            if (system != null) {
                throw illegal("A transaction is already in progress");
            }
            if (!getDeviceEnabled()) {
                setDeviceEnabled(true);
            }
            requireReady();
            system = sys;
            transactionHost = host;
            encryptedPIN = "";
            additionalSecurityInformation = "";
            terminal.statistics(name, kind).increment("TransactionCount", 1);
            return null;
        });
    }

    public void enablePINEntry() throws JposException {
        lockedRun(() -> {
            requireReady();
            if (system == null) {
                throw illegal("No transaction is in progress");
            }
            pinEntryEnabled = true;
            prompt = PPAD_MSG_ENTERPIN;
            return null;
        });
    }

    public void endEFTTransaction(int completionCode) throws JposException {
        lockedRun(() -> {
            requireEnabled();
            if (completionCode != PPAD_EFT_NORMAL && completionCode != PPAD_EFT_ABNORMAL) {
                throw illegal("Completion code " + completionCode + " is invalid");
            }
            if (system == null) {
                throw illegal("No transaction is in progress");
            }
            system = null;
            pinEntryEnabled = false;
            prompt = PPAD_MSG_IDLE;
            return null;
        });
    }

    /** Appends the message's MAC (16 hex digits) to it in outMsg[0]. */
    public void computeMAC(String inMsg, String[] outMsg) throws JposException {
        lockedRun(() -> {
            requireReady();
            if (system == null) {
                throw illegal("No transaction is in progress");
            }
            if (inMsg == null || outMsg == null || outMsg.length < 1) {
                throw illegal("computeMAC needs a message and a one-element output array");
            }
            outMsg[0] = inMsg + terminal.pinSecurity().mac(system, inMsg.getBytes(StandardCharsets.ISO_8859_1));
            terminal.statistics(name, kind).increment("MACCount", 1);
            return null;
        });
    }

    /** Checks a message whose last 16 characters are the MAC of the text before them. */
    public void verifyMAC(String message) throws JposException {
        lockedRun(() -> {
            requireReady();
            if (system == null) {
                throw illegal("No transaction is in progress");
            }
            if (message == null || message.length() < MAC_LENGTH) {
                throw illegal("The message has no MAC");
            }
            String text = message.substring(0, message.length() - MAC_LENGTH);
            String mac = message.substring(message.length() - MAC_LENGTH);
            String expected = terminal.pinSecurity().mac(system, text.getBytes(StandardCharsets.ISO_8859_1));
            if (!expected.equalsIgnoreCase(mac)) {
                throw new JposException(JPOS_E_FAILURE, "The MAC does not verify");
            }
            return null;
        });
    }

    public void updateKey(int keyNum, String key) throws JposException {
        lockedRun(() -> {
            requireReady();
            if (keyNum < 0) {
                throw illegal("Key number " + keyNum + " is invalid");
            }
            if (!terminal.pinSecurity().storeMaster(keyNum, key == null ? "" : key)) {
                throw new JposException(JPOS_E_EXTENDED, JPOS_EPPAD_BAD_KEY,
                        "A key is 16, 32 or 48 hex digits");
            }
            return null;
        });
    }

    // ---- simulator input -------------------------------------------------------------------

    /** The customer types a PIN and presses Enter; null is the Cancel key. */
    public void enterPin(String pin) {
        simLocked(() -> {
            requireInputReady();
            if (!pinEntryEnabled) {
                throw new SimException("PIN entry is not enabled on " + name);
            }
            if (pin == null) {
                pinEntryEnabled = false;
                postData(PPAD_CANCEL, () -> {
                    encryptedPIN = "";
                    additionalSecurityInformation = "";
                });
                return null;
            }
            if (!pin.matches("[0-9]+") || pin.length() < minimumPINLength || pin.length() > maximumPINLength) {
                throw new SimException("the PIN pad takes " + minimumPINLength + " to "
                        + maximumPINLength + " digits");
            }
            PinSecurity.EncryptedPin e = terminal.pinSecurity().encrypt(system, pin, accountNumber);
            pinEntryEnabled = false;
            prompt = PPAD_MSG_PLEASEWAIT;
            terminal.statistics(name, kind).increment("PINEntryCount", 1);
            postData(PPAD_SUCCESS, () -> {
                encryptedPIN = e.pinBlock();
                additionalSecurityInformation = e.securityInformation();
            });
            return null;
        });
    }

    @Override
    protected void onRelease() {
        system = null;
        pinEntryEnabled = false;
    }

    @Override
    protected String describeDevice() {
        return " transaction=" + (system == null ? "none" : system + "/" + transactionHost)
                + " pinEntryEnabled=" + pinEntryEnabled + " amount=" + amount + " account=" + accountNumber
                + " encryptedPIN=" + encryptedPIN;
    }
}
