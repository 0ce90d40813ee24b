package com.orv.sim.terminal;

import com.orv.sim.crypto.Des;
import com.orv.sim.crypto.Dukpt;
import com.orv.sim.crypto.Hex;
import com.orv.sim.crypto.PinBlock;
import com.orv.sim.crypto.RetailMac;
import java.util.HashMap;
import java.util.Map;

/**
 * The PIN pad's key store. Master/session: master keys by number (1 to 9 preset, more through
 * updateKey), one selected, and a session key sent encrypted under it. DUKPT: a base
 * derivation key and a key serial number whose counter advances with every PIN entry.
 */
public final class PinSecurity {
    public static final String MASTER_SESSION = "M/S";
    public static final String DUKPT = "DUKPT";
    public static final String TEST_BDK = "0123456789ABCDEFFEDCBA9876543210";
    public static final String INITIAL_KSN = "FFFF9876543210E00000";

    /** The result of one PIN entry. */
    public record EncryptedPin(String pinBlock, String securityInformation) {
    }

    private final Map<Integer, byte[]> masters = new HashMap<>();
    private int selected;
    private byte[] session;
    private byte[] bdk;
    private byte[] ksn;

    PinSecurity() {
        reset();
    }

    public synchronized void reset() {
        masters.clear();
        for (int i = 1; i <= 9; i++) {
            // Preset test keys: the digit repeated, so a person can compute with them by hand.
            masters.put(i, Hex.parse(Integer.toString(i).repeat(32)));
        }
        selected = 1;
        session = null;
        bdk = Hex.parse(TEST_BDK);
        ksn = Hex.parse(INITIAL_KSN);
    }

    public synchronized boolean hasMaster(int number) {
        return masters.containsKey(number);
    }

    public synchronized void selectMaster(int number) {
        selected = number;
        session = null;
    }

    public synchronized int selectedMaster() {
        return selected;
    }

    /** Stores a master key (hex, 8, 16 or 24 bytes); false when the text is not such a key. */
    public synchronized boolean storeMaster(int number, String hexKey) {
        if (!Hex.isHex(hexKey) || !Des.validKeyLength(hexKey.length() / 2)) {
            return false;
        }
        masters.put(number, Hex.parse(hexKey));
        return true;
    }

    /** Sets the session key from its encryption under the selected master key. */
    public synchronized boolean storeSession(String encryptedHex) {
        if (!Hex.isHex(encryptedHex) || !Des.validKeyLength(encryptedHex.length() / 2)) {
            return false;
        }
        session = Des.tdesDecrypt(masters.get(selected), Hex.parse(encryptedHex));
        return true;
    }

    public synchronized void setDukpt(String bdkHex, String ksnHex) {
        bdk = Hex.parse(bdkHex);
        ksn = Hex.parse(ksnHex);
    }

    public synchronized String ksn() {
        return Hex.of(ksn);
    }

    private byte[] workingKey() {
        return session != null ? session : masters.get(selected);
    }

    private void advanceCounter() {
        int counter = (ksn[7] & 0x1F) << 16 | (ksn[8] & 0xFF) << 8 | ksn[9] & 0xFF;
        counter = (counter + 1) & Dukpt.COUNTER_MASK;
        ksn[7] = (byte) (ksn[7] & 0xE0 | counter >>> 16);
        ksn[8] = (byte) (counter >>> 8);
        ksn[9] = (byte) counter;
    }

    private boolean counterIsZero() {
        return (ksn[7] & 0x1F) == 0 && ksn[8] == 0 && ksn[9] == 0;
    }

    /** Encrypts a PIN for the account under the system's current key. */
    public synchronized EncryptedPin encrypt(String system, String pin, String account) {
        byte[] block = PinBlock.format0(pin, account);
        if (DUKPT.equals(system)) {
            advanceCounter();
            byte[] key = Dukpt.pinKey(Dukpt.transactionKey(bdk, ksn));
            return new EncryptedPin(Hex.of(Des.tdesEncrypt(key, block)), Hex.of(ksn));
        }
        byte[] key = workingKey();
        return new EncryptedPin(Hex.of(Des.tdesEncrypt(key, block)), Hex.of(Des.checkValue(key)));
    }

    /** The retail MAC of a message as 16 hex digits. */
    public synchronized String mac(String system, byte[] message) {
        byte[] key;
        if (DUKPT.equals(system)) {
            if (counterIsZero()) {
                advanceCounter();
            }
            key = Dukpt.macKey(Dukpt.transactionKey(bdk, ksn));
        } else {
            key = workingKey();
        }
        return Hex.of(RetailMac.compute(key, message));
    }
}
