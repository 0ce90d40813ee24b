package com.orv.sim.device;

import com.orv.sim.DeviceKind;
import com.orv.sim.terminal.Terminal;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import jpos.JposException;
import jpos.LineDisplayConst;

/**
 * The terminal's character display: a device window (0) and up to four more windows with their
 * own viewports, text with blink and reverse attributes, scrolling and marquees, descriptors,
 * cursor types, brightness, character sets, screen modes, bitmaps and custom glyphs.
 */
public final class LineDisplayService extends DeviceService implements LineDisplayConst {
    public static final String SCREEN_MODES = "4x20,8x40";
    public static final String CHARACTER_SETS = "437,998,1252";
    public static final String GLYPHS = "E0-EF";
    public static final int DEVICE_WINDOWS = 4;
    public static final int DEVICE_DESCRIPTORS = 8;
    public static final int GLYPH_WIDTH = 5;
    public static final int GLYPH_HEIGHT = 6;
    public static final int BITMAPS = 20;
    public static final int CAP_CURSOR = DISP_CCT_FIXED | DISP_CCT_BLOCK | DISP_CCT_HALFBLOCK
            | DISP_CCT_UNDERLINE | DISP_CCT_REVERSE | DISP_CCT_BLINK;
    private static final int[][] MODES = {{4, 20}, {8, 40}};

    private int deviceRows = 4;
    private int deviceColumns = 20;
    private int screenMode;
    private final DisplayWindow[] windows = new DisplayWindow[DEVICE_WINDOWS + 1];
    private final List<Integer> zOrder = new ArrayList<>();
    private int currentWindow;
    private final int[] descriptors = new int[DEVICE_DESCRIPTORS];
    private int brightness = 100;
    private int characterSet = DISP_CS_ASCII;
    private boolean mapCharacterSet = true;
    private boolean cursorUpdate = true;
    private int cursorType = DISP_CT_FIXED;
    private int blinkRate = 500;
    private final Map<Integer, String> bitmaps = new HashMap<>();
    private final Map<Integer, byte[]> glyphs = new HashMap<>();
    private final List<String> shownBitmaps = new ArrayList<>();

    public LineDisplayService(Terminal t, String name, Object source, EventSink sink) {
        super(t, DeviceKind.LINE_DISPLAY, name, source, sink);
        resetWindows();
    }

    private void resetWindows() {
        for (DisplayWindow w : windows) {
            if (w != null && w.marquee != null) {
                w.marquee.cancel(false);
            }
        }
        Arrays.fill(windows, null);
        windows[0] = new DisplayWindow(0, 0, deviceRows, deviceColumns, deviceRows, deviceColumns);
        zOrder.clear();
        zOrder.add(0);
        currentWindow = 0;
    }

    private DisplayWindow window() {
        return windows[currentWindow];
    }

    private int read(java.util.function.IntSupplier v) throws JposException {
        return locked(() -> {
            requireOpen();
            return v.getAsInt();
        });
    }

    private boolean readFlag(java.util.function.BooleanSupplier v) throws JposException {
        return locked(() -> {
            requireOpen();
            return v.getAsBoolean();
        });
    }

    // ---- device geometry and capabilities --------------------------------------------------

    public int getDeviceRows() throws JposException {
        return read(() -> deviceRows);
    }

    public int getDeviceColumns() throws JposException {
        return read(() -> deviceColumns);
    }

    public int getMaximumX() throws JposException {
        return read(() -> deviceColumns * 6);
    }

    public int getMaximumY() throws JposException {
        return read(() -> deviceRows * 8);
    }

    public int getRows() throws JposException {
        return read(() -> window().rows);
    }

    public int getColumns() throws JposException {
        return read(() -> window().columns);
    }

    // ---- window-specific properties --------------------------------------------------------

    public int getCurrentWindow() throws JposException {
        return read(() -> currentWindow);
    }

