package com.orv.sim.crypto;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import java.security.AlgorithmParameters;
import javax.crypto.Cipher;
import org.junit.jupiter.api.Test;

/** PIN security primitives against published vectors and independent formulations. */
class CryptoTest {
    private static final byte[] BDK = Hex.parse("0123456789ABCDEFFEDCBA9876543210");

    @Test
    void dukptInitialKeyMatchesTheStandardVector() {
        assertEquals("6AC292FAA1315B4D858AB3A3D7D5933A",
                Hex.of(Dukpt.initialKey(BDK, Hex.parse("FFFF9876543210E00000"))));
        // The counter bits do not change the initial key.
        assertEquals("6AC292FAA1315B4D858AB3A3D7D5933A",
                Hex.of(Dukpt.initialKey(BDK, Hex.parse("FFFF9876543210E00008"))));
    }

    @Test
    void pinBlockFormat0() {
        assertEquals("041274EDCBA9876F", Hex.of(PinBlock.format0("1234", "4012345678909")));
        assertEquals("06123456FFFFFFFF", Hex.of(PinBlock.format0("123456", "")));
        assertThrows(IllegalArgumentException.class, () -> PinBlock.format0("123", "1"));
        assertThrows(IllegalArgumentException.class, () -> PinBlock.format0("1234567890123", "1"));
    }

    @Test
    void retailMacEqualsCbcThenTripleDesOnTheLastBlock() throws Exception {
        byte[] key = Hex.parse("0123456789ABCDEFFEDCBA9876543210");
        for (String msg : new String[] {"", "A", "12345678", "The quick brown fox jumps over"}) {
            byte[] m = msg.getBytes(StandardCharsets.ISO_8859_1);
            int blocks = Math.max(1, (m.length + 7) / 8);
            byte[] padded = Arrays.copyOf(m, blocks * 8);
            byte[] chain = new byte[8];
            if (blocks > 1) {
                // A zero IV, DER-encoded as an 8-byte OCTET STRING.
                AlgorithmParameters zeroIv = AlgorithmParameters.getInstance("DES");
                zeroIv.init(Arrays.copyOf(new byte[] {0x04, 0x08}, 10));
                Cipher cbc = Cipher.getInstance("DES/CBC/NoPadding");
                cbc.init(Cipher.ENCRYPT_MODE, Des.rawKey(Arrays.copyOf(key, 8), "DES"), zeroIv);
                byte[] c = cbc.doFinal(Arrays.copyOf(padded, (blocks - 1) * 8));
                chain = Arrays.copyOfRange(c, c.length - 8, c.length);
            }
            byte[] last = Arrays.copyOfRange(padded, (blocks - 1) * 8, blocks * 8);
            for (int i = 0; i < 8; i++) {
                last[i] ^= chain[i];
            }
            assertArrayEquals(Des.tdesEncrypt(key, last), RetailMac.compute(key, m), msg);
        }
    }

    @Test
    void hexRejectsOddOrForeignText() {
        assertThrows(IllegalArgumentException.class, () -> Hex.parse("ABC"));
        assertThrows(IllegalArgumentException.class, () -> Hex.parse("ZZ"));
        assertEquals(false, Hex.isHex(""));
        assertEquals("00FF", Hex.of(new byte[] {0, -1}));
    }
}
