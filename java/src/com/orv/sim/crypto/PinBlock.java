package com.orv.sim.crypto;

/** The ISO 9564 format 0 PIN block: PIN field XOR account field. */
public final class PinBlock {
    private PinBlock() {
    }

    /**
     * Builds the clear PIN block of a 4 to 12 digit PIN and the account number (its digits
     * only; the 12 right-most digits without the check digit, zero-filled on the left).
     */
    public static byte[] format0(String pin, String accountNumber) {
        if (pin == null || !pin.matches("[0-9]{4,12}")) {
            throw new IllegalArgumentException("a PIN has 4 to 12 digits");
        }
        StringBuilder pinField = new StringBuilder();
        pinField.append('0').append(Integer.toHexString(pin.length()).toUpperCase()).append(pin);
        while (pinField.length() < 16) {
            pinField.append('F');
        }
        String digits = accountNumber == null ? "" : accountNumber.replaceAll("[^0-9]", "");
        String body = digits.isEmpty() ? "" : digits.substring(0, digits.length() - 1);
        if (body.length() > 12) {
            body = body.substring(body.length() - 12);
        }
        String panField = "0".repeat(16 - body.length()) + body;
        return Dukpt.xor(Hex.parse(pinField.toString()), Hex.parse(panField));
    }
}