    public void setCurrentWindow(int w) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (w < 0 || w > DEVICE_WINDOWS || windows[w] == null) {
                throw illegal("Window " + w + " does not exist");
            }
            currentWindow = w;
            return null;
        });
    }

    public int getCursorRow() throws JposException {
        return read(() -> window().cursorRow);
    }

    public void setCursorRow(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v < 0 || v >= window().rows) {
                throw illegal("Cursor row " + v + " is outside the window");
            }
            window().cursorRow = v;
            return null;
        });
    }

    public int getCursorColumn() throws JposException {
        return read(() -> window().visibleCursorColumn());
    }

    public void setCursorColumn(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v < 0 || v >= window().columns) {
                throw illegal("Cursor column " + v + " is outside the window");
            }
            window().cursorColumn = v;
            return null;
        });
    }

    public enum Marquee { TYPE, FORMAT, UNIT_WAIT, REPEAT_WAIT, INTER_CHARACTER_WAIT }

    public int getMarquee(Marquee m) throws JposException {
        return read(() -> switch (m) {
            case TYPE -> window().marqueeType;
            case FORMAT -> window().marqueeFormat;
            case UNIT_WAIT -> window().marqueeUnitWait;
            case REPEAT_WAIT -> window().marqueeRepeatWait;
            case INTER_CHARACTER_WAIT -> window().interCharacterWait;
        });
    }

    public void setMarquee(Marquee m, int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            DisplayWindow w = window();
            switch (m) {
                case TYPE -> {
                    if (v < DISP_MT_NONE || v > DISP_MT_INIT) {
                        throw illegal("MarqueeType " + v + " is invalid");
                    }
                    if (v != DISP_MT_NONE && currentWindow == 0) {
                        throw illegal("The device window (0) cannot be a marquee");
                    }
                    w.marqueeType = v;
                    restartMarquee(w);
                }
                case FORMAT -> {
                    if (v != DISP_MF_WALK && v != DISP_MF_PLACE) {
                        throw illegal("MarqueeFormat " + v + " is invalid");
                    }
                    w.marqueeFormat = v;
                }
                default -> {
                    if (v < 0) {
                        throw illegal(m + " " + v + " must not be negative");
                    }
                    if (m == Marquee.UNIT_WAIT) {
                        w.marqueeUnitWait = v;
                        restartMarquee(w);
                    } else if (m == Marquee.REPEAT_WAIT) {
                        w.marqueeRepeatWait = v;
                    } else {
                        w.interCharacterWait = v;
                    }
                }
            }
            return null;
        });
    }

    /** Runs a marquee window on the terminal's timer: the viewport walks one unit per tick. */
    private void restartMarquee(DisplayWindow w) {
        if (w.marquee != null) {
            w.marquee.cancel(false);
            w.marquee = null;
        }
        w.viewRow = 0;
        w.viewColumn = 0;
        w.restUntil = 0;
        int type = w.marqueeType;
        if (type == DISP_MT_NONE || type == DISP_MT_INIT || !isOpen()) {
            return;
        }
        long period = Math.max(1, w.marqueeUnitWait);
        w.marquee = terminal.scheduler().scheduleWithFixedDelay(() -> tick(w), period, period,
                TimeUnit.MILLISECONDS);
    }

    /** One marquee step; at the window's end it rests MarqueeRepeatWait, then starts over. */
    private void tick(DisplayWindow w) {
        lock.lock();
        try {
            boolean vertical = w.marqueeType == DISP_MT_UP || w.marqueeType == DISP_MT_DOWN;
            int span = vertical ? w.rows - w.viewportHeight : w.columns - w.viewportWidth;
            int pos = vertical ? w.viewRow : w.viewColumn;
            long now = System.currentTimeMillis();
            int next;
            if (pos < span) {
                next = pos + 1;
            } else if (w.restUntil == 0) {
                w.restUntil = now + w.marqueeRepeatWait;
                return;
            } else if (now < w.restUntil) {
                return;
            } else {
                w.restUntil = 0;
                next = 0;
            }
            if (vertical) {
                w.viewRow = next;
            } else {
                w.viewColumn = next;
            }
        } finally {
            lock.unlock();
        }
    }

    // ---- device-wide properties ------------------------------------------------------------

    public int getDeviceBrightness() throws JposException {
        return read(() -> brightness);
    }

    public void setDeviceBrightness(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v < 0 || v > 100) {
                throw illegal("Brightness " + v + " is outside 0..100");
            }
            brightness = v;
            return null;
        });
    }

    public int getCharacterSet() throws JposException {
        return read(() -> characterSet);
    }

    public void setCharacterSet(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (!Arrays.asList(CHARACTER_SETS.split(",")).contains(Integer.toString(v))) {
                throw illegal("Character set " + v + " is not in " + CHARACTER_SETS);
            }
            characterSet = v;
            return null;
        });
    }

    public boolean getMapCharacterSet() throws JposException {
        return readFlag(() -> mapCharacterSet);
    }

    public void setMapCharacterSet(boolean v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            mapCharacterSet = v;
            return null;
        });
    }

    public boolean getCursorUpdate() throws JposException {
        return readFlag(() -> cursorUpdate);
    }

    public void setCursorUpdate(boolean v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            cursorUpdate = v;
            return null;
        });
    }

    public int getCursorType() throws JposException {
        return read(() -> cursorType);
    }

    public void setCursorType(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            int base = v & ~DISP_CT_BLINK;
            boolean blink = (v & DISP_CT_BLINK) != 0;
            int needed = base == DISP_CT_NONE ? 0 : 1 << (base - 1);
            if (base < DISP_CT_NONE || base > DISP_CT_OTHER || (CAP_CURSOR & needed) != needed
                    || blink && (CAP_CURSOR & DISP_CCT_BLINK) == 0) {
                throw illegal("Cursor type 0x" + Integer.toHexString(v) + " is not supported");
            }
            cursorType = v;
            return null;
        });
    }

    public int getBlinkRate() throws JposException {
        return read(() -> blinkRate);
    }

    public void setBlinkRate(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (v <= 0) {
                throw illegal("Blink rate " + v + " must be positive");
            }
            blinkRate = v;
            return null;
        });
    }

    public int getScreenMode() throws JposException {
        return read(() -> screenMode);
    }

    /** Screen modes count from 1 in ScreenModeList; 0 is the default (the first). */
    public void setScreenMode(int v) throws JposException {
        lockedRun(() -> {
            requireOpen();
            if (getDeviceEnabled()) {
                throw illegal("The screen mode changes only while the device is disabled");
            }
            if (v < 0 || v > MODES.length) {
                throw illegal("Screen mode " + v + " is not in " + SCREEN_MODES);
            }
            int[] m = MODES[v == 0 ? 0 : v - 1];
            screenMode = v;
            deviceRows = m[0];
            deviceColumns = m[1];
            resetWindows();
            return null;
        });
    }

    // ---- text ------------------------------------------------------------------------------

    public void displayText(String data, int attribute) throws JposException {
        lockedRun(() -> {
            requireReady();
            write(data, attribute);
            return null;
        });
    }

    public void displayTextAt(int row, int column, String data, int attribute) throws JposException {
        lockedRun(() -> {
            requireReady();
            DisplayWindow w = window();
            if (row < 0 || row >= w.rows || column < 0 || column >= w.columns) {
                throw illegal("Position " + row + "," + column + " is outside the window");
            }
            w.cursorRow = row;
            w.cursorColumn = column;
            write(data, attribute);
            return null;
        });
    }

    private void write(String data, int attribute) throws JposException {
        if (attribute < DISP_DT_NORMAL || attribute > DISP_DT_BLINK_REVERSE) {
            throw illegal("Text attribute " + attribute + " is invalid");
        }
        if (data == null) {
            throw illegal("No text given");
        }
        // Every bitmap the text names must exist before anything is shown: a refused text
        // leaves the screen as it was.
        for (int i = 0; i < data.length(); i++) {
            int n = bitmapAt(data, i);
            if (n >= 0 && !bitmaps.containsKey(n)) {
                throw illegal("Bitmap " + n + " is not set");
            }
        }
        DisplayWindow w = window();
        int row = w.cursorRow;
        int col = w.cursorColumn;
        int shown = 0;
        for (int i = 0; i < data.length(); i++) {
            char c = data.charAt(i);
            if (c == 0x1B && i + 1 < data.length() && data.charAt(i + 1) == '|') {
                int n = bitmapAt(data, i);
                if (n >= 0) {
                    shownBitmaps.add(bitmaps.get(n));
                }
                // A sequence ends with its first letter; one cut off at the text's end is dropped.
                int end = i + 2;
                while (end < data.length() && !Character.isLetter(data.charAt(end))) {
                    end++;
                }
                i = end;
            } else if (c == '\r') {
                w.cursorColumn = 0;
            } else if (c == '\n') {
                w.newLine();
            } else {
                w.put(map(c), attribute);
                shown++;
            }
        }
        terminal.statistics(name, kind).increment("DisplayedCharacterCount", shown);
        if (!cursorUpdate) {
            w.cursorRow = row;
            w.cursorColumn = col;
        }
    }

    /** The bitmap number of an ESC|nB sequence starting at i; -1 for anything else. */
    private static int bitmapAt(String data, int i) {
        if (data.charAt(i) != 0x1B || i + 1 >= data.length() || data.charAt(i + 1) != '|') {
            return -1;
        }
        int end = i + 2;
        while (end < data.length() && Character.isDigit(data.charAt(end)) && end < i + 8) {
            end++;
        }
        if (end == i + 2 || end >= data.length() || data.charAt(end) != 'B') {
            return -1;
        }
        return Integer.parseInt(data.substring(i + 2, end));
    }

    /** Characters the chosen character set lacks show as '?'; glyph codes pass unchanged. */
    private char map(char c) {
        if (glyphs.containsKey((int) c)) {
            return c;
        }
        if (characterSet == DISP_CS_ASCII) {
            return c >= 0x20 && c < 0x7F ? c : '?';
        }
        Charset cs = Charset.forName(characterSet == 437 ? "IBM437" : "windows-1252");
        return mapCharacterSet && cs.newEncoder().canEncode(c) ? c : c < 0x80 ? c : '?';
    }

    public void clearText() throws JposException {
        lockedRun(() -> {
            requireReady();
            window().clear();
            return null;
        });
    }

    public void scrollText(int direction, int units) throws JposException {
        lockedRun(() -> {
            requireReady();
            if (units < 1) {
                throw illegal("Scroll units " + units + " must be positive");
            }
            DisplayWindow w = window();
            boolean tallWindow = w.rows > w.viewportHeight;
            boolean wideWindow = w.columns > w.viewportWidth;
            switch (direction) {
                case DISP_ST_UP -> {
                    if (tallWindow) {
                        w.viewRow = Math.min(w.rows - w.viewportHeight, w.viewRow + units);
                    } else {
                        w.shiftUp(units);
                    }
                }
                case DISP_ST_DOWN -> {
                    if (tallWindow) {
                        w.viewRow = Math.max(0, w.viewRow - units);
                    } else {
                        w.shiftDown(units);
                    }
                }
                case DISP_ST_LEFT -> {
                    if (wideWindow) {
                        w.viewColumn = Math.min(w.columns - w.viewportWidth, w.viewColumn + units);
                    } else {
                        w.shiftLeft(units);
                    }
                }
                case DISP_ST_RIGHT -> {
                    if (wideWindow) {
                        w.viewColumn = Math.max(0, w.viewColumn - units);
                    } else {
                        w.shiftRight(units);
                    }
                }
                default -> throw illegal("Scroll direction " + direction + " is invalid");
            }
            return null;
        });
    }

    public int readCharacterAtCursor() throws JposException {
        return locked(() -> {
            requireReady();
            DisplayWindow w = window();
            return (int) w.text[w.cursorRow][w.visibleCursorColumn()];
        });
    }

    // ---- descriptors -----------------------------------------------------------------------

    public void setDescriptor(int descriptor, int attribute) throws JposException {
        lockedRun(() -> {
            requireReady();
            if (descriptor < 0 || descriptor >= DEVICE_DESCRIPTORS) {
                throw illegal("Descriptor " + descriptor + " does not exist");
            }
            if (attribute < DISP_SD_OFF || attribute > DISP_SD_BLINK) {
                throw illegal("Descriptor attribute " + attribute + " is invalid");
            }
            descriptors[descriptor] = attribute;
            return null;
        });
    }

    public void clearDescriptors() throws JposException {
        lockedRun(() -> {
            requireReady();
            Arrays.fill(descriptors, DISP_SD_OFF);
            return null;
        });
    }

    public int[] descriptors() {
        lock.lock();
        try {
            return descriptors.clone();
        } finally {
            lock.unlock();
        }
    }

    // ---- windows ---------------------------------------------------------------------------

    public void createWindow(int vRow, int vCol, int vHeight, int vWidth, int wHeight, int wWidth)
            throws JposException {
        lockedRun(() -> {
            requireReady();
            if (vRow < 0 || vCol < 0 || vHeight < 1 || vWidth < 1 || vRow + vHeight > deviceRows
                    || vCol + vWidth > deviceColumns) {
                throw illegal("The viewport does not fit the " + deviceRows + "x" + deviceColumns + " display");
            }
            if (wHeight < vHeight || wWidth < vWidth) {
                throw illegal("A window is at least as large as its viewport");
            }
            if (wHeight > vHeight && wWidth > vWidth) {
                throw illegal("A window may be larger than its viewport in one direction only");
            }
            int slot = 1;
            while (slot <= DEVICE_WINDOWS && windows[slot] != null) {
                slot++;
            }
            if (slot > DEVICE_WINDOWS) {
                throw illegal("All " + DEVICE_WINDOWS + " windows are in use");
            }
            windows[slot] = new DisplayWindow(vRow, vCol, vHeight, vWidth, wHeight, wWidth);
            zOrder.add(slot);
            currentWindow = slot;
            return null;
        });
    }

    public void destroyWindow() throws JposException {
        lockedRun(() -> {
            requireReady();
            if (currentWindow == 0) {
                throw illegal("The device window cannot be destroyed");
            }
            DisplayWindow w = windows[currentWindow];
            if (w.marquee != null) {
                w.marquee.cancel(false);
            }
            windows[currentWindow] = null;
            zOrder.remove(Integer.valueOf(currentWindow));
            currentWindow = 0;
            return null;
        });
    }

    public void refreshWindow(int window) throws JposException {
        lockedRun(() -> {
            requireReady();
            if (window < 0 || window > DEVICE_WINDOWS || windows[window] == null) {
                throw illegal("Window " + window + " does not exist");
            }
            currentWindow = window;
            zOrder.remove(Integer.valueOf(window));
            zOrder.add(window);
            return null;
        });
    }

    /** What the display shows, row by row: window 0 under the other windows' viewports. */
    public List<String> screen() {
        lock.lock();
        try {
            char[][] s = new char[deviceRows][deviceColumns];
            for (char[] r : s) {
                Arrays.fill(r, ' ');
            }
            for (int index : zOrder) {
                DisplayWindow w = windows[index];
                for (int r = 0; r < w.viewportHeight; r++) {
                    for (int c = 0; c < w.viewportWidth; c++) {
                        s[w.viewportRow + r][w.viewportColumn + c] = w.text[w.viewRow + r][w.viewColumn + c];
                    }
                }
            }
            List<String> rows = new ArrayList<>();
            for (char[] r : s) {
                rows.add(new String(r));
            }
            return rows;
        } finally {
            lock.unlock();
        }
    }

    /**
     * The display as a person would see it: the rows in a frame, each followed by its blink and
     * reverse marks ('b' blink, 'r' reverse, 'x' both); then the windows other than the device
     * window, the descriptors that are lit, the bitmap shown last and the dots of every custom
     * glyph on the screen.
     */
    public List<String> render() {
        lock.lock();
        try {
            char[][] s = new char[deviceRows][deviceColumns];
            int[][] a = new int[deviceRows][deviceColumns];
            for (char[] r : s) {
                Arrays.fill(r, ' ');
            }
            for (int index : zOrder) {
                DisplayWindow w = windows[index];
                for (int r = 0; r < w.viewportHeight; r++) {
                    for (int c = 0; c < w.viewportWidth; c++) {
                        s[w.viewportRow + r][w.viewportColumn + c] = w.text[w.viewRow + r][w.viewColumn + c];
                        a[w.viewportRow + r][w.viewportColumn + c] = w.attributes[w.viewRow + r][w.viewColumn + c];
                    }
                }
            }
            List<String> out = new ArrayList<>();
            String edge = "+" + "-".repeat(deviceColumns) + "+";
            out.add(edge);
            java.util.TreeSet<Integer> glyphsShown = new java.util.TreeSet<>();
            for (int r = 0; r < deviceRows; r++) {
                StringBuilder marks = new StringBuilder();
                for (int c = 0; c < deviceColumns; c++) {
                    marks.append(switch (a[r][c]) {
                        case DISP_DT_BLINK -> 'b';
                        case DISP_DT_REVERSE -> 'r';
                        case DISP_DT_BLINK_REVERSE -> 'x';
                        default -> ' ';
                    });
                    if (glyphs.containsKey((int) s[r][c])) {
                        glyphsShown.add((int) s[r][c]);
                    }
                }
                out.add(("|" + new String(s[r]) + "| " + marks).stripTrailing());
            }
            out.add(edge);
            for (int i = 1; i <= DEVICE_WINDOWS; i++) {
                DisplayWindow w = windows[i];
                if (w != null) {
                    out.add("window " + i + (i == currentWindow ? "*" : "") + ": viewport " + w.viewportRow + ","
                            + w.viewportColumn + " " + w.viewportHeight + "x" + w.viewportWidth + ", text "
                            + w.rows + "x" + w.columns + " from " + w.viewRow + "," + w.viewColumn
                            + (w.marqueeType == DISP_MT_NONE ? "" : ", marquee " + w.marqueeType));
                }
            }
            StringBuilder lit = new StringBuilder();
            for (int i = 0; i < DEVICE_DESCRIPTORS; i++) {
                if (descriptors[i] != DISP_SD_OFF) {
                    lit.append(' ').append(i).append('=').append(descriptors[i] == DISP_SD_ON ? "on" : "blink");
                }
            }
            if (lit.length() > 0) {
                out.add("descriptors:" + lit);
            }
            if (!shownBitmaps.isEmpty()) {
                out.add("bitmap: " + shownBitmaps.get(shownBitmaps.size() - 1));
            }
            for (int code : glyphsShown) {
                StringBuilder dots = new StringBuilder("glyph " + Integer.toHexString(code).toUpperCase() + ":");
                for (byte row : glyphs.get(code)) {
                    dots.append(' ');
                    for (int bit = GLYPH_WIDTH - 1; bit >= 0; bit--) {
                        dots.append((row >> bit & 1) != 0 ? '#' : '.');
                    }
                }
                out.add(dots.toString());
            }
            return out;
        } finally {
            lock.unlock();
        }
    }

    // ---- bitmaps and glyphs ----------------------------------------------------------------

    private static void checkBitmap(String file, int width, int alignX, int alignY) throws JposException {
        if (file == null || !Files.isRegularFile(Paths.get(file))) {
            throw new JposException(JPOS_E_NOEXIST, "Bitmap file '" + file + "' does not exist");
        }
        if (width != DISP_BM_ASIS && width <= 0) {
            throw illegal("Bitmap width " + width + " is invalid");
        }
        if (alignX < DISP_BM_RIGHT || alignY < DISP_BM_BOTTOM) {
            throw illegal("Bitmap alignment " + alignX + "," + alignY + " is invalid");
        }
    }

    public void displayBitmap(String file, int width, int alignX, int alignY) throws JposException {
        lockedRun(() -> {
            requireReady();
            checkBitmap(file, width, alignX, alignY);
            shownBitmaps.add(file);
            return null;
        });
    }

    /** Stores bitmap n (1 to 20) for the ESC|nB sequence; an empty file name deletes it. */
    public void setBitmap(int number, String file, int width, int alignX, int alignY) throws JposException {
        lockedRun(() -> {
            requireReady();
            if (number < 1 || number > BITMAPS) {
                throw illegal("Bitmap number " + number + " is outside 1.." + BITMAPS);
            }
            if (file == null || file.isEmpty()) {
                bitmaps.remove(number);
                return null;
            }
            checkBitmap(file, width, alignX, alignY);
            bitmaps.put(number, file);
            return null;
        });
    }

    public List<String> shownBitmaps() {
        lock.lock();
        try {
            return List.copyOf(shownBitmaps);
        } finally {
            lock.unlock();
        }
    }

    /** Defines a 5x6 glyph: one byte per row, bit 4 the leftmost dot. */
    public void defineGlyph(int code, byte[] glyph) throws JposException {
        lockedRun(() -> {
            requireReady();
            if (code < 0xE0 || code > 0xEF) {
                throw illegal("Glyph code 0x" + Integer.toHexString(code) + " is not in " + GLYPHS);
            }
            if (glyph == null || glyph.length != GLYPH_HEIGHT) {
                throw illegal("A glyph has " + GLYPH_HEIGHT + " rows");
            }
            for (byte b : glyph) {
                if ((b & 0xFF) >= 1 << GLYPH_WIDTH) {
                    throw illegal("A glyph row has " + GLYPH_WIDTH + " dots");
                }
            }
            glyphs.put(code, glyph.clone());
            return null;
        });
    }

    /** The same glyph packed in an int: row 0 in bits 29..25, row 5 in bits 4..0. */
    public void defineGlyph(int code, int packed) throws JposException {
        if (packed < 0 || packed >= 1 << (GLYPH_WIDTH * GLYPH_HEIGHT)) {
            locked(() -> {
                requireOpen();
                throw illegal("A packed glyph has " + GLYPH_WIDTH * GLYPH_HEIGHT + " bits");
            });
        }
        byte[] rows = new byte[GLYPH_HEIGHT];
        for (int r = 0; r < GLYPH_HEIGHT; r++) {
            rows[r] = (byte) (packed >>> (GLYPH_WIDTH * (GLYPH_HEIGHT - 1 - r)) & 0x1F);
        }
        defineGlyph(code, rows);
    }

    public byte[] glyph(int code) {
        lock.lock();
        try {
            byte[] g = glyphs.get(code);
            return g == null ? null : g.clone();
        } finally {
            lock.unlock();
        }
    }

    @Override
    protected void onClose() {
        for (DisplayWindow w : windows) {
            if (w != null && w.marquee != null) {
                w.marquee.cancel(false);
            }
        }
    }

    /** A display has no input to fail and no asynchronous output. */
    @Override
    public void raiseError(int code, int extended) {
        throw new com.orv.sim.SimException("a line display raises no error events");
    }

    @Override
    protected String describeDevice() {
        return " window=" + currentWindow + " screen=" + screen();
    }
}
