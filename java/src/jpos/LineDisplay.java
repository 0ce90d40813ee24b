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
        LineDisplayService d = disp("getCharacterSet");
        return d.getCharacterSet();
    }

    public void setCharacterSet(int v) throws JposException {
        LineDisplayService d = disp("setCharacterSet");
        d.setCharacterSet(v);
    }

    public int getColumns() throws JposException {
        LineDisplayService d = disp("getColumns");
        return d.getColumns();
    }

    public int getCurrentWindow() throws JposException {
        LineDisplayService d = disp("getCurrentWindow");
        return d.getCurrentWindow();
    }

    public void setCurrentWindow(int v) throws JposException {
        LineDisplayService d = disp("setCurrentWindow");
        d.setCurrentWindow(v);
    }

    public int getCursorColumn() throws JposException {
        LineDisplayService d = disp("getCursorColumn");
        return d.getCursorColumn();
    }

    public void setCursorColumn(int v) throws JposException {
        LineDisplayService d = disp("setCursorColumn");
        d.setCursorColumn(v);
    }

    public int getCursorRow() throws JposException {
        LineDisplayService d = disp("getCursorRow");
        return d.getCursorRow();
    }

    public void setCursorRow(int v) throws JposException {
        LineDisplayService d = disp("setCursorRow");
        d.setCursorRow(v);
    }

    public boolean getCursorUpdate() throws JposException {
        LineDisplayService d = disp("getCursorUpdate");
        return d.getCursorUpdate();
    }

    public void setCursorUpdate(boolean v) throws JposException {
        LineDisplayService d = disp("setCursorUpdate");
        d.setCursorUpdate(v);
    }

    public int getDeviceBrightness() throws JposException {
        LineDisplayService d = disp("getDeviceBrightness");
        return d.getDeviceBrightness();
    }

    public void setDeviceBrightness(int v) throws JposException {
        LineDisplayService d = disp("setDeviceBrightness");
        d.setDeviceBrightness(v);
    }

    public int getDeviceColumns() throws JposException {
        LineDisplayService d = disp("getDeviceColumns");
        return d.getDeviceColumns();
    }

    public int getDeviceDescriptors() throws JposException {
        disp("getDeviceDescriptors");
        return LineDisplayService.DEVICE_DESCRIPTORS;
    }

    public int getDeviceRows() throws JposException {
        LineDisplayService d = disp("getDeviceRows");
        return d.getDeviceRows();
    }

    public int getDeviceWindows() throws JposException {
        disp("getDeviceWindows");
        return LineDisplayService.DEVICE_WINDOWS;
    }

    public int getInterCharacterWait() throws JposException {
        LineDisplayService d = disp("getInterCharacterWait");
        return d.getMarquee(Marquee.INTER_CHARACTER_WAIT);
    }

    public void setInterCharacterWait(int v) throws JposException {
        LineDisplayService d = disp("setInterCharacterWait");
        d.setMarquee(Marquee.INTER_CHARACTER_WAIT, v);
    }

    public int getMarqueeRepeatWait() throws JposException {
        LineDisplayService d = disp("getMarqueeRepeatWait");
        return d.getMarquee(Marquee.REPEAT_WAIT);
    }

    public void setMarqueeRepeatWait(int v) throws JposException {
        LineDisplayService d = disp("setMarqueeRepeatWait");
        d.setMarquee(Marquee.REPEAT_WAIT, v);
    }

    public int getMarqueeType() throws JposException {
        LineDisplayService d = disp("getMarqueeType");
        return d.getMarquee(Marquee.TYPE);
    }

    public void setMarqueeType(int v) throws JposException {
        LineDisplayService d = disp("setMarqueeType");
        d.setMarquee(Marquee.TYPE, v);
    }

    public int getMarqueeUnitWait() throws JposException {
        LineDisplayService d = disp("getMarqueeUnitWait");
        return d.getMarquee(Marquee.UNIT_WAIT);
    }

    public void setMarqueeUnitWait(int v) throws JposException {
        LineDisplayService d = disp("setMarqueeUnitWait");
        d.setMarquee(Marquee.UNIT_WAIT, v);
    }

    public int getRows() throws JposException {
        LineDisplayService d = disp("getRows");
        return d.getRows();
    }

    public int getMarqueeFormat() throws JposException {
        LineDisplayService d = disp("getMarqueeFormat");
        return d.getMarquee(Marquee.FORMAT);
    }

    public void setMarqueeFormat(int v) throws JposException {
        LineDisplayService d = disp("setMarqueeFormat");
        d.setMarquee(Marquee.FORMAT, v);
    }

    public int getCursorType() throws JposException {
        LineDisplayService d = disp("getCursorType");
        return d.getCursorType();
    }

    public void setCursorType(int v) throws JposException {
        LineDisplayService d = disp("setCursorType");
        d.setCursorType(v);
    }

    public int getCapBlink() throws JposException {
        disp("getCapBlink");
        return DISP_CB_BLINKEACH;
    }

    public boolean getCapBrightness() throws JposException {
        disp("getCapBrightness");
        return true;
    }

    public int getCapCharacterSet() throws JposException {
        disp("getCapCharacterSet");
        return DISP_CCS_ASCII;
    }

    public boolean getCapDescriptors() throws JposException {
        disp("getCapDescriptors");
        return true;
    }

    public boolean getCapHMarquee() throws JposException {
        disp("getCapHMarquee");
        return true;
    }

    public boolean getCapICharWait() throws JposException {
        disp("getCapICharWait");
        return true;
    }

    public boolean getCapVMarquee() throws JposException {
        disp("getCapVMarquee");
        return true;
    }

    public boolean getCapBitmap() throws JposException {
        disp("getCapBitmap");
        return true;
    }

    public int getCapCursorType() throws JposException {
        disp("getCapCursorType");
        return LineDisplayService.CAP_CURSOR;
    }

    public boolean getCapCustomGlyph() throws JposException {
        disp("getCapCustomGlyph");
        return true;
    }

    public int getCapReadBack() throws JposException {
        disp("getCapReadBack");
        return DISP_CRB_SINGLE;
    }

    public boolean getCapScreenMode() throws JposException {
        disp("getCapScreenMode");
        return true;
    }

    public boolean getCapBlinkRate() throws JposException {
        disp("getCapBlinkRate");
        return true;
    }

    public boolean getMapCharacterSet() throws JposException {
        LineDisplayService d = disp("getMapCharacterSet");
        return d.getMapCharacterSet();
    }

    public void setMapCharacterSet(boolean v) throws JposException {
        LineDisplayService d = disp("setMapCharacterSet");
        d.setMapCharacterSet(v);
    }

    public int getScreenMode() throws JposException {
        LineDisplayService d = disp("getScreenMode");
        return d.getScreenMode();
    }

    public void setScreenMode(int v) throws JposException {
        LineDisplayService d = disp("setScreenMode");
        d.setScreenMode(v);
    }

    public int getGlyphHeight() throws JposException {
        disp("getGlyphHeight");
        return LineDisplayService.GLYPH_HEIGHT;
    }

    public int getGlyphWidth() throws JposException {
        disp("getGlyphWidth");
        return LineDisplayService.GLYPH_WIDTH;
    }

    public int getMaximumX() throws JposException {
        LineDisplayService d = disp("getMaximumX");
        return d.getMaximumX();
    }

    public int getMaximumY() throws JposException {
        LineDisplayService d = disp("getMaximumY");
        return d.getMaximumY();
    }

    public int getCapReverse() throws JposException {
        disp("getCapReverse");
        return DISP_CR_REVERSEEACH;
    }

    public int getBlinkRate() throws JposException {
        LineDisplayService d = disp("getBlinkRate");
        return d.getBlinkRate();
    }

    public void setBlinkRate(int v) throws JposException {
        LineDisplayService d = disp("setBlinkRate");
        d.setBlinkRate(v);
    }

    public boolean getCapMapCharacterSet() throws JposException {
        disp("getCapMapCharacterSet");
        return true;
    }

    public String getCharacterSetList() throws JposException {
        disp("getCharacterSetList");
        return LineDisplayService.CHARACTER_SETS;
    }

    public String getCustomGlyphList() throws JposException {
        disp("getCustomGlyphList");
        return LineDisplayService.GLYPHS;
    }

    public String getScreenModeList() throws JposException {
        disp("getScreenModeList");
        return LineDisplayService.SCREEN_MODES;
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
