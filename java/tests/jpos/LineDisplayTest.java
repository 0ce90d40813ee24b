package jpos;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.fails;
import static com.orv.testing.Jpos.ready;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.sim.Sim;
import com.orv.testing.Jpos;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The character display: text placement, windows, scrolling, marquee, descriptors, glyphs. */
class LineDisplayTest {
    private LineDisplay d;

    @BeforeEach
    void open() throws Exception {
        Sim.reset();
        d = ready(new LineDisplay(), "L1");
    }

    @AfterEach
    void close() {
        closeQuietly(d);
    }

    private static String pad(String s) {
        return String.format("%-20s", s);
    }

    @Test
    void textWrapsAtTheEdgeAndScrollsAtTheBottom() throws Exception {
        assertEquals(4, d.getDeviceRows());
        assertEquals(20, d.getDeviceColumns());
        d.displayText("Hello\r\nWorld", LineDisplayConst.DISP_DT_NORMAL);
        assertEquals(List.of(pad("Hello"), pad("World"), pad(""), pad("")), Sim.screen("L1"));
        d.displayTextAt(3, 15, "ABCDEFG", LineDisplayConst.DISP_DT_BLINK);
        assertEquals(List.of(pad("World"), pad(""), pad("               ABCDE"), pad("FG")), Sim.screen("L1"));
        assertEquals(3, d.getCursorRow());
        assertEquals(2, d.getCursorColumn());
        d.setCursorUpdate(false);
        d.displayText("xy", 0);
        assertEquals(2, d.getCursorColumn());
        int[] c = new int[1];
        d.readCharacterAtCursor(c);
        assertEquals('x', c[0]);
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.displayTextAt(4, 0, "x", 0));
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.displayText("x", 4));
        d.clearText();
        assertEquals(List.of(pad(""), pad(""), pad(""), pad("")), Sim.screen("L1"));
    }

    @Test
    void windowsHaveTheirOwnViewportsAndRules() throws Exception {
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.createWindow(3, 0, 2, 20, 2, 20));   // off the display
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.createWindow(0, 0, 1, 10, 2, 20));   // larger both ways
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.createWindow(0, 0, 2, 10, 1, 10));   // smaller than viewport
        d.displayText("base", 0);
        d.createWindow(1, 10, 1, 10, 1, 30);
        assertEquals(1, d.getCurrentWindow());
        assertEquals(30, d.getColumns());
        d.displayText("0123456789ABCDEFGHIJ", 0);
        assertEquals(pad("          0123456789"), Sim.screen("L1").get(1));
        d.scrollText(LineDisplayConst.DISP_ST_LEFT, 5);
        assertEquals(pad("          56789ABCDE"), Sim.screen("L1").get(1));
        d.scrollText(LineDisplayConst.DISP_ST_LEFT, 50);  // stops at the window's end
        assertEquals(pad(""), Sim.screen("L1").get(1));
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.scrollText(9, 1));
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.scrollText(LineDisplayConst.DISP_ST_UP, 0));
        for (int i = 0; i < 3; i++) {
            d.createWindow(3, 19, 1, 1, 1, 1);
        }
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.createWindow(3, 19, 1, 1, 1, 1));
        d.destroyWindow();
        assertEquals(0, d.getCurrentWindow());
        fails(JposConst.JPOS_E_ILLEGAL, d::destroyWindow);
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.refreshWindow(4));
        d.refreshWindow(1);
        assertEquals(1, d.getCurrentWindow());
        assertEquals("base", Sim.screen("L1").get(0).trim());
    }

    @Test
    void aMarqueeWalksTheViewportAcrossItsWindow() throws Exception {
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.setMarqueeType(LineDisplayConst.DISP_MT_LEFT));  // window 0
        d.createWindow(0, 0, 1, 5, 1, 10);
        d.setMarqueeType(LineDisplayConst.DISP_MT_INIT);
        d.displayText("ABCDEFGHIJ", 0);
        d.setMarqueeUnitWait(5);
        d.setMarqueeRepeatWait(10_000);
        d.setMarqueeType(LineDisplayConst.DISP_MT_LEFT);
        long end = System.currentTimeMillis() + 5000;
        while (!Sim.screen("L1").get(0).startsWith("FGHIJ") && System.currentTimeMillis() < end) {
            Thread.sleep(5);
        }
        assertEquals("FGHIJ", Sim.screen("L1").get(0).substring(0, 5));
    }

    @Test
    void propertiesAreChecked() throws Exception {
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.setDeviceBrightness(101));
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.setCharacterSet(850));
        d.setCharacterSet(1252);
        d.displayText("caf\u00e9 \u20ac\u4e2d", 0);
        assertEquals("caf\u00e9 \u20ac?", Sim.screen("L1").get(0).trim());
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.setCursorType(LineDisplayConst.DISP_CT_OTHER));
        d.setCursorType(LineDisplayConst.DISP_CT_UNDERLINE | LineDisplayConst.DISP_CT_BLINK);
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.setCursorRow(4));
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.setScreenMode(2));   // only while disabled
        d.setDeviceEnabled(false);
        d.setScreenMode(2);
        assertEquals(8, d.getDeviceRows());
        assertEquals(40, d.getDeviceColumns());
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.setScreenMode(3));
        d.setDeviceEnabled(true);
        d.setDescriptor(7, LineDisplayConst.DISP_SD_BLINK);
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.setDescriptor(8, 1));
        d.clearDescriptors();
    }

    @Test
    void glyphsAndBitmaps() throws Exception {
        d.defineGlyph(0xE0, 0b10001_01010_00100_01010_10001_00000);
        d.defineGlyph(0xE1, new byte[] {0x1F, 0, 0x1F, 0, 0x1F, 0});
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.defineGlyph(0x41, 0));
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.defineGlyph(0xE2, new byte[] {0x20, 0, 0, 0, 0, 0}));
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.defineGlyph(0xE2, -1));
        d.displayText("\u00e0", 0);
        assertEquals('\u00e0', Sim.screen("L1").get(0).charAt(0));
        Path bmp = Jpos.work().resolve("logo.bmp");
        Files.writeString(bmp, "BM");
        fails(JposConst.JPOS_E_NOEXIST, () -> d.displayBitmap("/no/such.bmp", LineDisplayConst.DISP_BM_ASIS,
                LineDisplayConst.DISP_BM_LEFT, LineDisplayConst.DISP_BM_TOP));
        d.setBitmap(1, bmp.toString(), LineDisplayConst.DISP_BM_ASIS, LineDisplayConst.DISP_BM_CENTER,
                LineDisplayConst.DISP_BM_CENTER);
        d.displayText("\u001b|1B", 0);
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.displayText("\u001b|2B", 0));
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.setBitmap(21, bmp.toString(), -11, -1, -1));
        assertTrue(Sim.terminal().activeService("L1").describe().contains("window=0"));
    }
}
