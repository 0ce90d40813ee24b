package com.orv.sim.crypto;

/**
 * Derived Unique Key Per Transaction (ANSI X9.24-1 with double-length keys): the initial key
 * from the base derivation key and the key serial number, and each transaction key from the
 * initial key and the 21-bit transaction counter in the serial number.
 */
public final class Dukpt {
    private static final byte[] KEY_MASK = Hex.parse("C0C0C0C000000000C0C0C0C000000000");
    private static final byte[] PIN_VARIANT = Hex.parse("00000000000000FF00000000000000FF");
    private static final byte[] MAC_VARIANT = Hex.parse("000000000000FF00000000000000FF00");
    public static final int COUNTER_MASK = 0x1FFFFF;

    private Dukpt() {
    }

    /** The initial PIN encryption key of a device with this 10-byte serial number. */
    public static byte[] initialKey(byte[] bdk, byte[] ksn) {
        byte[] base = new byte[8];
        System.arraycopy(ksn, 0, base, 0, 8);
        base[7] &= (byte) 0xE0;
        byte[] left = Des.tdesEncrypt(bdk, base);
        byte[] right = Des.tdesEncrypt(xor(bdk, KEY_MASK), base);
        return concat(left, right);
    }

    /** The transaction key for the counter held in the last 21 bits of the serial number. */
    public static byte[] transactionKey(byte[] bdk, byte[] ksn) {
        byte[] key = initialKey(bdk, ksn);
        long reg = toLong(ksn, 2) & ~(long) COUNTER_MASK;
        int counter = (int) (toLong(ksn, 2) & COUNTER_MASK);
        for (int bit = 0x100000; bit > 0; bit >>>= 1) {
            if ((counter & bit) != 0) {
                reg |= bit;
                key = nonReversible(key, fromLong(reg));
            }
        }
        return key;
    }

    public static byte[] pinKey(byte[] transactionKey) {
        return xor(transactionKey, PIN_VARIANT);
    }

    public static byte[] macKey(byte[] transactionKey) {
        return xor(transactionKey, MAC_VARIANT);
    }

    private static byte[] nonReversible(byte[] key, byte[] data) {
        byte[] right = half(key, data);
        byte[] left = half(xor(key, KEY_MASK), data);
        return concat(left, right);
    }

    private static byte[] half(byte[] key, byte[] data) {
        byte[] kl = java.util.Arrays.copyOfRange(key, 0, 8);
        byte[] kr = java.util.Arrays.copyOfRange(key, 8, 16);
        return xor(Des.encrypt(kl, xor(data, kr)), kr);
    }

    static byte[] xor(byte[] a, byte[] b) {
        byte[] r = new byte[a.length];
        for (int i = 0; i < a.length; i++) {
            r[i] = (byte) (a[i] ^ b[i]);
        }
        return r;
    }

    private static byte[] concat(byte[] a, byte[] b) {
        byte[] r = new byte[a.length + b.length];
        System.arraycopy(a, 0, r, 0, a.length);
        System.arraycopy(b, 0, r, a.length, b.length);
        return r;
    }

    private static long toLong(byte[] b, int off) {
        long v = 0;
        for (int i = off; i < off + 8; i++) {
            v = v << 8 | (b[i] & 0xFF);
        }
        return v;
    }

    private static byte[] fromLong(long v) {
        byte[] r = new byte[8];
        for (int i = 7; i >= 0; i--) {
            r[i] = (byte) v;
            v >>>= 8;
        }
        return r;
    }
}
