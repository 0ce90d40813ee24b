package jpos;

import com.orv.jpos.linedisplay.LineOPOSEventCallbacks;
import com.orv.sim.DeviceKind;
import com.orv.sim.device.LineDisplayService;
import com.orv.sim.device.LineDisplayService.Marquee;

/**
 * The line display control: the terminal's character display with windows, marquees,
 * descriptors, bitmaps and custom glyphs.
 */
public class LineDisplay extends BaseJposControl implements LineDisplayConst {
    public LineDisplay() {
        super(DeviceKind.LINE_DISPLAY, new LineOPOSEventCallbacks());
    }

    private LineDisplayService disp(String method) throws JposException {
        return svc(method, LineDisplayService.class);
    }

    public int getCharacterSet() throws JposException {
        return disp("getCharacterSet").getCharacterSet();
    }

    public void setCharacterSet(int v) throws JposException {
        disp("setCharacterSet").setCharacterSet(v);
    }

    public int getColumns() throws JposException {
        return disp("getColumns").getColumns();
    }

    public int getCurrentWindow() throws JposException {
        return disp("getCurrentWindow").getCurrentWindow();
    }

    public void setCurrentWindow(int v) throws JposException {
        disp("setCurrentWindow").setCurrentWindow(v);
    }

    public int getCursorColumn() throws JposException {
        return disp("getCursorColumn").getCursorColumn();
    }

    public void setCursorColumn(int v) throws JposException {
        disp("setCursorColumn").setCursorColumn(v);
    }

    public int getCursorRow() throws JposException {
        return disp("getCursorRow").getCursorRow();
    }

    public void setCursorRow(int v) throws JposException {
        disp("setCursorRow").setCursorRow(v);
    }

    public boolean getCursorUpdate() throws JposException {
        return disp("getCursorUpdate").getCursorUpdate();
    }

    public void setCursorUpdate(boolean v) throws JposException {
        disp("setCursorUpdate").setCursorUpdate(v);
    }

    public int getDeviceBrightness() throws JposException {
        return disp("getDeviceBrightness").getDeviceBrightness();
    }

    public void setDeviceBrightness(int v) throws JposException {
        disp("setDeviceBrightness").setDeviceBrightness(v);
    }

    public int getDeviceColumns() throws JposException {
        return disp("getDeviceColumns").getDeviceColumns();
    }

    public int getDeviceDescriptors() throws JposException {
        return fixed("getDeviceDescriptors", LineDisplayService.DEVICE_DESCRIPTORS);
    }

    public int getDeviceRows() throws JposException {
        return disp("getDeviceRows").getDeviceRows();
    }

    public int getDeviceWindows() throws JposException {
        return fixed("getDeviceWindows", LineDisplayService.DEVICE_WINDOWS);
    }

    public int getInterCharacterWait() throws JposException {
        return disp("getInterCharacterWait").getMarquee(Marquee.INTER_CHARACTER_WAIT);
    }

    public void setInterCharacterWait(int v) throws JposException {
        disp("setInterCharacterWait").setMarquee(Marquee.INTER_CHARACTER_WAIT, v);
    }

    public int getMarqueeRepeatWait() throws JposException {
        return disp("getMarqueeRepeatWait").getMarquee(Marquee.REPEAT_WAIT);
    }

    public void setMarqueeRepeatWait(int v) throws JposException {
        disp("setMarqueeRepeatWait").setMarquee(Marquee.REPEAT_WAIT, v);
    }

    public int getMarqueeType() throws JposException {
        return disp("getMarqueeType").getMarquee(Marquee.TYPE);
    }

    public void setMarqueeType(int v) throws JposException {
        disp("setMarqueeType").setMarquee(Marquee.TYPE, v);
    }

    public int getMarqueeUnitWait() throws JposException {
        return disp("getMarqueeUnitWait").getMarquee(Marquee.UNIT_WAIT);
    }

    public void setMarqueeUnitWait(int v) throws JposException {
        disp("setMarqueeUnitWait").setMarquee(Marquee.UNIT_WAIT, v);
    }

    public int getRows() throws JposException {
        return disp("getRows").getRows();
    }

    public int getMarqueeFormat() throws JposException {
        return disp("getMarqueeFormat").getMarquee(Marquee.FORMAT);
    }

    public void setMarqueeFormat(int v) throws JposException {
        disp("setMarqueeFormat").setMarquee(Marquee.FORMAT, v);
    }

    public int getCursorType() throws JposException {
        return disp("getCursorType").getCursorType();
    }

    public void setCursorType(int v) throws JposException {
        disp("setCursorType").setCursorType(v);
    }

    public int getCapBlink() throws JposException {
        return fixed("getCapBlink", DISP_CB_BLINKEACH);
    }

    public boolean getCapBrightness() throws JposException {
        return fixed("getCapBrightness", true);
    }

    public int getCapCharacterSet() throws JposException {
        return fixed("getCapCharacterSet", DISP_CCS_ASCII);
    }

    public boolean getCapDescriptors() throws JposException {
        return fixed("getCapDescriptors", true);
    }

    public boolean getCapHMarquee() throws JposException {
        return fixed("getCapHMarquee", true);
    }

    public boolean getCapICharWait() throws JposException {
        return fixed("getCapICharWait", true);
    }

    public boolean getCapVMarquee() throws JposException {
        return fixed("getCapVMarquee", true);
    }

