package com.orv.sim.terminal;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import org.junit.jupiter.api.Test;

/** The screen keeps what is visible: redrawing a place replaces it, and the record is bounded. */
class GraphicDisplayTest {
    @Test
    void redrawingAPlaceReplacesItAndMovesItToTheTop() throws Exception {
        GraphicDisplay d = new GraphicDisplay();
        d.text(10, 20, "first");
        d.box(0, 0, 5, 5);
        for (int i = 0; i < 10_000; i++) {
            d.text(10, 20, "count " + i);
        }
        d.box(0, 0, 8, 8);
        d.text(30, 20, "other");
        assertEquals(List.of("backlight on, font FONT_8x8", "text 10,20 FONT_8x8 \"count 9999\"",
                "box 0,0 8x8", "text 30,20 FONT_8x8 \"other\""), d.contents());
    }

    @Test
    void manyPlacesKeepOnlyTheNewestDrawings() throws Exception {
        GraphicDisplay d = new GraphicDisplay();
        d.logoFile("logo.bmp");
        d.showLogo(true);
        for (int y = 0; y < GraphicDisplay.HEIGHT; y++) {
            for (int x = 0; x < 10; x++) {
                d.text(x, y, "t");
            }
        }
        List<String> shown = d.contents();
        assertEquals(GraphicDisplay.MAX_ITEMS + 1, shown.size());
        assertEquals("text 9,239 FONT_8x8 \"t\"", shown.get(shown.size() - 1));
        assertTrue(shown.stream().noneMatch(s -> s.startsWith("logo ")), "the oldest drawing went first");
        d.showLogo(false);
        d.showLogo(true);
        assertEquals("logo logo.bmp", d.contents().get(d.contents().size() - 1));
    }
}
