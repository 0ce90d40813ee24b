package java.awt;

/**
 * Patched into java.desktop for one test: a Point whose coordinates are not the int fields
 * x and y, so a reader that looks them up finds no field.
 */
public class Point implements java.io.Serializable {
    public int px;
    public int py;

    public Point() {
    }

    public Point(int x, int y) {
        this.px = x;
        this.py = y;
    }

    public Point(Point p) {
        this(p.px, p.py);
    }
}
