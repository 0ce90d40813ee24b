package com.orv.sim.crypto;

import java.security.GeneralSecurityException;
import javax.crypto.Cipher;
import javax.crypto.SecretKey;

/** Single and triple DES on 8-byte blocks (ECB, no padding), the primitives of PIN security. */
public final class Des {
    private Des() {
    }

    public static byte[] encrypt(byte[] key8, byte[] block) {
        return run("DES", key8, block, Cipher.ENCRYPT_MODE);
    }

    public static byte[] decrypt(byte[] key8, byte[] block) {
        return run("DES", key8, block, Cipher.DECRYPT_MODE);
    }

    /** Triple DES with a 16-byte (K1 K2) or 24-byte key; data a multiple of 8 bytes. */
    public static byte[] tdesEncrypt(byte[] key, byte[] data) {
        return run("DESede", expand(key), data, Cipher.ENCRYPT_MODE);
    }

    public static byte[] tdesDecrypt(byte[] key, byte[] data) {
        return run("DESede", expand(key), data, Cipher.DECRYPT_MODE);
    }

    /** The key check value: the first three bytes of the key's encryption of a zero block. */
    public static byte[] checkValue(byte[] key) {
        byte[] zero = new byte[8];
        byte[] c = key.length == 8 ? encrypt(key, zero) : tdesEncrypt(key, zero);
        return java.util.Arrays.copyOf(c, 3);
    }

    public static boolean validKeyLength(int n) {
        return n == 8 || n == 16 || n == 24;
    }

    /** Key bytes as the JCE ciphers take them (RAW format), for DES or DESede. */
    public static SecretKey rawKey(byte[] bytes, String algorithm) {
        byte[] copy = bytes.clone();
        return new SecretKey() {
            private static final long serialVersionUID = 1L;

            @Override
            public String getAlgorithm() {
                return algorithm;
            }

            @Override
            public String getFormat() {
                return "RAW";
            }

            @Override
            public byte[] getEncoded() {
                return copy.clone();
            }
        };
    }

    private static byte[] expand(byte[] key) {
        if (key.length == 24) {
            return key;
        }
        byte[] k = new byte[24];
        if (key.length == 16) {
            System.arraycopy(key, 0, k, 0, 16);
            System.arraycopy(key, 0, k, 16, 8);
        } else if (key.length == 8) {
            for (int i = 0; i < 3; i++) {
                System.arraycopy(key, 0, k, i * 8, 8);
            }
        } else {
            throw new IllegalArgumentException("DES key of " + key.length + " bytes");
        }
        return k;
    }

    private static byte[] run(String algorithm, byte[] key, byte[] data, int mode) {
        try {
            Cipher c = Cipher.getInstance(algorithm + "/ECB/NoPadding");
            c.init(mode, rawKey(key, algorithm));
            return c.doFinal(data);
        } catch (GeneralSecurityException e) {
            throw new IllegalStateException("DES unavailable: " + e, e);
        }
    }
}
