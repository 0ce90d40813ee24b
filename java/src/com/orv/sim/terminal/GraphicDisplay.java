package com.orv.sim.terminal;

import java.util.ArrayList;
import java.util.Iterator;
import java.util.LinkedHashMap;
import java.util.List;
import jpos.JposConst;
import jpos.JposException;

/**
 * The terminal's graphic screen as the DirectIO display commands draw on it. Like a real screen
 * it holds what is visible, not a history: a drawing of the same kind at the same position
 * replaces the earlier one, and at most MAX_ITEMS drawings are kept (the oldest go first), so a
 * program that draws for days does not grow the simulator's memory.
 */
public final class GraphicDisplay {
    public static final int WIDTH = 320;
    public static final int HEIGHT = 240;
    public static final List<String> FONTS = List.of("FONT_8x8", "FONT_8x16", "FONT_12x24", "FONT_16x32");

    public static final int MAX_ITEMS = 1024;

    // "kind x,y" -> the drawing's line, in drawing order.
    private final LinkedHashMap<String, String> items = new LinkedHashMap<>();
    private int font;
    private String logoFile = "";
    private boolean logoShown;
    private boolean backlight = true;

    public synchronized void clear() {
        items.clear();
        logoShown = false;
    }

    public synchronized void resetAll() {
        clear();
        font = 0;
        logoFile = "";
        backlight = true;
    }

    private static void checkPoint(int x, int y) throws JposException {
        if (x < 0 || y < 0 || x >= WIDTH || y >= HEIGHT) {
            throw new JposException(JposConst.JPOS_E_ILLEGAL,
                    "Position " + x + "," + y + " is outside the " + WIDTH + "x" + HEIGHT + " screen");
        }
    }

    public synchronized void text(int x, int y, String text) throws JposException {
        checkPoint(x, y);
        draw("text", x, y, FONTS.get(font) + " \"" + text + "\"");
    }

    public synchronized void box(int x, int y, int w, int h) throws JposException {
        checkPoint(x, y);
        if (w <= 0 || h <= 0 || x + w > WIDTH || y + h > HEIGHT) {
            throw new JposException(JposConst.JPOS_E_ILLEGAL, "Box " + w + "x" + h + " at " + x + "," + y
                    + " does not fit the screen");
        }
        draw("box", x, y, w + "x" + h);
    }

    public synchronized void bitmap(int x, int y, String file) throws JposException {
        checkPoint(x, y);
        draw("bitmap", x, y, file);
    }

    private void draw(String kind, int x, int y, String what) {
        String place = kind + " " + x + "," + y;
        items.remove(place);  // re-inserted last: it is now the newest drawing
        items.put(place, place + " " + what);
        if (items.size() > MAX_ITEMS) {
            Iterator<String> oldest = items.keySet().iterator();
            oldest.next();
            oldest.remove();
        }
    }

    public synchronized void font(int index) throws JposException {
        if (index < 0 || index >= FONTS.size()) {
            throw new JposException(JposConst.JPOS_E_ILLEGAL, "Font " + index + " does not exist; fonts: " + FONTS);
        }
        font = index;
    }

    public synchronized void logoFile(String file) {
        logoFile = file;
    }

    public synchronized String logoFile() {
        return logoFile;
    }

    public synchronized void showLogo(boolean show) {
        logoShown = show;
        if (show) {
            items.remove("logo");
            items.put("logo", "logo " + logoFile);
        } else {
            items.remove("logo");
        }
    }

    public synchronized void backlight(boolean on) {
        backlight = on;
    }

    public synchronized String fontName() {
        return FONTS.get(font);
    }

    /** What the screen shows, one item per line (for the simulator's "show" command and tests). */
    public synchronized List<String> contents() {
        List<String> l = new ArrayList<>(items.values());
        l.add(0, "backlight " + (backlight ? "on" : "off") + ", font " + FONTS.get(font)
                + (logoShown ? ", logo shown" : ""));
        return l;
    }
}
