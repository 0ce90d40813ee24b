package jpos;

import com.orv.jpos.pinpad.PinOPOSEventCallbacks;
import com.orv.sim.DeviceKind;
import com.orv.sim.device.PinPadService;
import java.nio.charset.StandardCharsets;

/** The PIN pad control: EFT transactions with encrypted PIN entry, MACs and key updates. */
public class PINPad extends BaseJposInputControl implements PINPadConst {
    public PINPad() {
        super(DeviceKind.PINPAD, new PinOPOSEventCallbacks());
    }

    private PinPadService pin(String method) throws JposException {
        return svc(method, PinPadService.class);
    }

    public int getCapDisplay() throws JposException {
        return fixed("getCapDisplay", PPAD_DISP_UNRESTRICTED);
    }

    public boolean getCapKeyboard() throws JposException {
        return fixed("getCapKeyboard", true);
    }

    public int getCapLanguage() throws JposException {
        return fixed("getCapLanguage", PPAD_LANG_UNRESTRICTED);
    }

    public boolean getCapMACCalculation() throws JposException {
        return fixed("getCapMACCalculation", true);
    }

    public boolean getCapTone() throws JposException {
        return fixed("getCapTone", true);
    }

    public String getAccountNumber() throws JposException {
        return pin("getAccountNumber").getAccountNumber();
    }

    public void setAccountNumber(String accountNumber) throws JposException {
        pin("setAccountNumber").setAccountNumber(accountNumber);
    }

    public String getAdditionalSecurityInformation() throws JposException {
        return pin("getAdditionalSecurityInformation").getAdditionalSecurityInformation();
    }

    /** Amount with four implied decimals (123.45 is 1234500). */
    public long getAmount() throws JposException {
        return pin("getAmount").getAmount();
    }

    public void setAmount(long amount) throws JposException {
        pin("setAmount").setAmount(amount);
    }

    public String getAvailableLanguagesList() throws JposException {
        return fixed("getAvailableLanguagesList", PinPadService.LANGUAGES);
    }

    public String getAvailablePromptsList() throws JposException {
        return fixed("getAvailablePromptsList", PinPadService.PROMPTS);
    }

    public String getEncryptedPIN() throws JposException {
        return pin("getEncryptedPIN").getEncryptedPIN();
    }

    public int getMaximumPINLength() throws JposException {
        return pin("getMaximumPINLength").getMaximumPINLength();
    }

    public void setMaximumPINLength(int maximumPINLength) throws JposException {
        pin("setMaximumPINLength").setMaximumPINLength(maximumPINLength);
    }

    public int getMinimumPINLength() throws JposException {
        return pin("getMinimumPINLength").getMinimumPINLength();
    }

    public void setMinimumPINLength(int minimumPINLength) throws JposException {
        pin("setMinimumPINLength").setMinimumPINLength(minimumPINLength);
    }

    public String getMerchantID() throws JposException {
        return pin("getMerchantID").getMerchantID();
    }

    public void setMerchantID(String merchantID) throws JposException {
        pin("setMerchantID").setMerchantID(merchantID);
    }

    public boolean getPINEntryEnabled() throws JposException {
        return pin("getPINEntryEnabled").getPINEntryEnabled();
    }

    public int getPrompt() throws JposException {
        return pin("getPrompt").getPrompt();
    }

    public void setPrompt(int prompt) throws JposException {
        pin("setPrompt").setPrompt(prompt);
    }

    public String getPromptLanguage() throws JposException {
        return pin("getPromptLanguage").getPromptLanguage();
    }

    public void setPromptLanguage(String promptLanguage) throws JposException {
        pin("setPromptLanguage").setPromptLanguage(promptLanguage);
    }

    public String getTerminalID() throws JposException {
        return pin("getTerminalID").getTerminalID();
    }

    public void setTerminalID(String terminalID) throws JposException {
        pin("setTerminalID").setTerminalID(terminalID);
    }

    public int getTransactionType() throws JposException {
        return pin("getTransactionType").getTransactionType();
    }

    public void setTransactionType(int transactionType) throws JposException {
        pin("setTransactionType").setTransactionType(transactionType);
    }

    public byte[] getTrack1Data() throws JposException {
        return pin("getTrack1Data").getTrackData(0);
    }

    public byte[] getTrack2Data() throws JposException {
        return pin("getTrack2Data").getTrackData(1);
    }

    public byte[] getTrack3Data() throws JposException {
        return pin("getTrack3Data").getTrackData(2);
    }

    public byte[] getTrack4Data() throws JposException {
        return pin("getTrack4Data").getTrackData(3);
    }

    public void setTrack1Data(byte[] data) throws JposException {
        pin("setTrack1Data").setTrackData(0, data);
    }

    public void setTrack2Data(byte[] data) throws JposException {
        pin("setTrack2Data").setTrackData(1, data);
    }

    public void setTrack3Data(byte[] data) throws JposException {
        pin("setTrack3Data").setTrackData(2, data);
    }

    public void setTrack4Data(byte[] data) throws JposException {
        pin("setTrack4Data").setTrackData(3, data);
    }

    /** Text forms of the track setters: each character is one byte (ISO 8859-1). */
    public void setTrack1Data(String data) throws JposException {
        setTrack1Data(bytes(data));
    }

    public void setTrack2Data(String data) throws JposException {
        setTrack2Data(bytes(data));
    }

    public void setTrack3Data(String data) throws JposException {
        setTrack3Data(bytes(data));
    }

    public void setTrack4Data(String data) throws JposException {
        setTrack4Data(bytes(data));
    }

    private static byte[] bytes(String s) {
        return s == null ? new byte[0] : s.getBytes(StandardCharsets.ISO_8859_1);
    }

    /** pinPadSystem "M/S" (master/session keys) or "DUKPT". */
    public void beginEFTTransaction(String pinPadSystem, int transactionHost) throws JposException {
        pin("beginEFTTransaction").beginEFTTransaction(pinPadSystem, transactionHost);
    }

    public void computeMAC(String inMsg, String[] outMsg) throws JposException {
        pin("computeMAC").computeMAC(inMsg, outMsg);
    }

    public void enablePINEntry() throws JposException {
        pin("enablePINEntry").enablePINEntry();
    }

    public void endEFTTransaction(int completionCode) throws JposException {
        pin("endEFTTransaction").endEFTTransaction(completionCode);
    }

    public void updateKey(int keyNum, String key) throws JposException {
        pin("updateKey").updateKey(keyNum, key);
    }

    public void verifyMAC(String message) throws JposException {
        pin("verifyMAC").verifyMAC(message);
    }
}
