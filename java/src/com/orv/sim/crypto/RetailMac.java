package com.orv.sim.crypto;

import java.util.Arrays;

/**
 * The retail MAC (ISO 9797-1 algorithm 3, ANSI X9.19): DES-CBC under the left key half with
 * zero padding, the last block finished with decrypt under the right half and encrypt under
 * the left half.
 */
public final class RetailMac {
    private RetailMac() {
    }

    public static byte[] compute(byte[] key16, byte[] message) {
        byte[] k1 = Arrays.copyOfRange(key16, 0, 8);
        byte[] k2 = key16.length >= 16 ? Arrays.copyOfRange(key16, 8, 16) : k1;
        int blocks = Math.max(1, (message.length + 7) / 8);
        byte[] padded = Arrays.copyOf(message, blocks * 8);
        byte[] chain = new byte[8];
        for (int b = 0; b < blocks; b++) {
            for (int i = 0; i < 8; i++) {
                chain[i] ^= padded[b * 8 + i];
            }
            chain = Des.encrypt(k1, chain);
        }
        return Des.encrypt(k1, Des.decrypt(k2, chain));
    }
}
