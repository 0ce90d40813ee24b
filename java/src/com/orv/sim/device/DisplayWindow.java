package com.orv.sim.device;

import java.util.Arrays;

/** One line display window: its viewport on the device, its text buffer, cursor and marquee. */
final class DisplayWindow {
    final int viewportRow;
    final int viewportColumn;
    final int viewportHeight;
    final int viewportWidth;
    final int rows;
    final int columns;
    final char[][] text;
    final int[][] attributes;
    int cursorRow;
    int cursorColumn;
    int viewRow;      // window row shown in the viewport's first row
    int viewColumn;   // window column shown in the viewport's first column
    int marqueeType;
    int marqueeFormat;
    int marqueeUnitWait;
    int marqueeRepeatWait;
    int interCharacterWait;
    long restUntil;   // a marquee rests at its end until this time
    java.util.concurrent.ScheduledFuture<?> marquee;

    DisplayWindow(int vRow, int vCol, int vHeight, int vWidth, int rows, int columns) {
        viewportRow = vRow;
        viewportColumn = vCol;
        viewportHeight = vHeight;
        viewportWidth = vWidth;
        this.rows = rows;
        this.columns = columns;
        text = new char[rows][columns];
        attributes = new int[rows][columns];
        clear();
    }

    void clear() {
        for (char[] r : text) {
            Arrays.fill(r, ' ');
        }
        for (int[] a : attributes) {
            Arrays.fill(a, 0);
        }
        cursorRow = 0;
        cursorColumn = 0;
        viewRow = 0;
        viewColumn = 0;
    }

    /** Writes one character at the cursor: wraps at the right edge, scrolls up at the bottom. */
    void put(char c, int attribute) {
        if (cursorColumn >= columns) {
            newLine();
        }
        text[cursorRow][cursorColumn] = c;
        attributes[cursorRow][cursorColumn] = attribute;
        cursorColumn++;
    }

    void newLine() {
        cursorColumn = 0;
        if (cursorRow + 1 < rows) {
            cursorRow++;
        } else {
            shiftUp(1);
        }
    }

    void shiftUp(int n) {
        for (int r = 0; r < rows; r++) {
            int from = r + n;
            text[r] = from < rows ? text[from] : blankRow();
            attributes[r] = from < rows ? attributes[from] : new int[columns];
        }
    }

    void shiftDown(int n) {
        for (int r = rows - 1; r >= 0; r--) {
            int from = r - n;
            text[r] = from >= 0 ? text[from] : blankRow();
            attributes[r] = from >= 0 ? attributes[from] : new int[columns];
        }
    }

    void shiftLeft(int n) {
        for (int r = 0; r < rows; r++) {
            char[] t = blankRow();
            int[] a = new int[columns];
            for (int c = n; c < columns; c++) {
                t[c - n] = text[r][c];
                a[c - n] = attributes[r][c];
            }
            text[r] = t;
            attributes[r] = a;
        }
    }

    void shiftRight(int n) {
        for (int r = 0; r < rows; r++) {
            char[] t = blankRow();
            int[] a = new int[columns];
            for (int c = 0; c + n < columns; c++) {
                t[c + n] = text[r][c];
                a[c + n] = attributes[r][c];
            }
            text[r] = t;
            attributes[r] = a;
        }
    }

    private char[] blankRow() {
        char[] r = new char[columns];
        Arrays.fill(r, ' ');
        return r;
    }

    /** The cursor column as the application sees it: on the last column after a full row. */
    int visibleCursorColumn() {
        return Math.min(cursorColumn, columns - 1);
    }
}