    public boolean getCapBitmap() throws JposException {
        return fixed("getCapBitmap", true);
    }

    public int getCapCursorType() throws JposException {
        return fixed("getCapCursorType", LineDisplayService.CAP_CURSOR);
    }

    public boolean getCapCustomGlyph() throws JposException {
        return fixed("getCapCustomGlyph", true);
    }

    public int getCapReadBack() throws JposException {
        return fixed("getCapReadBack", DISP_CRB_SINGLE);
    }

    public boolean getCapScreenMode() throws JposException {
        return fixed("getCapScreenMode", true);
    }

    public boolean getCapBlinkRate() throws JposException {
        return fixed("getCapBlinkRate", true);
    }

    public boolean getMapCharacterSet() throws JposException {
        return disp("getMapCharacterSet").getMapCharacterSet();
    }

    public void setMapCharacterSet(boolean v) throws JposException {
        disp("setMapCharacterSet").setMapCharacterSet(v);
    }

    public int getScreenMode() throws JposException {
        return disp("getScreenMode").getScreenMode();
    }

    public void setScreenMode(int v) throws JposException {
        disp("setScreenMode").setScreenMode(v);
    }

    public int getGlyphHeight() throws JposException {
        return fixed("getGlyphHeight", LineDisplayService.GLYPH_HEIGHT);
    }

    public int getGlyphWidth() throws JposException {
        return fixed("getGlyphWidth", LineDisplayService.GLYPH_WIDTH);
    }

    public int getMaximumX() throws JposException {
        return disp("getMaximumX").getMaximumX();
    }

    public int getMaximumY() throws JposException {
        return disp("getMaximumY").getMaximumY();
    }

    public int getCapReverse() throws JposException {
        return fixed("getCapReverse", DISP_CR_REVERSEEACH);
    }

    public int getBlinkRate() throws JposException {
        return disp("getBlinkRate").getBlinkRate();
    }

    public void setBlinkRate(int v) throws JposException {
        disp("setBlinkRate").setBlinkRate(v);
    }

    public boolean getCapMapCharacterSet() throws JposException {
        return fixed("getCapMapCharacterSet", true);
    }

    public String getCharacterSetList() throws JposException {
        return fixed("getCharacterSetList", LineDisplayService.CHARACTER_SETS);
    }

    public String getCustomGlyphList() throws JposException {
        return fixed("getCustomGlyphList", LineDisplayService.GLYPHS);
    }

    public String getScreenModeList() throws JposException {
        return fixed("getScreenModeList", LineDisplayService.SCREEN_MODES);
    }

    public void clearText() throws JposException {
        disp("clearText").clearText();
    }

    public void displayText(String data, int attribute) throws JposException {
        disp("displayText").displayText(data, attribute);
    }

    public void displayTextAt(int row, int column, String data, int attribute) throws JposException {
        disp("displayTextAt").displayTextAt(row, column, data, attribute);
    }

    public void scrollText(int direction, int units) throws JposException {
        disp("scrollText").scrollText(direction, units);
    }

    public void clearDescriptors() throws JposException {
        disp("clearDescriptors").clearDescriptors();
    }

    public void setDescriptor(int descriptor, int attribute) throws JposException {
        disp("setDescriptor").setDescriptor(descriptor, attribute);
    }

    public void createWindow(int viewportRow, int viewportColumn, int viewportHeight, int viewportWidth,
                             int windowHeight, int windowWidth) throws JposException {
        disp("createWindow").createWindow(viewportRow, viewportColumn, viewportHeight, viewportWidth,
                windowHeight, windowWidth);
    }

    public void destroyWindow() throws JposException {
        disp("destroyWindow").destroyWindow();
    }

    public void refreshWindow(int window) throws JposException {
        disp("refreshWindow").refreshWindow(window);
    }

    /** Puts the character at the cursor of the current window in aChar[0]. */
    public void readCharacterAtCursor(int[] aChar) throws JposException {
        LineDisplayService d = disp("readCharacterAtCursor");
        if (aChar == null || aChar.length < 1) {
            throw new JposException(JPOS_E_ILLEGAL, "readCharacterAtCursor needs a one-element array");
        }
        aChar[0] = d.readCharacterAtCursor();
    }

    /** The by-value form: the character is read, it has nowhere to go. */
    public void readCharacterAtCursor(int aChar) throws JposException {
        disp("readCharacterAtCursor").readCharacterAtCursor();
    }

    public void displayBitmap(String fileName, int width, int alignmentX, int alignmentY)
            throws JposException {
        disp("displayBitmap").displayBitmap(fileName, width, alignmentX, alignmentY);
    }

    public void setBitmap(int bitmapNumber, String fileName, int width, int alignmentX, int alignmentY)
            throws JposException {
        disp("setBitmap").setBitmap(bitmapNumber, fileName, width, alignmentX, alignmentY);
    }

    /** Defines a glyph of GlyphHeight rows, one byte per row (bit 4 the leftmost dot). */
    public void defineGlyph(int glyphCode, byte[] glyph) throws JposException {
        disp("defineGlyph").defineGlyph(glyphCode, glyph);
    }

    /** The same glyph packed in an int: row 0 in bits 29..25, the last row in bits 4..0. */
    public void defineGlyph(int glyphCode, int glyph) throws JposException {
        disp("defineGlyph").defineGlyph(glyphCode, glyph);
    }
}
